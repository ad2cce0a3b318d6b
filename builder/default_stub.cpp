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
  // The key in UTF-16LE with its terminator; the value follows after padding to 4 bytes.
  const std::string key("F\0i\0l\0e\0V\0e\0r\0s\0i\0o\0n\0\0\0", 24);
  size_t at = bytes.find(key);
  if (at == std::string::npos) return {};
  at = (at + key.size() + 3) / 4 * 4;
  std::string version;
  for (; at + 1 < bytes.size() && bytes[at + 1] == 0 && bytes[at] != 0; at += 2) version += bytes[at];
  return version;
}

}  // namespace valdorine::builder
