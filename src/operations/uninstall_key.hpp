// The product's entry in the Windows list of installed programs: the key
// HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\<UninstallKey> in the 64-bit registry
// view with the standard values, the installer's own values that the uninstaller reads back, the
// script's additional values and the install-location value.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"
#include "core/win32/registry.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// The uninstaller's command parts that the key's command values are built from.
struct UninstallCommand {
  String program;    // wide path
  String arguments;  // wide: /u:"<uninstall key>"
};

// Creates or opens the key and writes its values in their fixed order, then reads UninstallString
// back. True when the key was created and the value read back equals the value written; otherwise
// `error_text` holds the system error text of the failed creation or write (empty when the value
// simply differs).
bool WriteUninstallKey(const InstallScript& script, const UninstallCommand& command, String& error_text);

// Writes the script's additional values into `key`: type 1 text, 2 expandable text, 4 number, each
// deleted when empty or 0; a name with backslashes names a subkey of `key` and a value in it. Data
// texts are expanded with the path variables. A failed write goes to the failure summary; any
// other type code ends the run as a corrupt package.
void WriteAdditionalValues(RegKey& key, const Array<UninstallKeyValue>& values);

// Records the digest of the Uninstall.DAT bytes just written in the product's existing uninstall
// key, which the uninstaller checks the file against; false when the key cannot take it.
bool WriteUninstallDataDigest(const InstallScript& script, const String& data_text);

// The name of the product's folder on the desktop for its desktop shortcuts: `DesktopFolder`, or
// the product name when that is empty and the script asks for it; empty for none.
String DesktopFolderName(const InstallScript& script);

// The SharedFiles value (8-bit): each shared file's path text with its mark, in double quotes,
// separated by ";", each path once.
String SharedFilesValue(const Array<String>& shared_files);

// Writes the installation folder into the value that `InstallPathKey` names (a registry path with
// its root prefix and the value name); nothing when it is empty. The result is ignored.
void WriteInstallPathValue(const InstallScript& script);

}  // namespace valdorine
