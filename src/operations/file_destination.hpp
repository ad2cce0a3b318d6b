// Where a file entry goes: its explicit destination made absolute, the uninstall folder, or the
// base folder of its kind joined with its name.
#pragma once

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

// The folders a destination may be based on (wide, without a trailing backslash).
struct DestinationFolders {
  String install;
  String shared;
  String uninstall;
  String fonts;
  String system;
};

struct FileDestination {
  String path;                 // wide, absolute
  bool create_folder = false;  // the file's folder is made when missing
};

// The last component of a path (after its last "\" or "/"); the whole text when it has none.
String LastPathComponent(const String& path);

// Whether an explicit destination names the file itself (it does not end with a backslash): it
// then replaces the entry's name in every later use.
bool NamesTheFile(const String& explicit_destination);

// The destination of an entry of `kind` with `flags` and `name` (wide), given its explicit
// destination with path variables already expanded (wide, may be empty). The explicit destination
// is taken against the shared folder for kind 1 and the installation folder otherwise; when it
// ends with a backslash the last component of `name` is appended.
FileDestination ResolveDestination(uint32_t kind, uint32_t flags, const String& name, const String& explicit_destination,
                                   const DestinationFolders& folders);

}  // namespace valdorine
