// Fuzzes the package header reader and what follows it on the same bytes: the script's
// unscrambling or decryption and xz decoding, and the archive's location in the section.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "format/package_contents.hpp"
#include "format/package_header.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> section(data, size);
  valdorine::PackageView view;
  if (valdorine::ReadPackageHeader(section, view) != valdorine::PackageError::kNone) return 0;
  std::vector<uint8_t> script;
  if (valdorine::UnpackScript(view, script) == valdorine::PackageError::kNone) {
    valdorine::CheckScriptChecksum(script, view.header.script_key);
  }
  std::span<const uint8_t> archive;
  if (valdorine::ArchiveInSection(section, view, archive) == valdorine::PackageError::kNone) {
    valdorine::CheckArchiveChecksum(archive, view.header.archive_checksum);
  }
  return 0;
}
