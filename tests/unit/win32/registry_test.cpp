#include "core/win32/registry.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../string_test_support.hpp"
#include "core/win32/registry_path.hpp"
#include "core/win32/user_profiles.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;
using testing::W;
using testing::WideOf;

constexpr char16_t kTestsKey[] = u"Software\\ValdorineTests";

// A key of its own below HKLM\Software\ValdorineTests for each test, removed from both registry
// views afterwards. Checks go through the system's registry calls directly, independently of
// RegKey.
class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest()
      : subkey_(String::FormatWide(u"%s\\%s-%lu", kTestsKey, CurrentTestName().Wide(), GetCurrentProcessId())) {}
  ~RegistryTest() override {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      HKEY parent = nullptr;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\ValdorineTests", 0, KEY_ALL_ACCESS | view, &parent) == 0) {
        RegDeleteTreeW(parent, WinText(Leaf()));
        RegCloseKey(parent);
      }
      RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\ValdorineTests", view, 0);  // only when empty
    }
  }

  static String CurrentTestName() {
    return WideFromNarrow(String::FromNarrow(::testing::UnitTest::GetInstance()->current_test_info()->name()),
                          code_page::kUtf8);
  }
  String Leaf() const { return subkey_.Substring(static_cast<int>(std::char_traits<char16_t>::length(kTestsKey)) + 1); }
  String Path() const { return JoinPath(W(u"\\HKLM"), subkey_); }

  // True when the key exists in the view (KEY_WOW64_64KEY or KEY_WOW64_32KEY).
  bool ExistsInView(const String& subkey, REGSAM view) const {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WinText(subkey), 0, KEY_READ | view, &key) != 0) return false;
    RegCloseKey(key);
    return true;
  }

  struct StoredValue {
    DWORD type = REG_NONE;
    std::string bytes;
    bool found = false;
  };
  StoredValue Stored(const char16_t* name) const {
    StoredValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WinText(subkey_), 0, KEY_READ, &key) != 0) return value;
    char data[512];
    DWORD size = sizeof(data);
    value.found = RegQueryValueExW(key, reinterpret_cast<const wchar_t*>(name), nullptr, &value.type,
                                   reinterpret_cast<BYTE*>(data), &size) == 0;
    value.bytes.assign(data, value.found ? size : 0);
    RegCloseKey(key);
    return value;
  }

  String subkey_;
};

std::string Utf16Bytes(const std::u16string& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

template <typename Number>
std::string NumberBytes(Number value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof(value));
}

TEST(RegistryPath, RootsArePrefixesMatchedIgnoringCase) {
  struct Row {
    const char16_t* path;
    HKEY root;
    const char16_t* subkey;
  };
  const Row rows[] = {
      {u"\\HKLM\\Software\\Test", HKEY_LOCAL_MACHINE, u"Software\\Test"},
      {u"\\hklm\\Software", HKEY_LOCAL_MACHINE, u"Software"},
      {u"\\HkCu\\Environment", HKEY_CURRENT_USER, u"Environment"},
      {u"\\HKCR\\.txt", HKEY_CLASSES_ROOT, u".txt"},
      {u"\\HKU\\.DEFAULT", HKEY_USERS, u".DEFAULT"},
      {u"\\HKCC\\System", HKEY_CURRENT_CONFIG, u"System"},
      {u"\\HKDD\\x", HKEY_DYN_DATA, u"x"},
      {u"\\HKLM", HKEY_LOCAL_MACHINE, u""},
      {u"\\hku", HKEY_USERS, u""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(NarrowOf(NarrowPath(W(row.path))));
    RegistryPath parsed;
    ASSERT_TRUE(ParseRegistryPath(W(row.path), parsed));
    EXPECT_EQ(parsed.root->handle, row.root);
    EXPECT_EQ(WideOf(parsed.subkey), row.subkey);
  }
}

TEST(RegistryPath, UnknownRootsAreBadPathNames) {
  for (const char16_t* path : {u"\\HKAU\\Software", u"\\HKXX\\Software", u"HKLM\\Software", u"\\HKLMSoftware", u""}) {
    SCOPED_TRACE(NarrowOf(NarrowPath(W(path))));
    RegistryPath parsed;
    SetLastError(0);
    EXPECT_FALSE(ParseRegistryPath(W(path), parsed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_PATHNAME));
  }
}

TEST(RegistryPath, TableOfRootsInOrder) {
  const char16_t* expected[][3] = {
      {u"HKEY_LOCAL_MACHINE", u"HKLM", u"\\HKLM\\"},   {u"HKEY_CURRENT_USER", u"HKCU", u"\\HKCU\\"},
      {u"HKEY_CLASSES_ROOT", u"HKCR", u"\\HKCR\\"},    {u"HKEY_USERS", u"HKU", u"\\HKU\\"},
      {u"HKEY_CURRENT_CONFIG", u"HKCC", u"\\HKCC\\"}, {u"HKEY_DYN_DATA", u"HKDD", u"\\HKDD\\"},
  };
  ASSERT_EQ(RegistryRoots().size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(std::u16string(RegistryRoots()[i].full_name), expected[i][0]);
    EXPECT_EQ(std::u16string(RegistryRoots()[i].abbreviation), expected[i][1]);
    EXPECT_EQ(std::u16string(RegistryRoots()[i].prefix), expected[i][2]);
  }
}

TEST_F(RegistryTest, CreateThenOpenWithTheDisplayName) {
  RegKey key;
  EXPECT_EQ(key.OpenKey(Path(), reg_key::kDefaultSecurity, KEY_ALL_ACCESS), open_key_result::kCreated);
  EXPECT_EQ(WideOf(key.DisplayName()), u"HKEY_LOCAL_MACHINE\\" + WideOf(subkey_) + u"\\");
  String lower_case_path = Path();
  lower_case_path.MutableWide()[2] = u'k';  // "\HkLM\..."
  EXPECT_EQ(key.OpenKey(lower_case_path, reg_key::kDefaultSecurity, KEY_ALL_ACCESS), open_key_result::kOpened);
  EXPECT_EQ(key.OpenKey(HKEY_LOCAL_MACHINE, subkey_, reg_key::kOpenOnly, reg_access::kQuery),
            open_key_result::kOpened);
  EXPECT_EQ(WideOf(key.DisplayName()), u"HKEY_LOCAL_MACHINE\\" + WideOf(subkey_) + u"\\");
}

TEST_F(RegistryTest, FailuresLeaveNoKeyOpen) {
  RegKey key;
  ASSERT_EQ(key.OpenKey(Path(), reg_key::kDefaultSecurity, KEY_ALL_ACCESS), open_key_result::kCreated);
  EXPECT_EQ(key.OpenKey(W(u"\\HKXX\\Software"), reg_key::kDefaultSecurity, KEY_ALL_ACCESS), open_key_result::kFailed);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_PATHNAME));
  EXPECT_FALSE(key.IsOpen());
  EXPECT_EQ(key.OpenKey(JoinPath(Path(), W(u"missing")), reg_key::kOpenOnly, KEY_READ), open_key_result::kFailed);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(key.OpenKey(nullptr, subkey_, 0, KEY_READ), open_key_result::kFailed);
  EXPECT_FALSE(key.IsOpen());
}

TEST_F(RegistryTest, PreviousKeyIsKeptUnlessForgotten) {
  RegKey key;
  ASSERT_TRUE(key.OpenKey(JoinPath(Path(), W(u"A")), reg_key::kDefaultSecurity, KEY_ALL_ACCESS));
  ASSERT_TRUE(key.OpenKey(JoinPath(Path(), W(u"B")), reg_key::kDefaultSecurity, KEY_ALL_ACCESS));
  EXPECT_EQ(WideOf(key.PreviousDisplayName()), u"HKEY_LOCAL_MACHINE\\" + WideOf(subkey_) + u"\\A\\");
  EXPECT_NE(key.PreviousHandle(), nullptr);
  const uint32_t forgetting = reg_key::kDefaultSecurity | reg_key::kForgetPrevious;
  ASSERT_TRUE(key.OpenKey(JoinPath(Path(), W(u"C")), forgetting, KEY_ALL_ACCESS));
  EXPECT_EQ(WideOf(key.PreviousDisplayName()), u"HKEY_LOCAL_MACHINE\\" + WideOf(subkey_) + u"\\A\\");
  EXPECT_EQ(WideOf(key.DisplayName()), u"HKEY_LOCAL_MACHINE\\" + WideOf(subkey_) + u"\\C\\");
}

TEST_F(RegistryTest, ViewBitsChooseTheRegistryView) {
  const String key64 = JoinPath(subkey_, W(u"View64"));
  const String key32 = JoinPath(subkey_, W(u"View32"));
  const String redirected32 = JoinPath(W(u"Software\\Wow6432Node\\ValdorineTests"), JoinPath(Leaf(), W(u"View32")));
  const String redirected64 = JoinPath(W(u"Software\\Wow6432Node\\ValdorineTests"), JoinPath(Leaf(), W(u"View64")));
  RegKey key;
  ASSERT_EQ(key.OpenKey(HKEY_LOCAL_MACHINE, key64, reg_key::kView64 | reg_key::kDefaultSecurity, KEY_ALL_ACCESS),
            open_key_result::kCreated);
  ASSERT_EQ(key.OpenKey(HKEY_LOCAL_MACHINE, key32, reg_key::kView32 | reg_key::kDefaultSecurity, KEY_ALL_ACCESS),
            open_key_result::kCreated);

  EXPECT_TRUE(ExistsInView(key64, KEY_WOW64_64KEY));
  EXPECT_FALSE(ExistsInView(key64, KEY_WOW64_32KEY));
  EXPECT_FALSE(ExistsInView(redirected64, KEY_WOW64_64KEY));
  EXPECT_TRUE(ExistsInView(key32, KEY_WOW64_32KEY));
  EXPECT_FALSE(ExistsInView(key32, KEY_WOW64_64KEY));
  EXPECT_TRUE(ExistsInView(redirected32, KEY_WOW64_64KEY));

  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key64, reg_key::kView64));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key64, reg_key::kView32 | reg_key::kTestReadAccess));
  // Without a view bit a program sees its own view: the 32-bit one from a 32-bit build.
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, sizeof(void*) == 4 ? key32 : key64, reg_key::kTestReadAccess));
}

TEST_F(RegistryTest, WritersStoreTheirTypes) {
  RegKey key;
  ASSERT_TRUE(key.OpenKey(Path(), reg_key::kDefaultSecurity, KEY_ALL_ACCESS));
  const uint8_t binary[] = {1, 2, 0, 255};
  ASSERT_TRUE(key.SetString(W(u"Sz"), W(u"text")));
  ASSERT_TRUE(key.SetString(W(u"ExpandSz"), W(u"%TEMP%\\x"), reg_value::kExpandString));
  ASSERT_TRUE(key.SetString(W(u"MultiSz"), String::FromBytes(u"a\0bc", 8), reg_value::kMultiString));
  ASSERT_TRUE(key.SetString(W(u"EmptySz"), String()));
  ASSERT_TRUE(key.SetDword(W(u"Dword"), 0x12345678));
  ASSERT_TRUE(key.SetBool(W(u"Bool"), true));
  ASSERT_TRUE(key.SetQword(W(u"Qword"), 0x1122334455667788ull));
  ASSERT_TRUE(key.SetDouble(W(u"Double"), 2.5));
  ASSERT_TRUE(key.SetDouble(W(u"Tenth"), 0.1));
  ASSERT_TRUE(key.SetDouble(W(u"Whole"), 12.0));
  ASSERT_TRUE(key.SetDouble(W(u"Small"), 0.00001));
  ASSERT_TRUE(key.SetDouble(W(u"Large"), 123456789012.25));
  ASSERT_TRUE(key.SetValue(W(u"Binary"), REG_BINARY, binary, sizeof(binary)));
  ASSERT_TRUE(key.SetString(String::FromNarrow("Caf\xE9"), W(u"ansi name"), reg_value::kAnsiName));
  struct Row {
    const char16_t* name;
    DWORD type;
    std::string bytes;
  };
  const Row rows[] = {
      {u"Sz", REG_SZ, Utf16Bytes(std::u16string(u"text", 5))},
      {u"ExpandSz", REG_EXPAND_SZ, Utf16Bytes(std::u16string(u"%TEMP%\\x", 9))},
      {u"MultiSz", REG_MULTI_SZ, Utf16Bytes(std::u16string(u"a\0bc\0\0", 6))},
      {u"EmptySz", REG_SZ, Utf16Bytes(std::u16string(u"", 1))},
      {u"Dword", REG_DWORD, NumberBytes<uint32_t>(0x12345678)},
      {u"Bool", REG_DWORD, NumberBytes<uint32_t>(1)},
      {u"Qword", REG_QWORD, NumberBytes<uint64_t>(0x1122334455667788ull)},
      {u"Double", REG_SZ, Utf16Bytes(std::u16string(u"2.5", 4))},
      {u"Tenth", REG_SZ, Utf16Bytes(std::u16string(u"0.1", 4))},
      {u"Whole", REG_SZ, Utf16Bytes(std::u16string(u"12", 3))},
      {u"Small", REG_SZ, Utf16Bytes(std::u16string(u"0.00001", 8))},
      {u"Large", REG_SZ, Utf16Bytes(std::u16string(u"123456789012.25", 16))},
      {u"Binary", REG_BINARY, std::string("\x01\x02\x00\xFF", 4)},
      {u"Caf\u00E9", REG_SZ, Utf16Bytes(std::u16string(u"ansi name", 10))},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(NarrowOf(NarrowFromWide(W(row.name), code_page::kUtf8)));
    const StoredValue stored = Stored(row.name);
    ASSERT_TRUE(stored.found);
    EXPECT_EQ(stored.type, row.type);
    EXPECT_TRUE(stored.bytes == row.bytes);
  }
}

TEST_F(RegistryTest, EmptyValuesAreDeletedInsteadWhenAsked) {
  RegKey key;
  ASSERT_TRUE(key.OpenKey(Path(), reg_key::kDefaultSecurity, KEY_ALL_ACCESS));
  for (const char16_t* name : {u"Sz", u"Dword", u"Qword", u"Bool"}) ASSERT_TRUE(key.SetString(W(name), W(u"before")));
  const uint32_t deleting = reg_value::kDeleteIfEmpty;
  EXPECT_TRUE(key.SetString(W(u"Sz"), String(), deleting));
  EXPECT_TRUE(key.SetDword(W(u"Dword"), 0, deleting));
  EXPECT_TRUE(key.SetQword(W(u"Qword"), 0, deleting));
  EXPECT_TRUE(key.SetBool(W(u"Bool"), false, deleting));  // never deletes
  EXPECT_TRUE(key.SetString(W(u"NeverWritten"), String(), deleting));
  EXPECT_FALSE(Stored(u"Sz").found);
  EXPECT_FALSE(Stored(u"Dword").found);
  EXPECT_FALSE(Stored(u"Qword").found);
  EXPECT_FALSE(Stored(u"NeverWritten").found);
  EXPECT_EQ(Stored(u"Bool").type, static_cast<DWORD>(REG_DWORD));

  EXPECT_TRUE(key.SetDword(W(u"Kept"), 5, deleting));
  EXPECT_EQ(Stored(u"Kept").bytes, NumberBytes<uint32_t>(5));
  EXPECT_TRUE(key.DeleteValue(W(u"Kept")));
  EXPECT_FALSE(key.DeleteValue(W(u"Kept")));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(RegistryTest, ReadersTakeEveryStringTypeAndTheNumbers) {
  RegKey key;
  ASSERT_TRUE(key.OpenKey(Path(), reg_key::kDefaultSecurity, KEY_ALL_ACCESS));
  ASSERT_TRUE(key.SetString(W(u"Sz"), W(u"plain")));
  ASSERT_TRUE(key.SetString(W(u"ExpandSz"), W(u"%TEMP%"), reg_value::kExpandString));
  ASSERT_TRUE(key.SetString(W(u"MultiSz"), String::FromBytes(u"a\0b", 6), reg_value::kMultiString));
  const char16_t unterminated[] = {u'x', u'y'};
  ASSERT_TRUE(key.SetValue(W(u"Unterminated"), REG_SZ, unterminated, sizeof(unterminated)));
  ASSERT_TRUE(key.SetDword(W(u"Dword"), 7));
  ASSERT_TRUE(key.SetQword(W(u"Qword"), 1ull << 40));

  String text;
  EXPECT_TRUE(key.ReadString(W(u"Sz"), text));
  EXPECT_EQ(WideOf(text), u"plain");
  EXPECT_TRUE(key.ReadString(W(u"ExpandSz"), text));
  EXPECT_EQ(WideOf(text), u"%TEMP%");
  EXPECT_TRUE(key.ReadString(W(u"MultiSz"), text));
  EXPECT_EQ(WideOf(text), std::u16string(u"a\0b", 3));
  EXPECT_TRUE(key.ReadString(W(u"Unterminated"), text));
  EXPECT_EQ(WideOf(text), u"xy");
  EXPECT_FALSE(key.ReadString(W(u"Dword"), text));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNSUPPORTED_TYPE));
  EXPECT_FALSE(key.ReadString(W(u"Missing"), text));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  uint32_t dword = 0;
  uint64_t qword = 0;
  EXPECT_TRUE(key.ReadDword(W(u"Dword"), dword));
  EXPECT_EQ(dword, 7u);
  EXPECT_TRUE(key.ReadQword(W(u"Qword"), qword));
  EXPECT_EQ(qword, 1ull << 40);
  EXPECT_FALSE(key.ReadDword(W(u"Qword"), dword));
  EXPECT_FALSE(key.ReadQword(W(u"Sz"), qword));
}

TEST(UserProfiles, ProfileListOfThePrefix) {
  const Array<String> profiles = ListUserProfiles();
  ASSERT_FALSE(profiles.IsEmpty());
  for (const String& profile : profiles) {
    EXPECT_EQ(WideOf(profile).substr(0, 4), u"S-1-") << NarrowOf(NarrowPath(profile));
  }
}

TEST(UserProfiles, FallbackSkipsTheDefaultAndClassesHives) {
  const Array<String> hives = {W(u".DEFAULT"), W(u"S-1-5-18"), W(u"S-1-5-21-1-2-3-1000"),
                               W(u"S-1-5-21-1-2-3-1000_Classes"), W(u".default"), W(u"S-1-5-21-1-2-3-1001_classes")};
  const Array<String> profiles = ProfileHivesAmong(hives);
  ASSERT_EQ(profiles.Count(), 2);
  EXPECT_EQ(WideOf(profiles[0]), u"S-1-5-18");
  EXPECT_EQ(WideOf(profiles[1]), u"S-1-5-21-1-2-3-1000");
}

}  // namespace
}  // namespace valdorine
