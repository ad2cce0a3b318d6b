// The registry path syntax: a root prefix such as "\HKLM\" followed by the subkey. The six roots
// are matched in table order, ignoring case; "\HKLM" alone names the root itself.
#pragma once

#include <windows.h>

#include <span>

#include "core/string.hpp"

namespace valdorine {

struct RegistryRoot {
  HKEY handle;
  const char16_t* full_name;     // "HKEY_LOCAL_MACHINE"
  const char16_t* abbreviation;  // "HKLM"
  const char16_t* prefix;        // "\HKLM\"
};

// Local machine, current user, classes root, users, current config, dynamic data.
std::span<const RegistryRoot> RegistryRoots();

// The table entry of a predefined root key, or null.
const RegistryRoot* FindRegistryRoot(HKEY handle);

struct RegistryPath {
  const RegistryRoot* root = nullptr;
  String subkey;  // wide; what follows the prefix
};

// Splits a wide registry path into root and subkey. False, with system error 161 (bad path name),
// when no root prefix matches.
bool ParseRegistryPath(const String& path, RegistryPath& parsed);

}  // namespace valdorine
