#include "uninstall/self_delete_batch.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../string_test_support.hpp"
#include "core/path_text.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/temp_files.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::W;
using testing::WriteBytes;

std::string Text(const SelfDeleteTargets& targets) {
  return NarrowOf(NarrowFromWide(SelfDeleteBatchText(targets, W(u"C:\\Temp\\delunins.bat")), code_page::kUtf8));
}

SelfDeleteTargets AppTargets(const char16_t* subfolder) {
  return {W(u"C:\\App\\data\\bin\\uninstall.exe"), W(u"C:\\App"), W(subfolder)};
}

TEST(SelfDeleteBatchText, WaitsForTheUninstallerThenRemovesFoldersDeepestFirstAndItself) {
  EXPECT_EQ(Text(AppTargets(u"data\\bin")),
            ":Repeat\r\n"
            "del \"C:\\App\\data\\bin\\uninstall.exe\"\r\n"
            "if exist \"C:\\App\\data\\bin\\uninstall.exe\" goto Repeat\r\n"
            "CHOICE /T 3 /D Y\r\n"
            "rd \"C:\\App\\data\\bin\"\r\n"
            "rd \"C:\\App\\data\"\r\n"
            "rd \"C:\\App\"\r\n"
            "del \"C:\\Temp\\delunins.bat\"\r\n");
}

TEST(SelfDeleteBatchText, PercentSignsAreDoubledSoNoVariableIsExpanded) {
  EXPECT_EQ(Text({W(u"C:\\100%\\u.exe"), W(u"C:\\100%"), W(u"%TEMP%")}),
            ":Repeat\r\n"
            "del \"C:\\100%%\\u.exe\"\r\n"
            "if exist \"C:\\100%%\\u.exe\" goto Repeat\r\n"
            "CHOICE /T 3 /D Y\r\n"
            "rd \"C:\\100%%\\%%TEMP%%\"\r\n"
            "rd \"C:\\100%%\"\r\n"
            "del \"C:\\Temp\\delunins.bat\"\r\n");
}

TEST(SelfDeleteBatchText, SubfolderLinesOnlyForFoldersBelowTheInstallationFolder) {
  const std::string tail = "rd \"C:\\App\"\r\ndel \"C:\\Temp\\delunins.bat\"\r\n";
  const std::string nested = "rd \"C:\\App\\data\\bin\"\r\nrd \"C:\\App\\data\"\r\n" + tail;
  const struct {
    const char16_t* subfolder;
    std::string ending;
  } cases[] = {
      {u"", "CHOICE /T 3 /D Y\r\n" + tail},
      {u"\\data\\bin\\", nested},
      {u"data/bin", "rd \"C:\\App\\data/bin\"\r\nrd \"C:\\App\\data\"\r\n" + tail},
      {u"..\\Windows", "CHOICE /T 3 /D Y\r\n" + tail},
      {u"data\\..\\..", "CHOICE /T 3 /D Y\r\n" + tail},
      {u"C:\\Windows", "CHOICE /T 3 /D Y\r\n" + tail},
  };
  for (const auto& c : cases) {
    const std::string text = Text(AppTargets(c.subfolder));
    SCOPED_TRACE(text);
    ASSERT_GE(text.size(), c.ending.size());
    EXPECT_EQ(text.substr(text.size() - c.ending.size()), c.ending);
  }
}

TEST(SelfDeleteBatchText, AtMostFiftySubfolderLines) {
  std::u16string deep = u"d";
  for (int i = 1; i < 60; ++i) deep += u"\\d";
  const std::string text = Text(AppTargets(deep.c_str()));
  size_t lines = 0;
  for (size_t at = text.find("rd \"C:\\App\\d"); at != std::string::npos; at = text.find("rd \"C:\\App\\d", at + 1)) {
    ++lines;
  }
  EXPECT_EQ(lines, 50u);
}

// The batch runs for real: the uninstaller file, the emptied folders and the batch itself vanish,
// while a folder that still holds a file stays.
TEST(WriteSelfDeleteBatch, RemovesTheUninstallerItsEmptyFoldersAndItself) {
  for (const bool data_holds_a_file : {false, true}) {
    SCOPED_TRACE(data_holds_a_file);
    ScratchFolder scratch;
    const String install_dir = scratch.Join(u"App %PATH% Folder");  // a variable reference in a name
    const String data = JoinPath(install_dir, W(u"data"));
    ASSERT_TRUE(CreateFolderTree(JoinPath(data, W(u"bin"))));
    const String uninstaller = JoinPath(data, W(u"bin\\uninstall.exe"));
    ASSERT_TRUE(WriteBytes(uninstaller, "MZ"));
    if (data_holds_a_file) ASSERT_TRUE(WriteBytes(JoinPath(data, W(u"settings.ini")), "stay"));
    String batch;
    ASSERT_TRUE(WriteSelfDeleteBatch({uninstaller, install_dir, W(u"data\\bin")}, &batch));
    EXPECT_EQ(ParentFolder(batch), ParentFolder(JoinPath(TempFolder(), W(u"x"))));
    EXPECT_EQ(ReadBytes(batch).rfind("@chcp 1252 >nul\r\n:Repeat\r\n", 0), 0u);

    for (int wait = 0; wait < 200 && PathExists(batch); ++wait) Sleep(100);
    EXPECT_FALSE(PathExists(batch));
    EXPECT_FALSE(PathExists(uninstaller));
    EXPECT_FALSE(PathExists(JoinPath(data, W(u"bin"))));
    EXPECT_EQ(PathExists(data), data_holds_a_file);
    EXPECT_EQ(PathExists(install_dir), data_holds_a_file);
  }
}

}  // namespace
}  // namespace valdorine
