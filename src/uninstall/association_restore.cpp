#include "uninstall/association_restore.hpp"

#include <windows.h>

#include <shlobj.h>

#include "core/win32/crash_guard.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/win_text.hpp"
#include "uninstall/registry_removal.hpp"
#include "uninstall/uninstall_data_text.hpp"

namespace valdorine {
namespace {

constexpr uint32_t kOpenFlags = reg_key::kOpenOnly | reg_key::kDefaultSecurity;

// One record's texts, wide.
struct Association {
  String extension;
  String class_name;
  String verb;
  String icon;
};

// Makes the backup value the default again and deletes it; false when there is no backup.
bool RestoreDefault(HKEY root, const String& subkey, const String& backup_name) {
  RegKey key;
  if (key.OpenKey(root, subkey, kOpenFlags, reg_access::kAll) == open_key_result::kFailed) return false;
  String previous;
  if (!key.ReadString(backup_name, previous) || previous.IsEmpty()) return false;
  key.SetString(String(), previous);
  key.DeleteValue(backup_name);
  return true;
}

// Deletes the key's default value when it is `expected` (any default when `expected` is null).
void ClearDefault(HKEY root, const String& subkey, const String* expected) {
  RegKey key;
  if (key.OpenKey(root, subkey, kOpenFlags, reg_access::kAll) == open_key_result::kFailed) return;
  String current;
  if (expected != nullptr && !(key.ReadString(String(), current) && EqualsIgnoreCase(current, *expected))) return;
  key.DeleteValue(String());
}

// The same as RestoreDefault, but without a backup the default value that the installation set is
// deleted: any default, or only one equal to `expected` when that is given.
bool RestoreOrClearDefault(HKEY root, const String& subkey, const String& backup_name,
                           const String* expected = nullptr) {
  if (RestoreDefault(root, subkey, backup_name)) return true;
  ClearDefault(root, subkey, expected);
  return false;
}

bool HasSubkeys(HKEY root, const String& subkey) {
  RegKey key;
  return key.OpenKey(root, subkey, kOpenFlags, reg_access::kRead) != open_key_result::kFailed &&
         !key.SubkeyNames().IsEmpty();
}

void DeleteSubkey(HKEY root, const String& subkey) { RegDeleteTreeW(root, WinText(subkey)); }

void RemoveOpenWithEntry(const Association& record) {
  if (!EqualsIgnoreCase(record.verb, String::FromWide(u"open"))) return;
  const String open_with = JoinPath(record.extension, String::FromWide(u"OpenWithProgids"));
  RegKey key;
  if (key.OpenKey(HKEY_CLASSES_ROOT, open_with, kOpenFlags, reg_access::kAll) != open_key_result::kFailed) {
    key.DeleteValue(record.class_name);
  }
  key.Close();
  DeleteKeyIfEmpty(HKEY_CLASSES_ROOT, open_with, 0);
}

void RestoreIcon(const Association& record, const String& backup_name) {
  if (record.icon.IsEmpty()) return;
  const String icon_key = JoinPath(record.class_name, String::FromWide(u"DefaultIcon"));
  if (!RestoreOrClearDefault(HKEY_CLASSES_ROOT, icon_key, backup_name)) DeleteKeyIfEmpty(HKEY_CLASSES_ROOT, icon_key, 0);
}

void RestoreVerb(const Association& record, const String& backup_name) {
  const String shell_key = JoinPath(record.class_name, String::FromWide(u"shell"));
  // Only a default verb that names this verb was set by the installation.
  RestoreOrClearDefault(HKEY_CLASSES_ROOT, shell_key, backup_name, &record.verb);
  const String verb_key = JoinPath(shell_key, record.verb);
  const String command_key = JoinPath(verb_key, String::FromWide(u"command"));
  if (!RestoreOrClearDefault(HKEY_CLASSES_ROOT, command_key, backup_name)) DeleteSubkey(HKEY_CLASSES_ROOT, verb_key);
  if (!HasSubkeys(HKEY_CLASSES_ROOT, shell_key)) DeleteSubkey(HKEY_CLASSES_ROOT, shell_key);
}

// A class key that was in place before the installation, with the extension its mark names.
struct ExistingClass {
  String class_name;
  String extension;
  ExistingClassFacts facts;
};

const ExistingClass* FindExistingClass(const Array<ExistingClass>& classes, const String& class_name) {
  for (const ExistingClass& existing : classes) {
    if (EqualsIgnoreCase(existing.class_name, class_name)) return &existing;
  }
  return nullptr;
}

// A class that existed before keeps its key; without a previous default (and so without a
// backup) the default that the installation set goes. True when the extension may have been
// pointed at the class by the installation: not when the mark says it named the class before, and
// unknown (so left alone) for an extension other than the mark's.
bool KeepExistingClass(const Association& record, bool default_restored, const ExistingClass& existing) {
  if (!default_restored && !existing.facts.had_default) ClearDefault(HKEY_CLASSES_ROOT, record.class_name, nullptr);
  return EqualsIgnoreCase(existing.extension, record.extension) && !existing.facts.named_by_extension;
}

// A class that the installation created goes once nothing of its own is left in it; true then.
bool RemoveCreatedClass(const Association& record) {
  if (HasSubkeys(HKEY_CLASSES_ROOT, record.class_name)) return false;
  DeleteSubkey(HKEY_CLASSES_ROOT, record.class_name);
  return true;
}

void RestoreAssociation(const Association& record, const String& backup_name, const ExistingClass* existing) {
  const bool extension_restored = RestoreDefault(HKEY_CLASSES_ROOT, record.extension, backup_name);
  RemoveOpenWithEntry(record);
  const bool class_default_restored = RestoreDefault(HKEY_CLASSES_ROOT, record.class_name, backup_name);
  RestoreIcon(record, backup_name);
  RestoreVerb(record, backup_name);
  const bool release_extension = existing != nullptr ? KeepExistingClass(record, class_default_restored, *existing)
                                                     : RemoveCreatedClass(record);
  if (!release_extension || extension_restored) return;
  // The extension lost its class: a default naming it goes, and the key goes once nothing else is
  // left in it (an extension that had a class or entries of its own before keeps them).
  ClearDefault(HKEY_CLASSES_ROOT, record.extension, &record.class_name);
  DeleteKeyIfEmpty(HKEY_CLASSES_ROOT, record.extension, 0);
}

String FieldAt(const Array<String>& fields, int index) {
  return index < fields.Count() ? WideFromNarrow(fields[index], code_page::kAnsi) : String();
}

}  // namespace

String AssociationBackupName(const String& product_name) {
  String name;
  for (int i = 0; i < product_name.WideLength(); ++i) {
    const char16_t c = product_name.WideAt(i);
    if (c != u'\\' && c != u'\r' && c != u'\n' && c != u'\t') name.AppendWideChar(c);
  }
  name.AppendWide(u" Backup");
  return name;
}

void RestoreAssociations(const Array<Array<String>>& records, const String& product_name) {
  const String backup_name = AssociationBackupName(product_name);
  Array<ExistingClass> existing_classes;
  for (const Array<String>& fields : records) {
    if (IsExistingClassMark(fields)) {
      existing_classes.Append({FieldAt(fields, 1), FieldAt(fields, 0), ExistingClassFactsOf(fields)});
    }
  }
  for (const Array<String>& fields : records) {
    const Association record{FieldAt(fields, 0), FieldAt(fields, 1), FieldAt(fields, 2), FieldAt(fields, 3)};
    if (record.extension.IsEmpty() || record.class_name.IsEmpty() || record.verb.IsEmpty()) continue;
    RestoreAssociation(record, backup_name, FindExistingClass(existing_classes, record.class_name));
  }
  // The notification reaches shell extensions, which are not ours.
  RunGuarded([] { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); });
}

}  // namespace valdorine
