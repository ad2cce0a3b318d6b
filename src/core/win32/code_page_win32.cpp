// The Windows text services behind the conversions and the case-insensitive comparison.
#include <windows.h>

#include "core/code_page_system.hpp"
#include "core/string.hpp"

namespace valdorine::code_page_system {
namespace {

const wchar_t* SystemText(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* SystemText(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

bool IsUnicodeTransformation(int code_page) {
  return code_page == code_page::kUtf7 || code_page == code_page::kUtf8;
}

// Runs `convert(flags)` with the flags first; when the system rejects flags for this code page,
// runs it again without them.
template <typename Convert>
int WithFlagsIfAccepted(DWORD flags, Convert convert) {
  const int result = convert(flags);
  if (result == 0 && flags != 0 && GetLastError() == ERROR_INVALID_FLAGS) return convert(0);
  return result;
}

}  // namespace

int AnsiCodePage() { return static_cast<int>(GetACP()); }

// UTF-7 and UTF-8 take neither flags nor a default character. Other code pages check composite
// characters and put the default character for what has no exact mapping; the code pages that
// refuse flags refuse a default character as well, so the retry goes without both.
int NarrowFromWide(int code_page, const char16_t* text, int chars, char* out, int out_bytes, char default_char,
                   bool forbid_best_fit) {
  const DWORD flags = IsUnicodeTransformation(code_page)
                          ? 0
                          : WC_COMPOSITECHECK | (forbid_best_fit ? WC_NO_BEST_FIT_CHARS : 0);
  const char default_text[2] = {default_char, 0};
  return WithFlagsIfAccepted(flags, [&](DWORD tried) {
    return WideCharToMultiByte(static_cast<UINT>(code_page), tried, SystemText(text), chars, out, out_bytes,
                               tried != 0 ? default_text : nullptr, nullptr);
  });
}

int WideFromNarrow(int code_page, const char* text, int bytes, char16_t* out, int out_chars) {
  const DWORD flags = IsUnicodeTransformation(code_page) ? 0 : MB_PRECOMPOSED;
  return WithFlagsIfAccepted(flags, [&](DWORD tried) {
    return MultiByteToWideChar(static_cast<UINT>(code_page), tried, text, bytes, SystemText(out), out_chars);
  });
}

bool EqualsIgnoreCase(const char16_t* a, int a_chars, const char16_t* b, int b_chars) {
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE | SORT_STRINGSORT, SystemText(a), a_chars, SystemText(b),
                        b_chars) == CSTR_EQUAL;
}

bool EqualsIgnoreCaseNarrow(const char* a, int a_bytes, const char* b, int b_bytes) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE | SORT_STRINGSORT, a, a_bytes, b, b_bytes) == CSTR_EQUAL;
}

}  // namespace valdorine::code_page_system
