#include "package/language_strings.hpp"

#include <utility>

namespace valdorine {
namespace {
Array<String>& Table() {
  static Array<String> table;
  return table;
}
}  // namespace

String LanguageString(int number) {
  const Array<String>& table = Table();
  return number >= 0 && number < table.Count() ? table[number] : String();
}

void SetLanguageStrings(Array<String> strings) { Table() = std::move(strings); }

}  // namespace valdorine
