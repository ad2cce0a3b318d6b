#include "operations/shortcut_text.hpp"

namespace valdorine {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

String Trimmed(const String& text) {
  int start = 0;
  int end = text.WideLength();
  while (start < end && IsBlank(text.WideAt(start))) ++start;
  while (end > start && IsBlank(text.WideAt(end - 1))) --end;
  return text.Substring(start, end - start);
}

String WithoutLeadingBlanks(const String& text, int start) {
  while (start < text.WideLength() && IsBlank(text.WideAt(start))) ++start;
  return text.Substring(start);
}

String WithoutQuotes(String text) {
  text.ReplaceAll(u"\"", u"");
  return text;
}

}  // namespace

String StartInFolder(const String& folder) {
  String result = Trimmed(folder);
  result.RemoveTrailing(u'\\');
  if (result.WideLength() == 2 && result.WideAt(1) == u':') result.AppendWideChar(u'\\');
  return result;
}

bool TakeOwnProgram(const String& arguments, ProgramAndArguments& result) {
  if (arguments.WideAt(0) != u'~' || arguments.WideAt(1) != u'"') return false;
  int end = arguments.FindWide(u"\"", 2);
  if (end < 0) end = arguments.WideLength();
  result.program = WithoutQuotes(Trimmed(arguments.Substring(2, end - 2)));
  result.arguments = WithoutLeadingBlanks(arguments, end + 1);
  return true;
}

ProgramAndArguments SplitCommand(const String& command) {
  const String text = WithoutLeadingBlanks(command, 0);
  int end = 0;
  bool quoted = false;
  while (end < text.WideLength() && (quoted || !IsBlank(text.WideAt(end)))) {
    if (text.WideAt(end) == u'"') quoted = !quoted;
    ++end;
  }
  return {WithoutQuotes(text.Substring(0, end)), WithoutLeadingBlanks(text, end)};
}

String DefaultShortcutName(const String& pattern, const String& file_name) {
  const int at = pattern.FindWide(u"%s");
  if (at < 0) return pattern;
  return ConcatWide(pattern.Substring(0, at).Wide(), file_name.Wide(), pattern.Substring(at + 2).Wide(), nullptr);
}

}  // namespace valdorine
