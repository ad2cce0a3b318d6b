// The destination kinds and flags of a file entry, and what each kind means for the file loop:
// which replacement rule applies and whether the uninstaller removes the file again.
#pragma once

#include <cstdint>

namespace valdorine {

namespace entry_kind {
inline constexpr uint32_t kProgramFile = 0;     // the installation folder
inline constexpr uint32_t kSharedFile = 1;      // the shared folder
inline constexpr uint32_t kFont = 4;            // the Windows fonts folder
inline constexpr uint32_t kStartupProgram = 5;  // the installation folder, with a startup shortcut
inline constexpr uint32_t kSystemFile = 6;      // the system folder
inline constexpr uint32_t kComServer = 7;       // the system folder
inline constexpr uint32_t kTypeLibrary = 8;     // the system folder
inline constexpr uint32_t kVersionedFile = 9;   // the installation folder
inline constexpr uint32_t kDriver = 10;
inline constexpr uint32_t kInstallerPackage = 11;
inline constexpr uint32_t kControlPanelApplet = 12;
}  // namespace entry_kind

namespace entry_flag {
inline constexpr uint32_t kDesktopShortcut = 0x1;
inline constexpr uint32_t kStartMenuShortcut = 0x2;
inline constexpr uint32_t kOverwriteModeMask = 0x1C;
inline constexpr int kOverwriteModeShift = 2;
inline constexpr uint32_t kPermanent = 0x20;
inline constexpr uint32_t kInUninstallFolder = 0x40;
inline constexpr uint32_t kRecordInstalledPackage = 0x80;  // kind 11
}  // namespace entry_flag

// How an existing file at the destination is treated in the default overwrite mode.
enum class ReplacementRule {
  kAlways,          // replaced without looking at it
  kUnlessUpToDate,  // kept when its date is not earlier than the entry's
  kOnlyIfNewer,     // replaced only by a newer version with a newer date
};

inline ReplacementRule ReplacementRuleFor(uint32_t kind) {
  if (kind == entry_kind::kSharedFile || kind == entry_kind::kFont) return ReplacementRule::kUnlessUpToDate;
  if (kind >= entry_kind::kSystemFile && kind <= entry_kind::kVersionedFile) return ReplacementRule::kOnlyIfNewer;
  return ReplacementRule::kAlways;
}

// Files of the system folder and the fonts folder stay behind at uninstallation; shared files stay
// except in a portable installation, where the shared folder belongs to the product.
inline bool IsRecordedForRemoval(uint32_t kind, bool portable) {
  if (kind == entry_kind::kSharedFile) return portable;
  return kind == entry_kind::kProgramFile || kind == entry_kind::kStartupProgram ||
         kind >= entry_kind::kVersionedFile;
}

inline uint32_t OverwriteMode(uint32_t flags) {
  return (flags & entry_flag::kOverwriteModeMask) >> entry_flag::kOverwriteModeShift;
}

}  // namespace valdorine
