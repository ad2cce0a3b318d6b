#include <windows.h>

#include <gtest/gtest.h>

#include "core/win32/registry.hpp"
#include "core/win32/user_profiles.hpp"
#include "scratch_folder.hpp"
#include "uninstall/registry_removal.hpp"

namespace valdorine {
namespace {

using testing::W;

constexpr wchar_t kBase[] = L"Software\\ValdorineUninstallTests";

bool KeyPresent(HKEY root, const wchar_t* subkey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subkey, 0, KEY_READ, &key) != 0) return false;
  RegCloseKey(key);
  return true;
}

bool ValuePresent(HKEY root, const wchar_t* subkey, const wchar_t* name) {
  return RegGetValueW(root, subkey, name, RRF_RT_ANY, nullptr, nullptr, nullptr) == 0;
}

void CreateValue(HKEY root, const wchar_t* subkey, const wchar_t* name) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
  const DWORD one = 1;
  if (name != nullptr) RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
  RegCloseKey(key);
}

class UninstallerRegistryTest : public ::testing::Test {
 protected:
  ~UninstallerRegistryTest() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kBase);
    RegDeleteTreeW(HKEY_CURRENT_USER, kBase);
  }
};

TEST_F(UninstallerRegistryTest, ProductKeyGoesWithItsEmptyParentsOnly) {
  CreateValue(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Company\\Product\\Settings", L"Size");
  CreateValue(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Keep", L"Other");
  CreateValue(HKEY_CURRENT_USER, L"Software\\ValdorineUninstallTests\\Company\\Product", L"Recent");

  RemoveProductRegistry(W(u"ValdorineUninstallTests\\Company\\Product"), 0);

  EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Company"));
  EXPECT_TRUE(ValuePresent(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Keep", L"Other"));
  EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, L"Software"));
  // The current user's hive is one of the loaded profile hives.
  EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, L"Software\\ValdorineUninstallTests"));
}

TEST_F(UninstallerRegistryTest, ListedValuesAndKeysAreDeleted) {
  CreateValue(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Values", L"Gone");
  CreateValue(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Values", L"Stays");
  CreateValue(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Tree\\Below", L"Any");

  EXPECT_TRUE(DeleteRegistryValueAt(W(u"\\HKLM\\Software\\ValdorineUninstallTests\\Values\\Gone"), 0));
  EXPECT_TRUE(DeleteRegistryKeyAt(W(u"\\HKLM\\Software\\ValdorineUninstallTests\\Tree"), 0));
  EXPECT_FALSE(DeleteRegistryKeyAt(W(u"\\HKLM\\Software\\ValdorineUninstallTests\\Absent"), 0));
  EXPECT_FALSE(DeleteRegistryValueAt(W(u"Software\\NoRoot\\Value"), 0));

  EXPECT_FALSE(ValuePresent(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Values", L"Gone"));
  EXPECT_TRUE(ValuePresent(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Values", L"Stays"));
  EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Tree"));
}

TEST_F(UninstallerRegistryTest, AuthorEntriesRemoveValuesOfRemovableKindsAndEmptyKeys) {
  CreateValue(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Kinds", L"Text");
  CreateValue(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Kinds", L"Kept");
  CreateValue(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Alone", L"Number");
  CreateValue(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Empty", nullptr);
  CreateValue(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Full", L"Value");
  CreateValue(HKEY_CURRENT_USER, L"Software\\ValdorineUninstallTests\\Users", L"Runs");
  const String registry2 = String::FromNarrow(
      "\\HKLM\\Software\\ValdorineUninstallTests\\Kinds,Text,a,b,2\r\n"
      "\\HKLM\\Software\\ValdorineUninstallTests\\Kinds,Kept,a,b,4\r\n"
      "\\HKLM\\Software\\ValdorineUninstallTests\\Alone,Number,a,b,5\r\n"
      "\\HKLM\\Software\\ValdorineUninstallTests\\Empty\r\n"
      "\\HKLM\\Software\\ValdorineUninstallTests\\Full\r\n"
      "\\HKAU\\Software\\ValdorineUninstallTests\\Users,Runs,a,b,3\r\n");

  RemoveRegistry2Entries(registry2, 0);

  EXPECT_FALSE(ValuePresent(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Kinds", L"Text"));
  EXPECT_TRUE(ValuePresent(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Kinds", L"Kept"));
  EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Alone"));
  EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Empty"));
  EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, L"Software\\ValdorineUninstallTests\\Full"));
  EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, L"Software\\ValdorineUninstallTests\\Users"));
}

}  // namespace
}  // namespace valdorine
