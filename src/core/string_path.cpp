// Joining paths and the 8-bit form of a path.
#include "core/string.hpp"

namespace valdorine {
namespace {

constexpr char kUtf8Marker = '|';

template <typename Char>
Char CharAt(const String& s, int index) {
  return reinterpret_cast<const Char*>(s.Narrow())[index];
}

// The join rules for text of either width: an empty side gives the other; a name with a leading
// backslash loses the folder's trailing one; otherwise a backslash goes between them unless the
// folder ends in a colon or a backslash.
template <typename Char>
String JoinPathText(const String& folder, const String& name) {
  if (name.IsEmpty()) return folder;
  if (folder.IsEmpty()) return name;
  constexpr int kCharSize = sizeof(Char);
  const Char last = CharAt<Char>(folder, folder.Length() / kCharSize - 1);
  String joined = folder;
  if (CharAt<Char>(name, 0) == '\\') {
    if (last == '\\') joined.SetLength(joined.Length() - kCharSize);
  } else if (last != ':' && last != '\\') {
    const Char separator = '\\';
    joined.AppendBytes(&separator, kCharSize);
  }
  joined.Append(name);
  return joined;
}

bool IsAscii(const String& wide) {
  for (int i = 0; i < wide.WideLength(); ++i) {
    if (wide.Wide()[i] >= 0x80) return false;
  }
  return true;
}

String AsciiNarrow(const String& wide) {
  String narrow;
  for (int i = 0; i < wide.WideLength(); ++i) narrow.AppendNarrowChar(static_cast<char>(wide.Wide()[i]));
  return narrow;
}

bool HasUtf8Marker(const String& narrow) { return narrow.NarrowAt(0) == kUtf8Marker; }

// The UTF-8 text of a narrow path: after its marker when it has one, else converted from `code_page`.
String Utf8PathText(const String& narrow, int code_page) {
  if (HasUtf8Marker(narrow)) return String::FromBytes(narrow.Bytes() + 1, narrow.Length() - 1);
  return NarrowFromWide(WideFromNarrow(narrow, code_page), code_page::kUtf8);
}

String WithUtf8Marker(const String& utf8) {
  String marked = String::FromBytes(&kUtf8Marker, 1);
  marked.Append(utf8);
  return marked;
}

}  // namespace

String JoinPath(const String& folder, const String& name) { return JoinPathText<char16_t>(folder, name); }

String JoinPath(const String& first, const String& second, const String& third) {
  return JoinPath(first, JoinPath(second, third));
}

String NarrowPath(const String& wide_path, int code_page) {
  // A text that starts with the UTF-8 form's marker would read back without it: it takes that form.
  const bool starts_with_marker = !wide_path.IsEmpty() && wide_path.WideAt(0) == u'|';
  if (!starts_with_marker && IsAscii(wide_path)) return AsciiNarrow(wide_path);
  if (!starts_with_marker && code_page != 0) {
    String narrow = NarrowFromWide(wide_path, code_page);
    if (!narrow.IsEmpty() && WideFromNarrow(narrow, code_page) == wide_path) return narrow;
  }
  return WithUtf8Marker(NarrowFromWide(wide_path, code_page::kUtf8));
}

String JoinNarrowPath(const String& folder, const String& name, int code_page) {
  if (!HasUtf8Marker(folder) && !HasUtf8Marker(name)) return JoinPathText<char>(folder, name);
  return WithUtf8Marker(JoinPathText<char>(Utf8PathText(folder, code_page), Utf8PathText(name, code_page)));
}

}  // namespace valdorine
