// The system's own folders: Windows, system, Program Files and Common Files. The lookups never
// fail: the last fallback is a fixed text. Results are wide and have no trailing backslash (except
// a drive root).
#pragma once

#include <windows.h>

#include "core/string.hpp"

namespace valdorine {

// Kinds of the Program Files and Common Files lookups.
namespace folder_kind {
inline constexpr int kDefault = 0;  // the system's default one (what this 32-bit process sees)
inline constexpr int k32Bit = 1;
inline constexpr int k64Bit = 2;
}  // namespace folder_kind

// The shell's special folder by CSIDL number, and its known folder by id; empty when the system
// has none.
String SpecialFolder(int csidl);
String KnownFolder(const GUID& id);

String WindowsFolder();
String SystemFolder();

// 32-bit: the special folder, the known folder, then %ProgramFiles(x86)%, then the default.
// 64-bit: the known folder, %ProgramW6432%, then the 32-bit folder without " (x86)".
// Default: the special folder, the known folder, the current-version value "ProgramFilesDir",
// then "c:\Program Files".
String ProgramFilesFolder(int kind);

// The same steps with the Common Files folders, %CommonProgramFiles(x86)% and
// %CommonProgramW6432%; the default ends with "CommonFilesDir" and then the default Program Files
// folder joined with "Common Files".
String CommonFilesFolder(int kind);

}  // namespace valdorine
