// TypeName<T>(): a type's name as the Windows compiler's run-time type information spells it
// ("class String", "int", "unsigned char", "unsigned __int64"), for fatal messages that name an
// element type. The library's own namespace is left out of the name. Class types read "class X";
// a type declared with `struct` says so by specialising kDeclaredAsStruct, since the language
// cannot tell the two apart:
//   template <> inline constexpr bool kDeclaredAsStruct<FileEntry> = true;
#pragma once

#include <string>
#include <type_traits>

namespace valdorine {

template <typename T>
inline constexpr bool kDeclaredAsStruct = false;

enum class TypeKind { kOther, kClass, kStruct, kUnion, kEnum };

// The name of the type that `signature` (a function template's __PRETTY_FUNCTION__, naming its
// argument as "T = ...") instantiates, spelled with the keyword that `kind` calls for. The compiler
// spells the name at compile time, so no run-time type information or demangler is linked.
std::string TypeNameFromSignature(const char* signature, TypeKind kind);

template <typename T>
constexpr TypeKind KindOfType() {
  if constexpr (std::is_enum_v<T>) return TypeKind::kEnum;
  if constexpr (std::is_union_v<T>) return TypeKind::kUnion;
  if constexpr (std::is_class_v<T>) return kDeclaredAsStruct<T> ? TypeKind::kStruct : TypeKind::kClass;
  return TypeKind::kOther;
}

template <typename T>
const char* TypeName() {
  static const std::string name = TypeNameFromSignature(__PRETTY_FUNCTION__, KindOfType<T>());
  return name.c_str();
}

}  // namespace valdorine
