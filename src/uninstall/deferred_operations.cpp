#include "uninstall/deferred_operations.hpp"

#include <windows.h>

#include "core/path_text.hpp"
#include "core/vector.hpp"
#include "core/win32/disk_file.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/safe_delete.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/system_info.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/operations_log.hpp"

namespace valdorine {
namespace {

constexpr char16_t kSessionManagerKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr char16_t kPendingOperationsValue[] = u"PendingFileRenameOperations";
constexpr char kRenameHeader[] = "[rename]";
constexpr DWORD kMovePendingError = ERROR_BUSY;

using MoveFileExFunction = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);

// MoveFileExW, looked up at run time: the systems that lack it use wininit.ini instead.
MoveFileExFunction SystemMoveFileEx() {
  static const auto function = reinterpret_cast<MoveFileExFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "MoveFileExW")));
  return function;
}

// Registers the move of `source` onto `target` (null: deletion) with the system for the restart.
bool MoveAtRestart(const String& source, const String* target, DWORD flags) {
  const MoveFileExFunction move = SystemMoveFileEx();
  if (!move) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return false;
  }
  return move(WinText(source), target ? WinText(*target) : nullptr, flags | MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

// Whether this system carries out wininit.ini at start-up.
bool WininitInUse() { return FileExists(JoinPath(WindowsFolder(), String::FromWide(u"wininit.exe"))); }

// Registers `source` to be moved onto `target` (null: deleted) at the restart: through the system
// on the NT family, falling back to wininit.ini (with `wininit_name` as the line's name) where the
// system still reads it. A failure keeps the system's error.
bool RegisterAtRestart(const String& source, const String* target, DWORD flags, const String& wininit_name) {
  if (OsVersion().nt_platform) {
    if (MoveAtRestart(source, target, flags)) return true;
    const DWORD error = GetLastError();
    if (WininitInUse() && AddWininitRename(wininit_name, ShortPath(source))) return true;
    SetLastError(error);
    return false;
  }
  return AddWininitRename(wininit_name, ShortPath(source));
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The byte offset of the first "[rename]" header, ignoring case; -1 when there is none.
int FindRenameHeader(const String& text) {
  const int header_length = static_cast<int>(sizeof(kRenameHeader)) - 1;
  for (int start = 0; start + header_length <= text.Length(); ++start) {
    int matched = 0;
    while (matched < header_length && AsciiLower(text.NarrowAt(start + matched)) == kRenameHeader[matched]) ++matched;
    if (matched == header_length) return start;
  }
  return -1;
}

bool EndsWithLineBreak(const String& text) {
  const char last = text.NarrowAt(text.Length() - 1);
  return last == '\n' || last == '\r';
}

void AddRenameLineToText(String& text, const String& name, const String& value) {
  const int header = FindRenameHeader(text);
  if (header >= 0) {
    const String line = String::FormatNarrow("\r\n%s=%s", name.Narrow(), value.Narrow());
    text.InsertBytes(header + static_cast<int>(sizeof(kRenameHeader)) - 1, line.Bytes(), line.Length());
    return;
  }
  // A last line without its line break would otherwise run into the new header.
  if (!text.IsEmpty() && !EndsWithLineBreak(text)) text.AppendNarrow("\r\n");
  text.AppendFormatNarrow("%s\r\n%s=%s", kRenameHeader, name.Narrow(), value.Narrow());
}

// A path of the pending list without the leading "\??\" and "!" marks.
String WithoutPendingMarks(const String& path) {
  const int start = path.FindFirstNotOf(u"\\?!", 0);
  return start < 0 ? String() : path.Substring(start);
}

// A pending move's temporary source is only recycled when it is a full path on a drive: the list is
// shared with every program, and a stripped relative path would name a file of the current folder.
void RecycleMoveSource(const String& source) {
  const String path = WithoutPendingMarks(source);
  if (DriveLetter(path) != 0 && PathRootLength(path) == 3) RecycleFile(path);
}

// Whether the pair (source, target) of the pending list refers to one of `paths`; a move onto such
// a path has its temporary source recycled.
bool RefersToPaths(const String& source, const String& target, const PathSet& paths, bool installing) {
  if (!target.IsEmpty()) {
    const String key = PathSetKey(WithoutPendingMarks(target));
    if (!paths.Contains(key)) return false;
    if (installing) LogFormatW(u"File \"%s\" was removed from the list of pending moves.\r\n", key.Wide());
    RecycleMoveSource(source);
    return true;
  }
  const String key = PathSetKey(WithoutPendingMarks(source));
  if (key.IsEmpty()) return true;
  if (!paths.Contains(key)) return false;
  if (installing) LogFormatW(u"File \"%s\" was removed from the list of pending deletions.\r\n", key.Wide());
  return true;
}

// The texts of a multi-string list whose items are separated by zero characters.
Array<String> SplitMultiString(const String& list) {
  Array<String> texts;
  const char16_t* characters = list.Wide();
  int start = 0;
  for (int i = 0; i <= list.WideLength(); ++i) {
    if (i == list.WideLength() || characters[i] == 0) {
      texts.Append(String::FromWide(characters + start, i - start));
      start = i + 1;
    }
  }
  return texts;
}

String JoinMultiString(const Array<String>& texts) {
  String list;
  for (int i = 0; i < texts.Count(); ++i) {
    if (i > 0) list.AppendWideChar(0);
    list.Append(texts[i]);
  }
  return list;
}

}  // namespace

String PathSetKey(const String& path) {
  String key = path;
  char16_t* characters = key.MutableWide();
  for (int i = 0; i < key.WideLength(); ++i) {
    if (characters[i] >= u'A' && characters[i] <= u'Z')
      characters[i] = static_cast<char16_t>(characters[i] - u'A' + u'a');
  }
  return key;
}

bool DeleteAtRestart(const String& path) {
  if (path.IsEmpty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return RegisterAtRestart(path, nullptr, 0, String::FromWide(u"NUL"));
}

bool ReplaceAtRestart(const String& temporary, const String& target) {
  if (temporary.IsEmpty() || target.IsEmpty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (!RegisterAtRestart(temporary, &target, MOVEFILE_REPLACE_EXISTING, ShortPath(target))) return false;
  SetLastError(kMovePendingError);
  return true;
}

bool AddWininitRename(const String& name, const String& value) {
  return AddRenameLine(JoinPath(WindowsFolder(), String::FromWide(u"wininit.ini")),
                       NarrowFromWide(name, code_page::kAnsi), NarrowFromWide(value, code_page::kAnsi));
}

bool AddRenameLine(const String& ini_file, const String& name, const String& value) {
  if (name.IsEmpty() || value.IsEmpty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  DiskFile file;
  String text;
  if (file.Open(ini_file, open_flag::kOpenOrCreate | open_flag::kWidePath) != 0 || file.ReadAll(text) != 0) {
    return false;
  }
  AddRenameLineToText(text, name, value);
  return file.RewriteAll(text) == 0;
}

void CleanPendingOperations(const PathSet& paths, bool installing) {
  RegKey key;
  if (key.OpenKey(HKEY_LOCAL_MACHINE, String::FromWide(kSessionManagerKey),
                  reg_key::kOpenOnly | reg_key::kDefaultSecurity,
                  KEY_QUERY_VALUE | KEY_SET_VALUE) == open_key_result::kFailed) {
    return;
  }
  const String value_name = String::FromWide(kPendingOperationsValue);
  String list;
  if (!key.ReadString(value_name, list) || list.IsEmpty()) return;
  if (installing) LogText("\r\n");
  Array<String> texts = SplitMultiString(list);
  if (texts.Count() % 2 != 0) texts.Append(String());
  Array<String> kept;
  for (int i = 0; i < texts.Count(); i += 2) {
    if (RefersToPaths(texts[i], texts[i + 1], paths, installing)) continue;
    kept.Append(texts[i]);
    kept.Append(texts[i + 1]);
  }
  if (kept.Count() != texts.Count()) key.SetString(value_name, JoinMultiString(kept), reg_value::kMultiString);
}

}  // namespace valdorine
