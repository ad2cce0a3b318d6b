#include "package/uninstaller_image.hpp"

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

}  // namespace

PackageError KeepUninstallerImage(InstallPackage& package, std::span<const uint8_t> before_section,
                                  bool archive_in_file) {
  const FileRange range = UninstallerTail(package.section, package.view, archive_in_file, package.file_size,
                                          InstallerSignatureStart(package));
  std::vector<uint8_t> tail;
  if (!ReadInstallerBytes(package, range.offset, range.length, tail)) {
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
