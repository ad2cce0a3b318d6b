// Fuzzes the section lookup in a file's headers and the uninstaller image built from them.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "format/package_contents.hpp"
#include "format/pe_image.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> file(data, size);
  valdorine::SetupSection section;
  if (valdorine::LocateSetupSection(file, section) != valdorine::PackageError::kNone) return 0;
  if (section.file_offset > size) return 0;
  const auto before = file.first(section.file_offset);
  valdorine::StubChecksum(before, section.pe_offset);
  std::vector<uint8_t> image;
  valdorine::BuildUninstallerImage(before, file.subspan(section.file_offset), section, image);
  return 0;
}
