#include "paths/path_variables.hpp"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "../string_test_support.hpp"
#include "core/win32/win_text.hpp"
#include "paths/folder_resolution.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;
using testing::W;
using testing::WideOf;

// Independent readers: the system's own calls, without the installer's lookups in between.
std::u16string ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return u"<none>";
  return reinterpret_cast<const char16_t*>(path);
}

constexpr wchar_t kCurrentVersionKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion";

std::u16string RegistryText(HKEY root, const wchar_t* key, const wchar_t* value, REGSAM view = 0) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS) return u"";
  wchar_t text[4096] = {};
  DWORD size = sizeof(text);
  const LSTATUS status =
      RegGetValueW(opened, nullptr, value, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, text, &size);
  RegCloseKey(opened);
  return status == ERROR_SUCCESS ? reinterpret_cast<const char16_t*>(text) : u"";
}

// The 64-bit folders, which a 32-bit program cannot ask the shell for: the 64-bit registry view.
std::u16string ProgramFiles64() {
  return RegistryText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"ProgramFilesDir", KEY_WOW64_64KEY);
}
std::u16string CommonFiles64() {
  return RegistryText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"CommonFilesDir", KEY_WOW64_64KEY);
}

template <typename Query>
std::u16string SystemText(Query query) {
  wchar_t text[MAX_PATH] = {};
  const UINT length = query(text, MAX_PATH);
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

std::u16string WithoutTrailingBackslash(std::u16string path) {
  if (path.size() > 3 && path.back() == u'\\') path.pop_back();
  return path;
}

std::u16string EnvironmentValue(const wchar_t* name) {
  wchar_t value[32767] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 32767);
  return std::u16string(reinterpret_cast<const char16_t*>(value), length);
}

std::u16string Expanded(const char16_t* text, const PathVariableSources& sources) {
  String expanded = W(text);
  ExpandVariables(expanded, sources);
  return WideOf(expanded);
}

PathVariableSources SampleRun() {
  PathVariableSources run;
  run.product_name = W(u"Demo (%OSMajor%)");
  run.company_name = W(u"Demo Company");
  run.version = W(u"3.9");
  run.automatic_mode = true;
  run.portable = false;
  run.install_dir = W(u"d:\\Apps\\Demo");
  run.uninstall_dir = W(u"d:\\Apps\\Demo\\uninstall");
  run.shared_dir = W(u"C:\\Program Files (x86)\\Common Files\\Demo Company");
  run.desktop_shortcuts = W(u"C:\\users\\Public\\Desktop\\Demo");
  run.start_menu_chosen = W(u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Demo");
  run.old_version = W(u"3.10.2");
  return run;
}

// Every token of the table against what the prefix's shell folders, registry and system calls
// say. The prefix is 64-bit Windows 10 (a workstation) and this program is 32-bit.
TEST(PathVariables, EveryTokenAgainstTheSystemsOwnAnswer) {
  const PathVariableSources run = SampleRun();
  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  const std::u16string module_path = reinterpret_cast<const char16_t*>(module);
  const size_t last_backslash = module_path.rfind(u'\\');
  const std::u16string device_path = RegistryText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"DevicePath");
  const std::u16string windows = SystemText(GetWindowsDirectoryW);
  const std::u16string media = RegistryText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"MediaPath");
  const std::u16string boot_folder = RegistryText(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Setup", L"BootDir");

  const std::map<PathVariable, std::u16string> expected = {
      {PathVariable::kAppDataAllDir, ShellFolder(CSIDL_COMMON_APPDATA)},
      {PathVariable::kAppDataDir, ShellFolder(CSIDL_APPDATA)},
      {PathVariable::kAutomatic, u"1"},
      {PathVariable::kBits, u"64"},
      {PathVariable::kBootDrive, std::u16string(1, boot_folder.size() > 1 && boot_folder[1] == u':' ? static_cast<char16_t>(towupper(boot_folder[0])) : u'C') + u":"},
      {PathVariable::kCommonDir, ShellFolder(CSIDL_PROGRAM_FILES_COMMON)},
      {PathVariable::kCommonDir32, ShellFolder(CSIDL_PROGRAM_FILES_COMMON)},
      {PathVariable::kCommonDir64, CommonFiles64()},
      {PathVariable::kDesktopAllDir, ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY)},
      {PathVariable::kDesktopDir, ShellFolder(CSIDL_DESKTOPDIRECTORY)},
      {PathVariable::kDesktopShortcuts, u"C:\\users\\Public\\Desktop\\Demo"},
      {PathVariable::kDeviceDir, device_path.empty() ? windows + u"\\INF" : device_path},
      {PathVariable::kDocumentAllDir, ShellFolder(CSIDL_COMMON_DOCUMENTS)},
      {PathVariable::kDocumentDir, ShellFolder(CSIDL_PERSONAL)},
      {PathVariable::kExisting, u"3"},
      {PathVariable::kFavoritesAllDir, ShellFolder(CSIDL_COMMON_FAVORITES)},
      {PathVariable::kFavoritesDir, ShellFolder(CSIDL_FAVORITES)},
      {PathVariable::kFontDir, ShellFolder(CSIDL_FONTS)},
      {PathVariable::kInetpub, u"c:\\Inetpub"},
      {PathVariable::kInstallDir, u"d:\\Apps\\Demo"},
      {PathVariable::kInstallDrive, u"D:"},
      {PathVariable::kInstallerDir, module_path.substr(0, last_backslash)},
      {PathVariable::kInstallerDrive, std::u16string(1, static_cast<char16_t>(towupper(module_path[0]))) + u":"},
      {PathVariable::kInstallerFilename, module_path.substr(last_backslash + 1)},
      {PathVariable::kInstallerFilepath, module_path},
      {PathVariable::kMediaDir, media.empty() ? windows + u"\\Media" : WithoutTrailingBackslash(media)},
      {PathVariable::kOldVersion, u"3.10.2"},
      {PathVariable::kOldVersionMajor, u"3"},
      {PathVariable::kOldVersionMinor, u"10"},
      {PathVariable::kPortable, u"0"},
      {PathVariable::kProductName, u"Demo (10)"},  // its "%OSMajor%" meets a later row
      {PathVariable::kCompanyName, u"Demo Company"},
      {PathVariable::kProgramsDir, ShellFolder(CSIDL_PROGRAM_FILES)},
      {PathVariable::kProgramsDir32, ShellFolder(CSIDL_PROGRAM_FILES)},
      {PathVariable::kProgramsDir64, ProgramFiles64()},
      {PathVariable::kSharedDir, u"C:\\Program Files (x86)\\Common Files\\Demo Company"},
      {PathVariable::kSMProgramsAllDir, ShellFolder(CSIDL_COMMON_PROGRAMS)},
      {PathVariable::kSMProgramsDir, ShellFolder(CSIDL_PROGRAMS)},
      {PathVariable::kStartMenuAllDir, ShellFolder(CSIDL_COMMON_STARTMENU)},
      {PathVariable::kStartMenuChosen, u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Demo"},
      {PathVariable::kStartMenuDir, ShellFolder(CSIDL_STARTMENU)},
      {PathVariable::kStartupAllDir, ShellFolder(CSIDL_COMMON_STARTUP)},
      {PathVariable::kStartupDir, ShellFolder(CSIDL_STARTUP)},
      {PathVariable::kSystemDir, SystemText(GetSystemDirectoryW)},
      {PathVariable::kTemp, WithoutTrailingBackslash(SystemText([](wchar_t* text, UINT size) { return GetTempPathW(size, text); }))},
      {PathVariable::kUninstallDir, u"d:\\Apps\\Demo\\uninstall"},
      {PathVariable::kVersion, u"3.9"},
      {PathVariable::kWinDir, windows},
      {PathVariable::kOS, u"48"},
      {PathVariable::kOSMajor, u"10"},
      {PathVariable::kOSMinor, u"0"},
      {PathVariable::kOSServer, u"0"},
  };

  std::map<std::u16string, std::u16string> exported;
  ForEachPathVariable(run, [&exported](const String& name, const String& value) { exported[WideOf(name)] = WideOf(value); });
  ASSERT_EQ(exported.size(), std::size(kPathVariableTokens));

  for (const PathVariableToken& token : kPathVariableTokens) {
    const std::u16string value = Expanded(token.token, run);
    SCOPED_TRACE(NarrowOf(NarrowPath(String::FromWide(token.token))) + " = " + NarrowOf(NarrowPath(String::FromWide(value.c_str()))));
    EXPECT_FALSE(value.empty());
    const auto row = expected.find(token.variable);
    if (row != expected.end()) EXPECT_EQ(value, row->second);
    if (token.variable != PathVariable::kProductName) EXPECT_EQ(exported[WideOf(PathVariableName(token))], value);
  }
  // The operating system's names, which the core library spells.
  EXPECT_EQ(Expanded(u"%OSName%", run).find(u"Windows"), std::u16string::npos);
  EXPECT_NE(Expanded(u"%OSName%", run).find(u"10"), std::u16string::npos);
  EXPECT_NE(Expanded(u"%OSDescription%", run).find(u"Windows 10"), std::u16string::npos);
}

TEST(PathVariables, ProductBitnessSelectsTheFolders) {
  PathVariableSources run;
  run.product_64bit = true;
  EXPECT_EQ(Expanded(u"%ProgramsDir%|%CommonDir%", run),
            ProgramFiles64() + u"|" + CommonFiles64());
}

TEST(PathVariables, CaseRulesAndEnvironmentReferences) {
  PathVariableSources run;
  run.install_dir = W(u"C:\\App");
  run.old_version = W(u"3.10.2");
  struct Row {
    const char16_t* text;
    std::u16string expected;
  };
  const Row rows[] = {
      {u"%installdir%\\bin", u"C:\\App\\bin"},
      {u"%InstallDir%\\bin", u"C:\\App\\bin"},
      {u"%OldVersionMajor%.%OldVersionMinor%", u"3.10"},
      {u"%oldversionmajor%", u"%oldversionmajor%"},  // matched only as spelled, and no such environment variable
      {u"%Foo%\\x", u"%Foo%\\x"},
      {u"%PATH%", EnvironmentValue(L"PATH")},
      {u"%SystemRoot%\\x", EnvironmentValue(L"SystemRoot") + u"\\x"},
      {u"no variables here", u"no variables here"},
  };
  for (const Row& row : rows) EXPECT_EQ(Expanded(row.text, run), row.expected);
}

// An environment expansion longer than 31,999 characters is not done; the tokens are.
TEST(PathVariables, OverlongEnvironmentExpansionKeepsTheReplacedTokens) {
  const std::wstring long_value(20000, L'x');
  ASSERT_TRUE(SetEnvironmentVariableW(L"VALDORINE_LONG", long_value.c_str()));
  PathVariableSources run;
  run.install_dir = W(u"C:\\App");
  EXPECT_EQ(Expanded(u"%InstallDir% %VALDORINE_LONG% %VALDORINE_LONG%", run), u"C:\\App %VALDORINE_LONG% %VALDORINE_LONG%");
  EXPECT_EQ(Expanded(u"%InstallDir% %VALDORINE_LONG%", run), u"C:\\App " + std::u16string(20000, u'x'));
  SetEnvironmentVariableW(L"VALDORINE_LONG", nullptr);
}

TEST(PathVariables, EarlierInstallationAndInstallDrive) {
  struct Row {
    const char16_t* old_version;
    const char16_t* install_dir;
    const char16_t* expected;  // %Existing%|%OldVersion%|%OldVersionMajor%|%OldVersionMinor%|%InstallDrive%
  };
  const Row rows[] = {
      {u"", u"", u"0||||"},
      {u"2.5", u"c:\\x", u"1|2.5|2|5|C:"},
      {u"2.4.9", u"\\\\server\\share\\x", u"2|2.4.9|2|4|"},
      {u"7", u"e:", u"3|7|7||E:"},
  };
  for (const Row& row : rows) {
    PathVariableSources run;
    run.version = W(u"2.5");
    run.old_version = W(row.old_version);
    run.install_dir = W(row.install_dir);
    EXPECT_EQ(Expanded(u"%Existing%|%OldVersion%|%OldVersionMajor%|%OldVersionMinor%|%InstallDrive%", run), row.expected);
  }
}

TEST(PathVariables, SharedFolderOfTheInstallation) {
  InstallScript script;
  script.SharedPath = W(u"Demo Company");
  script.PortableSharedPath = W(u"Shared");
  const String install_dir = W(u"E:\\Demo");
  const std::u16string common32 = ShellFolder(CSIDL_PROGRAM_FILES_COMMON);
  const std::u16string common64 = CommonFiles64();
  struct Row {
    const char* label;
    bool portable;
    uint8_t shared_base;
    uint8_t bitness;
    std::u16string expected;
  };
  const Row rows[] = {
      {"portable", true, 2, 0, u"E:\\Demo\\Shared"},
      {"application data", false, 1, 0, ShellFolder(CSIDL_COMMON_APPDATA) + u"\\Demo Company"},
      {"32-bit Common Files", false, 2, 1, common32 + u"\\Demo Company"},
      {"64-bit Common Files", false, 3, 0, common64 + u"\\Demo Company"},
      {"64-bit product", false, 0, 1, common64 + u"\\Demo Company"},
      {"32-bit product", false, 0, 0, common32 + u"\\Demo Company"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    script.SharedBase = row.shared_base;
    script.Bitness = row.bitness;
    EXPECT_EQ(WideOf(SharedFolderFor(script, install_dir, row.portable)), row.expected);
  }
  script.PortableSharedPath = String();
  script.SharedBase = 2;
  EXPECT_EQ(WideOf(SharedFolderFor(script, install_dir, true)), common32 + u"\\Demo Company");
}

TEST(PathVariables, ChosenDesktopAndStartMenuFolders) {
  const String name = W(u"Demo");
  EXPECT_EQ(WideOf(DesktopShortcutsFolder(true, name)), ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + u"\\Demo");
  EXPECT_EQ(WideOf(DesktopShortcutsFolder(false, name)), ShellFolder(CSIDL_DESKTOPDIRECTORY) + u"\\Demo");
  EXPECT_EQ(WideOf(StartMenuChosenFolder(true, name)), ShellFolder(CSIDL_COMMON_PROGRAMS) + u"\\Demo");
  EXPECT_EQ(WideOf(StartMenuChosenFolder(false, name)), ShellFolder(CSIDL_PROGRAMS) + u"\\Demo");
}

}  // namespace
}  // namespace valdorine
