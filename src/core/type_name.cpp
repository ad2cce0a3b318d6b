#include "core/type_name.hpp"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <string_view>

namespace valdorine {
namespace {

constexpr std::string_view kOwnNamespace = "valdorine::";

// Fundamental types that the Windows compiler names differently from the Itanium demangler.
struct Spelling {
  std::string_view demangled;
  const char* windows;
};
constexpr Spelling kWindowsSpellings[] = {
    {"long long", "__int64"},
    {"unsigned long long", "unsigned __int64"},
};

std::string Demangled(const char* mangled) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> text(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                   &std::free);
  return status == 0 && text ? std::string(text.get()) : std::string(mangled);
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

std::string RuntimeTypeName(const std::type_info& type, TypeKind kind) {
  std::string name = Demangled(type.name());
  RemoveAll(name, kOwnNamespace);
  for (const Spelling& spelling : kWindowsSpellings) {
    if (name == spelling.demangled) name = spelling.windows;
  }
  return Keyword(kind) + name;
}

}  // namespace valdorine
