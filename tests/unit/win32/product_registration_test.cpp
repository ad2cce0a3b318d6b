// Product registration against the real registry and file system: the uninstall key with every
// value and its type, the values that are deleted instead of written empty, the script's additional
// values, the text copies, the uninstaller copy, the restart marker, the install-location value and
// the icon replacement of a written program.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "../fatal_capture.hpp"
#include "core/win32/registry.hpp"
#include "diagnostics/failure_summary.hpp"
#include "format/byte_writer.hpp"
#include "format/script_options.hpp"
#include "operations/icon_resources.hpp"
#include "operations/install_collections.hpp"
#include "operations/path_entry.hpp"
#include "operations/product_registration.hpp"
#include "operations/uninstall_key.hpp"
#include "paths/path_variables.hpp"
#include "run/installer_process.hpp"
#include "run/run_state.hpp"
#include "scratch_folder.hpp"
#include "uninstall/uninstall_list.hpp"

namespace valdorine {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::W;

constexpr wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

String Narrow(const char* text) { return String::FromNarrow(text); }
std::u16string U16(const String& wide) { return std::u16string(wide.Wide(), static_cast<size_t>(wide.WideLength())); }

String OwnProgramPath() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return FromWinText(path, static_cast<int>(length));
}

// A registry value as the system's own query returns it, read in the 64-bit view.
struct StoredValue {
  bool present = false;
  DWORD type = REG_NONE;
  std::string data;

  std::u16string Text() const {
    std::u16string text(reinterpret_cast<const char16_t*>(data.data()), data.size() / 2);
    while (!text.empty() && text.back() == 0) text.pop_back();
    return text;
  }
  uint64_t Number() const {
    uint64_t value = 0;
    std::memcpy(&value, data.data(), std::min(data.size(), sizeof value));
    return value;
  }
};

StoredValue QueryValue(HKEY root, const std::wstring& subkey, const wchar_t* name) {
  StoredValue value;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.data.resize(size);
    value.present = RegQueryValueExW(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(value.data.data()),
                                     &size) == ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return value;
}

void DeleteKeyTree(HKEY root, const wchar_t* parent, const std::wstring& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, parent, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return;
  RegDeleteTreeW(key, name.c_str());
  RegDeleteKeyExW(key, name.c_str(), KEY_WOW64_64KEY, 0);
  RegCloseKey(key);
}

class ProductRegistration : public ::testing::Test {
 protected:
  void SetUp() override {
    key_name_ = L"ValdorineRegistrationTest-" + std::to_wstring(GetCurrentProcessId());
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallRoot, key_name_);
    RunState& run = valdorine::Run();
    run = RunState{};
    run.options.word1 = option1::kProductRegistration;
    run.install_dir = folder_.Path();
    run.uninstall_dir = folder_.Join(u"Uninstall");
    CreateFolderTree(run.uninstall_dir);
    run.size_estimate = 5 * 1024 * 1024 + 700;
    PublishRunState();
    Collections().counted_shared_files.Clear();
    Collections().font_list = String();
    FailureSummary() = String();
    ClearUninstallList();
    Process().module_path = OwnProgramPath();
    script_.UninstallKey = FromWinText(key_name_.c_str());
    script_.UninstallerName = W(u"uninstall.exe");
    script_.ProductName = W(u"Registration Test");
    script_.Publisher = W(u"Test Publisher");
    script_.DisplayVersion = Narrow("3.10.2");
  }
  void TearDown() override { DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallRoot, key_name_); }

  std::wstring KeyPath() const { return std::wstring(kUninstallRoot) + L"\\" + key_name_; }
  StoredValue Value(const wchar_t* name) const { return QueryValue(HKEY_LOCAL_MACHINE, KeyPath(), name); }

  void Register() {
    PrepareUninstaller(script_);
    RegisterProduct(script_);
  }
  void RegisterAfresh() {
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallRoot, key_name_);
    Register();
  }

  ScratchFolder folder_;
  std::wstring key_name_;
  InstallScript script_;
};

std::u16string Expected(const char16_t* text) { return text; }

TEST_F(ProductRegistration, WritesEveryValueWithItsType) {
  RunState& run = valdorine::Run();
  run.options.word2 = 0x80000000u | option2::kDesktopFolderFromProductName;
  run.package_flags = 0x100022;
  run.start_menu = W(u"Test Menu");
  run.shared_dir = W(u"C:\\Common\\Test");
  Collections().font_list = Narrow("\"Test Sans\" \"tests.ttf\" ");
  Collections().counted_shared_files.Append(W(u"C:\\Common\\Test\\one.dll^"));
  script_.Bitness = 1;
  script_.NoDowngradeBelow = Narrow("2.0");
  script_.ProductRegistry = W(u"Software\\Test Product");
  script_.UninstallBatch1 = Narrow("echo one");
  script_.UninstallSubdir = W(u"Uninstall");
  script_.AddToPathSubfolder = W(u"bin");
  script_.ShortcutMode = 1;
  script_.NotifyURL = Narrow("http://127.0.0.1/done?s=%Session%");
  script_.DisplayTitle = W(u"Test Title");
  script_.TitleColor = 0x112233;
  script_.TopColor = 0x445566;
  script_.BottomColor = 0x778899;
  script_.TitleSize = 1.5;
  script_.TitleShadow = 1;
  script_.TitlePosition = 2;
  script_.TitleFont = Narrow("Arial");
  script_.TaskbarText = W(u"Setup");
  script_.CopyrightText = W(u"(c) Test");
  script_.CopyrightFont = Narrow("Tahoma");
  script_.CopyrightSize = 0.75;
  script_.CopyrightColor = 0x0A0B0C;
  script_.CopyrightPos = 3;
  script_.Display.ProgressPageStyle = 0;
  script_.HeaderTextColor = 0x00FF00;
  script_.PictureBorder = 2;
  script_.ProductIcon = Narrow("icon bytes");
  Process().session_number = 0x0123456789ABCDEFull;
  Register();

  const String uninstaller = JoinPath(run.uninstall_dir, W(u"uninstall.exe"));
  const std::u16string quoted = u"\"" + U16(uninstaller) + u"\" ";
  struct TextCase {
    const wchar_t* name;
    DWORD type;
    std::u16string text;
  };
  const TextCase texts[] = {
      {L"UninstallString", REG_SZ, quoted + u"/u:\"" + U16(script_.UninstallKey) + u"\""},
      {L"QuietUninstallString", REG_SZ, quoted + u"/a /u:\"" + U16(script_.UninstallKey) + u"\""},
      {L"DisplayName", REG_SZ, u"Registration Test"},
      {L"InstallSource", REG_SZ, U16(OwnProgramPath())},
      {L"Publisher", REG_SZ, u"Test Publisher"},
      {L"DisplayVersion", REG_SZ, u"3.10.2"},
      {L"NoDowngradeBelow", REG_SZ, u"2.0"},
      {L"DisplayIcon", REG_SZ, U16(JoinPath(run.uninstall_dir, W(u"product.ico")))},
      {L"ProductRegistry", REG_SZ, u"Software\\Test Product"},
      {L"ProductStartMenu", REG_SZ, u"Test Menu"},
      {L"SharedPath", REG_SZ, u"C:\\Common\\Test"},
      {L"ProductFonts", REG_SZ, u"\"Test Sans\" \"tests.ttf\" "},
      {L"ProductFlags", REG_SZ, u"-8935141660703064060"},  // word 2's top bit makes it negative
      {L"ProductFlags2", REG_SZ, u"1048610"},
      {L"UninstallBatch1", REG_SZ, u"echo one"},
      {L"SharedFiles", REG_SZ, u"\"C:\\Common\\Test\\one.dll^\""},
      {L"UninstallSubdir", REG_SZ, u"Uninstall"},
      {L"AddToPathSubfolder", REG_SZ, u"bin"},
      {L"NotifyURL", REG_SZ, u"http://127.0.0.1/done?s=%Session%"},
      {L"DesktopFolder", REG_SZ, u"Registration Test"},  // empty name, taken from the product
      {L"DisplayTitle", REG_SZ, u"Test Title"},
      {L"TitleSize", REG_SZ, u"1.5"},
      {L"TitleFont", REG_SZ, u"Arial"},
      {L"TaskbarText", REG_SZ, u"Setup"},
      {L"CopyrightText", REG_SZ, u"(c) Test"},
      {L"CopyrightFont", REG_SZ, u"Tahoma"},
      {L"CopyrightSize", REG_SZ, u"0.75"},
      {L"CopyrightColor", REG_SZ, u"0C0B0A"},
      {L"InstallLocation", REG_SZ, U16(run.install_dir)},
  };
  for (const TextCase& c : texts) {
    const StoredValue value = Value(c.name);
    EXPECT_TRUE(value.present) << c.name;
    EXPECT_EQ(value.type, c.type) << c.name;
    EXPECT_EQ(value.Text(), c.text) << c.name;
  }
  struct NumberCase {
    const wchar_t* name;
    DWORD type;
    uint64_t number;
  };
  const NumberCase numbers[] = {
      {L"Bitness", REG_DWORD, 1},         {L"VersionMajor", REG_DWORD, 3},  {L"VersionMinor", REG_DWORD, 10},
      {L"ShortcutMode", REG_DWORD, 1},    {L"EstimatedSize", REG_DWORD, 5120},
      {L"TitleColor", REG_DWORD, 0x112233}, {L"TopColor", REG_DWORD, 0x445566},
      {L"BottomColor", REG_DWORD, 0x778899}, {L"MonoColor", REG_DWORD, 0},
      {L"TitleShadow", REG_DWORD, 1},     {L"TitlePosition", REG_DWORD, 2}, {L"CopyrightPos", REG_DWORD, 3},
      {L"ProgressPageStyle", REG_DWORD, 0}, {L"HeaderTextColor", REG_DWORD, 0x00FF00}, {L"PictureBorder", REG_DWORD, 2},
      {L"Session", REG_QWORD, 0x0123456789ABCDEFull},
  };
  for (const NumberCase& c : numbers) {
    const StoredValue value = Value(c.name);
    EXPECT_TRUE(value.present) << c.name;
    EXPECT_EQ(value.type, c.type) << c.name;
    EXPECT_EQ(value.Number(), c.number) << c.name;
  }
  const StoredValue date = Value(L"InstallDate");
  EXPECT_EQ(date.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(date.Text().size(), 8u);  // four-digit year, month, day
  for (const wchar_t* absent : {L"UninstallBatch2", L"SupportOffer", L"BitmapSize", L"BitmapTPI", L"StretchMode"}) {
    EXPECT_FALSE(Value(absent).present) << absent;
  }
  EXPECT_EQ(ReadBytes(JoinPath(run.uninstall_dir, W(u"product.ico"))), "icon bytes");
  EXPECT_TRUE(FailureSummary().IsEmpty()) << NarrowFromWide(FailureSummary(), code_page::kUtf8).Narrow();
}

TEST_F(ProductRegistration, VersionPartsOnlyForAVersionWithAFullStop) {
  struct Case {
    const char* version;
    bool written;
    uint64_t major;
    uint64_t minor;
  };
  const Case cases[] = {{"3", false, 0, 0}, {"3.10.2", true, 3, 10}, {"12.x", true, 12, 0}};
  for (const Case& c : cases) {
    script_.DisplayVersion = Narrow(c.version);
    RegisterAfresh();
    EXPECT_EQ(Value(L"VersionMajor").present, c.written) << c.version;
    EXPECT_EQ(Value(L"VersionMinor").present, c.written) << c.version;
    EXPECT_EQ(Value(L"VersionMajor").Number(), c.major) << c.version;
    EXPECT_EQ(Value(L"VersionMinor").Number(), c.minor) << c.version;
  }
}

TEST_F(ProductRegistration, AReinstallDeletesWhatIsNowEmptyOrTooSmall) {
  script_.UninstallBatch2 = Narrow("echo two");
  Register();
  ASSERT_TRUE(Value(L"Publisher").present);
  ASSERT_TRUE(Value(L"EstimatedSize").present);
  ASSERT_TRUE(Value(L"UninstallBatch2").present);
  script_.Publisher = String();
  script_.UninstallBatch2 = String();
  valdorine::Run().size_estimate = 1023;
  Register();
  EXPECT_FALSE(Value(L"Publisher").present);
  EXPECT_FALSE(Value(L"EstimatedSize").present);
  EXPECT_FALSE(Value(L"UninstallBatch2").present);
  EXPECT_EQ(Value(L"DisplayName").Text(), u"Registration Test");
}

TEST_F(ProductRegistration, OneColourDeletesBottomColourAndPictureValuesFollowTheBitmap) {
  script_.TopColor = script_.BottomColor = 0x102030;
  script_.BackgroundPicture = Narrow("BM picture");
  script_.BitmapSize = 40;
  script_.StretchMode = 2;
  valdorine::Run().options.word1 |= option1::kBackgroundPicture;
  Register();
  EXPECT_FALSE(Value(L"BottomColor").present);
  EXPECT_EQ(Value(L"MonoColor").Number(), 1u);
  EXPECT_EQ(Value(L"BitmapSize").Number(), 40u);
  EXPECT_FALSE(Value(L"BitmapTPI").present);  // -1: deleted
  EXPECT_EQ(Value(L"StretchMode").Number(), 2u);
  EXPECT_EQ(ReadBytes(JoinPath(valdorine::Run().uninstall_dir, W(u"Installer Background.bmp"))), "BM picture");
}

TEST_F(ProductRegistration, AdditionalValuesByTypeWithSubkeysAndExpandedData) {
  struct Item {
    const char* name;
    uint8_t type;
    const char* data;
  };
  const Item items[] = {{"Plain", 1, "%InstallDir%\\doc"},     {"Empty", 1, ""},
                        {"Tools\\Deep\\Home", 2, "%InstallDir%"}, {"Count", 4, "42"},
                        {"Zero", 4, "0"},                        {"Negative", 4, "-1"}};
  for (const Item& item : items) script_.UninstallKeyValues.Append({Narrow(item.name), item.type, Narrow(item.data)});
  Register();
  const std::u16string install_dir = U16(valdorine::Run().install_dir);
  EXPECT_EQ(Value(L"Plain").type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(Value(L"Plain").Text(), install_dir + u"\\doc");
  EXPECT_FALSE(Value(L"Empty").present);
  const StoredValue deep = QueryValue(HKEY_LOCAL_MACHINE, KeyPath() + L"\\Tools\\Deep", L"Home");
  EXPECT_EQ(deep.type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(deep.Text(), install_dir);
  EXPECT_FALSE(Value(L"Tools\\Deep\\Home").present);
  EXPECT_EQ(Value(L"Count").type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(Value(L"Count").Number(), 42u);
  EXPECT_FALSE(Value(L"Zero").present);
  EXPECT_EQ(Value(L"Negative").Number(), 0xFFFFFFFFu);
}

TEST_F(ProductRegistration, AdditionalValueOfUnknownTypeIsACorruptPackage) {
  RegKey key;
  ASSERT_NE(key.OpenKey(HKEY_CURRENT_USER, W(u"Software\\ValdorineRegistrationTest"), reg_key::kDefaultSecurity,
                        reg_access::kAll),
            open_key_result::kFailed);
  Array<UninstallKeyValue> values;
  values.Append({Narrow("Odd"), 3, Narrow("x")});
  EXPECT_EXIT(
      {
        testing::ShowFatalTextVisibly();
        WriteAdditionalValues(key, values);
      },
      ::testing::ExitedWithCode(1), "Error code: 200$");
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\ValdorineRegistrationTest");
}

TEST_F(ProductRegistration, SharedFilesListEachPathOnceWithItsMark) {
  Array<String> shared;
  for (const char16_t* entry : {u"C:\\S\\com.dll^", u"C:\\s\\COM.DLL", u"C:\\S\\kept.dll ", u"C:\\S\\types.tlb\u00A9",
                                u"C:\\S\\plain.dll", u"C:\\S\\\u00E9t\u00E9.dll"}) {
    shared.Append(W(entry));
  }
  EXPECT_EQ(SharedFilesValue(shared),
            Narrow("\"C:\\S\\com.dll^\";\"C:\\S\\kept.dll \";\"C:\\S\\types.tlb\xA9\";\"C:\\S\\plain.dll\";"
                   "\"|C:\\S\\\xC3\xA9t\xC3\xA9.dll\""));
  EXPECT_TRUE(SharedFilesValue({}).IsEmpty());
}

TEST_F(ProductRegistration, TextCopiesAreNamedByCountAndMarkedByKind) {
  valdorine::Run().options.word2 = option2::kSaveReadmeCopies | option2::kSaveLicenseCopies;
  const std::string plain_one("O\0n\0e\0", 6);
  const std::string plain_two("T\0w\0o\0", 6);
  script_.ReadmeTexts.Append(String::FromBytes(plain_one.data(), 6));
  script_.ReadmeTexts.Append(String());  // skipped; the numbers keep their places
  script_.ReadmeTexts.Append(String::FromBytes(plain_two.data(), 6));
  script_.LicenseTexts.Append(Narrow("\xEF\xBB\xBF{\\rtf1 licence}"));
  Register();
  EXPECT_EQ(ReadBytes(folder_.Join(u"readme1.txt")), "\xFF\xFE" + plain_one);
  EXPECT_FALSE(FileExists(folder_.Join(u"readme2.txt")));
  EXPECT_EQ(ReadBytes(folder_.Join(u"readme3.txt")), "\xFF\xFE" + plain_two);
  EXPECT_EQ(ReadBytes(folder_.Join(u"eula.rtf")), "\xEF\xBB\xBF{\\rtf1 licence}");
  EXPECT_FALSE(FileExists(folder_.Join(u"eula.txt")));
}

TEST_F(ProductRegistration, TextCopiesOnlyWhenAsked) {
  script_.ReadmeTexts.Append(Narrow("{\\rtf1 readme}"));
  Register();
  EXPECT_FALSE(FileExists(folder_.Join(u"readme.rtf")));
  valdorine::Run().options.word2 = option2::kSaveReadmeCopies;
  Register();
  EXPECT_EQ(ReadBytes(folder_.Join(u"readme.rtf")), "{\\rtf1 readme}");
}

TEST_F(ProductRegistration, UninstallerIsTheInstallerCopiedIntoTheUninstallFolder) {
  Register();
  const UninstallerPlan& plan = PlannedUninstaller();
  EXPECT_EQ(plan.path, JoinPath(valdorine::Run().uninstall_dir, W(u"uninstall.exe")));
  EXPECT_EQ(plan.arguments, String::FormatWide(u"/u:\"%s\"", script_.UninstallKey.Wide()));
  EXPECT_TRUE(plan.icon_path.IsEmpty());
  EXPECT_EQ(ReadBytes(plan.path), ReadBytes(OwnProgramPath()));
}

TEST_F(ProductRegistration, ALockedUninstallerIsReplacedAtTheNextRestart) {
  const String uninstaller = JoinPath(valdorine::Run().uninstall_dir, W(u"uninstall.exe"));
  ASSERT_TRUE(testing::WriteBytes(uninstaller, "old uninstaller"));
  UniqueFileHandle lock(CreateFileW(WinText(uninstaller), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock);
  Register();
  lock.Reset();
  EXPECT_EQ(ReadBytes(uninstaller), "old uninstaller");
  EXPECT_NE(valdorine::Run().options.word1 & option1::kRestartAfterInstall, 0u);
  EXPECT_EQ(Value(L"ProductFlags").Text(), u"16388");  // registration and the restart mark
  const StoredValue pending = QueryValue(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager",
                                         L"PendingFileRenameOperations");
  EXPECT_NE(pending.Text().find(U16(uninstaller)), std::u16string::npos);
  EXPECT_TRUE(FailureSummary().IsEmpty()) << NarrowFromWide(FailureSummary(), code_page::kUtf8).Narrow();
}

TEST_F(ProductRegistration, RecordsEveryFileItLeavesAndWritesUninstallData) {
  valdorine::Run().options.word1 |= option1::kBackgroundPicture;
  valdorine::Run().options.word2 = option2::kSaveReadmeCopies;
  script_.UninstallerIcon = Narrow("uninstaller icon");
  script_.BackgroundPicture = Narrow("BM");
  script_.ReadmeTexts.Append(Narrow("{\\rtf1 readme}"));
  script_.ProductIcon = Narrow("product icon");
  Register();
  const String& uninstall = valdorine::Run().uninstall_dir;
  String expected;
  for (const String& path : {JoinPath(uninstall, W(u"uninstall.ico")), JoinPath(uninstall, W(u"Installer Background.bmp")),
                             folder_.Join(u"readme.rtf"), JoinPath(uninstall, W(u"uninstall.exe")),
                             JoinPath(uninstall, W(u"product.ico"))}) {
    expected.Append(NarrowFromWide(path, code_page::kAnsi));
    expected.AppendNarrow("\r\n");
  }
  EXPECT_EQ(std::string(UninstallListText().Narrow()), std::string(expected.Narrow()));
  const std::string data = ReadBytes(JoinPath(uninstall, W(u"Uninstall.DAT")));
  EXPECT_EQ(data.substr(0, static_cast<size_t>(expected.Length())), std::string(expected.Narrow()));
}

TEST_F(ProductRegistration, NothingIsRegisteredWithoutProductRegistration) {
  valdorine::Run().options.word1 = 0;
  script_.UninstallerIcon = Narrow("icon");
  Register();
  EXPECT_TRUE(PlannedUninstaller().path.IsEmpty());
  EXPECT_FALSE(Value(L"UninstallString").present);
  EXPECT_FALSE(FileExists(JoinPath(valdorine::Run().uninstall_dir, W(u"uninstall.exe"))));
  EXPECT_FALSE(FileExists(JoinPath(valdorine::Run().uninstall_dir, W(u"uninstall.ico"))));
}

TEST_F(ProductRegistration, UninstallerIconIsWrittenBeforeTheShortcuts) {
  script_.UninstallerIcon = Narrow("uninstaller icon");
  PrepareUninstaller(script_);
  EXPECT_EQ(PlannedUninstaller().icon_path, JoinPath(valdorine::Run().uninstall_dir, W(u"uninstall.ico")));
  EXPECT_EQ(ReadBytes(PlannedUninstaller().icon_path), "uninstaller icon");
}

TEST_F(ProductRegistration, RestartMarkerLivesUntilTheNextRestart) {
  valdorine::Run().options.word2 = option2::kRestartMarker;
  Register();
  const String marker = folder_.Join(u"reboot.dat");
  EXPECT_TRUE(FileExists(marker));
  EXPECT_EQ(ReadBytes(marker), "");
  EXPECT_NE(std::string(UninstallListText().Narrow()).find(NarrowFromWide(marker, code_page::kAnsi).Narrow()),
            std::string::npos);
  const StoredValue pending = QueryValue(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager",
                                         L"PendingFileRenameOperations");
  EXPECT_NE(pending.Text().find(U16(marker)), std::u16string::npos);
}

TEST_F(ProductRegistration, InstallPathValueHoldsTheInstallationFolder) {
  const std::wstring subkey = L"Software\\ValdorineRegistrationTest-" + std::to_wstring(GetCurrentProcessId());
  script_.InstallPathKey = NarrowFromWide(FromWinText((L"HKLM\\" + subkey + L"\\Install Dir").c_str()), code_page::kAnsi);
  Register();
  EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, subkey, L"Install Dir").Text(), U16(valdorine::Run().install_dir));
  DeleteKeyTree(HKEY_LOCAL_MACHINE, L"Software", subkey.substr(9));
}

TEST(PathEntry, FolderIsAddedOnceAsAWholeEntry) {
  struct Case {
    const char16_t* path;
    const char16_t* folder;
    const char16_t* result;
  };
  const Case cases[] = {
      {u"C:\\A;C:\\B", u"C:\\B", u"C:\\A;C:\\B"},
      {u"C:\\A;c:\\b\\;D:\\D", u"C:\\B", u"C:\\A;c:\\b\\;D:\\D"},  // letter case and a trailing backslash
      {u"C:\\A", u"C:\\New", u"C:\\A;C:\\New"},
      {u"C:\\A;", u"C:\\New", u"C:\\A;C:\\New"},
      {u"C:\\App\\binx;D:\\C:\\App\\bin2", u"C:\\App\\bin", u"C:\\App\\binx;D:\\C:\\App\\bin2;C:\\App\\bin"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(U16(PathWithEntry(W(c.path), W(c.folder))), std::u16string(c.result)) << U16(W(c.path)).size();
  }
  const String install_dir = W(u"C:\\Product");
  EXPECT_EQ(PathEntryFolder(String(), install_dir), install_dir);
  EXPECT_EQ(PathEntryFolder(W(u"bin"), install_dir), W(u"C:\\Product\\bin"));
  EXPECT_EQ(PathEntryFolder(W(u"D:\\Tools"), install_dir), W(u"D:\\Tools"));
  EXPECT_EQ(PathEntryFolder(W(u"\\\\server\\share\\bin"), install_dir), W(u"\\\\server\\share\\bin"));
}

TEST_F(ProductRegistration, AddsAnExistingFolderToTheSystemPathOnce) {
  const wchar_t* environment = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
  const StoredValue saved = QueryValue(HKEY_LOCAL_MACHINE, environment, L"Path");
  ASSERT_TRUE(saved.present);
  valdorine::Run().options.word1 |= option1::kAddToPath;
  script_.AddToPathSubfolder = W(u"absent");
  Register();
  EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, environment, L"Path").data, saved.data);
  script_.AddToPathSubfolder = W(u"%InstallDir%\\bin");
  CreateFolderTree(folder_.Join(u"bin"));
  Register();
  Register();
  const StoredValue changed = QueryValue(HKEY_LOCAL_MACHINE, environment, L"Path");
  HKEY key = nullptr;
  RegOpenKeyExW(HKEY_LOCAL_MACHINE, environment, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key);
  RegSetValueExW(key, L"Path", 0, saved.type, reinterpret_cast<const BYTE*>(saved.data.data()),
                 static_cast<DWORD>(saved.data.size()));
  RegCloseKey(key);
  EXPECT_EQ(changed.type, static_cast<DWORD>(REG_EXPAND_SZ));
  std::u16string expected = saved.Text();
  if (expected.back() != u';') expected += u';';
  EXPECT_EQ(changed.Text(), expected + U16(folder_.Join(u"bin")));
}

// An .ico file with two images whose bytes differ.
std::string TwoImageIcon() {
  ByteWriter writer;
  writer.U16(0);
  writer.U16(1);
  writer.U16(2);
  const std::string images[] = {"first image", "second image bytes"};
  uint32_t offset = 6 + 2 * 16;
  for (int index = 0; index < 2; ++index) {
    writer.U8(static_cast<uint8_t>(16 * (index + 1)));
    writer.U8(static_cast<uint8_t>(16 * (index + 1)));
    writer.U8(0);
    writer.U8(0);
    writer.U16(1);
    writer.U16(32);
    writer.U32(static_cast<uint32_t>(images[index].size()));
    writer.U32(offset);
    offset += static_cast<uint32_t>(images[index].size());
  }
  for (const std::string& image : images) writer.Text(image);
  return {writer.Bytes().begin(), writer.Bytes().end()};
}

std::string ResourceBytes(HMODULE module, LPCWSTR type, WORD id) {
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
  if (!loaded) return {};
  return std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, info));
}

TEST(IconResources, ReplacesTheProgramsIconGroupWithTheIconFilesImages) {
  ScratchFolder folder;
  const String program = folder.Join(u"program.exe");
  ASSERT_TRUE(CopyFileW(WinText(OwnProgramPath()), WinText(program), FALSE));
  const std::string ico = TwoImageIcon();
  ASSERT_EQ(ReplaceProgramIcon(program, String::FromBytes(ico.data(), static_cast<int>(ico.size()))),
            IconReplacement::kReplaced);
  HMODULE module = LoadLibraryExW(WinText(program), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(ResourceBytes(module, RT_ICON, 1), "first image");
  EXPECT_EQ(ResourceBytes(module, RT_ICON, 2), "second image bytes");
  const std::string group = ResourceBytes(module, RT_GROUP_ICON, 1);
  FreeLibrary(module);
  ASSERT_EQ(group.size(), 6u + 2 * 14);
  EXPECT_EQ(group[4], 2);                           // two entries
  EXPECT_EQ(static_cast<uint8_t>(group[6]), 16u);   // first width
  EXPECT_EQ(group[6 + 12], 1);                      // first image number
  EXPECT_EQ(group[6 + 14 + 12], 2);                 // second image number
}

TEST(IconResources, RefusesDamagedIconFilesAndUnopenablePrograms) {
  ScratchFolder folder;
  const String program = folder.Join(u"program.exe");
  ASSERT_TRUE(CopyFileW(WinText(OwnProgramPath()), WinText(program), FALSE));
  const std::string before = ReadBytes(program);
  std::string beyond_end = TwoImageIcon();
  beyond_end.resize(beyond_end.size() - 1);  // the last image reaches past the end
  for (const std::string& ico : {std::string("not an icon"), beyond_end, std::string("\0\0\1\0\0\0", 6)}) {
    EXPECT_EQ(ReplaceProgramIcon(program, String::FromBytes(ico.data(), static_cast<int>(ico.size()))),
              IconReplacement::kFailed);
  }
  EXPECT_EQ(ReadBytes(program), before);
  const std::string ico = TwoImageIcon();
  EXPECT_EQ(ReplaceProgramIcon(folder.Join(u"missing.exe"), String::FromBytes(ico.data(), static_cast<int>(ico.size()))),
            IconReplacement::kCannotOpen);
}

}  // namespace
}  // namespace valdorine
