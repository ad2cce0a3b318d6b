// The install journal: the files and folders that the file loop records for removal, written to
// "Install.journal" in the uninstall data folder as the loop goes, before each file is written. A
// completed run deletes it once Uninstall.DAT is written. A run that was killed leaves it behind,
// with no Uninstall.DAT and no uninstall key; the next run into the same folder enters its paths in
// the uninstall list, so that the Uninstall.DAT it writes covers what the killed run wrote.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// Takes over a journal that an earlier run left in the uninstall data folder (only its paths inside
// the installation folder, and only from a file up to a few MiB), then opens the journal for this
// run, keeping those lines. Without a folder nothing is journalled.
void OpenInstallJournal();

// Appends a path (wide) of a kind of uninstall_entry (kFile, kFolder) to the open journal.
void JournalEntry(const String& path, int kind);

// Closes and deletes the journal: the run's Uninstall.DAT now lists everything in it.
void DiscardInstallJournal();

// The kind and path of one journal line, or false for a line that names nothing inside `install_dir`
// (a line added by someone else, or cut short by the kill). Exposed for tests.
bool ParseJournalLine(const String& line, const String& install_dir, int& kind, String& path);

}  // namespace valdorine
