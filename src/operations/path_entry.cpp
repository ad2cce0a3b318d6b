#include "operations/path_entry.hpp"

#include "core/path_text.hpp"
#include "core/vector.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/registry.hpp"
#include "diagnostics/operations_log.hpp"
#include "paths/path_variables.hpp"
#include "run/run_state.hpp"

namespace valdorine {
namespace {

constexpr char16_t kEnvironmentKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr char16_t kPathValue[] = u"Path";
constexpr REGSAM kKeyAccess = 0x2000F;  // read control, query, set, create subkeys, enumerate
constexpr int kFullRootLength = 3;      // "C:\" or more: a path that names its drive or share

bool NamesFolder(const String& entry, const String& folder) {
  return EqualsIgnoreCase(WithoutTrailingSeparators(entry), WithoutTrailingSeparators(folder));
}

// The entries of a Path value, empty ones included.
Array<String> PathEntries(const String& path) {
  Array<String> entries;
  int start = 0;
  while (start <= path.WideLength()) {
    int end = path.FindWide(u";", start);
    if (end < 0) end = path.WideLength();
    entries.Append(path.Substring(start, end - start));
    start = end + 1;
  }
  return entries;
}

bool HasEntry(const String& path, const String& folder) {
  for (const String& entry : PathEntries(path)) {
    if (NamesFolder(entry, folder)) return true;
  }
  return false;
}

bool OpenSystemPath(RegKey& key, String& path) {
  const uint32_t flags = reg_key::kOpenOnly | reg_key::kView64 | reg_key::kDefaultSecurity;
  return key.OpenKey(HKEY_LOCAL_MACHINE, String::FromWide(kEnvironmentKey), flags, kKeyAccess) !=
             open_key_result::kFailed &&
         key.ReadString(String::FromWide(kPathValue), path) && !path.IsEmpty();
}

String ExpandedEntryFolder(const String& subfolder) {
  String expanded = subfolder;
  ExpandVariables(expanded);
  return PathEntryFolder(expanded, Run().install_dir);
}

}  // namespace

String PathEntryFolder(const String& subfolder, const String& install_dir) {
  if (subfolder.IsEmpty()) return install_dir;
  if (PathRootLength(subfolder) >= kFullRootLength) return subfolder;
  return JoinPath(install_dir, subfolder);
}

String PathWithEntry(const String& path, const String& folder) {
  if (HasEntry(path, folder)) return path;
  String extended = path;
  if (!extended.IsEmpty() && extended.WideAt(extended.WideLength() - 1) != u';') extended.AppendWideChar(u';');
  extended.Append(folder);
  return extended;
}

void AddPathEntry(const String& subfolder) {
  RegKey key;
  String path;
  if (!OpenSystemPath(key, path)) return;
  const String folder = ExpandedEntryFolder(subfolder);
  if (!FolderExists(folder)) {
    LogConcatW(u"Couldn't add \"", folder.Wide(), u"\" to the PATH because it does not exist.\r\n", nullptr);
    return;
  }
  const String extended = PathWithEntry(path, folder);
  if (extended != path) key.SetString(String::FromWide(kPathValue), extended, reg_value::kExpandString);
}

String PathWithoutEntry(const String& path, const String& folder) {
  String kept;
  for (const String& entry : PathEntries(path)) {
    if (entry.IsEmpty() || NamesFolder(entry, folder)) continue;
    if (!kept.IsEmpty()) kept.AppendWideChar(u';');
    kept.Append(entry);
  }
  return kept;
}

void RemovePathEntry(const String& subfolder) {
  RegKey key;
  String path;
  if (!OpenSystemPath(key, path)) return;
  const String reduced = PathWithoutEntry(path, ExpandedEntryFolder(subfolder));
  if (reduced != path) key.SetString(String::FromWide(kPathValue), reduced, reg_value::kExpandString);
}

}  // namespace valdorine
