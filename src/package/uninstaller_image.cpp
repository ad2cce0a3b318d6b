#include "package/uninstaller_image.hpp"

#include <algorithm>

#include "format/package_contents.hpp"

namespace valdorine {
namespace {

struct KeptImage {
  std::vector<uint8_t> bytes;
  uint64_t size = 0;
};

KeptImage& Kept() {
  static KeptImage kept;
  return kept;
}

// Where the bytes that follow the package begin: the end of the section's raw data, or of the
// archive when it lies behind the section. The uninstaller does not carry the archive.
uint64_t EndOfPackage(const InstallPackage& package, bool archive_in_file) {
  const uint64_t section_end = uint64_t{package.section.file_offset} + package.section.raw_size;
  if (!archive_in_file) return section_end;
  return std::max(section_end, ArchiveFileOffset(package.section, package.view) +
                                   static_cast<uint64_t>(package.view.header.archive_length));
}

}  // namespace

PackageError KeepUninstallerImage(InstallPackage& package, std::span<const uint8_t> before_section,
                                  bool archive_in_file) {
  const uint64_t tail_start = std::min(EndOfPackage(package, archive_in_file), package.file_size);
  std::vector<uint8_t> tail;
  if (!ReadInstallerBytes(package, tail_start, package.file_size - tail_start, tail)) {
    return PackageError::kUninstallerImageRead;
  }
  KeptImage& kept = Kept();
  if (!BuildUninstallerImage(before_section, tail, package.section, kept.bytes)) {
    return PackageError::kUninstallerImageRead;
  }
  kept.size = kept.bytes.size();
  return PackageError::kNone;
}

void DropUninstallerImage(uint64_t file_size) {
  Kept() = {{}, file_size};
}

const std::vector<uint8_t>& UninstallerImage() { return Kept().bytes; }
uint64_t UninstallerSize() { return Kept().size; }

}  // namespace valdorine
