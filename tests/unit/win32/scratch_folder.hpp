// Test support for the Win32 core suites: a fresh folder per test, and file bytes written and read
// with the system's calls directly, so that DiskFile is checked against an independent reader.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "core/string.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/safe_delete.hpp"
#include "core/win32/temp_files.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine::testing {

inline String W(const char16_t* text) { return String::FromWide(text); }

// A drive letter that the system does not map, or 0.
inline char16_t AbsentDriveLetter() {
  for (char16_t letter = u'Q'; letter <= u'Y'; ++letter) {
    if (!DriveExists(letter)) return letter;
  }
  return 0;
}

// A new folder below the temporary folder, deleted with its contents when the test ends.
class ScratchFolder {
 public:
  ScratchFolder() : path_(NewPath()) { CreateFolderTree(path_); }
  ~ScratchFolder() { DeleteTree(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const String& Path() const { return path_; }
  String Join(const char16_t* name) const { return JoinPath(path_, W(name)); }

 private:
  static String NewPath() {
    static std::atomic<unsigned> counter{0};
    return JoinPath(TempFolder(), String::FormatWide(u"valdorine-test-%lu-%u", GetCurrentProcessId(), counter++));
  }

  String path_;
};

inline bool WriteBytes(const String& path, const std::string& bytes) {
  UniqueFileHandle file(
      CreateFileW(WinText(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file && WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

inline std::string ReadBytes(const String& path) {
  UniqueFileHandle file(CreateFileW(WinText(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string bytes;
  char block[4096];
  DWORD read = 0;
  while (file && ReadFile(file.Get(), block, sizeof(block), &read, nullptr) && read > 0) {
    bytes.append(block, read);
  }
  return bytes;
}

}  // namespace valdorine::testing
