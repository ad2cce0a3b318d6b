// File associations: each of the script's associations links an extension to a class (ProgID)
// under HKEY_CLASSES_ROOT with a description, an icon and shell verbs running a command. Every
// default value replaced is first saved beside it under "<product> Backup", and each verb is
// recorded for the uninstaller's [Associations] section.
#pragma once

#include "core/string.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// The extension with its leading full stop (wide, from the script's ANSI text).
String AssociationExtension(const String& ansi_extension);

// Applies the associations of `script` for the language named `language` (wide) and tells the
// shell that associations changed. Skipped for a portable installation when the package says so.
void CreateFileAssociations(const InstallScript& script, const String& language);

}  // namespace valdorine
