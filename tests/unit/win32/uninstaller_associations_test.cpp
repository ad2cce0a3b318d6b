#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "scratch_folder.hpp"
#include "uninstall/association_restore.hpp"

namespace valdorine {
namespace {

using testing::W;

constexpr wchar_t kBackup[] = L"Uninstall Test Backup";

void SetText(const wchar_t* subkey, const wchar_t* name, const wchar_t* text) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

// The text of a value read with the system's calls; "<absent>" when there is none.
std::wstring Text(const wchar_t* subkey, const wchar_t* name) {
  wchar_t buffer[256] = {};
  DWORD size = sizeof(buffer);
  if (RegGetValueW(HKEY_CLASSES_ROOT, subkey, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != 0) return L"<absent>";
  return buffer;
}

bool KeyPresent(const wchar_t* subkey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, subkey, 0, KEY_READ, &key) != 0) return false;
  RegCloseKey(key);
  return true;
}

Array<String> Record(const char* extension, const char* class_name) {
  return {String::FromNarrow(extension), String::FromNarrow(class_name), String::FromNarrow("Open"),
          String::FromNarrow("icon.ico")};
}

class UninstallerAssociationsTest : public ::testing::Test {
 protected:
  ~UninstallerAssociationsTest() override {
    for (const wchar_t* key : {L".vldold", L".vldnew", L"VldOld.File", L"VldNew.File", L"Previous.Class"}) {
      RegDeleteTreeW(HKEY_CLASSES_ROOT, key);
    }
  }
};

TEST_F(UninstallerAssociationsTest, BackupNameDropsSeparators) {
  EXPECT_EQ(AssociationBackupName(W(u"A\\B\r\nC\tD")), W(u"ABCD Backup"));
}

TEST_F(UninstallerAssociationsTest, PreviousDefaultsComeBackAndNewClassesGo) {
  // An extension that had another class before, and one that the installation created.
  SetText(L".vldold", nullptr, L"VldOld.File");
  SetText(L".vldold", kBackup, L"Previous.Class");
  SetText(L".vldold\\OpenWithProgids", L"VldOld.File", L"");
  SetText(L"Previous.Class", nullptr, L"kept");
  SetText(L".vldnew", nullptr, L"VldNew.File");
  for (const wchar_t* class_key : {L"VldOld.File", L"VldNew.File"}) {
    const std::wstring base = class_key;
    SetText(base.c_str(), nullptr, L"A document");
    SetText((base + L"\\DefaultIcon").c_str(), nullptr, L"icon.ico,0");
    SetText((base + L"\\shell").c_str(), nullptr, L"Open");
    SetText((base + L"\\shell\\Open\\command").c_str(), nullptr, L"app.exe \"%1\"");
  }

  RestoreAssociations({Record(".vldold", "VldOld.File"), Record(".vldnew", "VldNew.File"), Record("", "Empty.Ext")},
                      W(u"Uninstall Test"));

  EXPECT_EQ(Text(L".vldold", nullptr), L"Previous.Class");
  EXPECT_EQ(Text(L".vldold", kBackup), L"<absent>");
  EXPECT_FALSE(KeyPresent(L".vldold\\OpenWithProgids"));
  EXPECT_FALSE(KeyPresent(L"VldOld.File"));
  EXPECT_FALSE(KeyPresent(L".vldnew"));
  EXPECT_FALSE(KeyPresent(L"VldNew.File"));
  EXPECT_EQ(Text(L"Previous.Class", nullptr), L"kept");
}

TEST_F(UninstallerAssociationsTest, VerbWithARestoredCommandStays) {
  SetText(L".vldold", nullptr, L"VldOld.File");
  SetText(L"VldOld.File\\shell\\Open\\command", nullptr, L"new.exe \"%1\"");
  SetText(L"VldOld.File\\shell\\Open\\command", kBackup, L"old.exe \"%1\"");

  RestoreAssociations({Record(".vldold", "VldOld.File")}, W(u"Uninstall Test"));

  EXPECT_EQ(Text(L"VldOld.File\\shell\\Open\\command", nullptr), L"old.exe \"%1\"");
  EXPECT_TRUE(KeyPresent(L".vldold"));
}

}  // namespace
}  // namespace valdorine
