// The install script: the product author's settings, texts, lists and localised messages, as one
// record that the installer reads once at start-up and keeps read-only afterwards. The builder
// writes the same record; both directions follow one layout (install_script_layout.hpp).
//
// Text encodings, by field: "wide" fields hold UTF-16LE; "ANSI" fields 8-bit text in the system's
// ANSI code page; "UTF-8" fields 8-bit UTF-8 text; "file" fields the raw contents of a file. Texts
// are kept exactly as stored (a String of the stored bytes); the consumer converts.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "core/string.hpp"
#include "core/vector.hpp"
#include "format/file_entry.hpp"
#include "format/script_options.hpp"

namespace valdorine {

// The option words of `ProductFlags`: word 1 is the low half, word 2 the high half.
struct OptionWords {
  uint32_t word1 = 0;
  uint32_t word2 = 0;

  uint64_t Value() const { return word1 | (uint64_t{word2} << 32); }
};

// The flags of a conditional deletion.
namespace deletion_flag {
inline constexpr uint8_t kOnlyAtRestart = 0x1;       // no immediate attempt
inline constexpr uint8_t kAtRestartOnFailure = 0x2;  // at restart when the immediate deletion fails
inline constexpr uint8_t kWhenInstalling = 0x4;      // before the files are installed
inline constexpr uint8_t kWhenUninstalling = 0x8;    // during uninstallation
}  // namespace deletion_flag

// One conditional deletion (flags: deletion_flag).
struct FileDeletion {
  String pattern;          // ANSI; path variables and wildcards allowed
  uint8_t condition_kind = 0;
  String condition_value;  // ANSI
  uint8_t flags = 0;
};
template <> inline constexpr bool kDeclaredAsStruct<FileDeletion> = true;

struct FileAssociation {
  uint32_t mode = 0;   // 0 normal, 1 also the default verb, 2 only the open-with list
  String extension;    // ANSI
  String class_name;   // ANSI
  String description;  // ANSI
  String verbs;        // ANSI, comma-separated
  String verb_label;   // ANSI
  String command;      // UTF-8
  String language;     // wide; empty: every language
  String icon;         // UTF-8
};
template <> inline constexpr bool kDeclaredAsStruct<FileAssociation> = true;

struct ScriptShortcut {
  String target;          // UTF-8
  String name;            // UTF-8
  String icon;            // UTF-8
  String arguments;       // UTF-8
  String working_folder;  // UTF-8
  uint8_t desktop = 0;
  uint8_t start_menu = 0;
  uint8_t startup = 0;
  String extra_folder;    // ANSI
  uint8_t show_command = 0;  // 0 normal, 1 minimised, 2 maximised
  uint8_t permanent = 0;
};
template <> inline constexpr bool kDeclaredAsStruct<ScriptShortcut> = true;

// A value written below the product's uninstall key.
struct UninstallKeyValue {
  String name;  // ANSI; a part before the last backslash names a subkey
  uint8_t type = 1;  // 1 text, 2 expandable text, 4 number
  String value;      // UTF-8; path variables are expanded
};
template <> inline constexpr bool kDeclaredAsStruct<UninstallKeyValue> = true;

// A program that must be closed before installing or uninstalling.
struct AutoCloseEntry {
  String window_class;  // wide pattern
  String window_title;  // ANSI pattern
  String program_name;  // ANSI, shown to the user
  uint8_t action = 0;   // 0 close request, 1 quit message, 2 ask the user, 3 terminate
  uint8_t flags = 0;    // kAutoCloseForUninstaller keeps the entry for the uninstaller
};
inline constexpr uint8_t kAutoCloseForUninstaller = 0x2;
template <> inline constexpr bool kDeclaredAsStruct<AutoCloseEntry> = true;

// Field 82: the size estimate's extra bytes, the page style of each wizard page and the
// integrity mode (1 stub checksum, 2 signature, other none).
struct DisplaySettings {
  uint64_t ExtraSizeEstimate = 0;
  uint32_t GreetingPageStyle = 1;
  uint32_t LanguagePageStyle = 1;
  uint32_t LicensePageStyle = 1;
  uint32_t ReadmePageStyle = 1;
  uint32_t ChooseDirPageStyle = 1;
  uint32_t StartMenuPageStyle = 1;
  uint32_t ProgressPageStyle = 1;
  uint32_t SummaryPageStyle = 1;
  uint32_t IntegrityMode = 0;
};

// The numbered texts, one per language: `Text(n, language)`. Stored string-major.
struct LanguageTable {
  Array<String> names;  // wide
  int32_t string_count = 0;
  Array<String> texts;  // wide; string n of language l at n * names.Count() + l

  const String& Text(int number, int language) const { return texts[number * names.Count() + language]; }
  bool Has(int number, int language) const {
    return number >= 0 && number < string_count && language >= 0 && language < names.Count();
  }
};

// The uninstaller's file name when the script's field is empty or names no file of its folder.
inline constexpr char16_t kDefaultUninstallerName[] = u"uninstall.exe";

struct InstallScript {
  OptionWords ProductFlags;          // 1
  uint8_t AutomaticMode = 0;         // 2: 1 on, 2 off unless silent, other: the command line decides
  String TaskbarText;                // 3 wide
  String DisplayTitle;               // 4 wide
  double TitleSize = 1.0;            // 5
  uint32_t ProgressPosition = 27;    // 6
  uint16_t StageDelay = 0;           // 7: 0..9999
  uint8_t ShortcutMode = 0;          // 8: 1 all users
  EntryDate UninstallerTime;         // 9
  String Publisher;                  // 10 wide
  String ProductName;                // 11 wide
  String ProductDescription;         // 12 wide; default: the product name
  uint8_t Bitness = 0;               // 13: 1 64-bit, 2 32-bit only
  uint8_t SharedBase = 0;            // 14
  String SharedPath;                 // 15 wide; default: the publisher, else the product name
  String PortableSharedPath;         // 16 wide
  String ProductStartMenu;           // 17 wide; default: the product name
  String DisplayVersion;             // 18 ANSI
  String DefaultInstallDir;          // 19 wide; resolved by the reader's hook
  String ProductRegistry;            // 20 wide
  String RegistryText;               // 21 wide
  String RegistryMerge;              // 22 file
  uint32_t BitmapSize = 0;           // 23: 0..100
  uint32_t StretchMode = 0;          // 24
  String GreetingLink;               // 25 wide
  Array<String> LicenseTexts;        // 26: rich text (8-bit, "{\rtf") or wide plain text
  Array<String> ReadmeTexts;         // 27
  String UninstallSubdir;            // 28 wide
  String UninstallerName;            // 29 wide; kDefaultUninstallerName when empty
  String UninstallKey;               // 30 wide; default: the product name
  String InstallPathKey;             // 31 ANSI
  String WindowTitle;                // 32 wide
  uint32_t HeaderTextColor = 0;      // 33
  uint8_t PictureBorder = 0;         // 34
  uint32_t TitleColor = 0;           // 35
  uint8_t TitleShadow = 0;           // 36
  uint8_t TitlePosition = 0;         // 37
  String TitleFont;                  // 38 ANSI
  uint32_t TopColor = 0;             // 39
  uint32_t BottomColor = 0;          // 40
  String BackgroundPicture;          // 41 file (a bitmap); empty: none
  int32_t BitmapTPI = -1;            // 41, stored with the picture
  uint8_t CopyrightPos = 0;          // 42: 0 no copyright line (43..46 absent)
  uint32_t CopyrightColor = 0;       // 43
  double CopyrightSize = 0.0;        // 44
  String CopyrightText;              // 45 wide
  String CopyrightFont;              // 46 ANSI
  String MasterKey;                  // 47 wide, with word 1 0x10000; default: the product name
  String MasterName;                 // 48 wide, likewise
  String MasterMinVersion;           // 49 ANSI, likewise
  String StartSound;                 // 50 file (WAV)
  String DesktopFolder;              // 51 wide
  String DesktopFolderIcon;          // 52 file (icon)
  String PreInstallBatch;            // 53 ANSI
  String PostInstallBatch;           // 54 ANSI
  String ExitBatch;                  // 55 ANSI
  String UninstallBatch1;            // 56 ANSI
  String UninstallBatch2;            // 57 ANSI
  String UpgradeBatch;               // 58 ANSI
  String ReinstallBatch;             // 59 ANSI
  uint32_t ExcludedSystems = 0;      // 61 (60 is reserved)
  uint8_t ArchiveInFile = 0;         // 62
  String LaunchProgram;              // 63 UTF-8
  String OpenFile1;                  // 64 UTF-8
  String OpenFile2;                  // 65 UTF-8
  String StartNotifyURL;             // 66..75 ANSI
  String BeginNotifyURL;
  String InstallNotifyURL;
  String UpgradeNotifyURL;
  String DowngradeNotifyURL;
  String ReinstallNotifyURL;
  String NotifyURL;
  String LinkNotifyURL;
  String CancelNotifyURL;
  String ErrorNotifyURL;
  String OldVersionBelow;            // 76 ANSI
  String NoDowngradeBelow;           // 77 ANSI
  String Password;                   // 78 ANSI
  String MustUninstallBelow;         // 79 ANSI
  String FirewallList;               // 80 UTF-8
  String AddToPathSubfolder;         // 81 wide
  DisplaySettings Display;           // 82
  String UninstallerIcon;            // 83 file, with word 1 0x4
  Array<FileDeletion> ConditionalDeletes;       // 84
  Array<FileAssociation> Associations;          // 85
  Array<ScriptShortcut> Shortcuts;              // 86
  String RootShortcutName;           // 87 UTF-8
  String RootShortcutCommand;        // 88 UTF-8
  String TaskbarPinCommand;          // 89 wide
  String TaskbarPinName;             // 90 wide; default: the product name
  Array<UninstallKeyValue> UninstallKeyValues;  // 91
  String SupportOffer;               // 92 ANSI
  String ProductIcon;                // 93 file
  Array<AutoCloseEntry> AutoClose;   // 94
  LanguageTable Languages;           // 95..98
};

// The codes with which a script is refused; shown in the corrupt-package message.
namespace script_error {
inline constexpr int kStageDelay = 19;
inline constexpr int kLicenseCount = 24;
inline constexpr int kReadmeCount = 26;
inline constexpr int kLanguageCount = 30;
inline constexpr int kStringCount = 31;
inline constexpr int kEndMarker = 32;
inline constexpr int kAssociationCount = 36;
inline constexpr int kUninstallValueCount = 37;
inline constexpr int kConditionalDeleteCount = 38;
inline constexpr int kBitmapSize = 39;
inline constexpr int kAutoCloseCount = 41;
inline constexpr int kShortcutCount = 48;
}  // namespace script_error

namespace script_limit {
inline constexpr uint16_t kMaxStageDelay = 9999;
inline constexpr int kMaxLicenseTexts = 20;
inline constexpr int kMaxReadmeTexts = 20;
inline constexpr uint32_t kMaxBitmapSize = 100;
inline constexpr int kMaxAssociations = 1000;
inline constexpr int kMaxShortcuts = 1000;
inline constexpr int kMaxUninstallValues = 1000;
inline constexpr int kMaxConditionalDeletes = 1001;
inline constexpr int kMaxAutoClose = 1000;
inline constexpr int kMaxLanguages = 200;
inline constexpr int kMaxStrings = 10000;
}  // namespace script_limit

inline constexpr uint32_t kScriptEndMarker = 0xD3E82B97;
inline constexpr uint32_t kInitialProgressPosition = 27;

// What the reader needs from the running installer. Every member may be left empty.
struct ScriptReadEnvironment {
  bool silent_mode = false;      // rewrites the option words right after they are read
  String product_name_override;  // wide; /n: replaces the script's product name
  // Called once the appearance fields (1..6) are read: creates the background window and tests
  // the script checksum. A non-zero result stops the reading with that code.
  std::function<int(const InstallScript&)> after_appearance;
  // Called right after `DefaultInstallDir` (field 19) is read, to resolve it.
  std::function<void(InstallScript&)> resolve_install_dir;
};

// Parses a decompressed script into `script`; returns 0, or the code of the first check that
// failed. A script that ends early or is misaligned fails with kEndMarker at the next check.
int ReadScript(std::span<const uint8_t> bytes, InstallScript& script,
               const ScriptReadEnvironment& environment = {});

// The stream for `script`: the exact inverse of ReadScript. Returns 0 and the bytes, or the code
// of the check that `script` would fail (a value out of range, a list too long), or kEndMarker
// when a text does not fit its length form. Defaults are not applied: an empty text is written
// empty, so that the reader fills it in.
int WriteScript(const InstallScript& script, std::vector<uint8_t>& bytes);

// Automatic mode once the script is read: `AutomaticMode` 1 switches it on, 2 off unless silent
// mode is on; any other value keeps the command line's choice.
inline bool AutomaticModeAfterScript(uint8_t automatic_mode_field, bool command_line_automatic, bool silent) {
  if (automatic_mode_field == 1) return true;
  if (automatic_mode_field == 2) return silent;
  return command_line_automatic;
}

// Normalises line breaks of a wide text to CR LF (a lone LF or a lone CR becomes CR LF).
String WithCrLf(const String& wide);

}  // namespace valdorine
