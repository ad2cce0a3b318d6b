// The rules for the default installation folder (`DefaultInstallDir`) that do not depend on the
// running system: which values name another source of the folder, and how a plain value becomes an
// absolute path.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// "<master>" (any case): the folder of the required product is used.
bool NamesMasterFolder(const String& wide_dir);

// Begins with "HKLM\" or "HKCU\" (any case): a registry key's default value holds the folder.
bool NamesRegistryFolder(const String& wide_dir);

// A drive path ("C:...") or a network path ("\\server\...").
bool IsAbsolutePath(const String& wide_path);

// The folder after its placeholders and path variables are resolved: an empty value becomes the
// product name; a relative value is put below `program_files`. "<master>", registry locations and
// absolute paths stay as they are.
String AbsoluteInstallDir(const String& wide_dir, const String& product_name, const String& program_files);

}  // namespace valdorine
