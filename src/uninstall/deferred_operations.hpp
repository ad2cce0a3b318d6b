// Work postponed to the next restart of Windows: files deleted or replaced then (the system's list
// of pending file operations, or wininit.ini where the system still uses it), and the cleaning of
// that list when a newer installation has just written the files an older entry refers to.
#pragma once

#include "core/hash_list.hpp"
#include "core/string.hpp"

namespace valdorine {

// A set of wide paths whose ASCII letters are lower case (PathSetKey).
using PathSet = List<Bucket<bool, String>>;

// The form in which a path (wide) is kept in a PathSet: its ASCII letters in lower case.
String PathSetKey(const String& path);

// Registers `path` (wide) for deletion at the next restart.
bool DeleteAtRestart(const String& path);

// Registers the move of `temporary` onto `target` (both wide) at the next restart. On success the
// thread's last error is ERROR_BUSY (170), the sign that the move is pending.
bool ReplaceAtRestart(const String& temporary, const String& target);

// Adds "name=value" to the [rename] section of wininit.ini in the Windows folder (both wide; the
// callers pass short paths, written in the ANSI code page). False for an empty name or value.
bool AddWininitRename(const String& name, const String& value);

// The same on the given ini file (wide path) with 8-bit name and value: the line goes right after
// a "[rename]" header (found ignoring case), or a new section is appended. False when the file
// cannot be read or written, or for an empty name or value (nothing written).
bool AddRenameLine(const String& ini_file, const String& name, const String& value);

// Removes from the pending list every move onto, and every deletion of, a path in `paths`; a
// removed move's temporary source goes to the Recycle Bin. `installing` logs each removal to the
// operations log.
void CleanPendingOperations(const PathSet& paths, bool installing);

}  // namespace valdorine
