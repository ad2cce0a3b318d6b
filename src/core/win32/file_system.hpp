// Questions about files and folders on disk, folder creation and file identity. Paths are wide.
#pragma once

#include "core/string.hpp"

namespace valdorine {

bool PathExists(const String& path);    // a file or folder exists there
bool FileExists(const String& path);    // exists and is not a folder
bool FolderExists(const String& path);  // exists and is a folder
bool DriveExists(char16_t letter);      // the drive letter is mapped

// The absolute form of a path against the current folder, with "." and ".." resolved; the path
// itself when the system cannot make it absolute.
String FullPath(const String& path);

// Creates the folder together with every missing parent. True when the folder exists afterwards;
// otherwise false with the system error of the first level that could not be created.
bool CreateFolderTree(const String& folder);

// The path of an existing file or folder as the system resolves it, links included, in its long
// form (with the "\\?\" device prefix the system puts in front); empty when it cannot be opened.
String FinalPath(const String& path);

// The short (8.3) form of an existing path; the path itself when the system gives none.
String ShortPath(const String& path);

// True when both paths name the same file: equal ignoring case, or both can be opened and have the
// same volume serial number, file index and size.
bool SameFile(const String& a, const String& b);

}  // namespace valdorine
