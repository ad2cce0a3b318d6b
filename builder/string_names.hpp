// The readable names of the language strings, which a project file may use instead of their
// numbers ("cancelled" for 98), and which `inspect` shows beside the numbers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace valdorine::builder {

// The name of string `number`, or nullptr when it has none.
const char* StringName(int number);
// The number of the string named `name`, or nothing for an unknown name.
std::optional<int> StringNumber(std::string_view name);
// Every name, for suggestions and listings.
std::vector<std::string> StringNames();

}  // namespace valdorine::builder
