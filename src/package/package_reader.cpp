#include "package/package_reader.hpp"

#include <algorithm>

#include "core/file_errors.hpp"

namespace valdorine {
namespace {

// The section's bytes in the loaded image, bounded by the image's own size.
std::span<const uint8_t> MappedSection(HINSTANCE instance, const SetupSection& section) {
  const auto* base = reinterpret_cast<const uint8_t*>(instance);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
  const uint64_t image_size = nt->OptionalHeader.SizeOfImage;
  if (section.virtual_address >= image_size) return {};
  const uint64_t size = std::min<uint64_t>(section.MappedSize(), image_size - section.virtual_address);
  return {base + section.virtual_address, static_cast<size_t>(size)};
}

}  // namespace

bool ReadInstallerBytes(InstallPackage& package, uint64_t offset, uint64_t count, std::vector<uint8_t>& bytes) {
  if (count > package.file_size || offset > package.file_size - count || count > INT32_MAX) return false;
  bytes.resize(static_cast<size_t>(count));
  return package.file.Seek(static_cast<int64_t>(offset)) &&
         (count == 0 || package.file.Read(bytes.data(), static_cast<int>(count)));
}

PackageError OpenPackage(HINSTANCE instance, const String& path, InstallPackage& package) {
  package.path = path;
  package.open_error = package.file.Open(path, open_flag::kOpenExisting | open_flag::kNoWrite |
                                                   open_flag::kShareRead | open_flag::kWidePath);
  if (package.open_error != file_error::kSuccess) return PackageError::kInstallerUnreadable;
  package.file_size = static_cast<uint64_t>(std::max<int64_t>(package.file.Size(), 0));

  std::vector<uint8_t> head;
  if (!ReadInstallerBytes(package, 0, std::min<uint64_t>(package.file_size, pe::kMaxHeadersSize), head)) {
    return PackageError::kPeHeaderOffset;
  }
  PackageError error = LocateSetupSection(head, package.section);
  if (error != PackageError::kNone) return error;
  // Seeking past the end would succeed on Windows; a section that starts there is not in the file.
  if (package.section.file_offset >= package.file_size || !package.file.Seek(package.section.file_offset)) {
    return PackageError::kSectionSeekFailed;
  }
  package.mapped_section = MappedSection(instance, package.section);
  return ReadPackageHeader(package.mapped_section, package.view);
}

uint64_t InstallerSignatureStart(InstallPackage& package) {
  std::vector<uint8_t> headers;
  if (!ReadInstallerBytes(package, 0, package.section.table_end, headers)) return package.file_size;
  return SignatureStart(headers, package.section.pe_offset, package.file_size);
}

}  // namespace valdorine
