// The uninstall list of the run, with the set of folders already on it.
#include "uninstall/uninstall_list.hpp"

#include <windows.h>

#include "core/hash_list.hpp"
#include "core/win32/win_text.hpp"
#include "uninstall/uninstall_data_text.hpp"

namespace valdorine {
namespace {

// Entries this short are drive roots and the like, which the uninstaller must never remove.
constexpr int kMaxUnrecordedLength = 3;

struct UninstallList {
  String text;
  List<Bucket<bool, String>> folders;  // upper-case wide paths
};

UninstallList& TheList() {
  static UninstallList list;
  return list;
}

// The path in upper case by the system's locale-independent mapping, so that folders that differ
// only in letter case share one key.
String UpperCase(const String& wide_path) {
  String upper = wide_path;
  if (!upper.IsEmpty()) {
    LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, WinText(wide_path), wide_path.WideLength(),
                 reinterpret_cast<wchar_t*>(upper.MutableWide()), upper.WideLength());
  }
  return upper;
}

// False when the folder was recorded before; otherwise remembers it.
bool IsFirstRecordOfFolder(const String& wide_path) {
  bool& recorded = TheList().folders.FindOrInsert(UpperCase(wide_path), false);
  if (recorded) return false;
  recorded = true;
  return true;
}

// A registry value or key name may hold line breaks, which would read back as further entries.
bool HasLineBreak(const String& wide_path) { return wide_path.FindWide(u"\r") >= 0 || wide_path.FindWide(u"\n") >= 0; }

}  // namespace

bool RecordUninstallEntry(const String& path, int kind) {
  if (kind < uninstall_entry::kFile || kind > uninstall_entry::kRegistryKey64) return false;
  if (path.WideLength() <= kMaxUnrecordedLength || HasLineBreak(path)) return false;
  if (kind == uninstall_entry::kFolder && !IsFirstRecordOfFolder(path)) return false;
  TheList().text.Append(UninstallListLine(path, kind));
  return true;
}

void ClearUninstallList() {
  UninstallList& list = TheList();
  list.text.Release();
  list.folders.Clear();
}

const String& UninstallListText() { return TheList().text; }

}  // namespace valdorine
