#include "paths/environment_text.hpp"

#include <windows.h>

#include <vector>

#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

constexpr DWORD kExpansionBufferChars = 32000;

}  // namespace

String EnvironmentVariable(const char16_t* name) {
  return TextFromSystem([name](wchar_t* buffer, DWORD size) {
    return GetEnvironmentVariableW(reinterpret_cast<const wchar_t*>(name), buffer, size);
  });
}

bool ExpandEnvironmentReferences(String& text) {
  std::vector<wchar_t> buffer(kExpansionBufferChars);
  // The count includes the terminator; a count above the buffer's size asks for a larger one.
  const DWORD count = ExpandEnvironmentStringsW(WinText(text), buffer.data(), kExpansionBufferChars);
  if (count == 0 || count > kExpansionBufferChars) return false;
  text = FromWinText(buffer.data(), static_cast<int>(count - 1));
  return true;
}

}  // namespace valdorine
