#include "uninstall/registry_removal.hpp"

#include "core/path_text.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/registry_path.hpp"
#include "core/win32/user_profiles.hpp"
#include "core/win32/win_text.hpp"
#include "uninstall/uninstall_data_text.hpp"

namespace valdorine {
namespace {

constexpr int kMaxParentLevels = 20;
constexpr char16_t kAllUsersPrefix[] = u"\\HKAU\\";
constexpr int kAllUsersPrefixLength = 6;
constexpr REGSAM kDeleteAccess = KEY_ALL_ACCESS;

UniqueRegistryKey OpenRaw(HKEY root, const String& subkey, uint32_t view, REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, WinText(subkey), 0, access | view, &key) != ERROR_SUCCESS) return {};
  return UniqueRegistryKey(key);
}

int LastBackslash(const String& path) {
  int index = path.WideLength() - 1;
  while (index >= 0 && path.WideAt(index) != u'\\') --index;
  return index;
}

bool DeleteSubkeyTree(HKEY root, const String& subkey, uint32_t view) {
  const int split = LastBackslash(subkey);
  const String parent = split < 0 ? String() : subkey.Substring(0, split);
  const String name = subkey.Substring(split + 1);
  if (name.IsEmpty()) return false;
  UniqueRegistryKey parent_key = OpenRaw(root, parent, view, kDeleteAccess);
  if (!parent_key.IsValid()) return false;
  return RegDeleteTreeW(parent_key.Get(), WinText(name)) == ERROR_SUCCESS;
}

// Deletes the key's parents while they are empty (at most kMaxParentLevels), never the path's
// first component ("Software").
void DeleteEmptyParents(HKEY root, String subkey, uint32_t view) {
  for (int level = 0; level < kMaxParentLevels; ++level) {
    const int split = LastBackslash(subkey);
    if (split < 0) return;
    subkey = subkey.Substring(0, split);
    if (LastBackslash(subkey) < 0 || !DeleteKeyIfEmpty(root, subkey, view)) return;
  }
}

void RemoveBelow(HKEY root, const String& software_path, uint32_t view) {
  DeleteSubkeyTree(root, software_path, view);
  DeleteEmptyParents(root, software_path, view);
}

// One [Registry2] line applied to a key below `root`.
void RemoveRegistry2Line(HKEY root, const String& subkey, const Array<String>& fields, uint32_t view) {
  if (fields.Count() == 5) {
    const String kind = fields[4];
    if (kind != String::FromNarrow("2") && kind != String::FromNarrow("3") && kind != String::FromNarrow("5")) return;
    UniqueRegistryKey key = OpenRaw(root, subkey, view, KEY_SET_VALUE);
    if (key.IsValid()) RegDeleteValueW(key.Get(), WinText(WideFromNarrow(fields[1], code_page::kUtf8)));
  }
  DeleteKeyIfEmpty(root, subkey, view);
}

void RemoveRegistry2Fields(const Array<String>& fields, uint32_t view) {
  String key_path = WideFromNarrow(fields[0], code_page::kUtf8);
  if (key_path.StartsWithIgnoreCase(kAllUsersPrefix)) {
    const String rest = key_path.Substring(kAllUsersPrefixLength);
    for (const String& hive : LoadedUserHives()) RemoveRegistry2Line(HKEY_USERS, JoinPath(hive, rest), fields, view);
    return;
  }
  RegistryPath parsed;
  if (!ParseRegistryPath(key_path, parsed) || LastBackslash(parsed.subkey) < 0) return;
  RemoveRegistry2Line(parsed.root->handle, parsed.subkey, fields, view);
}

}  // namespace

bool DeleteRegistryValueAt(const String& value_path, uint32_t view) {
  RegistryPath parsed;
  if (!ParseRegistryPath(value_path, parsed)) return false;
  const int split = LastBackslash(parsed.subkey);
  if (split < 0) return false;
  UniqueRegistryKey key = OpenRaw(parsed.root->handle, parsed.subkey.Substring(0, split), view, KEY_SET_VALUE);
  if (!key.IsValid()) return false;
  return RegDeleteValueW(key.Get(), WinText(parsed.subkey.Substring(split + 1))) == ERROR_SUCCESS;
}

bool DeleteRegistryKeyAt(const String& key_path, uint32_t view) {
  RegistryPath parsed;
  if (!ParseRegistryPath(key_path, parsed)) return false;
  return DeleteSubkeyTree(parsed.root->handle, WithoutTrailingSeparators(parsed.subkey), view);
}

bool DeleteKeyIfEmpty(HKEY root, const String& subkey, uint32_t view) {
  UniqueRegistryKey key = OpenRaw(root, subkey, view, KEY_READ);
  if (!key.IsValid()) return false;
  DWORD subkeys = 0;
  DWORD values = 0;
  if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                       nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
      subkeys != 0 || values != 0) {
    return false;
  }
  key.Reset();
  return RegDeleteKeyExW(root, WinText(subkey), view, 0) == ERROR_SUCCESS;
}

void RemoveProductRegistry(const String& product_path, uint32_t view) {
  const String software_path = JoinPath(String::FromWide(u"Software"), WithoutTrailingSeparators(product_path));
  RemoveBelow(HKEY_LOCAL_MACHINE, software_path, view);
  for (const String& hive : LoadedUserHives()) {
    const UniqueRegistryKey hive_key = OpenRaw(HKEY_USERS, hive, 0, KEY_READ);
    RemoveBelow(hive_key.Get(), software_path, view);
  }
}

void RemoveRegistry2Entries(const String& registry2, uint32_t view) {
  int start = 0;
  while (start < registry2.Length()) {
    int end = start;
    while (end < registry2.Length() && registry2.NarrowAt(end) != '\r' && registry2.NarrowAt(end) != '\n') ++end;
    const Array<String> fields = SplitCsv(String::FromBytes(registry2.Bytes() + start, end - start));
    if ((fields.Count() == 1 || fields.Count() == 5) && !fields[0].IsEmpty()) RemoveRegistry2Fields(fields, view);
    start = end + 1;
  }
}

}  // namespace valdorine
