// Messages made from language strings that take arguments. The author's text is not used as a
// printf format: each "%s" or "%d" in it is replaced, in order, by the next argument, so that a
// text with too many or mistyped placeholders cannot read arguments that are not there.
#pragma once

#include <initializer_list>

#include "core/string.hpp"

namespace valdorine {

// `text` (wide) with its "%s" and "%d" placeholders replaced in order by `arguments` (wide);
// placeholders beyond the arguments are left as written.
String FillPlaceholders(const String& text, std::initializer_list<String> arguments);

// Language string `number` filled with `arguments`. When the string is empty, the arguments
// separated by blanks stand in for it, so that the message still names what it is about.
String LanguageMessage(int number, std::initializer_list<String> arguments = {});

}  // namespace valdorine
