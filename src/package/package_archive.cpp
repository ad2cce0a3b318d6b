#include "package/package_archive.hpp"

#include "format/package_contents.hpp"

namespace valdorine {

PackageError PackageArchive::Open(InstallPackage& package, const PackageSettings& settings) {
  const PackageView& view = package.view;
  std::span<const uint8_t> archive;
  if (settings.archive_in_file) {
    // The length is checked first, so the buffer never grows beyond the archive length.
    const PackageError error = CheckArchiveInFile(package.file_size, package.section, view, InstallerSignatureStart(package));
    if (error != PackageError::kNone) return error;
    if (!ReadInstallerBytes(package, ArchiveFileOffset(package.section, view),
                            static_cast<uint64_t>(view.header.archive_length), from_file_)) {
      return PackageError::kArchiveUnreadable;
    }
    archive = from_file_;
  } else {
    const PackageError error = ArchiveInSection(package.mapped_section, view, archive);
    if (error != PackageError::kNone) return error;
  }
  const PackageError error = CheckArchiveChecksum(archive, view.header.archive_checksum);
  if (error != PackageError::kNone) return error;
  cipher_ = PackageCipher(view.header);
  reader_.emplace(archive, ArchiveSettings{settings.compressed_archive, cipher_ ? &*cipher_ : nullptr,
                                           view.header.entry_sizes});
  return PackageError::kNone;
}

}  // namespace valdorine
