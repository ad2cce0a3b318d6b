// The installer's own package: its file opened for the whole run, the `.setup` section found
// through the file's section table, and the package header read from the loader's mapping of
// that section (instance base + section address), each field checked at once.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

#include "core/string.hpp"
#include "core/win32/disk_file.hpp"
#include "format/package_header.hpp"
#include "format/pe_image.hpp"

namespace valdorine {

struct InstallPackage {
  String path;                              // the installer's own file (wide)
  DiskFile file;                            // the installer's own file, open for the whole run
  int open_error = 0;                       // file error code when it could not be opened
  uint64_t file_size = 0;
  SetupSection section;
  std::span<const uint8_t> mapped_section;  // the section as the loader mapped it
  PackageView view;                         // header fields, script view, archive offset
};

// The install script's settings that decide how the package is read.
struct PackageSettings {
  bool compressed_archive = true;  // option word 1, bit 0x20
  bool archive_in_file = false;    // ArchiveInFile
  uint32_t integrity_mode = 0;     // 1 stub checksum, 2 signature, other none
};

// Opens `path` (the installer's own file, wide), finds the section and reads the header from the
// image loaded at `instance`. Errors: kInstallerUnreadable, 43, 44, kNoPackage, 9, 10, then the
// header's checks (20, kVersionMismatch, 22, 27, 28, 29, 45).
PackageError OpenPackage(HINSTANCE instance, const String& path, InstallPackage& package);

// Reads `count` bytes of the installer's file from `offset`; false on any failure.
bool ReadInstallerBytes(InstallPackage& package, uint64_t offset, uint64_t count, std::vector<uint8_t>& bytes);

// Where the signature of a signed installer begins (its file size when unsigned), from the headers
// of the file.
uint64_t InstallerSignatureStart(InstallPackage& package);

}  // namespace valdorine
