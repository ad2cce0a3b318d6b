#include "text_codec.hpp"

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

}  // namespace valdorine::builder
