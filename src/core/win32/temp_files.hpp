// Temporary files: the process's temporary folder and new temporary file names ("SGT" names).
#pragma once

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

namespace temp_name {
inline constexpr uint32_t kKeepFolder = 0x1;  // never move on to another folder after failures
}  // namespace temp_name

// The temporary folder, ending with a backslash: the system's temporary path (created when
// missing), else "temp" in the Windows folder. Computed once per process.
const String& TempFolder();

// A new temporary file name in `folder` (created when missing; empty: the temporary folder), wide.
// Without an extension the system's temporary-name service makes and creates "SGTxxxx.tmp"; when
// that fails, or with an extension (a leading "." is skipped), up to 400 random names
// "SGT%4X.<extension>" ("tmp" by default) are tried: with an extension the first one that can be
// created as a new file is taken (the file exists, closed), without one the first that does not
// exist. Unless temp_name::kKeepFolder, after 200 failures the temporary folder is used instead.
// Empty when the folder cannot be created or every attempt failed.
String MakeTempName(const String& folder, const String& extension, uint32_t flags = 0);

// Creates a new, empty file "<stem>-<32 random hexadecimal digits>.<extension>" in `folder` (wide)
// that no other program can have made first: the name comes from the system's cryptographic
// generator and the file is created only when it does not exist. Its path, or empty.
String CreateUnpredictableFile(const String& folder, const char16_t* stem, const char16_t* extension);

}  // namespace valdorine
