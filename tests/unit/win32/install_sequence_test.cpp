// The install sequence's decisions that can be checked without running an installation: the
// classification of an existing installation, the restart command of the MustUninstall branch,
// when error boxes appear, the bitness check, the message texts and the checks of a chosen folder.
#include <windows.h>
// windows.h first: the shell header needs its types.
#include <shlobj.h>

#include <gtest/gtest.h>

#include "core/win32/system_folders.hpp"
#include "installer/existing_installation.hpp"
#include "installer/installation_folder.hpp"
#include "installer/restore_point.hpp"
#include "installer/system_checks.hpp"
#include "package/language_message.hpp"
#include "scratch_folder.hpp"
#include "ui/message_boxes.hpp"

namespace valdorine {
namespace {

using testing::W;

TEST(InstallSequenceExisting, ClassifiesByVersionWhenAskedTo) {
  struct Case {
    bool compare;
    const char16_t* existing;
    const char16_t* package;
    ExistingKind kind;
    int message;
  };
  const Case cases[] = {
      {true, u"1.9", u"2.0", ExistingKind::kUpgrade, 5},
      {true, u"2.0", u"2.0", ExistingKind::kReinstall, 4},
      {true, u"2.0.1", u"2.0", ExistingKind::kDowngrade, 6},
      {true, u"1.2", u"1.2.0", ExistingKind::kUpgrade, 5},  // a shorter list is the smaller
      {true, u"1.2a", u"1.2b", ExistingKind::kUpgrade, 5},
      {true, u" ", u"2.0", ExistingKind::kUnclassified, 3},  // a blank version is not compared
      {true, u"2.0", u"", ExistingKind::kUnclassified, 3},
      {false, u"1.0", u"2.0", ExistingKind::kUnclassified, 3},
  };
  for (const Case& c : cases) {
    const ExistingKind kind = ClassifyExisting(c.compare, W(c.existing), W(c.package));
    EXPECT_EQ(kind, c.kind) << static_cast<const void*>(c.existing);
    EXPECT_EQ(ExistingInstallationMessage(kind), c.message);
  }
}

TEST(InstallSequenceExisting, RestartCommandCarriesTheCommandLineWithBackquotes) {
  EXPECT_EQ(UninstallAndRestartCommand(W(u"\"C:\\P\\uninstall.exe\" /u:\"Prod\""),
                                       W(u"\"C:\\dl\\setup.exe\" /a /d:\"C:\\Target\"")),
            W(u"\"C:\\P\\uninstall.exe\" /u:\"Prod\" /r:\"`C:\\dl\\setup.exe` /a /d:`C:\\Target`\""));
}

TEST(InstallSequenceMessages, ErrorBoxesFollowTheRunMode) {
  const uint32_t asked = 0x8;
  EXPECT_TRUE(ErrorBoxShown(false, false, 0));
  EXPECT_FALSE(ErrorBoxShown(false, true, 0));
  EXPECT_TRUE(ErrorBoxShown(false, true, asked));
  EXPECT_FALSE(ErrorBoxShown(true, true, asked));  // silent mode shows nothing
}

TEST(InstallSequenceMessages, PlaceholdersAreFilledInOrderAndNeverReadMissingArguments) {
  EXPECT_EQ(FillPlaceholders(W(u"Needs %s of %s."), {W(u"4.2"), W(u"Runtime")}), W(u"Needs 4.2 of Runtime."));
  EXPECT_EQ(FillPlaceholders(W(u"A %d-bit Windows"), {W(u"64")}), W(u"A 64-bit Windows"));
  EXPECT_EQ(FillPlaceholders(W(u"%s and %s and %n"), {W(u"one")}), W(u"one and %s and %n"));
  EXPECT_EQ(FillPlaceholders(W(u"100%"), {W(u"x")}), W(u"100%"));
}

TEST(InstallSequenceMessages, RegistryFolderRefusalsNameTheLocation) {
  EXPECT_EQ(UnreadableRegistryFolderMessage(W(u"HKCU\\Software\\P")),
            W(u"Failed to obtain installation path from \"HKCU\\Software\\P\""));
  EXPECT_EQ(MissingRegistryFolderMessage(W(u"D:\\Apps\\P"), W(u"HKLM\\Software\\P")),
            W(u"Installation path \"D:\\Apps\\P\" obtained from \"HKLM\\Software\\P\" does not exist."));
}

TEST(InstallSequenceMessages, RestorePointDescriptionHasTheVersionOnlyWhenThereIsOne) {
  EXPECT_EQ(RestorePointDescription(W(u"Product"), W(u"1.2")), W(u"Product 1.2"));
  EXPECT_EQ(RestorePointDescription(W(u"Product"), String()), W(u"Product"));
}

TEST(InstallSequenceChecks, BitnessRefusesOnlyTheWrongWindows) {
  EXPECT_EQ(MissingBitness(0, true), 0);
  EXPECT_EQ(MissingBitness(1, true), 0);
  EXPECT_EQ(MissingBitness(1, false), 64);
  EXPECT_EQ(MissingBitness(2, true), 32);
  EXPECT_EQ(MissingBitness(2, false), 0);
}

TEST(InstallSequenceFolder, ChosenFolderChecks) {
  testing::ScratchFolder scratch;
  const char16_t absent = testing::AbsentDriveLetter();
  ASSERT_NE(absent, 0);
  String on_absent_drive = String::FormatWide(u"%c:\\Apps\\Product", absent);
  struct Case {
    String folder;
    int refusal;
  };
  const Case cases[] = {
      {W(u"C:"), 17},
      {W(u"C:\\"), 17},
      {W(u"C:\\a<b"), 14},
      {SpecialFolder(CSIDL_DESKTOPDIRECTORY), 14},
      {SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY), 14},
      {on_absent_drive, 16},
      {ProgramFilesFolder(folder_kind::k32Bit), 18},
      {ProgramFilesFolder(folder_kind::k64Bit), 18},
      {scratch.Path(), 0},
      {scratch.Join(u"not yet created"), 0},
  };
  for (const Case& c : cases) {
    const FolderRefusal refusal = CheckChosenFolder(c.folder, {});
    EXPECT_EQ(refusal.language_string, c.refusal) << NarrowFromWide(c.folder, code_page::kUtf8).Narrow();
    EXPECT_EQ(refusal.message.IsEmpty(), c.refusal == 0 || c.refusal == 17);  // 17 has no argument
  }
}

TEST(InstallSequenceFolder, NonAsciiAndNetworkFoldersAreRefusedOnlyWhenTheScriptSaysSo) {
  const String accented = W(u"C:\\Programme\\Caf\u00e9");
  EXPECT_EQ(CheckChosenFolder(accented, {}).language_string, 0);
  EXPECT_EQ(CheckChosenFolder(accented, {false, false, true}).language_string, 30);
  EXPECT_EQ(CheckChosenFolder(W(u"\\\\server\\share\\app"), {true, false, false}).language_string, 66);
}

}  // namespace
}  // namespace valdorine
