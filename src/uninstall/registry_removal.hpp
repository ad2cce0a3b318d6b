// Removing the registry entries that an installation made: single values and keys from the
// uninstall list, the product's own key with its emptied parents, and the author's registry
// entries, which may name every user's hive ("\HKAU\").
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

// Deletes the value that a path in root-prefix notation names: the key path, a backslash and the
// value name ("\HKCU\Software\Product\Value"). `view` holds the reg_key view bits.
bool DeleteRegistryValueAt(const String& value_path, uint32_t view);

// Deletes the key that a path in root-prefix notation names, with everything below it.
bool DeleteRegistryKeyAt(const String& key_path, uint32_t view);

// Deletes the key when it holds neither values nor subkeys.
bool DeleteKeyIfEmpty(HKEY root, const String& subkey, uint32_t view);

// Deletes "Software\" + `product_path` with everything below it, then each parent while it is
// empty (at most 20 levels, never "Software" itself): below HKEY_LOCAL_MACHINE, then below every
// loaded user hive.
void RemoveProductRegistry(const String& product_path, uint32_t view);

// The author's registry entries as Uninstall.DAT keeps them (CSV lines, UTF-8): a one-field line
// names a key that is deleted when empty; a five-field line of kind 2, 3 or 5 names a key and a
// value that is deleted, after which the key goes when empty. "\HKAU\" keys are handled below
// every loaded user hive.
void RemoveRegistry2Entries(const String& registry2, uint32_t view);

}  // namespace valdorine
