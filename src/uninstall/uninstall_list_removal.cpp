#include "uninstall/uninstall_list_removal.hpp"

#include <windows.h>

#include "core/path_text.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/safe_delete.hpp"
#include "package/language_strings.hpp"
#include "run/installer_process.hpp"
#include "ui/progress_window.hpp"
#include "uninstall/folder_removal.hpp"
#include "uninstall/registry_removal.hpp"
#include "uninstall/uninstall_list.hpp"

namespace valdorine {
namespace {

constexpr int kFirstFilePercent = 11;
constexpr int kFilePercentSpan = 81;
constexpr int kMaxFolderLevels = 50;
constexpr int kFailedFileString = 58;

bool IsMarked(const String& entry) {
  const char mark = entry.NarrowAt(0);
  return mark == '~' || mark == '!' || mark == '^' || mark == '*';
}

int CountFiles(const Array<String>& entries) {
  int files = 0;
  for (const String& entry : entries) files += IsMarked(entry) ? 0 : 1;
  return files;
}

// The running uninstaller cannot delete its own file; the self-deleting batch removes it once this
// process has ended.
void RemoveListedFile(const String& path, ListRemoval& removal) {
  if (!FileExists(path) || SameFile(path, Process().module_path)) return;
  if (DeleteFileAt(path)) {
    removal.deleted_files.FindOrInsert(PathSetKey(path), true);
    return;
  }
  removal.failures.AppendFormatWide(u"%s %s\r\n", LanguageString(kFailedFileString).Wide(), path.Wide());
  RecordUninstallEntry(path, uninstall_entry::kFile);
}

String WidePathAfterMark(const String& entry) {
  return WidePathFromNarrow(String::FromBytes(entry.Bytes() + 1, entry.Length() - 1));
}

// A value is recorded without its view. Most are written through the process's own view, but the
// installation writes the install-path value through the 64-bit one; a value that the own view
// does not hold is looked for there.
void DeleteListedValue(const String& value_path) {
  if (!DeleteRegistryValueAt(value_path, 0)) DeleteRegistryValueAt(value_path, reg_key::kView64);
}

bool IsInstallFolder(const String& folder, const String& install_dir) {
  return EqualsIgnoreCase(WithoutTrailingSeparators(FullPath(folder)), WithoutTrailingSeparators(FullPath(install_dir)));
}

void RemoveFolderAndEmptyParents(String folder, const String& install_dir, bool show_names) {
  for (int level = 0; level < kMaxFolderLevels && !folder.IsEmpty(); ++level) {
    if (!FolderExists(folder) || IsInstallFolder(folder, install_dir)) return;
    if (show_names) ShowProgressStatus(folder);
    RemoveFolderIfEmpty(folder);
    if (FolderExists(folder)) return;
    folder = ParentFolder(folder);
  }
}

}  // namespace

void RemoveListedEntries(const Array<String>& entries, bool show_names, ListRemoval& removal) {
  const int files = CountFiles(entries);
  int files_done = 0;
  for (const String& entry : entries) {
    switch (entry.NarrowAt(0)) {
      case '~': removal.folders.Append(WidePathAfterMark(entry)); break;
      case '!': DeleteListedValue(WidePathAfterMark(entry)); break;
      case '^': DeleteRegistryKeyAt(WidePathAfterMark(entry), 0); break;
      case '*': DeleteRegistryKeyAt(WidePathAfterMark(entry), reg_key::kView64); break;
      default: {
        const String path = WidePathFromNarrow(entry);
        if (show_names) ShowProgressStatus(path);
        RemoveListedFile(path, removal);
        SetProgress(kFirstFilePercent + kFilePercentSpan * ++files_done / files);
      }
    }
  }
}

void RemoveListedFolders(Array<String> folders, const String& install_dir, bool show_names) {
  folders.Sort([](const String& a, const String& b) { return a.WideLength() - b.WideLength(); }, true);
  for (const String& folder : folders) RemoveFolderAndEmptyParents(folder, install_dir, show_names);
}

}  // namespace valdorine
