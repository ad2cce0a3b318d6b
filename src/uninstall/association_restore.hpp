// Undoing file associations: each extension and class the installation changed gets back the
// default it had before (saved beside it under "<product> Backup"), and what the installation
// created alone is deleted.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

// The name of the values that keep the previous defaults: the product name and " Backup", without
// backslashes, CR, LF and tabs.
String AssociationBackupName(const String& product_name);

// Restores or removes the associations of `records` (extension, class, verb, icon; 8-bit text
// in the ANSI code page as Uninstall.DAT keeps them) in HKEY_CLASSES_ROOT; records without an extension or class
// are skipped. Tells the shell that associations changed.
void RestoreAssociations(const Array<Array<String>>& records, const String& product_name);

}  // namespace valdorine
