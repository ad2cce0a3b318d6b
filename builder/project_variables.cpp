#include "project_variables.hpp"

#include <algorithm>

namespace valdorine::builder {
namespace {

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
         c == '-';
}

bool IsName(std::string_view name) { return !name.empty() && std::all_of(name.begin(), name.end(), IsNameCharacter); }

}  // namespace

std::string DefineVariable(std::string_view definition, Variables& variables) {
  const size_t equals = definition.find('=');
  if (equals == std::string_view::npos) return "-D takes name=value";
  const std::string_view name = definition.substr(0, equals);
  if (!IsName(name)) return "-D: \"" + std::string(name) + "\" is not a variable name (letters, digits, _ . -)";
  variables.insert_or_assign(std::string(name), std::string(definition.substr(equals + 1)));
  return "";
}

std::optional<std::string> ExpandVariables(std::string_view text, const Variables& variables, std::string& problem) {
  std::string expanded;
  for (size_t at = 0; at < text.size();) {
    const size_t dollar = text.find('$', at);
    expanded.append(text.substr(at, dollar - at));
    if (dollar == std::string_view::npos) break;
    if (text.substr(dollar, 2) == "$$") {
      expanded += '$';
      at = dollar + 2;
      continue;
    }
    if (text.substr(dollar, 2) != "${") {
      expanded += '$';
      at = dollar + 1;
      continue;
    }
    const size_t close = text.find('}', dollar);
    if (close == std::string_view::npos) {
      problem = "\"${\" without its closing \"}\"";
      return std::nullopt;
    }
    const std::string_view name = text.substr(dollar + 2, close - dollar - 2);
    const auto found = variables.find(name);
    if (found == variables.end()) {
      problem = "undefined variable ${" + std::string(name) + "} (define it with -D " + std::string(name) + "=...)";
      return std::nullopt;
    }
    expanded += found->second;
    at = close + 1;
  }
  return expanded;
}

}  // namespace valdorine::builder
