// Deleting files and folder trees. Tree deletion has a safety net: whatever path a caller has
// computed, it never deletes a drive or share root, one of the system's own folders (Windows,
// system, Program Files, Common Files, the profiles folder, the user's profile and its shell
// folders, the temporary folder) or a folder that holds one of them.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// True when the path (wide) is empty, a root, one of the protected folders or a folder above one.
// Paths are compared in their absolute long form, ignoring case.
bool IsProtectedFolder(const String& path);

// Deletes one file, clearing its read-only attribute first (restored when the deletion fails).
bool DeleteFileAt(const String& path);

// Moves one file (full wide path) into the Recycle Bin through the shell, silently: no confirmation,
// progress or error windows.
bool RecycleFile(const String& path);

// Deletes the folder with everything below it. Links inside (junctions, symbolic links) are
// removed without touching what they point to. A protected folder is refused with
// ERROR_ACCESS_DENIED and nothing is deleted. Deletion goes on past failures; false, with the
// system error of the first failure, when anything remains.
bool DeleteTree(const String& folder);

}  // namespace valdorine
