#include "diagnostics/install_log.hpp"

#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../string_test_support.hpp"
#include "core/date_time_format.hpp"
#include "core/path_text.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/system_info.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/notifications.hpp"
#include "diagnostics/operations_log.hpp"
#include "format/script_options.hpp"
#include "package/language_strings.hpp"
#include "paths/path_variables.hpp"
#include "recorded_notifications.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::W;
using testing::WriteBytes;

constexpr char kMark[] = "\xEF\xBB\xBF";
const std::string kSeparator = "\r\n\r\n" + std::string(46, '*') + "\r\n";

std::string Utf8(const String& wide) { return NarrowOf(NarrowFromWide(wide, code_page::kUtf8)); }

// One language with the texts that the log and the failure blocks use.
const LanguageTable& LogStrings() {
  static const LanguageTable table = [] {
    LanguageTable strings;
    strings.names.Append(W(u"English"));
    strings.string_count = 44;
    for (int i = 0; i < strings.string_count; ++i) strings.texts.Append(String());
    strings.texts[31] = W(u"Failed to install");
    strings.texts[43] = W(u"Installation complete.");
    return strings;
  }();
  return table;
}

const LanguageTable& NoStrings() {
  static const LanguageTable table;
  return table;
}

std::string Today() { return NarrowOf(NarrowFromWide(FormatDateTime(CurrentLocalTime(), u"yy/mm/dd HH:ii:ss"), code_page::kUtf8)); }

// Installs into a scratch uninstall data folder, in automatic mode (no message boxes).
class InstallLog : public ::testing::Test {
 protected:
  void SetUp() override {
    UseLanguageTable(LogStrings(), {});
    PathVariableSources& run = RunPathVariables();
    run = PathVariableSources();
    run.product_name = W(u"Demo Prod\u00FCct");
    run.install_dir = W(u"C:\\Apps\\Demo");
    run.uninstall_dir = folder_.Path();
    run.version = W(u"1.2");
    run.automatic_mode = true;
    RunInstallLogSettings() = InstallLogSettings();
    RunInstallLogSettings().options.word1 = option1::kInstallLog;
    RunInstallLogSettings().error_notify_url = String::FromNarrow("http://example.test/error");
  }

  void TearDown() override {
    CloseOperationsLog();
    RunPathVariables() = PathVariableSources();
    RunInstallLogSettings() = InstallLogSettings();
    UseLanguageTable(NoStrings(), {});
  }

  String LogPath() const { return folder_.Join(u"Install.log"); }

  // Writes the log and returns its section's header lines up to the operating system, with the
  // date line checked and then left out.
  std::string WriteAndRead(const String& summary, bool reinstall) {
    const std::string before = Today();
    WriteInstallLog(summary, reinstall, false);
    const std::string after = Today();
    std::string bytes = ReadBytes(LogPath());
    const size_t date = bytes.rfind("Install date: ");
    if (date == std::string::npos) return bytes;
    const std::string written = bytes.substr(date + 14, 19);
    EXPECT_TRUE(written == before || written == after) << written;
    bytes.replace(date + 14, 19, "<date>");
    return bytes;
  }

  // The header of a section for the fixture's run, with "<date>" for the date.
  static std::string Header(const std::string& optional_lines_after_date = "",
                            const std::string& optional_lines_after_installer = "Product version: 1.2\r\n") {
    return "Installation log for: Demo Prod\xC3\xBC" "ct\r\nInstall date: <date>\r\n" + optional_lines_after_date +
           "Install location: C:\\Apps\\Demo\r\nInstaller version: 42.1.2\r\n" + optional_lines_after_installer +
           "Operating system: " + Utf8(OsDescription(0)) + "\r\n\r\n";
  }

  ScratchFolder folder_;
  testing::RecordedNotifications notifications_;
};

TEST_F(InstallLog, FirstRunWritesMarkHeaderOperationsAndSuccessText) {
  LogText("dropped: the operations log is not open\r\n");
  ASSERT_TRUE(OpenOperationsLog());
  const String operations_path = OperationsLogPath();
  LogText("caf\xE9 (Windows-1252)\r\n");
  LogTextW(u"wide \u00FC\r\n");
  LogFormat("%d files in %s\r\n", 3, "d\xE9mo");
  LogFormatW(u"%s >>> %s\r\n", u"a", u"b");
  LogConcat("con", "cat\r\n", nullptr);
  LogConcatW(u"con", u"cat W\r\n", nullptr);
  LogString(W(u"string \u20AC\r\n"));
  LogStringA(String::FromNarrow("ansi \x80\r\n"));
  LogBytes(String::FromNarrow("raw \xFF\r\n"));

  EXPECT_EQ(WriteAndRead(String(), false),
            kMark + Header() +
                "caf\xC3\xA9 (Windows-1252)\r\nwide \xC3\xBC\r\n3 files in d\xC3\xA9mo\r\na >>> b\r\nconcat\r\nconcat W\r\n"
                "string \xE2\x82\xAC\r\nansi \xE2\x82\xAC\r\nraw \xFF\r\n"
                "\r\nInstallation complete.\r\n");
  EXPECT_FALSE(OperationsLogIsOpen());
  EXPECT_FALSE(PathExists(operations_path));
  EXPECT_TRUE(notifications_.Take().empty());
}

TEST_F(InstallLog, LaterRunAppendsASeparatedSectionWithTheFailureSummary) {
  WriteInstallLog(String(), false, false);
  const std::string first_run = ReadBytes(LogPath());

  RunPathVariables().old_version = W(u"1.0");
  RunInstallLogSettings().options.word1 |= option1::kProductRegistration;
  ASSERT_TRUE(OpenOperationsLog());
  LogText("line\r\n");
  String summary;
  SetLastError(0);
  AddFailure(summary, W(u"C:\\Apps\\Demo\\a.dll"));
  const std::string second_run = WriteAndRead(summary, true);

  ASSERT_EQ(second_run.compare(0, first_run.size(), first_run), 0);
  EXPECT_EQ(second_run.substr(first_run.size()),
            kSeparator + Header("Install type: Reinstall\r\n", "Product version: 1.2\r\nOverwriting version: 1.0\r\n") +
                "line\r\n\r\n*** FAILURE SUMMARY ***\r\nFailed to install C:\\Apps\\Demo\\a.dll\r\n");
  const std::vector<HttpRequest> sent = notifications_.Take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(NarrowOf(sent[0].url), "http://example.test/error");
  EXPECT_STREQ(sent[0].verb, "POST");
}

TEST_F(InstallLog, HeaderLinesThatDependOnTheRun) {
  struct Row {
    const char* label;
    bool registration;
    bool reinstall;
    const char16_t* version;
    const char16_t* old_version;
    std::string after_date;
    std::string after_installer;
  };
  const Row rows[] = {
      {"new, registered", true, false, u"1.2", u"", "Install type: New\r\n", "Product version: 1.2\r\n"},
      {"not registered", false, true, u"1.2", u"", "", "Product version: 1.2\r\n"},
      {"blank versions", false, false, u" \t ", u"\r\n", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    DeleteFileW(WinText(LogPath()));
    RunInstallLogSettings().options.word1 = option1::kInstallLog | (row.registration ? option1::kProductRegistration : 0);
    RunPathVariables().version = W(row.version);
    RunPathVariables().old_version = W(row.old_version);
    const std::string expected_header = Header(row.after_date, row.after_installer);
    EXPECT_EQ(WriteAndRead(String(), row.reinstall), kMark + expected_header + "\r\nInstallation complete.\r\n");
  }
}

TEST_F(InstallLog, Windows1252LogIsConvertedToUtf8Once) {
  ASSERT_TRUE(WriteBytes(LogPath(), "old caf\xE9 log\r\n"));
  const std::string written = WriteAndRead(String(), false);
  EXPECT_EQ(written, kMark + std::string("old caf\xC3\xA9 log\r\n") + kSeparator + Header() + "\r\nInstallation complete.\r\n");
}

TEST_F(InstallLog, WrittenOnlyWhenAskedForOrAfterAFailure) {
  RunInstallLogSettings().options.word1 = 0;
  ASSERT_TRUE(OpenOperationsLog());
  const String operations_path = OperationsLogPath();
  WriteInstallLog(String(), false, false);
  EXPECT_FALSE(PathExists(LogPath()));
  EXPECT_FALSE(PathExists(operations_path));

  RunInstallLogSettings().error_notify_url = String();  // no address: no notification
  WriteInstallLog(W(u"Failed to install x\r\n"), false, false);
  EXPECT_TRUE(notifications_.Take().empty());
  const std::string written = ReadBytes(LogPath());
  const std::string ending = "\r\n*** FAILURE SUMMARY ***\r\nFailed to install x\r\n";
  ASSERT_GE(written.size(), ending.size());
  EXPECT_EQ(written.substr(written.size() - ending.size()), ending);
}

// Before the uninstall data folder is known nothing is written, not even into the current folder.
TEST_F(InstallLog, NoLogBeforeTheUninstallDataFolderIsKnown) {
  RunPathVariables().uninstall_dir = String();
  wchar_t previous[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(WinText(folder_.Path())));
  WriteInstallLog(W(u"Failed to install x\r\n"), false, false);
  SetCurrentDirectoryW(previous);
  EXPECT_FALSE(PathExists(LogPath()));
}

// The access that the Everyone group has to a file by its allowing entries.
ACCESS_MASK EveryonesAccess(const String& path) {
  PACL access_list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(WinText(path), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &access_list,
                            nullptr, &descriptor) != ERROR_SUCCESS) {
    return 0;
  }
  BYTE everyone[SECURITY_MAX_SID_SIZE] = {};
  DWORD sid_size = sizeof(everyone);
  CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sid_size);
  ACCESS_MASK access = 0;
  for (DWORD i = 0; access_list != nullptr && i < access_list->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* entry = nullptr;
    if (GetAce(access_list, i, reinterpret_cast<void**>(&entry)) && entry->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
        EqualSid(&entry->SidStart, everyone)) {
      access |= entry->Mask;
    }
  }
  LocalFree(descriptor);
  return access;
}

// Wine keeps a file's access list as its Unix permissions: the full control that Everyone is given
// shows there as read, write, execute and delete access.
TEST_F(InstallLog, LogIsLeftOpenToEveryone) {
  ASSERT_TRUE(WriteBytes(LogPath(), std::string(kMark) + "earlier run\r\n"));
  SetFileAttributesW(WinText(LogPath()), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  constexpr ACCESS_MASK kChange = FILE_GENERIC_WRITE | DELETE;
  ASSERT_NE(EveryonesAccess(LogPath()) & kChange, kChange);
  WriteInstallLog(String(), false, false);
  EXPECT_EQ(EveryonesAccess(LogPath()) & kChange, kChange);
  EXPECT_EQ(GetFileAttributesW(WinText(LogPath())) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), 0u);
}

// A hard link that another user put in the log's place: the file it shares keeps its contents and
// its access list, and the log is a file of its own.
TEST_F(InstallLog, PlantedLinkIsReplacedNotWrittenThrough) {
  const String victim = JoinPath(ParentFolder(LogPath()), W(u"victim.txt"));
  ASSERT_TRUE(WriteBytes(victim, "private"));
  ASSERT_TRUE(CreateHardLinkW(WinText(LogPath()), WinText(victim), nullptr));
  const ACCESS_MASK before = EveryonesAccess(victim);
  WriteInstallLog(String(), false, false);
  EXPECT_EQ(ReadBytes(victim), "private");
  EXPECT_EQ(EveryonesAccess(victim), before);
  EXPECT_EQ(ReadBytes(LogPath()).rfind(kMark, 0), 0u);
  DeleteFileW(WinText(victim));
}

TEST(FailureSummary, BlockCarriesTheSystemErrorWhenThereIsOne) {
  UseLanguageTable(LogStrings(), {});
  String summary;
  SetLastError(0);
  AddFailure(summary, W(u"C:\\a.dll"));
  EXPECT_EQ(Utf8(summary), "Failed to install C:\\a.dll\r\n");

  SetLastError(ERROR_ACCESS_DENIED);
  AddFailure(summary, W(u"C:\\b.dll"));
  SetLastError(static_cast<DWORD>(E_ACCESSDENIED));
  AddFailure(summary, W(u"C:\\c.dll"));
  EXPECT_EQ(Utf8(summary), "Failed to install C:\\a.dll\r\nFailed to install C:\\b.dll\r\nCode 5: " +
                               Utf8(SystemErrorTextWithEnglish(ERROR_ACCESS_DENIED)) +
                               "\r\n\r\nFailed to install C:\\c.dll\r\nCode 0x80070005: " +
                               Utf8(SystemErrorTextWithEnglish(static_cast<DWORD>(E_ACCESSDENIED))) + "\r\n\r\n");
  UseLanguageTable(NoStrings(), {});
}

TEST(CompletionNotice, ChosenByOutcomeModeAndOptions) {
  struct Row {
    const char* label;
    bool failed;
    bool automatic;
    uint32_t word1;
    uint32_t word2;
    bool exit_actions;
    CompletionNotice expected;
  };
  const uint32_t kLog = option1::kInstallLog;
  const uint32_t kViewLog = option2::kViewLogOption;
  const Row rows[] = {
      {"failed", true, false, 0, 0, false, CompletionNotice::kFailureQuestion},
      {"failed, automatic", true, true, 0, 0, false, CompletionNotice::kNone},
      {"failed, no final message", true, false, option1::kNoFinalMessage, 0, false, CompletionNotice::kFailureQuestion},
      {"succeeded", false, false, 0, 0, false, CompletionNotice::kInformation},
      {"succeeded, automatic", false, true, kLog, kViewLog, true, CompletionNotice::kNone},
      {"succeeded, no final message", false, false, option1::kNoFinalMessage, 0, true, CompletionNotice::kNone},
      {"exit actions", false, false, 0, 0, true, CompletionNotice::kSummaryPage},
      {"view-log option with a log", false, false, kLog, kViewLog, false, CompletionNotice::kSummaryPage},
      {"view-log option without a log", false, false, 0, kViewLog, false, CompletionNotice::kInformation},
      {"exit actions, restart afterwards", false, false, option1::kRestartAfterInstall, 0, true,
       CompletionNotice::kInformation},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    InstallLogSettings settings;
    settings.options = OptionWords{row.word1, row.word2};
    settings.has_exit_actions = row.exit_actions;
    EXPECT_EQ(ChooseCompletionNotice(row.failed, row.automatic, settings), row.expected);
  }
}

}  // namespace
}  // namespace valdorine
