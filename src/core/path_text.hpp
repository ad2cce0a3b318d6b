// Text operations on Windows paths that need no file system. Paths are wide Strings; both "\"
// and "/" count as separators.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// The wide form of a path that travels as 8-bit text: "|" followed by UTF-8, otherwise text in
// the ANSI code page (the reverse of NarrowPath).
String WidePathFromNarrow(const String& narrow_path);

// True when the path is not empty and holds no control characters, none of < > " | ? * and no
// colon except right after a leading drive letter. A leading "\\?\" or "\\.\" is allowed.
bool IsValidFileName(const String& path);

// The number of characters of the path's root: "C:\" 3, "C:" 2, "\" 1, "\\server\share\" up to
// and including the backslash after the share, the same after "\\?\" or "\\?\UNC\"; 0 for a
// relative path.
int PathRootLength(const String& path);

// The path without a leading "\\?\" or "\\.\" ("\\?\UNC\server\share" becomes "\\server\share").
String WithoutDevicePrefix(const String& path);

// The path without trailing separators, except those that belong to its root ("C:\" stays).
String WithoutTrailingSeparators(const String& path);

// The folder that holds the path's last component, without a trailing separator unless it is a
// root ("C:\dir\f" gives "C:\dir", "C:\f" gives "C:\"); empty when the path has a single component.
String ParentFolder(const String& path);

// The path's last component: what follows its last separator ("C:\dir\f.txt" gives "f.txt").
String FileNamePart(const String& path);

// The drive letter (upper case) of a path that starts with a letter and a colon, else 0.
char16_t DriveLetter(const String& path);

}  // namespace valdorine
