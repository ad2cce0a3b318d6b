#include "operations/registry_entries.hpp"

#include <windows.h>

#include "core/win32/disk_file.hpp"
#include "core/win32/process_start.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/registry_path.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/temp_files.hpp"
#include "core/win32/user_profiles.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/operations_log.hpp"
#include "format/script_options.hpp"
#include "package/language_strings.hpp"
#include "paths/path_variables.hpp"
#include "run/run_state.hpp"
#include "ui/progress_window.hpp"
#include "uninstall/deferred_operations.hpp"
#include "uninstall/uninstall_data.hpp"
#include "uninstall/uninstall_data_text.hpp"

namespace valdorine {
namespace {

constexpr char16_t kAllUsersPrefix[] = u"\\HKAU\\";
constexpr int kAllUsersPrefixLength = 6;
// Read control, query and set values, create and enumerate subkeys.
constexpr REGSAM kEntryAccess = 0x2000F;
constexpr int kStatusString = 78;
constexpr int kStepProgress = 97;

constexpr int kTypeString = 1;
constexpr int kTypeExpandString = 2;
constexpr int kTypeBinary = 3;
constexpr int kTypeDword = 4;
constexpr int kTypeQword = 11;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

String Trimmed(const String& text) {
  int start = 0;
  int end = text.WideLength();
  while (start < end && (IsBlank(text.WideAt(start)) || text.WideAt(start) == u'\r' || text.WideAt(start) == u'\n')) {
    ++start;
  }
  String trimmed = text.Substring(start, end - start);
  trimmed.TrimRight();
  return trimmed;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool ParseBinary(const String& data, String& bytes) {
  int pending = -1;
  for (int i = 0; i < data.WideLength(); ++i) {
    const char16_t c = data.WideAt(i);
    if (IsBlank(c)) continue;
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    if (pending < 0) {
      pending = digit;
    } else {
      bytes.AppendNarrowChar(static_cast<char>(pending * 16 + digit));
      pending = -1;
    }
  }
  return pending < 0;
}

// A decimal or "0x" hexadecimal number up to `max`; a leading "-" counts back from max + 1.
bool ParseNumber(const String& data, uint64_t max, uint64_t& number) {
  const String text = Trimmed(data);
  int i = 0;
  const bool negative = text.WideAt(0) == u'-';
  if (negative) ++i;
  int base = 10;
  if (text.WideAt(i) == u'0' && (text.WideAt(i + 1) == u'x' || text.WideAt(i + 1) == u'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.WideLength()) return false;
  number = 0;
  for (; i < text.WideLength(); ++i) {
    const int digit = HexDigit(text.WideAt(i));
    if (digit < 0 || digit >= base || number > (max - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) {
      return false;
    }
    number = number * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  if (negative) number = (max - number + 1) & max;
  return true;
}

// Where a key path points: the subkey below a predefined root, or below every user profile.
struct EntryKey {
  bool all_users = false;
  HKEY root = nullptr;
  String subkey;
};

bool ResolveKey(const String& path, EntryKey& key) {
  if (path.StartsWithIgnoreCase(kAllUsersPrefix)) {
    key.all_users = true;
    key.subkey = path.Substring(kAllUsersPrefixLength);
    return true;
  }
  RegistryPath parsed;
  if (!ParseRegistryPath(path, parsed)) return false;
  key.root = parsed.root->handle;
  key.subkey = parsed.subkey;
  return true;
}

uint32_t OpenFlags(uint32_t view, uint32_t extra) {
  return view | extra | reg_key::kDefaultSecurity | reg_key::kForgetPrevious;
}

// Runs `operation(root, subkey)` on the key, or below every loaded user hive for "\HKAU\"; an
// all-users operation fails when it fails for any hive.
template <typename Operation>
bool ForEachTarget(const EntryKey& key, Operation operation) {
  if (!key.all_users) return operation(key.root, key.subkey);
  bool all_done = true;
  for (const String& hive : LoadedUserHives()) {
    if (!operation(HKEY_USERS, JoinPath(hive, key.subkey))) all_done = false;
  }
  return all_done;
}

bool CreateKeyAt(HKEY root, const String& subkey, uint32_t view) {
  RegKey key;
  return key.OpenKey(root, subkey, OpenFlags(view, 0), kEntryAccess) != open_key_result::kFailed;
}

// Deleting a value never creates its key: a missing key holds no value to delete.
void DeleteValueAt(HKEY root, const String& subkey, const String& name, uint32_t view) {
  RegKey key;
  if (key.OpenKey(root, subkey, OpenFlags(view, reg_key::kOpenOnly), kEntryAccess) != open_key_result::kFailed) {
    key.DeleteValue(name);
  }
}

enum class WriteResult { kWritten, kKeyFailed, kValueFailed };

WriteResult WriteValueAt(HKEY root, const String& subkey, const String& name, const RegistryValueData& value,
                         bool only_when_absent, uint32_t view) {
  RegKey key;
  if (key.OpenKey(root, subkey, OpenFlags(view, 0), kEntryAccess) == open_key_result::kFailed) {
    return WriteResult::kKeyFailed;
  }
  if (only_when_absent && RegQueryValueExW(key.Handle(), WinText(name), nullptr, nullptr, nullptr, nullptr) == 0) {
    return WriteResult::kWritten;
  }
  const bool written = key.SetValue(name, value.type, value.bytes.Bytes(), static_cast<uint32_t>(value.bytes.Length()));
  return written ? WriteResult::kWritten : WriteResult::kValueFailed;
}

void ReportWriteFailure(WriteResult result, const String& key_path, const String& name) {
  String& summary = FailureSummary();
  if (result == WriteResult::kKeyFailed) {
    summary.Append(ConcatWide(u"Failed to create registry key: ", key_path.Wide(), u"\r\n", nullptr));
  } else if (result == WriteResult::kValueFailed) {
    const String error = SystemErrorText(GetLastError());
    summary.Append(ConcatWide(u"Failed to create registry value \"", name.Wide(), u"\": ", error.Wide(), u"\r\n",
                              nullptr));
  }
}

// The data of a five-field line: type 1 with path variables expanded, every other type as written.
bool EntryData(const String& type_field, const String& data_field, RegistryValueData& value) {
  uint64_t type_code = 0;
  if (!ParseNumber(type_field, 0xFFFFFFFFu, type_code)) type_code = 0;
  String data = data_field;
  if (type_code == kTypeString) ExpandVariables(data);
  return ConvertRegistryData(static_cast<int>(type_code), data, value);
}

void ApplyValueLine(const Array<String>& fields, uint32_t view) {
  const String& key_path = fields[0];
  const String& name = fields[1];
  uint64_t action = 0;
  if (!ParseNumber(fields[4], 0xFFFFFFFFu, action)) return;
  const bool deletes = action == 4 || action == 5;
  const bool writes = action == 1 || action == 3 || action == 6;
  EntryKey key;
  if (!deletes && !writes) return;
  if (!ResolveKey(Trimmed(key_path), key)) {
    if (writes) ReportWriteFailure(WriteResult::kKeyFailed, key_path, name);
    return;
  }
  if (deletes) {
    ForEachTarget(key, [&](HKEY root, const String& subkey) {
      DeleteValueAt(root, subkey, name, view);
      return true;
    });
    return;
  }
  RegistryValueData value;
  if (!EntryData(fields[2], fields[3], value)) {
    SetLastError(ERROR_INVALID_DATA);
    ReportWriteFailure(WriteResult::kValueFailed, key_path, name);
    return;
  }
  WriteResult result = WriteResult::kWritten;
  ForEachTarget(key, [&](HKEY root, const String& subkey) {
    const WriteResult written = WriteValueAt(root, subkey, name, value, action == 6, view);
    if (written != WriteResult::kWritten) result = written;
    return written == WriteResult::kWritten;
  });
  if (!key.all_users) ReportWriteFailure(result, key_path, name);
}

// The fields of a wide CSV line.
Array<String> WideFields(const String& line) {
  Array<String> fields;
  for (const String& field : SplitCsv(NarrowFromWide(line, code_page::kUtf8))) {
    fields.Append(WideFromNarrow(field, code_page::kUtf8));
  }
  return fields;
}

template <typename Visit>
void ForEachLine(const String& text, Visit visit) {
  int start = 0;
  const int length = text.WideLength();
  while (start < length) {
    int end = start;
    while (end < length && text.WideAt(end) != u'\r' && text.WideAt(end) != u'\n') ++end;
    if (end > start) visit(text.Substring(start, end - start));
    start = end + 1;
  }
}

void CreateProductKey(const String& product_registry, uint32_t view) {
  if (product_registry.IsEmpty()) return;
  EntryKey all_users;
  all_users.all_users = true;
  all_users.subkey = JoinPath(String::FromWide(u"Software"), product_registry);
  const bool users_done =
      ForEachTarget(all_users, [&](HKEY root, const String& subkey) { return CreateKeyAt(root, subkey, view); });
  DWORD error = users_done ? ERROR_SUCCESS : GetLastError();
  if (!CreateKeyAt(HKEY_LOCAL_MACHINE, all_users.subkey, view)) error = GetLastError();
  if (users_done && error == ERROR_SUCCESS) return;
  FailureSummary().AppendFormatWide(u"Error creating registry keys at \\Software\\%s\r\nCode %d: %s\r\n\r\n",
                                    product_registry.Wide(), static_cast<int>(error),
                                    SystemErrorText(error).Wide());
}

// Writes the merge file into a new temporary file; its path, or empty with the system error set.
String WriteMergeFile(const String& contents) {
  const String path = MakeTempName(String(), String::FromWide(u"reg"));
  if (path.IsEmpty()) return {};
  DiskFile file;
  if (file.Open(path, open_flag::kOpenExisting | open_flag::kNoRead | open_flag::kWidePath) != 0 ||
      !file.Write(contents.Bytes(), contents.Length())) {
    const DWORD error = GetLastError();
    file.Close();
    DeleteFileW(WinText(path));
    SetLastError(error);
    return {};
  }
  return path;
}

void MergeRegistryFile(const String& contents) {
  if (contents.IsEmpty()) return;
  const String path = WriteMergeFile(contents);
  if (path.IsEmpty()) {
    FailureSummary().Append(ConcatWide(u"Failed to create the registry merge file: ",
                                       SystemErrorText(GetLastError()).Wide(), u"\r\n", nullptr));
    return;
  }
  LogText("Merging registry file...");
  // The full path, so that no regedit.exe in the current folder can stand in for the system's.
  const String command = ConcatWide(u"\"", JoinPath(WindowsFolder(), String::FromWide(u"regedit.exe")).Wide(),
                                    u"\" /s \"", path.Wide(), u"\"", nullptr);
  if (StartProcess(command, String())) {
    LogText("OK\r\n");
  } else {
    const String error = SystemErrorText(GetLastError());
    LogConcatW(u"FAILED!\r\n", error.Wide(), u"\r\n", nullptr);
    FailureSummary().Append(ConcatWide(u"Failed to import the registry merge file: ", error.Wide(), u"\r\n", nullptr));
  }
  DeleteAtRestart(path);  // regedit may still be reading it
}

}  // namespace

bool ConvertRegistryData(int type_code, const String& data, RegistryValueData& value) {
  value.type = static_cast<uint32_t>(type_code);
  value.bytes = String();
  uint64_t number = 0;
  switch (type_code) {
    case kTypeString:
    case kTypeExpandString:
      value.bytes = data;
      value.bytes.AppendWideChar(0);
      return true;
    case kTypeBinary:
      return ParseBinary(data, value.bytes);
    case kTypeDword: {
      if (!ParseNumber(data, 0xFFFFFFFFu, number)) return false;
      const uint32_t dword = static_cast<uint32_t>(number);
      value.bytes = String::FromBytes(&dword, sizeof dword);
      return true;
    }
    case kTypeQword:
      if (!ParseNumber(data, UINT64_MAX, number)) return false;
      value.bytes = String::FromBytes(&number, sizeof number);
      return true;
    default:
      return true;
  }
}

void ApplyRegistryEntryLine(const String& line, uint32_t view) {
  const Array<String> fields = WideFields(line);
  if (fields.Count() == 1) {
    EntryKey key;
    const String path = Trimmed(fields[0]);
    if (!path.IsEmpty() && ResolveKey(path, key)) {
      ForEachTarget(key, [&](HKEY root, const String& subkey) { return CreateKeyAt(root, subkey, view); });
    }
  } else if (fields.Count() == 5) {
    ApplyValueLine(fields, view);
  } else {
    FailureSummary().Append(ConcatWide(u"Illegal registry entry: ", line.Wide(), u"\r\n", nullptr));
  }
}

void CreateRegistryEntries(const InstallScript& script) {
  const RunState& run = Run();
  if (run.portable && (run.package_flags & package_flag::kNoRegistryWhenPortable) != 0) return;
  ShowProgressStatus(LanguageString(kStatusString));
  SetProgress(kStepProgress);
  const uint32_t view = ProductRegistryView(script.Bitness == 1);
  CreateProductKey(script.ProductRegistry, view);
  ForEachLine(script.RegistryText, [&](const String& line) { ApplyRegistryEntryLine(line, view); });
  CollectedUninstallSections().registry2 = script.RegistryText;
  MergeRegistryFile(script.RegistryMerge);
}

}  // namespace valdorine
