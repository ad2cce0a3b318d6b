#include "core/win32/registry_path.hpp"

namespace valdorine {
namespace {

const RegistryRoot kRoots[] = {
    {HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE", u"HKLM", u"\\HKLM\\"},
    {HKEY_CURRENT_USER, u"HKEY_CURRENT_USER", u"HKCU", u"\\HKCU\\"},
    {HKEY_CLASSES_ROOT, u"HKEY_CLASSES_ROOT", u"HKCR", u"\\HKCR\\"},
    {HKEY_USERS, u"HKEY_USERS", u"HKU", u"\\HKU\\"},
    {HKEY_CURRENT_CONFIG, u"HKEY_CURRENT_CONFIG", u"HKCC", u"\\HKCC\\"},
    {HKEY_DYN_DATA, u"HKEY_DYN_DATA", u"HKDD", u"\\HKDD\\"},
};

int TextLength(const char16_t* text) {
  int length = 0;
  while (text[length] != 0) ++length;
  return length;
}

}  // namespace

std::span<const RegistryRoot> RegistryRoots() { return kRoots; }

const RegistryRoot* FindRegistryRoot(HKEY handle) {
  for (const RegistryRoot& root : kRoots) {
    if (root.handle == handle) return &root;
  }
  return nullptr;
}

bool ParseRegistryPath(const String& path, RegistryPath& parsed) {
  for (const RegistryRoot& root : kRoots) {
    if (path.StartsWithIgnoreCase(root.prefix)) {
      parsed.root = &root;
      parsed.subkey = path.Substring(TextLength(root.prefix));
      return true;
    }
  }
  // The prefix without its final backslash names the root itself, and only when nothing follows:
  // "\HKLMSoftware" is no path of HKEY_LOCAL_MACHINE.
  for (const RegistryRoot& root : kRoots) {
    const String bare_prefix = String::FromWide(root.prefix, TextLength(root.prefix) - 1);
    if (EqualsIgnoreCase(path, bare_prefix)) {
      parsed.root = &root;
      parsed.subkey.Release();
      return true;
    }
  }
  SetLastError(ERROR_BAD_PATHNAME);
  return false;
}

}  // namespace valdorine
