#include "paths/batch_files.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../string_test_support.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/temp_files.hpp"
#include "diagnostics/operations_log.hpp"
#include "operations_log_contents.hpp"
#include "paths/environment_text.hpp"
#include "paths/path_variables.hpp"
#include "run/run_switches.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;
using testing::OperationsLogContents;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::W;

std::string Utf8(const String& wide) { return NarrowOf(NarrowFromWide(wide, code_page::kUtf8)); }

// A silent run (no message boxes) installing into a scratch folder, with the operations log open.
class BatchFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunPathVariables().install_dir = folder_.Path();
    Switches().silent_mode = true;
    Switches().automatic_mode = true;
    ASSERT_TRUE(OpenOperationsLog());
  }
  void TearDown() override {
    CloseOperationsLog();
    RunPathVariables() = saved_variables_;
    Switches() = saved_switches_;
    SetEnvironmentVariableW(L"COMSPEC", saved_comspec_.IsEmpty() ? nullptr : WinText(saved_comspec_));
  }

  ScratchFolder folder_;

 private:
  PathVariableSources saved_variables_ = RunPathVariables();
  RunSwitches saved_switches_ = Switches();
  String saved_comspec_ = EnvironmentVariable(u"COMSPEC");
};

TEST_F(BatchFilesTest, LoggedBatchRunsInTheInstallationFolderAndItsOutputGoesIntoTheLog) {
  ASSERT_TRUE(RunBatch(String::FromNarrow("cd\r\necho %ProductName%-%Automatic%"), false, W(u"Test Batch")));
  const std::string expected = "\r\nRunning Test Batch...\r\n" + Utf8(folder_.Path()) + "\r\n-1\r\n\r\n";
  EXPECT_NE(OperationsLogContents().find(expected), std::string::npos) << OperationsLogContents();
  EXPECT_FALSE(PathExists(folder_.Join(u"SETUPBAT.BAT")));
  EXPECT_FALSE(PathExists(folder_.Join(u"qx_batch.log")));
}

TEST_F(BatchFilesTest, WithoutTheInstallationFolderTheBatchRunsInTheTemporaryFolder) {
  RunPathVariables().install_dir = folder_.Join(u"not yet created");
  ASSERT_TRUE(RunBatch(String::FromNarrow("cd"), false, W(u"Early Batch")));
  String temp = TempFolder();
  temp.RemoveTrailing(u'\\');
  EXPECT_NE(OperationsLogContents().find("\r\nRunning Early Batch...\r\n" + Utf8(temp) + "\r\n\r\n"), std::string::npos)
      << OperationsLogContents();
}

TEST_F(BatchFilesTest, UnloggedBatchRunsWithoutATraceInTheLog) {
  ASSERT_TRUE(RunBatch(String::FromNarrow("echo made> marker.txt\r\necho printed"), false, String()));
  EXPECT_EQ(ReadBytes(folder_.Join(u"marker.txt")), "made\r\n");
  EXPECT_EQ(OperationsLogContents(), "");
}

TEST_F(BatchFilesTest, BlankCommandsRunNothing) {
  EXPECT_TRUE(RunBatch(String::FromNarrow(" \r\n\t\r\n"), false, W(u"Blank Batch")));
  EXPECT_EQ(OperationsLogContents(), "");
}

TEST_F(BatchFilesTest, TheInterpreterIsComspecOrCmdInTheSystemFolder) {
  const String missing = folder_.Join(u"no-such-cmd.exe");
  SetEnvironmentVariableW(L"COMSPEC", WinText(missing));
  EXPECT_EQ(CommandInterpreterPath(), missing);
  EXPECT_FALSE(RunBatch(String::FromNarrow("echo never"), false, W(u"Lost Batch")));
  EXPECT_NE(OperationsLogContents().find("The CLI " + Utf8(missing) + " does not exist!\r\n"), std::string::npos);

  SetEnvironmentVariableW(L"COMSPEC", nullptr);
  EXPECT_EQ(CommandInterpreterPath(), JoinPath(SystemFolder(), W(u"cmd.exe")));
}

}  // namespace
}  // namespace valdorine
