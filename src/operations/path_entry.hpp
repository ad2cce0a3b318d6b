// The product's folder in the system-wide PATH: the "Path" value of the machine's environment
// (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment). Programs started after the
// next logon or restart see it; no change message is broadcast.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// The folder that `AddToPathSubfolder` (wide, path variables expanded) names: the installation
// folder when empty, an absolute path as it is, a relative one below the installation folder.
String PathEntryFolder(const String& subfolder, const String& install_dir);

// `path` (wide) with `folder` appended as a further entry, after a ";" unless it ends with one;
// unchanged when one of its entries already names the folder (ignoring case and a trailing
// backslash).
String PathWithEntry(const String& path, const String& folder);

// Adds the folder that `subfolder` names to the system-wide Path. Nothing happens when the value
// cannot be opened or is empty; a folder that does not exist is logged and not added.
void AddPathEntry(const String& subfolder);

// `path` (wide) without the entries that name `folder` (ignoring case and a trailing backslash).
String PathWithoutEntry(const String& path, const String& folder);

// Removes the folder that `subfolder` names from the system-wide Path again.
void RemovePathEntry(const String& subfolder);

}  // namespace valdorine
