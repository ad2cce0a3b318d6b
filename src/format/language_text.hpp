// The language strings' rules that do not depend on the running system: which language is current
// at first, and the placeholders that a looked-up text has replaced.
#pragma once

#include "core/string.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// The language named exactly "English", else language 0.
int DefaultLanguage(const LanguageTable& table);

// The values that stand in for "<product>", "<description>" and "<os>" (all wide).
struct Placeholders {
  String product;
  String description;
  String os;
};

// Replaces every "<product>", "<description>" and "<os>" in a wide text.
String ReplacePlaceholders(String text, const Placeholders& values);

// Language string `number` of `language` with its placeholders replaced; empty when the table
// has no such string.
String LookUpLanguageString(const LanguageTable& table, int language, int number, const Placeholders& values);

}  // namespace valdorine
