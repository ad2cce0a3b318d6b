#include "ui/page_rules.hpp"

#include <cstring>
#include <string>

namespace valdorine {
namespace {

constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";
constexpr int kByteOrderMarkLength = 3;

bool StartsWithRichText(const char* bytes, int length) { return length >= 5 && std::memcmp(bytes, "{\\rtf", 5) == 0; }

bool HasByteOrderMark(const String& text) {
  return text.Length() >= kByteOrderMarkLength && std::memcmp(text.Narrow(), kUtf8ByteOrderMark, kByteOrderMarkLength) == 0;
}

int FindPrefix(const Array<String>& names, const String& prefix) {
  if (prefix.IsEmpty()) return -1;
  for (int i = 0; i < names.Count(); ++i) {
    if (names[i].StartsWithIgnoreCase(prefix.Wide())) return i;
  }
  return -1;
}

}  // namespace

bool StartMenuNameAllowed(const String& name) {
  const char16_t* text = name.Wide();
  if (text[0] == u'\\') return false;
  for (int i = 0; text[i] != 0; ++i) {
    if (std::char_traits<char16_t>::find(u"/\"<>|*?:;", 9, text[i]) != nullptr) return false;
    if (text[i] == u'\\' && text[i + 1] == u'\\') return false;
  }
  return true;
}

int PreselectedLanguage(const Array<String>& names, const String& native_language_name) {
  String language = native_language_name;
  const int parenthesis = language.FindWide(u"(");
  if (parenthesis >= 0) language = language.Substring(0, parenthesis);
  language.TrimRight();
  int found = FindPrefix(names, language);
  if (found < 0) found = FindPrefix(names, String::FromWide(u"English"));
  return found < 0 ? 0 : found;
}

bool ScrolledToEnd(int position, int page, int maximum) { return position + page >= maximum; }

String GreetingLinkMarkup(const String& text, const String& address) {
  String markup = text;
  const String anchor = ConcatWide(u"<a href=\"", address.Wide(), u"\">", nullptr);
  markup.ReplaceAll(u"<a>", anchor.Wide());
  return markup;
}

bool IsRichTextBytes(const String& text) {
  const int skip = HasByteOrderMark(text) ? kByteOrderMarkLength : 0;
  return StartsWithRichText(text.Narrow() + skip, text.Length() - skip);
}

String WithoutByteOrderMark(const String& rich_text) {
  if (!HasByteOrderMark(rich_text)) return rich_text;
  return String::FromBytes(rich_text.Narrow() + kByteOrderMarkLength, rich_text.Length() - kByteOrderMarkLength);
}

}  // namespace valdorine
