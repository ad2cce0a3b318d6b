// Temporary files: the process's temporary folder and new temporary file names ("SGT" names).
#pragma once

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

namespace temp_name {
inline constexpr uint32_t kKeepFolder = 0x1;  // never move on to another folder after failures
}  // namespace temp_name

// The temporary folder, ending with a backslash: the system's temporary path when that is an
// existing folder, else "temp" in the Windows folder when that exists, else "c:\temp" (created
// when missing). Computed once per process.
const String& TempFolder();

// A new temporary file name in `folder` (created when missing; empty: the temporary folder), wide.
// Without an extension the system's temporary-name service makes and creates "SGTxxxx.tmp"; when
// that fails, or with an extension (a leading "." is skipped), up to 400 random names
// "SGT%4X.<extension>" ("tmp" by default) are tried: with an extension the first one that can be
// created as a new file is taken (the file exists, closed), without one the first that does not
// exist. Unless temp_name::kKeepFolder, after 200 failures the temporary folder is used instead and
// after 300 "c:\temp". Empty when the folder cannot be created or every attempt failed.
String MakeTempName(const String& folder, const String& extension, uint32_t flags = 0);

}  // namespace valdorine
