// Test support for the deferred operations: the system's list of pending file operations, read and
// written with the registry calls directly (an independent reader of what the code under test
// wrote), and kept as it was around each test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/win32/unique_handle.hpp"

namespace valdorine::testing {

using PendingTexts = std::vector<std::u16string>;

// Opens the Session Manager key; every test starts with no pending list and the original list is
// written back when it ends.
class PendingOperationsGuard {
 public:
  PendingOperationsGuard() {
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                  KEY_QUERY_VALUE | KEY_SET_VALUE, key_.Receive());
    saved_ = ReadRaw(had_value_);
    RegDeleteValueW(key_.Get(), kValueName);
  }
  ~PendingOperationsGuard() {
    if (had_value_) {
      WriteRaw(saved_);
    } else {
      RegDeleteValueW(key_.Get(), kValueName);
    }
  }
  PendingOperationsGuard(const PendingOperationsGuard&) = delete;
  PendingOperationsGuard& operator=(const PendingOperationsGuard&) = delete;

  // The list's texts; the terminating empty text of the REG_MULTI_SZ format is not one of them.
  PendingTexts Texts() const {
    bool present = false;
    const std::u16string data = ReadRaw(present);
    PendingTexts texts;
    std::u16string text;
    for (char16_t c : data) {
      if (c != 0) {
        text += c;
        continue;
      }
      texts.push_back(text);
      text.clear();
    }
    if (!texts.empty() && texts.back().empty()) texts.pop_back();  // the list's terminator
    return texts;
  }

  // Writes `texts` as the list, each text ended by a zero character, the list by one more.
  void Write(const PendingTexts& texts) {
    std::u16string data;
    for (const std::u16string& text : texts) data += text + u'\0';
    WriteRaw(data + u'\0');
  }

  // The raw data, zero characters included.
  std::u16string ReadRaw(bool& present) const {
    DWORD size = 0;
    DWORD type = 0;
    present = RegQueryValueExW(key_.Get(), kValueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (!present || size == 0) return {};
    std::u16string data(size / 2, u'\0');
    RegQueryValueExW(key_.Get(), kValueName, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    data.resize(size / 2);
    return data;
  }

  void WriteRaw(const std::u16string& data) {
    RegSetValueExW(key_.Get(), kValueName, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size() * 2));
  }

 private:
  static constexpr wchar_t kValueName[] = L"PendingFileRenameOperations";

  UniqueRegistryKey key_;
  bool had_value_ = false;
  std::u16string saved_;
};

}  // namespace valdorine::testing
