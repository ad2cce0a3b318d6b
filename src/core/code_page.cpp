// Conversions between wide text and code pages. UTF-16 in either byte order is handled here; every
// other code page goes to the platform half, whose result is measured first and then converted into
// a buffer of exactly that size.
#include <utility>

#include "core/code_page_system.hpp"
#include "core/string.hpp"

namespace valdorine {
namespace {

int ResolvedCodePage(int code_page) {
  return code_page == code_page::kAnsi ? code_page_system::AnsiCodePage() : code_page;
}

// The whole UTF-16 code units of `text`, their two bytes swapped when `swap` is set.
String Utf16Units(const String& text, bool swap) {
  String units = String::FromBytes(text.Bytes(), text.Length() & ~1);
  char* bytes = units.MutableNarrow();
  for (int i = 0; swap && i < units.Length(); i += 2) std::swap(bytes[i], bytes[i + 1]);
  return units;
}

// Runs `convert(out, capacity)` once to measure (null, 0) and once into a buffer of the measured
// size. A measure below 1, or a conversion that does not produce exactly the measure, is a failure.
template <typename Char, typename Convert>
String MeasuredConversion(Convert convert) {
  const int measured = convert(nullptr, 0);
  if (measured < 1 || measured > INT32_MAX / static_cast<int>(sizeof(Char)) - 1) return {};
  String converted;
  converted.SetLength(measured * static_cast<int>(sizeof(Char)));
  if (convert(reinterpret_cast<Char*>(converted.MutableNarrow()), measured) != measured) return {};
  return converted;
}

}  // namespace

String NarrowFromWide(const String& wide, int code_page, char default_char, bool forbid_best_fit) {
  const int resolved = ResolvedCodePage(code_page);
  if (resolved == code_page::kUtf16 || resolved == code_page::kUtf16BigEndian) {
    return Utf16Units(wide, resolved == code_page::kUtf16BigEndian);
  }
  if (wide.WideLength() == 0) return {};
  return MeasuredConversion<char>([&](char* out, int capacity) {
    return code_page_system::NarrowFromWide(resolved, wide.Wide(), wide.WideLength(), out, capacity, default_char,
                                            forbid_best_fit);
  });
}

String WideFromNarrow(const String& narrow, int code_page) {
  const int resolved = ResolvedCodePage(code_page);
  if (resolved == code_page::kUtf16 || resolved == code_page::kUtf16BigEndian) {
    return Utf16Units(narrow, resolved == code_page::kUtf16BigEndian);
  }
  if (narrow.IsEmpty()) return {};
  return MeasuredConversion<char16_t>([&](char16_t* out, int capacity) {
    return code_page_system::WideFromNarrow(resolved, narrow.Narrow(), narrow.Length(), out, capacity);
  });
}

}  // namespace valdorine
