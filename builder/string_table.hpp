// The language strings of a project: the built-in English texts with the author's changes
// ([strings]), the built-in translations that [languages] selects (`built_in = ["German"]`, or a
// table of changes such as [languages.German]), and further languages from files ([languages]
// files = [...]), each a TOML file with a `name` and a [strings] table. A string is given by its
// name ("cancelled") or its number. A number that a language leaves out is empty there, so that the
// installer falls back on its own text.
#pragma once

#include <string>
#include <string_view>

namespace valdorine::builder {

// The printf conversions of a text in order, such as "%s%d" ("" for none; "%%" is not one). A
// translation of a format must keep them, since the installer passes the arguments.
std::string FormatConversions(std::string_view text);

}  // namespace valdorine::builder
