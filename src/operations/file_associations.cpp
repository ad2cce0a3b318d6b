#include "operations/file_associations.hpp"

#include <windows.h>

#include <shlobj.h>

#include "core/path_text.hpp"
#include "core/win32/crash_guard.hpp"
#include "core/win32/registry.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/operations_log.hpp"
#include "format/script_options.hpp"
#include "paths/path_variables.hpp"
#include "run/run_state.hpp"
#include "uninstall/association_restore.hpp"
#include "uninstall/uninstall_data.hpp"
#include "uninstall/uninstall_data_text.hpp"

namespace valdorine {
namespace {

// Read control, query and set values, create and enumerate subkeys.
constexpr REGSAM kClassesAccess = 0x2000F;
constexpr uint32_t kCreateFlags = reg_key::kDefaultSecurity | reg_key::kForgetPrevious;
constexpr uint32_t kOpenFlags = kCreateFlags | reg_key::kOpenOnly;

constexpr uint32_t kModeDefaultVerb = 1;
constexpr uint32_t kModeOpenWithOnly = 2;

// One association item as the verbs use it: wide texts, command and icon expanded.
struct Association {
  uint32_t mode = 0;
  String extension;
  String class_name;
  String description;
  String verb_label;
  String command;
  String icon;         // expanded and absolute
  String icon_record;  // as the script gives it, for the record
};

// What the step keeps from one verb to the next: the backup value's name, and the classes that a
// verb has opened so far (each was found in place or created by the step).
struct AssociationStep {
  String backup_name;
  Array<String> classes;
};

String Ansi(const String& text) { return WideFromNarrow(text, code_page::kAnsi); }
String Utf8(const String& text) { return WideFromNarrow(text, code_page::kUtf8); }

bool HasExclamation(const String& class_name) { return class_name.FindWide(u"!") >= 0; }

String WithoutExclamations(String class_name) {
  class_name.ReplaceAll(u"!", u"");
  return class_name;
}

// Sets the key's default value to `value`, first saving a different, non-blank previous default
// under `backup_name`.
bool BackUpAndSetDefault(RegKey& key, const String& value, const String& backup_name) {
  String previous;
  if (key.ReadString(String(), previous) && !previous.IsBlank() && previous != value) {
    key.SetString(backup_name, previous);
  }
  return key.SetString(String(), value);
}

bool OpenClassesKey(RegKey& key, const String& subkey, uint32_t flags) {
  return key.OpenKey(HKEY_CLASSES_ROOT, subkey, flags, kClassesAccess) != open_key_result::kFailed;
}

bool SetDefaultBelow(const String& subkey, const String& value, const String& backup_name) {
  RegKey key;
  return OpenClassesKey(key, subkey, kCreateFlags) && BackUpAndSetDefault(key, value, backup_name);
}

Association Prepared(const FileAssociation& item, const String& install_dir) {
  Association a;
  a.mode = item.mode;
  a.extension = AssociationExtension(item.extension);
  a.class_name = Ansi(item.class_name);
  a.description = Ansi(item.description);
  a.verb_label = Ansi(item.verb_label);
  a.command = Utf8(item.command);
  ExpandVariables(a.command);
  a.icon_record = Utf8(item.icon);
  a.icon = a.icon_record;
  ExpandVariables(a.icon);
  if (!a.icon.IsEmpty() && PathRootLength(a.icon) == 0) a.icon = JoinPath(install_dir, a.icon);
  return a;
}

// The class a verb uses: the extension's own class when the item names none or marks its name
// with "!", otherwise (and when the extension has none) the item's name without the marks. Empty
// when there is none to use.
String ClassToUse(const Association& a, RegKey& extension_key, bool& own_class) {
  own_class = true;
  if (!a.class_name.IsEmpty() && !HasExclamation(a.class_name)) return a.class_name;
  String existing;
  if (extension_key.ReadString(String(), existing) && !existing.IsEmpty()) {
    own_class = false;
    return existing;
  }
  return WithoutExclamations(a.class_name);
}

void AddOpenWithEntry(const Association& a, const String& class_name) {
  RegKey key;
  if (!OpenClassesKey(key, JoinPath(a.extension, String::FromWide(u"OpenWithProgids")), kCreateFlags)) return;
  if (!key.SetString(class_name, String())) return;
  LogConcatW(a.extension.Wide(), u" Open With ", a.command.Wide(), u"\r\n", nullptr);
}

void AppendRecordLine(const String& wide_line) {
  String line = NarrowFromWide(wide_line, code_page::kAnsi);
  line.AppendNarrow("\r\n");
  CollectedUninstallSections().associations.Append(line);
}

bool ClassSeen(const AssociationStep& step, const String& class_name) {
  for (const String& seen : step.classes) {
    if (EqualsIgnoreCase(seen, class_name)) return true;
  }
  return false;
}

bool DefaultIs(const RegKey& key, const String& value) {
  String current;
  return key.ReadString(String(), current) && EqualsIgnoreCase(current, value);
}

// The first time the step opens a class: a class key that was in place already is marked in the
// record, with whether it had a default value and whether the extension named it, so that the
// uninstaller keeps the class and what it held.
void NoteClass(const Association& a, const String& class_name, const RegKey& class_key, bool existed,
               bool named_by_extension, AssociationStep& step) {
  if (ClassSeen(step, class_name)) return;
  step.classes.Append(class_name);
  if (!existed) return;
  String previous;
  const bool had_default = class_key.ReadString(String(), previous) && !previous.IsBlank();
  AppendRecordLine(ExistingClassMarkLine(a.extension, class_name, {had_default, named_by_extension}));
}

// Description, icon and the verb with its command below the class key; true when the command was
// written.
bool WriteClass(const Association& a, const String& class_name, bool own_class, bool named_by_extension,
                const String& verb, AssociationStep& step) {
  const String& backup_name = step.backup_name;
  RegKey class_key;
  const int opened = class_key.OpenKey(HKEY_CLASSES_ROOT, class_name, kCreateFlags, kClassesAccess);
  if (opened == open_key_result::kFailed) return false;
  NoteClass(a, class_name, class_key, opened == open_key_result::kOpened, named_by_extension, step);
  if (own_class && !a.description.IsBlank()) BackUpAndSetDefault(class_key, a.description, backup_name);
  if (!a.icon.IsEmpty()) SetDefaultBelow(JoinPath(class_name, String::FromWide(u"DefaultIcon")), a.icon, backup_name);
  const String shell = JoinPath(class_name, String::FromWide(u"shell"));
  RegKey shell_key;
  if (!OpenClassesKey(shell_key, shell, kCreateFlags)) return false;
  if (a.mode == kModeDefaultVerb) BackUpAndSetDefault(shell_key, verb, backup_name);
  const String verb_key_path = JoinPath(shell, verb);
  RegKey verb_key;
  if (!OpenClassesKey(verb_key, verb_key_path, kCreateFlags)) return false;
  if (!a.verb_label.IsEmpty()) verb_key.SetString(String(), a.verb_label);
  return SetDefaultBelow(JoinPath(verb_key_path, String::FromWide(u"command")), a.command, backup_name);
}

void AppendRecord(const Association& a, const String& class_name, const String& verb) {
  AppendRecordLine(ConcatWide(a.extension.Wide(), u"~!~", class_name.Wide(), u"~!~", verb.Wide(), u"~!~",
                              a.icon_record.Wide(), nullptr));
}

void AssociateVerb(const Association& a, const String& verb, AssociationStep& step) {
  const String& backup_name = step.backup_name;
  const bool inherits_class = a.class_name.IsEmpty() || HasExclamation(a.class_name);
  RegKey extension_key;
  const bool extension_open =
      OpenClassesKey(extension_key, a.extension, a.class_name.IsEmpty() ? kOpenFlags : kCreateFlags);
  if (!extension_open && inherits_class) {
    LogFormatW(u"Association failed/key inaccessible:  \"%s\".\r\n\r\n", a.extension.Wide());
    return;
  }
  String class_name = a.class_name;
  bool own_class = true;
  bool named_by_extension = false;
  int written = 0;
  if (extension_open) {
    class_name = ClassToUse(a, extension_key, own_class);
    if (class_name.IsEmpty()) {
      LogFormatW(u"Association failed/no label:  \"%s\".\r\n\r\n", a.extension.Wide());
      return;
    }
    named_by_extension = DefaultIs(extension_key, class_name);
    if (own_class && a.mode != kModeOpenWithOnly && BackUpAndSetDefault(extension_key, class_name, backup_name)) {
      ++written;
    }
    if (a.mode == kModeOpenWithOnly || EqualsIgnoreCase(verb, String::FromWide(u"open"))) {
      AddOpenWithEntry(a, class_name);
    }
  }
  const bool command_written = WriteClass(a, class_name, own_class, named_by_extension, verb, step);
  AppendRecord(a, class_name, verb);
  if (!command_written) {
    FailureSummary().AppendFormatWide(u"Failed to associate file type:  \"%s\".\r\n", a.extension.Wide());
  } else if (++written == 2) {
    LogFormatW(u"Associated %s with %s (verb=%s)\r\n", a.extension.Wide(), a.command.Wide(), verb.Wide());
  }
}

// The verbs of a comma-separated list, blanks around each removed, empty ones left out.
Array<String> Verbs(const String& list) {
  Array<String> verbs;
  int start = 0;
  const int length = list.WideLength();
  for (int i = 0; i <= length; ++i) {
    if (i < length && list.WideAt(i) != u',') continue;
    int first = start;
    int end = i;
    while (first < end && list.WideAt(first) == u' ') ++first;
    while (end > first && list.WideAt(end - 1) == u' ') --end;
    if (end > first) verbs.Append(list.Substring(first, end - first));
    start = i + 1;
  }
  return verbs;
}

}  // namespace

String AssociationExtension(const String& ansi_extension) {
  String extension = Ansi(ansi_extension);
  if (!extension.IsEmpty()) extension.PrependUnless(u'.');
  return extension;
}

void CreateFileAssociations(const InstallScript& script, const String& language) {
  const RunState& run = Run();
  if (run.portable && (run.package_flags & package_flag::kNoAssociationsWhenPortable) != 0) return;
  if (script.Associations.IsEmpty()) return;
  AssociationStep step{AssociationBackupName(RunPathVariables().product_name), {}};
  // The shell's notification reaches its extensions, which are not ours: a crash there ends the step.
  const bool finished = RunGuarded([&] {
    for (const FileAssociation& item : script.Associations) {
      if (item.extension.IsEmpty()) continue;
      if (!item.language.IsEmpty() && item.language != language) continue;
      const Association a = Prepared(item, run.install_dir);
      for (const String& verb : Verbs(Ansi(item.verbs))) AssociateVerb(a, verb, step);
    }
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  });
  if (!finished) FailureSummary().AppendWide(u"Crashed while installing associations.\r\n");
}

}  // namespace valdorine
