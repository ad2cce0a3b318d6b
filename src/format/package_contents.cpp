#include "format/package_contents.hpp"

#include <algorithm>
#include <array>

#include "core/string.hpp"
#include "format/checksum_accumulator.hpp"
#include "format/script_cipher.hpp"
#include "format/xz_codec.hpp"

namespace valdorine {

PackageError UnpackScript(const PackageView& package, std::vector<uint8_t>& script) {
  script.assign(package.script.begin(), package.script.end());
  if (auto cipher = PackageCipher(package.header)) {
    Open(script, *cipher);  // a failure leaves the script empty, which then fails to decode
  } else {
    Scramble(script, package.header.script_key);
  }
  // The script may not expand beyond the longest script the header allows.
  return Decode(script, kMaxScriptLength) ? PackageError::kNone : PackageError::kScriptDecompression;
}

PackageError CheckScriptChecksum(std::span<const uint8_t> script, uint32_t script_key) {
  return PackageChecksum(script.data(), static_cast<int64_t>(script.size())) == script_key
             ? PackageError::kNone
             : PackageError::kScriptChecksum;
}

PackageError ArchiveInSection(std::span<const uint8_t> section, const PackageView& package,
                              std::span<const uint8_t>& archive) {
  const int64_t length = package.header.archive_length;
  if (int64_t{package.header.package_length} - package.archive_offset != length ||
      package.archive_offset + static_cast<uint64_t>(length) > section.size()) {
    return PackageError::kArchiveLengthMismatch;
  }
  archive = section.subspan(package.archive_offset, static_cast<size_t>(length));
  return PackageError::kNone;
}

uint64_t ArchiveFileOffset(const SetupSection& section, const PackageView& package) {
  return uint64_t{section.file_offset} + package.archive_offset;
}

PackageError CheckArchiveInFile(uint64_t file_size, const SetupSection& section, const PackageView& package,
                                uint64_t signature_start) {
  constexpr uint64_t kSignatureAlignment = 8;
  const uint64_t start = ArchiveFileOffset(section, package);
  const uint64_t length = static_cast<uint64_t>(package.header.archive_length);
  const uint64_t end = std::min(signature_start, file_size);
  if (start > end) return PackageError::kArchiveLengthMismatch;
  const bool exact = end - start == length;
  const bool padded_before_signature = end < file_size && end - start >= length && end - start - length < kSignatureAlignment;
  return exact || padded_before_signature ? PackageError::kNone : PackageError::kArchiveLengthMismatch;
}

FileRange UninstallerTail(const SetupSection& section, const PackageView& package, bool archive_in_file,
                          uint64_t file_size, uint64_t signature_start) {
  uint64_t start = uint64_t{section.file_offset} + section.raw_size;
  if (archive_in_file) {
    start = std::max(start, ArchiveFileOffset(section, package) + static_cast<uint64_t>(package.header.archive_length));
  }
  const uint64_t end = std::min(signature_start, file_size);
  start = std::min(start, end);
  return {start, end - start};
}

uint32_t StubChecksum(std::span<const uint8_t> before_section, uint32_t pe_offset) {
  const uint64_t start = uint64_t{pe_offset} + kStubChecksumStart;
  if (start >= before_section.size()) return PackageChecksum(nullptr, 0);
  const auto covered = before_section.subspan(static_cast<size_t>(start));
  const auto directory = CertificateDirectory(before_section, pe_offset);
  if (!directory || *directory < start) return PackageChecksum(covered.data(), static_cast<int64_t>(covered.size()));
  // Signing fills in the certificate directory; it counts as zeros, as in an unsigned file.
  constexpr std::array<uint8_t, 8> kUnsignedDirectory{};
  const size_t before_directory = static_cast<size_t>(*directory - start);
  ChecksumAccumulator checksum;
  checksum.Add(covered.first(before_directory));
  checksum.Add(kUnsignedDirectory);
  checksum.Add(covered.subspan(before_directory + kUnsignedDirectory.size()));
  return checksum.Result();
}

PackageError CheckStubChecksum(std::span<const uint8_t> before_section, const SetupSection& section,
                               uint32_t expected) {
  return StubChecksum(before_section, section.pe_offset) == expected ? PackageError::kNone
                                                                      : PackageError::kStubChecksum;
}

std::optional<Blowfish> PackageCipher(const PackageHeader& header) {
  if (!header.Encrypted()) return std::nullopt;
  return Blowfish(header.cipher_key);
}

}  // namespace valdorine
