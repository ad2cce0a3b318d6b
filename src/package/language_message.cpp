#include "package/language_message.hpp"

#include "package/language_strings.hpp"

namespace valdorine {
namespace {

bool IsPlaceholderAt(const String& text, int index) {
  return text.WideAt(index) == u'%' && (text.WideAt(index + 1) == u's' || text.WideAt(index + 1) == u'd');
}

}  // namespace

String FillPlaceholders(const String& text, std::initializer_list<String> arguments) {
  String result;
  const String* next = arguments.begin();
  for (int index = 0; index < text.WideLength(); ++index) {
    if (next != arguments.end() && IsPlaceholderAt(text, index)) {
      result.Append(*next++);
      ++index;  // the placeholder's letter
    } else {
      result.AppendWideChar(text.WideAt(index));
    }
  }
  return result;
}

String LanguageMessage(int number, std::initializer_list<String> arguments) {
  const String text = LanguageString(number);
  if (!text.IsEmpty()) return FillPlaceholders(text, arguments);
  String joined;
  for (const String& argument : arguments) {
    if (!joined.IsEmpty()) joined.AppendWideChar(u' ');
    joined.Append(argument);
  }
  return joined;
}

}  // namespace valdorine
