// The file error code (core/file_errors.hpp) for a system error of opening a file.
#pragma once

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

// Maps the system error of a failed open of `path` (wide). Some errors are refined by looking at
// the path: a folder gives kPathIsFolder, a missing drive kNoSuchDrive, a read-only file opened
// with `write_access` kReadOnly. The thread's last error is left as it was.
int FileErrorFromSystem(uint32_t system_error, const String& path, bool write_access);

}  // namespace valdorine
