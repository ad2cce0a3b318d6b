// Removing what the uninstall list names: registry values and keys, files, and then the folders
// that the files leave empty. Whatever cannot be removed is recorded again for a later attempt.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"
#include "uninstall/deferred_operations.hpp"

namespace valdorine {

// What one walk of the list leaves behind.
struct ListRemoval {
  PathSet deleted_files;   // PathSetKey of each file deleted
  Array<String> folders;   // the "~" entries (wide), for RemoveListedFolders
  String failures;         // language string 58, a blank, the path, CR LF for each file that stays
};

// Walks the 8-bit list lines in order: "!" deletes a registry value, "^" a key, "*" a key in the
// 64-bit view; a file is deleted (a missing one counts as done) or, when that fails, reported and
// recorded again (RecordUninstallEntry). The progress bar moves from 11 to 92 over the files;
// `show_names` puts each file's path on the progress page.
void RemoveListedEntries(const Array<String>& entries, bool show_names, ListRemoval& removal);

// Removes the folders, longest path first, each with its parents while they are empty (at most 50
// levels); the installation folder itself is never removed here.
void RemoveListedFolders(Array<String> folders, const String& install_dir, bool show_names);

}  // namespace valdorine
