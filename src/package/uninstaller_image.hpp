// The copy of the installer without its package that product registration writes as the
// uninstaller: built in memory at the self-check when package flag 0x20 is set, kept until exit.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "format/package_layout.hpp"
#include "package/package_reader.hpp"

namespace valdorine {

// Builds the image from the file's bytes before the section (already read) and the bytes after
// the package: after the section, or after the archive when that lies behind the section.
// Error 42 when those bytes cannot be read.
PackageError KeepUninstallerImage(InstallPackage& package, std::span<const uint8_t> before_section,
                                  bool archive_in_file);

// No image is kept; the uninstaller's size for the space estimate is the whole file's.
void DropUninstallerImage(uint64_t file_size);

// The image (empty when none is kept) and the uninstaller's size.
const std::vector<uint8_t>& UninstallerImage();
uint64_t UninstallerSize();

}  // namespace valdorine
