#include "package/language_strings.hpp"

#include <utility>

namespace valdorine {
namespace {

struct LanguageState {
  const LanguageTable* table = nullptr;
  Placeholders values;
  int current = 0;
};

LanguageState& State() {
  static LanguageState state;
  return state;
}

}  // namespace

void UseLanguageTable(const LanguageTable& table, Placeholders values) {
  LanguageState& state = State();
  state.table = &table;
  state.values = std::move(values);
  state.current = DefaultLanguage(table);
}

void SetLanguageStrings(Array<String> strings) {
  static LanguageTable table;
  table = LanguageTable();
  table.names.Append(String::FromWide(u"English"));
  table.string_count = strings.Count();
  table.texts = std::move(strings);
  UseLanguageTable(table, {});
}

String LanguageString(int number) {
  const LanguageState& state = State();
  if (state.table == nullptr) return String();
  return LookUpLanguageString(*state.table, state.current, number, state.values);
}

void SetLanguage(int language) {
  LanguageState& state = State();
  if (state.table != nullptr && language >= 0 && language < state.table->names.Count()) state.current = language;
}

int CurrentLanguage() { return State().current; }

}  // namespace valdorine
