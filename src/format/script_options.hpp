// The option bits of the install script: option word 1 (the low half of `ProductFlags`), option
// word 2 (its high half) and the package flags of the package header (`ProductFlags2`). Only the
// bits that some part of the system reads are named.
#pragma once

#include <cstdint>

#include "format/package_layout.hpp"

namespace valdorine {

namespace option1 {
inline constexpr uint32_t kMustUninstall = 0x1;            // an older installation must go first
inline constexpr uint32_t kUninstallerStartMenuShortcut = 0x2;
inline constexpr uint32_t kProductRegistration = 0x4;      // uninstaller, uninstall key, shared folder
inline constexpr uint32_t kGreetingInAutomaticMode = 0x8;
inline constexpr uint32_t kAskBeforeRemovingFonts = 0x10;  // uninstaller
inline constexpr uint32_t kCompressedArchive = kScriptFlagCompressedArchive;
inline constexpr uint32_t kInstallLog = 0x40;
inline constexpr uint32_t kChooseDirPage = 0x80;
inline constexpr uint32_t kSingleInstance = 0x100;
inline constexpr uint32_t kUninstallAutomatically = 0x200;     // uninstaller asks nothing
inline constexpr uint32_t kRemoveInstallFolder = 0x400;        // uninstaller removes the whole folder
inline constexpr uint32_t kReplaceAnyFileAtRestart = 0x800;
inline constexpr uint32_t kAddToPath = 0x1000;
inline constexpr uint32_t kRestartAfterInstall = 0x4000;
inline constexpr uint32_t kBackgroundPicture = 0x8000;
inline constexpr uint32_t kRequiredProduct = 0x10000;
inline constexpr uint32_t kAskBeforeRemovingSharedFiles = 0x20000;  // uninstaller
inline constexpr uint32_t kVerifyWrittenFiles = 0x40000;
inline constexpr uint32_t kClearAttributesOnRetry = 0x80000;
inline constexpr uint32_t kLogEachFile = 0x100000;
inline constexpr uint32_t kNoCancel = 0x200000;
inline constexpr uint32_t kNoFinalMessage = 0x400000;
inline constexpr uint32_t kHiddenPreInstallBatch = 0x800000;
inline constexpr uint32_t kHiddenPostInstallBatch = 0x1000000;
inline constexpr uint32_t kHiddenExitBatch = 0x2000000;
inline constexpr uint32_t kHiddenUninstallBatch1 = 0x4000000;
inline constexpr uint32_t kHiddenUninstallBatch2 = 0x8000000;
inline constexpr uint32_t kNoExistingInstallQuestion = 0x10000000;
inline constexpr uint32_t kNoBackgroundWindow = 0x20000000;
inline constexpr uint32_t kAskBeforeCreatingFolder = 0x80000000;
}  // namespace option1

namespace option2 {
inline constexpr uint32_t kUninstallerDesktopShortcut = 0x2;
inline constexpr uint32_t kStartMenuPage = 0x4;
inline constexpr uint32_t kErrorBoxesInAutomaticMode = 0x8;
inline constexpr uint32_t kCompareVersions = 0x10;
inline constexpr uint32_t kRefuseNetworkFolder = 0x20;
inline constexpr uint32_t kUninstallerShortcutInUninstallFolder = 0x40;
inline constexpr uint32_t kMaximisedBackground = 0x100;
inline constexpr uint32_t kAskRestartInAutomaticMode = 0x200;
inline constexpr uint32_t kNoGreeting = 0x800;
inline constexpr uint32_t kAskForOldVersion = 0x1000;
inline constexpr uint32_t kRestartAfterUninstall = 0x2000;
inline constexpr uint32_t kSaveReadmeCopies = 0x4000;
inline constexpr uint32_t kSaveLicenseCopies = 0x8000;
inline constexpr uint32_t kHideFileNames = 0x20000;
inline constexpr uint32_t kGrantInstallFolderRights = 0x40000;
inline constexpr uint32_t kProgressPage = 0x80000;
inline constexpr uint32_t kPagesCarryIcon = 0x100000;
inline constexpr uint32_t kRestartMarker = 0x200000;
inline constexpr uint32_t kKeepInstallLog = 0x400000;
inline constexpr uint32_t kRefuseRemovableFolder = 0x800000;
inline constexpr uint32_t kNoRegistrationWhenPortable = 0x1000000;
inline constexpr uint32_t kViewLogOption = 0x2000000;
inline constexpr uint32_t kDesktopFolderFromProductName = 0x4000000;
inline constexpr uint32_t kInstallLogShortcut = 0x8000000;
inline constexpr uint32_t kHiddenUpgradeBatch = 0x10000000;
inline constexpr uint32_t kHiddenReinstallBatch = 0x20000000;
inline constexpr uint32_t kGrantSharedFolderRights = 0x40000000;
}  // namespace option2

namespace package_flag {
inline constexpr uint32_t kReinstallBatchOnlyForSameVersion = 0x1;
inline constexpr uint32_t kRestorePoint = 0x2;
inline constexpr uint32_t kLaunchProgramOption = 0x4;
inline constexpr uint32_t kOpenFile1Option = 0x8;
inline constexpr uint32_t kOpenFile2Option = 0x10;
inline constexpr uint32_t kUninstallerImage = kPackageFlagUninstallerImage;
inline constexpr uint32_t kLogPreInstallBatch = 0x40;
inline constexpr uint32_t kLogPostInstallBatch = 0x80;
inline constexpr uint32_t kLogUpgradeBatch = 0x100;
inline constexpr uint32_t kLogReinstallBatch = 0x200;
inline constexpr uint32_t kButtonImages = 0x400;
inline constexpr uint32_t kNoStartMenuPageWhenPortable = 0x800;
inline constexpr uint32_t kEncrypted = kPackageFlagEncrypted;
inline constexpr uint32_t kUninstallInstallPathValue = 0x2000;
inline constexpr uint32_t kNoRegistryWhenPortable = 0x8000;
inline constexpr uint32_t kRefuseNonAsciiFolder = 0x10000;
inline constexpr uint32_t kNoAssociationsWhenPortable = 0x20000;
inline constexpr uint32_t kUninstallCompletionMessage = 0x40000;
inline constexpr uint32_t kNoFirewallWhenPortable = 0x80000;
inline constexpr uint32_t kNoShellLaunch = 0x100000;
inline constexpr uint32_t kUninstallerInInstallFolder = 0x200000;
inline constexpr uint32_t kDiskSpaceOnChooseDir = 0x400000;
inline constexpr uint32_t kLicenseReadToEnd = 0x800000;
}  // namespace package_flag

// Silent mode takes every window and question away. Word 1: no ChooseDir page and no question
// before creating the folder; no background window, no existing-installation question, no Cancel,
// no final message. Word 2: no StartMenu page, error boxes, version classification, restart
// question, old-version question or progress page; no greeting.
inline constexpr uint32_t kSilentKeepWord1 = 0x7FFFFF7F;
inline constexpr uint32_t kSilentSetWord1 = 0x30600000;
inline constexpr uint32_t kSilentClearWord2 = 0x8121C;
inline constexpr uint32_t kSilentSetWord2 = 0x800;

inline void ApplySilentMode(uint32_t& word1, uint32_t& word2) {
  word1 = (word1 & kSilentKeepWord1) | kSilentSetWord1;
  word2 = (word2 & ~kSilentClearWord2) | kSilentSetWord2;
}

}  // namespace valdorine
