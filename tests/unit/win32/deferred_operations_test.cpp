#include "uninstall/deferred_operations.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../string_test_support.hpp"
#include "core/win32/file_system.hpp"
#include "diagnostics/operations_log.hpp"
#include "operations_log_contents.hpp"
#include "pending_operations.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;
using testing::OperationsLogContents;
using testing::PendingOperationsGuard;
using testing::PendingTexts;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::W;
using testing::WideOf;
using testing::WriteBytes;

std::u16string NtPath(const String& path) { return u"\\??\\" + WideOf(path); }

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return text;
}

class DeferredOperations : public ::testing::Test {
 protected:
  void TearDown() override { CloseOperationsLog(); }

  String File(const char16_t* name) {
    const String path = folder_.Join(name);
    WriteBytes(path, "data");
    return path;
  }

  PendingOperationsGuard pending_;
  ScratchFolder folder_;
};

TEST_F(DeferredOperations, DeleteAtRestartAddsADeletionPair) {
  const String path = File(u"old.dll");
  ASSERT_TRUE(DeleteAtRestart(path));
  EXPECT_EQ(pending_.Texts(), (PendingTexts{NtPath(path), u""}));
  EXPECT_TRUE(FileExists(path));
  EXPECT_FALSE(DeleteAtRestart(String()));
}

TEST_F(DeferredOperations, ReplaceAtRestartAddsAReplacingMoveAndReportsBusy) {
  const String temporary = File(u"SGT1.tmp");
  const String target = File(u"in use.dll");
  SetLastError(0);
  ASSERT_TRUE(ReplaceAtRestart(temporary, target));
  EXPECT_EQ(GetLastError(), 170u);
  EXPECT_EQ(pending_.Texts(), (PendingTexts{NtPath(temporary), u"!" + NtPath(target)}));
  EXPECT_EQ(ReadBytes(target), "data");
}

TEST_F(DeferredOperations, CleaningRemovesPairsOfInstalledPathsAndKeepsTheRest) {
  const String source = File(u"SGT2.tmp");
  const String moved_onto = folder_.Join(u"App\\x.dll");
  const String deleted = folder_.Join(u"App\\y.dll");
  PathSet installed;
  installed.FindOrInsert(PathSetKey(moved_onto));
  installed.FindOrInsert(PathSetKey(deleted));
  const PendingTexts unrelated{u"\\??\\C:\\Other\\a.tmp", u"!\\??\\C:\\Other\\a.dll", u"\\??\\C:\\Other\\b.dll", u""};
  PendingTexts list{NtPath(source), u"!" + Upper(NtPath(moved_onto))};
  list.insert(list.end(), unrelated.begin(), unrelated.end());
  list.push_back(Upper(NtPath(deleted)));  // an odd count: its empty target is missing
  pending_.Write(list);
  ASSERT_TRUE(OpenOperationsLog());

  CleanPendingOperations(installed, true);

  EXPECT_EQ(pending_.Texts(), unrelated);
  EXPECT_FALSE(FileExists(source));
  EXPECT_EQ(OperationsLogContents(), "\r\nFile \"" +
                                         NarrowOf(NarrowFromWide(PathSetKey(moved_onto), code_page::kUtf8)) +
                                         "\" was removed from the list of pending moves.\r\n"
                                         "File \"" +
                                         NarrowOf(NarrowFromWide(PathSetKey(deleted), code_page::kUtf8)) +
                                         "\" was removed from the list of pending deletions.\r\n");
}

TEST_F(DeferredOperations, CleaningWithoutMatchesLeavesTheListUntouchedAndLogsNothing) {
  const PendingTexts list{u"\\??\\C:\\Other\\a.tmp", u"!\\??\\C:\\Other\\a.dll", u"\\??\\C:\\Other\\b.dll"};
  pending_.Write(list);
  bool present = false;
  const std::u16string before = pending_.ReadRaw(present);
  PathSet installed;
  installed.FindOrInsert(W(u"c:\\app\\x.dll"));
  ASSERT_TRUE(OpenOperationsLog());

  CleanPendingOperations(installed, false);

  EXPECT_EQ(pending_.ReadRaw(present), before);
  EXPECT_EQ(OperationsLogContents(), "");
}

TEST_F(DeferredOperations, CleaningDropsEmptyPairsAndRecyclesOnlyFullSourcePaths) {
  const String installed_path = W(u"C:\\App\\x.dll");
  PathSet installed;
  installed.FindOrInsert(PathSetKey(installed_path));
  // A relative source would name a file of the current folder once its marks are stripped.
  const String relative = W(u"valdorine-relative-source.tmp");
  WriteBytes(relative, "keep");
  pending_.Write(
      {u"", u"", u"\\??\\valdorine-relative-source.tmp", u"!\\??\\C:\\App\\x.dll", u"\\??\\C:\\Keep.dll", u""});

  CleanPendingOperations(installed, false);

  EXPECT_EQ(pending_.Texts(), (PendingTexts{u"\\??\\C:\\Keep.dll", u""}));
  EXPECT_TRUE(FileExists(relative));
  DeleteFileW(WinText(relative));
}

struct RenameCase {
  const char* name;
  std::string before;  // "-" for no file
  std::string after;
};

TEST(AddRenameLine, InsertsAfterTheHeaderOrAppendsTheSection) {
  const RenameCase cases[] = {
      {"no file", "-", "[rename]\r\nNUL=C:\\OLD~1.DLL"},
      {"no section", "[boot]\r\nx=1\r\n", "[boot]\r\nx=1\r\n[rename]\r\nNUL=C:\\OLD~1.DLL"},
      {"last line unended", "[boot]\r\nx=1", "[boot]\r\nx=1\r\n[rename]\r\nNUL=C:\\OLD~1.DLL"},
      {"header in another case", "[boot]\r\n[ReNaMe]\r\nA=B\r\n", "[boot]\r\n[ReNaMe]\r\nNUL=C:\\OLD~1.DLL\r\nA=B\r\n"},
  };
  for (const RenameCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    const String ini = folder.Join(u"wininit.ini");
    if (c.before != "-") WriteBytes(ini, c.before);
    EXPECT_TRUE(AddRenameLine(ini, String::FromNarrow("NUL"), String::FromNarrow("C:\\OLD~1.DLL")));
    EXPECT_EQ(ReadBytes(ini), c.after);
  }
}

TEST(AddRenameLine, RefusesAnEmptyNameOrValueWithoutWriting) {
  ScratchFolder folder;
  const String ini = folder.Join(u"wininit.ini");
  WriteBytes(ini, "[rename]\r\n");
  EXPECT_FALSE(AddRenameLine(ini, String(), String::FromNarrow("C:\\A.TMP")));
  EXPECT_FALSE(AddRenameLine(ini, String::FromNarrow("NUL"), String()));
  EXPECT_EQ(ReadBytes(ini), "[rename]\r\n");
  EXPECT_FALSE(
      AddRenameLine(folder.Join(u"missing\\wininit.ini"), String::FromNarrow("NUL"), String::FromNarrow("C:\\A.TMP")));
}

}  // namespace
}  // namespace valdorine
