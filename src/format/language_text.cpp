#include "format/language_text.hpp"

#include <utility>

namespace valdorine {

int DefaultLanguage(const LanguageTable& table) {
  const String english = String::FromWide(u"English");
  for (int i = 0; i < table.names.Count(); ++i) {
    if (table.names[i] == english) return i;
  }
  return 0;
}

String ReplacePlaceholders(String text, const Placeholders& values) {
  text.ReplaceAll(u"<product>", values.product.Wide());
  text.ReplaceAll(u"<description>", values.description.Wide());
  text.ReplaceAll(u"<os>", values.os.Wide());
  return text;
}

String LookUpLanguageString(const LanguageTable& table, int language, int number, const Placeholders& values) {
  if (!table.Has(number, language)) return String();
  return ReplacePlaceholders(table.Text(number, language), values);
}

}  // namespace valdorine
