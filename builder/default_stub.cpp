#include "default_stub.hpp"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

namespace valdorine::builder {

namespace fs = std::filesystem;

std::vector<fs::path> StubCandidates(const fs::path& builder) {
  const fs::path folder = builder.parent_path();
  return {folder / "ValdorineSetup.exe", folder.parent_path() / "share" / "valdorine" / "ValdorineSetup.exe",
          folder.parent_path() / "win32" / "ValdorineSetup.exe"};
}

fs::path DefaultStub() {
  std::error_code error;
  const fs::path builder = fs::read_symlink("/proc/self/exe", error);
  if (error) return {};
  for (const fs::path& candidate : StubCandidates(builder)) {
    if (fs::is_regular_file(candidate, error)) return candidate;
  }
  return {};
}

std::string FileVersionOf(const fs::path& executable) {
  std::ifstream in(executable, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The resource's key in UTF-16LE, then its fixed part, which starts with a signature: searching
  // for the "FileVersion" text alone would also meet that word in the program's own strings.
  const std::string key("V\0S\0_\0V\0E\0R\0S\0I\0O\0N\0_\0I\0N\0F\0O\0\0\0", 32);
  const std::string signature("\xBD\x04\xEF\xFE", 4);
  const size_t at = bytes.find(key);
  if (at == std::string::npos) return {};
  const size_t fixed = bytes.find(signature, at + key.size());
  constexpr size_t kMaxPadding = 4;
  constexpr size_t kVersionEnd = 16;  // signature, structure version, then the two version words
  if (fixed == std::string::npos || fixed > at + key.size() + kMaxPadding || fixed + kVersionEnd > bytes.size()) {
    return {};
  }
  const auto word = [&](size_t offset) {
    const auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + i])); };
    return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
  };
  const uint32_t high = word(fixed + 8), low = word(fixed + 12);
  return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." + std::to_string(low >> 16) + "." +
         std::to_string(low & 0xFFFF);
}

}  // namespace valdorine::builder
