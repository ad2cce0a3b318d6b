#include "core/win32/system_errors.hpp"

#include <windows.h>

#include "core/win32/last_error.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

constexpr uint32_t kInvalidPasswordCode = 86;
constexpr DWORD kEnglishLanguage = 1033;

// The message table's text in `language` (0: the system's search order), trimmed; empty when the
// system has none.
String MessageFromSystem(uint32_t code, DWORD language) {
  UniqueLocalMemory buffer;  // the text that FormatMessageW allocates
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, language, reinterpret_cast<wchar_t*>(buffer.Receive()), 0, nullptr);
  if (length == 0 || !buffer) return {};
  String text = FromWinText(static_cast<const wchar_t*>(buffer.Get()), static_cast<int>(length));
  text.TrimRight();
  return text;
}

bool HasBuiltInText(uint32_t code) { return code == 0 || code == kInvalidPasswordCode; }

}  // namespace

String SystemErrorText(uint32_t code) {
  if (code == 0) return {};
  if (code == kInvalidPasswordCode) return String::FromWide(u"Incorrect password.");
  LastErrorKeeper keeper;
  String text = MessageFromSystem(code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT));
  if (text.IsEmpty()) text = MessageFromSystem(code, 0);
  if (text.IsEmpty()) text = String::FormatWide(u"Error 0x%08X", code);
  return text;
}

String SystemErrorTextWithEnglish(uint32_t code) {
  String text = SystemErrorText(code);
  if (HasBuiltInText(code)) return text;
  LastErrorKeeper keeper;
  const String english = MessageFromSystem(code, kEnglishLanguage);
  if (!english.IsEmpty() && english != text) {
    text.AppendWide(u"\r\n");
    text.Append(english);
  }
  return text;
}

String SystemErrorCode(uint32_t code) {
  if (code & 0x80000000u) return String::FormatWide(u"0x%08X", code);
  return String::FormatWide(u"%u", code);
}

}  // namespace valdorine
