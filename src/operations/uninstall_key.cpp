#include "operations/uninstall_key.hpp"

#include "core/date_time_format.hpp"
#include "core/file_errors.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/system_info.hpp"
#include "diagnostics/failure_summary.hpp"
#include "format/script_options.hpp"
#include "operations/install_collections.hpp"
#include "operations/registration_files.hpp"
#include "package/package_failure.hpp"
#include "package/package_startup.hpp"
#include "paths/path_variables.hpp"
#include "run/installer_process.hpp"
#include "run/run_state.hpp"
#include "uninstall/deferred_operations.hpp"
#include "uninstall/uninstall_data_digest.hpp"

namespace valdorine {
namespace {

constexpr char16_t kUninstallRoot[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr REGSAM kKeyAccess = 0x2000F;  // read control, query, set, create subkeys, enumerate
constexpr uint32_t kCreateInView64 = reg_key::kView64 | reg_key::kDefaultSecurity;
constexpr uint32_t kOrDelete = reg_value::kDeleteIfEmpty;
constexpr uint32_t kKilobyte = 1024;
constexpr char16_t kInstallDatePattern[] = u"yymmdd";

constexpr uint8_t kTextValue = 1;
constexpr uint8_t kExpandableTextValue = 2;
constexpr uint8_t kNumberValue = 4;

// The key's value writers by encoding; names are wide literals.
class ValueWriter {
 public:
  explicit ValueWriter(RegKey& key) : key_(key) {}

  bool Wide(const char16_t* name, const String& text, uint32_t flags = 0) {
    return key_.SetString(String::FromWide(name), text, flags);
  }
  // 8-bit text stored the way the system's 8-bit registry interface stores it: read in the ANSI
  // code page.
  bool Narrow(const char16_t* name, const String& text, uint32_t flags = 0) {
    return Wide(name, WideFromNarrow(text, code_page::kAnsi), flags);
  }
  bool Dword(const char16_t* name, uint32_t value, uint32_t flags = 0) {
    return key_.SetDword(String::FromWide(name), value, flags);
  }
  bool Qword(const char16_t* name, uint64_t value) { return key_.SetQword(String::FromWide(name), value); }
  bool Number(const char16_t* name, double value) { return key_.SetDouble(String::FromWide(name), value); }
  void Delete(const char16_t* name) { key_.DeleteValue(String::FromWide(name)); }

 private:
  RegKey& key_;
};

// The subkey of HKEY_LOCAL_MACHINE that holds the product's values.
String UninstallKeyName(const InstallScript& script) {
  return ConcatWide(kUninstallRoot, script.UninstallKey.Wide(), nullptr);
}

// The decimal number at the start of a wide text (blanks and a sign allowed before it), wrapping
// like the system's 32-bit conversion; 0 without digits.
uint32_t LeadingNumber(const String& text) {
  int index = 0;
  while (text.WideAt(index) == u' ' || text.WideAt(index) == u'\t') ++index;
  const bool negative = text.WideAt(index) == u'-';
  if (negative || text.WideAt(index) == u'+') ++index;
  uint32_t value = 0;
  for (char16_t c = text.WideAt(index); c >= u'0' && c <= u'9'; c = text.WideAt(++index)) {
    value = value * 10 + static_cast<uint32_t>(c - u'0');
  }
  return negative ? 0u - value : value;
}

bool IsSharedFileMark(char16_t c) {
  return c == shared_mark::kPermanent || c == shared_mark::kComServer || c == shared_mark::kTypeLibrary;
}

// "name" or "sub\key\name": the subkey part (empty for a value of the key itself) and the name.
void SplitAtLastBackslash(const String& path, String& key_part, String& name_part) {
  int last = path.WideLength() - 1;
  while (last >= 0 && path.WideAt(last) != u'\\') --last;
  key_part = last < 0 ? String() : path.Substring(0, last);
  name_part = path.Substring(last + 1);
}

// The command values; false, with the system error set, when UninstallString could not be written.
bool WriteCommandValues(ValueWriter& values, const UninstallCommand& command, String& uninstall_string) {
  uninstall_string = ConcatWide(u"\"", command.program.Wide(), u"\" ", command.arguments.Wide(), nullptr);
  const bool written = values.Wide(u"UninstallString", uninstall_string);
  const DWORD error = GetLastError();
  values.Wide(u"QuietUninstallString",
              ConcatWide(u"\"", command.program.Wide(), u"\" /a ", command.arguments.Wide(), nullptr));
  SetLastError(error);
  return written;
}

void WriteDisplayIcon(ValueWriter& values, const InstallScript& script) {
  if (script.ProductIcon.IsEmpty()) return;
  const String path = JoinPath(Run().uninstall_dir, String::FromWide(u"product.ico"));
  if (SaveRecordedFile(path, script.ProductIcon) == file_error::kSuccess) values.Wide(u"DisplayIcon", path);
}

void WriteVersionParts(ValueWriter& values, const InstallScript& script) {
  const String version = WideFromNarrow(script.DisplayVersion, code_page::kAnsi);
  const int first_stop = version.FindWide(u".");
  if (first_stop < 0) return;
  values.Dword(u"VersionMajor", LeadingNumber(version));
  values.Dword(u"VersionMinor", LeadingNumber(version.Substring(first_stop + 1)));
}

void WriteProductValues(ValueWriter& values, const InstallScript& script) {
  values.Wide(u"DisplayName", script.ProductName);
  values.Wide(u"InstallSource", Process().module_path);
  values.Wide(u"Publisher", script.Publisher, kOrDelete);
  values.Dword(u"Bitness", script.Bitness == 1 ? 1 : 0);
  values.Narrow(u"DisplayVersion", script.DisplayVersion, kOrDelete);
  values.Narrow(u"NoDowngradeBelow", script.NoDowngradeBelow, kOrDelete);
  WriteDisplayIcon(values, script);
  WriteVersionParts(values, script);
  values.Wide(u"ProductRegistry", script.ProductRegistry, kOrDelete);
}

void WriteEstimatedSize(ValueWriter& values) {
  const uint64_t kilobytes = Run().size_estimate / kKilobyte;
  if (kilobytes >= 1 && kilobytes <= 0xFFFFFFFFull) {
    values.Dword(u"EstimatedSize", static_cast<uint32_t>(kilobytes));
  } else {
    values.Delete(u"EstimatedSize");
  }
}

void WriteRunValues(ValueWriter& values, const InstallScript& script) {
  const RunState& run = Run();
  values.Wide(u"ProductStartMenu", run.start_menu, kOrDelete);
  values.Wide(u"SharedPath", run.shared_dir, kOrDelete);
  values.Narrow(u"ProductFonts", Collections().font_list, kOrDelete);
  values.Narrow(u"ProductFlags", String::FormatNarrow("%I64d", static_cast<int64_t>(run.options.Value())));
  values.Narrow(u"ProductFlags2", String::FormatNarrow("%u", run.package_flags));
  values.Narrow(u"UninstallBatch1", script.UninstallBatch1, kOrDelete);
  values.Narrow(u"UninstallBatch2", script.UninstallBatch2, kOrDelete);
  values.Narrow(u"SharedFiles", SharedFilesValue(Collections().counted_shared_files), kOrDelete);
  values.Wide(u"UninstallSubdir", script.UninstallSubdir, kOrDelete);
  values.Wide(u"AddToPathSubfolder", script.AddToPathSubfolder, kOrDelete);
  values.Dword(u"ShortcutMode", script.ShortcutMode, kOrDelete);
  values.Narrow(u"NotifyURL", script.NotifyURL, kOrDelete);
  values.Narrow(u"SupportOffer", script.SupportOffer, kOrDelete);
  values.Wide(u"DesktopFolder", DesktopFolderName(script), kOrDelete);
  WriteEstimatedSize(values);
}

String ColourText(uint32_t colour) {
  return String::FormatNarrow("%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

void WriteBackgroundValues(ValueWriter& values, const InstallScript& script) {
  const bool one_colour = script.TopColor == script.BottomColor;
  values.Wide(u"DisplayTitle", script.DisplayTitle);
  values.Dword(u"TitleColor", script.TitleColor);
  values.Dword(u"TopColor", script.TopColor);
  values.Number(u"TitleSize", script.TitleSize);
  if (one_colour) {
    values.Delete(u"BottomColor");
  } else {
    values.Dword(u"BottomColor", script.BottomColor);
  }
  values.Dword(u"MonoColor", one_colour ? 1 : 0);
  values.Dword(u"TitleShadow", script.TitleShadow);
  values.Dword(u"TitlePosition", script.TitlePosition);
  values.Narrow(u"TitleFont", script.TitleFont);
  values.Wide(u"TaskbarText", script.TaskbarText);
  values.Wide(u"CopyrightText", script.CopyrightText);
  values.Narrow(u"CopyrightFont", script.CopyrightFont);
  values.Number(u"CopyrightSize", script.CopyrightSize);
  values.Narrow(u"CopyrightColor", ColourText(script.CopyrightColor));
  values.Dword(u"CopyrightPos", script.CopyrightPos);
}

void WriteBitmapValues(ValueWriter& values, const InstallScript& script) {
  if ((Run().options.word1 & option1::kBackgroundPicture) == 0 || script.BackgroundPicture.IsEmpty()) {
    values.Delete(u"BitmapSize");
    values.Delete(u"BitmapTPI");
    values.Delete(u"StretchMode");
    return;
  }
  values.Dword(u"BitmapSize", script.BitmapSize);
  if (script.BitmapTPI == -1) {
    values.Delete(u"BitmapTPI");
  } else {
    values.Dword(u"BitmapTPI", static_cast<uint32_t>(script.BitmapTPI));
  }
  values.Dword(u"StretchMode", script.StretchMode);
}

bool WriteAdditionalValue(RegKey& key, const String& name, uint8_t type, const String& data) {
  switch (type) {
    case kTextValue:
      return key.SetString(name, data, kOrDelete);
    case kExpandableTextValue:
      return key.SetString(name, data, kOrDelete | reg_value::kExpandString);
    case kNumberValue:
      return key.SetDword(name, LeadingNumber(data), kOrDelete);
    default:
      RequirePackage(PackageError::kUninstallValueType, Package());
      return false;
  }
}

// The key that holds an additional value: the uninstall key itself, or a subkey created below it.
RegKey* ValueKey(RegKey& key, const String& subkey, RegKey& created) {
  if (subkey.IsEmpty()) return &key;
  const bool opened = created.OpenKey(key.Handle(), subkey, reg_key::kDefaultSecurity, kKeyAccess) !=
                      open_key_result::kFailed;
  return opened ? &created : nullptr;
}

void WriteOneAdditionalValue(RegKey& key, const UninstallKeyValue& item) {
  const String full_name = WideFromNarrow(item.name, code_page::kAnsi);
  String data = WideFromNarrow(item.value, code_page::kUtf8);
  ExpandVariables(data);
  String subkey;
  String name;
  SplitAtLastBackslash(full_name, subkey, name);
  RegKey created;
  RegKey* target = ValueKey(key, subkey, created);
  if (target == nullptr || !WriteAdditionalValue(*target, name, item.type, data)) {
    FailureSummary().AppendFormatWide(u"Failed to save data in registry key \"%s\": %s\r\n", full_name.Wide(),
                                      SystemErrorText(GetLastError()).Wide());
  }
}

void WriteInstallValues(ValueWriter& values) {
  values.Wide(u"InstallLocation", Run().install_dir);
  values.Wide(u"InstallDate", FormatDateTime(CurrentLocalTime(), kInstallDatePattern));
}

void WriteAllValues(RegKey& key, const InstallScript& script) {
  ValueWriter values(key);
  WriteProductValues(values, script);
  WriteRunValues(values, script);
  WriteBackgroundValues(values, script);
  values.Dword(u"ProgressPageStyle", script.Display.ProgressPageStyle);
  values.Dword(u"HeaderTextColor", script.HeaderTextColor);
  values.Dword(u"PictureBorder", script.PictureBorder);
  values.Qword(u"Session", Process().session_number);
  WriteBitmapValues(values, script);
  WriteAdditionalValues(key, script.UninstallKeyValues);
  WriteInstallValues(values);
}

}  // namespace

bool WriteUninstallKey(const InstallScript& script, const UninstallCommand& command, String& error_text) {
  RegKey key;
  if (key.OpenKey(HKEY_LOCAL_MACHINE, UninstallKeyName(script), kCreateInView64, kKeyAccess) ==
      open_key_result::kFailed) {
    error_text = SystemErrorText(GetLastError());
    return false;
  }
  ValueWriter values(key);
  String uninstall_string;
  if (!WriteCommandValues(values, command, uninstall_string)) error_text = SystemErrorText(GetLastError());
  WriteAllValues(key, script);
  String read_back;
  return key.ReadString(String::FromWide(u"UninstallString"), read_back) && read_back == uninstall_string;
}

bool WriteUninstallDataDigest(const InstallScript& script, const String& data_text) {
  RegKey key;
  return key.OpenKey(HKEY_LOCAL_MACHINE, UninstallKeyName(script), kCreateInView64 | reg_key::kOpenOnly, kKeyAccess) !=
             open_key_result::kFailed &&
         RecordUninstallDataDigest(key, data_text);
}

void WriteAdditionalValues(RegKey& key, const Array<UninstallKeyValue>& values) {
  for (const UninstallKeyValue& item : values) WriteOneAdditionalValue(key, item);
}

String DesktopFolderName(const InstallScript& script) {
  if (script.DesktopFolder.IsEmpty() && (Run().options.word2 & option2::kDesktopFolderFromProductName) != 0) {
    return script.ProductName;
  }
  return script.DesktopFolder;
}

String SharedFilesValue(const Array<String>& shared_files) {
  String value;
  PathSet listed;
  for (const String& entry : shared_files) {
    const char16_t last = entry.WideAt(entry.WideLength() - 1);
    const bool marked = IsSharedFileMark(last);
    const String path = entry.Substring(0, entry.WideLength() - (marked ? 1 : 0));
    bool& seen = listed.FindOrInsert(PathSetKey(path), false);
    if (path.IsEmpty() || seen) continue;
    seen = true;
    if (!value.IsEmpty()) value.AppendNarrowChar(';');
    value.AppendNarrowChar('"');
    value.Append(NarrowPath(path));
    if (marked) value.AppendNarrowChar(static_cast<char>(last));
    value.AppendNarrowChar('"');
  }
  return value;
}

void WriteInstallPathValue(const InstallScript& script) {
  if (script.InstallPathKey.IsEmpty()) return;
  String value_path = WideFromNarrow(script.InstallPathKey, code_page::kAnsi);
  value_path.PrependUnless(u'\\');
  String key_path;
  String name;
  SplitAtLastBackslash(value_path, key_path, name);
  RegKey key;
  if (key.OpenKey(key_path, kCreateInView64, kKeyAccess) != open_key_result::kFailed) {
    key.SetString(name, Run().install_dir);
  }
}

}  // namespace valdorine
