#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/win32/registry.hpp"
#include "diagnostics/failure_summary.hpp"
#include "operations/registry_entries.hpp"
#include "paths/path_variables.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::W;

constexpr wchar_t kBase[] = L"Software\\ValdorineRegistryEntryTests";

struct DataCase {
  int type;
  const char16_t* data;
  bool converts;
  std::vector<uint8_t> bytes;
};

TEST(RegistryDataTest, DataTextsConvertByTypeOrAreRefused) {
  const DataCase cases[] = {
      {3, u"0A 0b ff", true, {0x0A, 0x0B, 0xFF}},
      {3, u"", true, {}},
      {3, u"0A0", false, {}},  // an odd digit count
      {3, u"0x0A", false, {}},
      {4, u"4096", true, {0x00, 0x10, 0x00, 0x00}},
      {4, u" 0x10 ", true, {0x10, 0x00, 0x00, 0x00}},
      {4, u"-1", true, {0xFF, 0xFF, 0xFF, 0xFF}},
      {4, u"4294967296", false, {}},  // beyond 32 bits
      {4, u"12ab", false, {}},
      {4, u"", false, {}},
      {11, u"0x100000000", true, {0, 0, 0, 0, 1, 0, 0, 0}},
      {11, u"18446744073709551615", true, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {11, u"18446744073709551616", false, {}},
      {7, u"ignored", true, {}},  // any other type: that type with no data
      {1, u"A", true, {'A', 0, 0, 0}},
  };
  for (const DataCase& c : cases) {
    RegistryValueData value;
    const std::string label = "type " + std::to_string(c.type) + " data " + std::to_string(c.bytes.size());
    ASSERT_EQ(ConvertRegistryData(c.type, W(c.data), value), c.converts) << label;
    if (!c.converts) continue;
    EXPECT_EQ(value.type, static_cast<uint32_t>(c.type)) << label;
    EXPECT_EQ(std::vector<uint8_t>(value.bytes.Bytes(), value.bytes.Bytes() + value.bytes.Length()), c.bytes) << label;
  }
}

// Entry lines applied to the current user's hive, read back with the system's calls.
class RegistryEntryLineTest : public ::testing::Test {
 protected:
  RegistryEntryLineTest() {
    FailureSummary() = String();
    RunPathVariables().install_dir = W(u"C:\\Dest");
  }
  ~RegistryEntryLineTest() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kBase);
    FailureSummary() = String();
  }

  static void Apply(const char16_t* line) { ApplyRegistryEntryLine(W(line), 0); }

  static std::wstring Text(const wchar_t* name, DWORD expected_type = REG_SZ) {
    wchar_t data[256] = {};
    DWORD size = sizeof(data);
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kBase, name, RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size) != 0) {
      return L"<missing>";
    }
    return type == expected_type ? std::wstring(data) : L"<other type>";
  }

  static bool KeyPresent(const wchar_t* subkey) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subkey, 0, KEY_READ, &key) != 0) return false;
    RegCloseKey(key);
    return true;
  }

  static std::u16string Summary() { return std::u16string(FailureSummary().Wide()); }
};

TEST_F(RegistryEntryLineTest, ValuesAreWrittenExpandedOrAsGiven) {
  Apply(u"\\HKCU\\Software\\ValdorineRegistryEntryTests,Expanded,1,%InstallDir%\\bin,3");
  Apply(u"\\HKCU\\Software\\ValdorineRegistryEntryTests,Literal,2,%InstallDir%\\bin,1");
  Apply(u"\\HKCU\\Software\\ValdorineRegistryEntryTests,\"Quoted, Name\",1,\"a,b\",1");
  Apply(u"\\HKCU\\Software\\ValdorineRegistryEntryTests,Later,1,not at installation,2");

  EXPECT_EQ(Text(L"Expanded"), L"C:\\Dest\\bin");
  EXPECT_EQ(Text(L"Literal", REG_EXPAND_SZ), L"%InstallDir%\\bin");
  EXPECT_EQ(Text(L"Quoted, Name"), L"a,b");
  EXPECT_EQ(Text(L"Later"), L"<missing>");
  EXPECT_EQ(Summary(), u"");
}

TEST_F(RegistryEntryLineTest, WriteIfAbsentKeepsAnExistingValueAndDeletionCreatesNothing) {
  Apply(u"\\HKCU\\Software\\ValdorineRegistryEntryTests,Kept,1,first,1");
  Apply(u"\\HKCU\\Software\\ValdorineRegistryEntryTests,Kept,1,second,6");
  Apply(u"\\HKCU\\Software\\ValdorineRegistryEntryTests,New,1,third,6");
  Apply(u"\\HKCU\\Software\\ValdorineRegistryEntryTests,Gone,1,x,1");
  Apply(u"\\HKCU\\Software\\ValdorineRegistryEntryTests,Gone,1,,4");
  Apply(u"\\HKCU\\Software\\ValdorineRegistryEntryTests\\Never,Gone,1,,5");

  EXPECT_EQ(Text(L"Kept"), L"first");
  EXPECT_EQ(Text(L"New"), L"third");
  EXPECT_EQ(Text(L"Gone"), L"<missing>");
  EXPECT_FALSE(KeyPresent(L"Software\\ValdorineRegistryEntryTests\\Never"));
  EXPECT_EQ(Summary(), u"");
}

TEST_F(RegistryEntryLineTest, FailuresAreReportedAndTheOtherLinesStillApply) {
  struct Case {
    const char16_t* line;
    const char16_t* reported;  // the start of the failure summary's line
  } const cases[] = {
      {u"\\HKCU\\Software\\ValdorineRegistryEntryTests,Four,1,fields",
       u"Illegal registry entry: \\HKCU\\Software\\ValdorineRegistryEntryTests,Four,1,fields\r\n"},
      {u"\\HKXX\\Software\\Elsewhere,Name,1,x,1", u"Failed to create registry key: \\HKXX\\Software\\Elsewhere\r\n"},
      {u"\\HKCU\\Software\\ValdorineRegistryEntryTests,Odd,3,ABC,1", u"Failed to create registry value \"Odd\": "},
      {u"\\HKCU\\Software\\ValdorineRegistryEntryTests,Word,4,many,1", u"Failed to create registry value \"Word\": "},
  };
  for (const Case& c : cases) {
    FailureSummary() = String();
    Apply(c.line);
    Apply(u"\\HKCU\\Software\\ValdorineRegistryEntryTests,After,1,applied,1");
    const std::u16string line(c.line);
    EXPECT_EQ(Summary().rfind(c.reported, 0), 0u) << std::string(line.begin(), line.end());
    EXPECT_EQ(Text(L"After"), L"applied");
    EXPECT_EQ(Text(L"Odd"), L"<missing>");
    RegDeleteTreeW(HKEY_CURRENT_USER, kBase);
  }
}

TEST_F(RegistryEntryLineTest, KeyLinesCreateKeysAndBlankLinesAreIgnored) {
  Apply(u"  \\HKCU\\Software\\ValdorineRegistryEntryTests\\Bare  ");
  Apply(u"   ");

  EXPECT_TRUE(KeyPresent(L"Software\\ValdorineRegistryEntryTests\\Bare"));
  EXPECT_EQ(Summary(), u"");
}

}  // namespace
}  // namespace valdorine
