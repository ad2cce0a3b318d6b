// Variables of a build: `-D name=value` on the command line, used as `${name}` inside the project
// file's texts (versions, output names, paths), so that a pipeline can stamp a build without
// editing the file.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace valdorine::builder {

using Variables = std::map<std::string, std::string, std::less<>>;

// Parses one "name=value" definition into `variables`; the reason it is refused otherwise (an
// empty or malformed name), empty on success.
std::string DefineVariable(std::string_view definition, Variables& variables);

// `text` with every `${name}` replaced by its value (values are not expanded again); "$$" stands
// for one "$". Nothing, with the reason in `problem`, for an undefined name or an unclosed "${".
std::optional<std::string> ExpandVariables(std::string_view text, const Variables& variables, std::string& problem);

}  // namespace valdorine::builder
