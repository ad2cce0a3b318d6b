#include "text_codec.hpp"

#include <locale.h>
#include <wctype.h>

namespace valdorine::builder {

String WideFromUtf8(std::string_view utf8) {
  return WideFromNarrow(String::FromBytes(utf8.data(), static_cast<int>(utf8.size())), code_page::kUtf8);
}

std::string Utf8FromWide(const String& wide) {
  const String utf8 = NarrowFromWide(wide, code_page::kUtf8);
  return std::string(utf8.Narrow(), static_cast<size_t>(utf8.Length()));
}

std::string Utf8FromAnsi(const String& windows_1252) {
  return Utf8FromWide(WideFromNarrow(windows_1252, code_page::kWindows1252));
}

std::u16string FoldedCase(std::u16string_view text) {
  // The Unicode case table of the C library; without the UTF-8 locale, ASCII letters only.
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  std::u16string folded(text);
  for (char16_t& c : folded) {
    if (c >= 0xD800 && c < 0xE000) continue;
    if (unicode) c = static_cast<char16_t>(towupper_l(c, unicode));
    else if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return folded;
}

}  // namespace valdorine::builder
