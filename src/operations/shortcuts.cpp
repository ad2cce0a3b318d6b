#include "operations/shortcuts.hpp"

#include <windows.h>

#include "core/path_text.hpp"
#include "core/win32/crash_guard.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/install_log.hpp"
#include "diagnostics/operations_log.hpp"
#include "format/language_text.hpp"
#include "format/script_options.hpp"
#include "operations/install_collections.hpp"
#include "operations/product_registration.hpp"
#include "operations/registration_files.hpp"
#include "operations/shell_link.hpp"
#include "operations/shortcut_text.hpp"
#include "operations/taskbar_pin.hpp"
#include "operations/uninstall_key.hpp"
#include "package/install_script_setup.hpp"
#include "package/language_strings.hpp"
#include "paths/folder_resolution.hpp"
#include "paths/path_completion.hpp"
#include "paths/path_variables.hpp"
#include "run/run_state.hpp"
#include "uninstall/uninstall_list.hpp"

namespace valdorine {
namespace {

constexpr int kUninstallerShortcutName = 33;
constexpr int kDefaultNameString = 38;
constexpr int kInstallLogShortcutName = 86;

String FromUtf8(const String& utf8) { return WideFromNarrow(utf8, code_page::kUtf8); }

bool LogsEachItem() { return (Run().options.word1 & option1::kLogEachFile) != 0; }

// The folders of one run's shortcuts, by the script's shortcut mode.
struct Placements {
  bool all_users = false;
  String desktop;
  String programs;
  String startup;
  String desktop_folder;  // the product's folder on the desktop; empty for none
  bool desktop_folder_made = false;
};

Placements PlacementsFor(const InstallScript& script) {
  Placements places;
  places.all_users = script.ShortcutMode == 1;
  places.desktop = places.all_users ? AllUsersDesktopFolder() : UserDesktopFolder();
  places.programs = places.all_users ? AllUsersProgramsFolder() : UserProgramsFolder();
  places.startup = places.all_users ? AllUsersStartupFolder() : UserStartupFolder();
  const String folder_name = DesktopFolderName(script);
  if (!folder_name.IsEmpty()) places.desktop_folder = JoinPath(places.desktop, folder_name);
  return places;
}

ShortcutRecord FromScript(const ScriptShortcut& item) {
  ShortcutRecord record;
  record.desktop = item.desktop != 0;
  record.start_menu = item.start_menu != 0;
  record.startup = item.startup != 0;
  record.permanent = item.permanent != 0;
  record.target = FromUtf8(item.target);
  record.name = FromUtf8(item.name);
  record.icon = FromUtf8(item.icon);
  record.arguments = FromUtf8(item.arguments);
  record.working_folder = FromUtf8(item.working_folder);
  record.extra_folder = WideFromNarrow(item.extra_folder, code_page::kAnsi);
  record.show_command = item.show_command;
  record.expand_target = true;
  return record;
}

// The shortcuts to the uninstaller that the script asks for: start menu, desktop and the
// uninstall folder in one record, the installation folder in a second.
void AddUninstallerRecords(Array<ShortcutRecord>& records) {
  const UninstallerPlan& plan = PlannedUninstaller();
  if (plan.path.IsEmpty()) return;
  const RunState& run = Run();
  ShortcutRecord record;
  record.target = plan.path;
  record.arguments = plan.arguments;
  record.name = LanguageString(kUninstallerShortcutName);
  record.icon = plan.icon_path;
  record.quiet = true;
  record.start_menu = (run.options.word1 & option1::kUninstallerStartMenuShortcut) != 0;
  record.desktop = (run.options.word2 & option2::kUninstallerDesktopShortcut) != 0;
  if ((run.options.word2 & option2::kUninstallerShortcutInUninstallFolder) != 0) record.extra_folder = run.uninstall_dir;
  if (record.start_menu || record.desktop || !record.extra_folder.IsEmpty()) records.Append(record);
  if ((run.package_flags & package_flag::kUninstallerInInstallFolder) != 0) {
    record.start_menu = record.desktop = false;
    record.extra_folder = run.install_dir;
    records.Append(record);
  }
}

Array<ShortcutRecord> AllRecords(const InstallScript& script) {
  Array<ShortcutRecord> records;
  for (const ScriptShortcut& item : script.Shortcuts) records.Append(FromScript(item));
  for (const ShortcutRecord& record : Collections().shortcuts) records.Append(record);
  AddUninstallerRecords(records);
  if ((Run().options.word2 & option2::kInstallLogShortcut) != 0) {
    ShortcutRecord log;
    log.start_menu = true;
    log.target = InstallLogPath(Run().uninstall_dir);
    log.name = LanguageString(kInstallLogShortcutName);
    records.Append(log);
  }
  return records;
}

// The record's texts made ready for use: variables expanded, paths made absolute, the name given.
ShortcutRecord Prepared(ShortcutRecord record) {
  const RunState& run = Run();
  ExpandVariables(record.arguments);
  ProgramAndArguments own;
  if (TakeOwnProgram(record.arguments, own)) {
    record.target = own.program;
    record.arguments = own.arguments;
  }
  if (!record.icon.IsEmpty()) record.icon = CompletePath(record.icon, run.uninstall_dir);
  ExpandVariables(record.working_folder);
  if (record.working_folder.IsEmpty()) {
    record.working_folder = run.install_dir;
  } else if (!FolderExists(StartInFolder(record.working_folder))) {
    LogFormatW(u"Shortcut \"Start In\" folder \"%s\" doesn't exist.\r\n", record.working_folder.Wide());
  }
  if (record.expand_target) ExpandVariables(record.target);
  if (record.target.FindWide(u":") < 0) record.target = JoinPath(run.install_dir, record.target);
  record.name.TrimRight();
  while (record.name.WideAt(0) == u' ') record.name = record.name.Substring(1);
  if (record.name.IsEmpty()) {
    record.name = DefaultShortcutName(LanguageString(kDefaultNameString), FileNamePart(record.target));
  }
  return record;
}

uint32_t PlacementFlags(const ShortcutRecord& record, const Placements& places) {
  uint32_t flags = places.all_users ? shortcut_flag::kAllUsers : 0;
  if (record.show_command == 1) flags |= shortcut_flag::kMinimised;
  if (record.show_command == 2) flags |= shortcut_flag::kMaximised;
  return flags;
}

// Records the folders between `base` and the shortcut `link` (the subfolders of its name), the
// deepest first, so that the uninstaller removes each once it is empty.
void RecordNameFolders(const String& base, const String& link) {
  for (String folder = ParentFolder(link); folder.WideLength() > base.WideLength() && !EqualsIgnoreCase(folder, base);
       folder = ParentFolder(folder)) {
    RecordUninstallEntry(folder, uninstall_entry::kFolder);
  }
}

// Makes one placement of `record` at `base` joined with the name; logs `log_format` (name, path)
// when each item is logged, records the .lnk and the subfolders of its name. The startup folder's
// subfolders are recorded too: the shortcut's removal would otherwise leave them behind empty.
bool Place(const ShortcutRecord& record, const String& base, uint32_t flags, const char16_t* log_format) {
  const String link = LinkFilePath(JoinPath(base, record.name));
  ShowRegistrationItem(link);
  if (!CreateShortcut(link, record.target, record.arguments, record.working_folder, record.icon, flags)) {
    if (!record.quiet) AddFailure(FailureSummary(), link);
    return false;
  }
  if (LogsEachItem()) LogFormatW(log_format, record.name.Wide(), link.Wide());
  if (record.permanent) return true;
  RecordUninstallEntry(link, uninstall_entry::kFile);
  RecordNameFolders(base, link);
  return true;
}

// The folder's icon shown by the shell: "Desktop Icon.ico" in the uninstall folder, named in the
// folder's Desktop.ini.
void GiveDesktopFolderIcon(const InstallScript& script, const String& folder) {
  const String icon = JoinPath(Run().uninstall_dir, String::FromWide(u"Desktop Icon.ico"));
  if (SaveRecordedFile(icon, script.DesktopFolderIcon) != 0) {
    FailureSummary().AppendFormatWide(u"Failed to create Desktop shortcut folder icon \"%s\"\r\n", icon.Wide());
    return;
  }
  const String ini = JoinPath(folder, String::FromWide(u"Desktop.ini"));
  WritePrivateProfileStringW(L".ShellClassInfo", L"IconFile", WinText(icon), WinText(ini));
  WritePrivateProfileStringW(L".ShellClassInfo", L"IconIndex", L"0", WinText(ini));
  SetFileAttributesW(WinText(folder), GetFileAttributesW(WinText(folder)) | FILE_ATTRIBUTE_SYSTEM);
  SetFileAttributesW(WinText(ini), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

// The product's desktop folder, made (with its icon) at the run's first desktop shortcut.
void PrepareDesktopFolder(const InstallScript& script, Placements& places) {
  if (places.desktop_folder_made) return;
  places.desktop_folder_made = true;
  const String& folder = places.desktop_folder;
  if (!CreateFolderTree(folder)) {
    const DWORD error = GetLastError();
    FailureSummary().AppendFormatWide(u"Failed to create folder %s: %s\r\n\r\n", folder.Wide(),
                                      SystemErrorText(error).Wide());
  }
  RecordUninstallEntry(JoinPath(folder, String::FromWide(u"Desktop.ini")), uninstall_entry::kFile);
  RecordUninstallEntry(folder, uninstall_entry::kFolder);
  if (!script.DesktopFolderIcon.IsEmpty()) GiveDesktopFolderIcon(script, folder);
}

void PlaceAll(const InstallScript& script, const ShortcutRecord& record, Placements& places) {
  const uint32_t flags = PlacementFlags(record, places);
  if (record.desktop && places.desktop_folder.IsEmpty()) {
    Place(record, places.desktop, flags, u"Desktop Shortcut(%s) >>> %s\r\n");
  } else if (record.desktop) {
    PrepareDesktopFolder(script, places);
    Place(record, places.desktop_folder, flags, u"Desktop Folder Shortcut(%s) >>> %s\r\n");
  }
  if (record.start_menu) {
    Place(record, JoinPath(places.programs, Run().start_menu), flags, u"Start Menu Shortcut(%s) >>> %s\r\n");
  }
  if (record.startup) Place(record, places.startup, flags, u"Startup Shortcut(%s) >>> %s\r\n");
  if (!record.extra_folder.IsEmpty()) {
    String folder = record.extra_folder;
    ExpandVariables(folder);
    // The extra folder itself is the record's own too.
    if (Place(record, folder, flags, u"Shortcut(%s) >>> %s\r\n") && !record.permanent) {
      RecordUninstallEntry(folder, uninstall_entry::kFolder);
    }
  }
}

String ScriptText(const String& text, const InstallScript& script) {
  String result = ReplacePlaceholders(text, {script.ProductName, script.ProductDescription, SystemName()});
  ExpandVariables(result);
  return result;
}

// A shortcut at the root of a portable installation's drive.
void CreateRootShortcut(const InstallScript& script) {
  const String name = ScriptText(FromUtf8(script.RootShortcutName), script);
  const String path = String::FormatWide(u"%c:\\%s.lnk", static_cast<int>(DriveLetter(Run().install_dir)), name.Wide());
  const ProgramAndArguments command = SplitCommand(ScriptText(FromUtf8(script.RootShortcutCommand), script));
  ShowRegistrationItem(path);
  if (!CreateShortcut(path, command.program, command.arguments, Run().install_dir, String(), 0)) {
    AddFailure(FailureSummary(), path);
    return;
  }
  if (LogsEachItem()) LogFormatW(u"Root Shortcut(%s) >>> %s\r\n", name.Wide(), path.Wide());
  RecordUninstallEntry(path, uninstall_entry::kFile);
}

bool SkipsRecords() {
  return Run().portable && (Run().package_flags & package_flag::kNoStartMenuPageWhenPortable) != 0;
}

}  // namespace

void CreateShortcuts(const InstallScript& script) {
  if (!SkipsRecords()) {
    Placements places = PlacementsFor(script);
    for (const ShortcutRecord& record : AllRecords(script)) PlaceAll(script, Prepared(record), places);
  }
  if (Run().portable && !script.RootShortcutName.IsEmpty() && !RunGuarded([&] { CreateRootShortcut(script); })) {
    FailureSummary().AppendWide(u"Crash while installing root shortcut.\r\n");
  }
  if (!Run().portable && !script.TaskbarPinCommand.IsEmpty()) {
    PinToTaskbar(ScriptText(script.TaskbarPinCommand, script),
                 script.TaskbarPinName.IsEmpty() ? script.ProductName : ScriptText(script.TaskbarPinName, script));
  }
}

}  // namespace valdorine
