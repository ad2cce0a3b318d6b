#include "core/type_name.hpp"

#include <string_view>

namespace valdorine {
namespace {

constexpr std::string_view kOwnNamespace = "valdorine::";
constexpr std::string_view kArgumentStart = "T = ";

// Fundamental types that the Windows compiler names differently from GCC and Clang.
struct Spelling {
  std::string_view compiler;
  const char* windows;
};
constexpr Spelling kWindowsSpellings[] = {
    {"long long int", "__int64"},          {"long long", "__int64"},
    {"long long unsigned int", "unsigned __int64"}, {"unsigned long long", "unsigned __int64"},
    {"long int", "long"},                  {"long unsigned int", "unsigned long"},
    {"short int", "short"},                {"short unsigned int", "unsigned short"},
};

// The text after "T = " up to the end of the argument list ("]" or ";" outside angle brackets).
std::string_view ArgumentOf(std::string_view signature) {
  const size_t start = signature.find(kArgumentStart);
  if (start == std::string_view::npos) return signature;
  const std::string_view rest = signature.substr(start + kArgumentStart.size());
  int depth = 0;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '<') ++depth;
    if (rest[i] == '>') --depth;
    if (depth == 0 && (rest[i] == ']' || rest[i] == ';')) return rest.substr(0, i);
  }
  return rest;
}

void RemoveAll(std::string& text, std::string_view part) {
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at)) text.erase(at, part.size());
}

const char* Keyword(TypeKind kind) {
  switch (kind) {
    case TypeKind::kClass: return "class ";
    case TypeKind::kStruct: return "struct ";
    case TypeKind::kUnion: return "union ";
    case TypeKind::kEnum: return "enum ";
    case TypeKind::kOther: break;
  }
  return "";
}

}  // namespace

std::string TypeNameFromSignature(const char* signature, TypeKind kind) {
  std::string name(ArgumentOf(signature));
  RemoveAll(name, kOwnNamespace);
  for (const Spelling& spelling : kWindowsSpellings) {
    if (name == spelling.compiler) name = spelling.windows;
  }
  return Keyword(kind) + name;
}

}  // namespace valdorine
