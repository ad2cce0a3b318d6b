#include "operations/file_installation.hpp"

#include <windows.h>

#include "core/path_text.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/operations_log.hpp"
#include "format/script_options.hpp"
#include "operations/component_registration.hpp"
#include "operations/entry_kinds.hpp"
#include "operations/file_destination.hpp"
#include "operations/file_version.hpp"
#include "operations/install_collections.hpp"
#include "operations/install_journal.hpp"
#include "operations/overwrite_decision.hpp"
#include "package/language_strings.hpp"
#include "package/package_archive.hpp"
#include "package/package_failure.hpp"
#include "package/package_startup.hpp"
#include "paths/folder_resolution.hpp"
#include "paths/path_variables.hpp"
#include "run/run_state.hpp"
#include "run/run_switches.hpp"
#include "ui/progress_window.hpp"
#include "uninstall/deferred_operations.hpp"
#include "uninstall/uninstall_list.hpp"

namespace valdorine {
namespace {

constexpr int kFirstProgress = 28;
constexpr int kProgressSpan = 62;
constexpr int kAfterLoopProgress = 91;
constexpr int kHandOverProgress = 92;
constexpr int kNamesHiddenText = 54;
constexpr int kFontStatusText = 77;
constexpr int kNotInstalledTitle = 25;
// The builder's name for an entry whose name is never shown.
constexpr char kHiddenEntryName[] = "b/0@+";
constexpr char16_t kFontsKey[] = u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

String FromUtf8(const std::string& utf8) { return WideFromNarrow(String::FromNarrow(utf8.c_str()), code_page::kUtf8); }
String FromU16(const std::u16string& text) { return String::FromWide(text.c_str()); }
// The entry's command-line arguments travel as Windows-1252 text.
String ArgumentsOf(const FileEntry& entry) {
  return WideFromNarrow(String::FromNarrow(entry.arguments.c_str()), code_page::kWindows1252);
}

// One entry on its way through the loop.
struct EntryInProgress {
  const FileEntry& entry;
  String name;         // wide; the explicit destination when that names the file
  FileDestination destination;
  bool permanent = false;
  bool recorded_for_removal = false;  // the uninstaller removes it (kind and not permanent)
};

// The uninstall list entry, and the same in the journal that outlives a killed run. What the list
// does not take (a folder recorded before) needs no journal line either.
void RecordForRemoval(const String& path, int kind) {
  if (RecordUninstallEntry(path, kind)) JournalEntry(path, kind);
}

// What the file loop remembers from one entry to the next, so that the system is not asked again
// what it answered for the entry before: the folder last made or found, the progress shown, and
// when a file's name was shown last.
struct FileLoop {
  DestinationFolders folders;
  String prepared_folder = {};
  int progress = -1;
  uint64_t status_shown_at = 0;
  bool status_shown = false;
};

// Each progress step and status text is a round trip to the window system: the progress is set
// when it changes, and a file's name shown at most once per display interval.
constexpr uint64_t kStatusIntervalMs = 40;

void ShowLoopProgress(FileLoop& loop, int percent) {
  if (percent == loop.progress) return;
  loop.progress = percent;
  SetProgress(percent);
}

void ShowFileStatus(FileLoop& loop, const String& text) {
  const uint64_t now = GetTickCount64();
  if (loop.status_shown && now - loop.status_shown_at < kStatusIntervalMs) return;
  loop.status_shown = true;
  loop.status_shown_at = now;
  ShowProgressStatus(text);
}

DestinationFolders RunFolders() {
  const RunState& run = Run();
  return {run.install_dir, run.shared_dir, run.uninstall_dir, FontsFolder(), SystemFolder()};
}

EntryInProgress Locate(const FileEntry& entry, const DestinationFolders& folders) {
  const String explicit_text = FromU16(entry.destination);
  String expanded = explicit_text;
  ExpandVariables(expanded);
  EntryInProgress item{entry, NamesTheFile(explicit_text) ? explicit_text : FromUtf8(entry.name), {}};
  item.destination = ResolveDestination(entry.kind, entry.flags, item.name, expanded, folders);
  item.permanent = (entry.flags & entry_flag::kPermanent) != 0;
  item.recorded_for_removal = !item.permanent && IsRecordedForRemoval(entry.kind, Run().portable);
  return item;
}

char16_t SharedFileMark(const EntryInProgress& item) {
  switch (item.entry.kind) {
    case entry_kind::kSystemFile:
      return shared_mark::kPermanent;
    case entry_kind::kComServer:
      return item.permanent ? shared_mark::kPermanent : shared_mark::kComServer;
    case entry_kind::kTypeLibrary:
      return item.permanent ? shared_mark::kPermanent : shared_mark::kTypeLibrary;
    default:
      return item.permanent ? shared_mark::kPermanent : shared_mark::kNone;
  }
}

void EnterInKindLists(const EntryInProgress& item) {
  const uint32_t kind = item.entry.kind;
  const String& path = item.destination.path;
  const bool portable = Run().portable;
  const bool shared = kind == entry_kind::kSystemFile || kind == entry_kind::kTypeLibrary ||
                      ((kind == entry_kind::kSharedFile || kind == entry_kind::kComServer) && !portable);
  if (shared) AddSharedFile(path, SharedFileMark(item));
  if (kind == entry_kind::kComServer) Collections().com_servers.Append(path);
  if (kind == entry_kind::kTypeLibrary) Collections().type_libraries.Append(path);
}

// The progress item and the per-kind lists; returns the entry's log line (without line end).
String Announce(const EntryInProgress& item, FileLoop& loop) {
  const bool hide_names = (Run().options.word2 & option2::kHideFileNames) != 0 || item.entry.name == kHiddenEntryName;
  ShowFileStatus(loop, hide_names ? LanguageString(kNamesHiddenText) : item.destination.path);
  EnterInKindLists(item);
  return ConcatWide(LastPathComponent(item.name).Wide(), u" >>> ", item.destination.path.Wide(), nullptr);
}

OverwriteQuestion QuestionFor(const EntryInProgress& item) {
  return {OverwriteMode(item.entry.flags), ReplacementRuleFor(item.entry.kind), item.entry.date, item.entry.extra_text,
          item.recorded_for_removal};
}

// What the decision needs to know of the destination, and no more.
ExistingFile Inspect(const OverwriteQuestion& question, const String& path) {
  ExistingFile existing;
  const bool looks = question.mode == 2 || question.mode == 3 || NeedsExistingDate(question);
  if (!looks || !FileExists(path)) return existing;
  existing.exists = true;
  EntryDate date;
  if (NeedsExistingDate(question) && ReadFileDate(path, date)) existing.date = date;
  if (NeedsExistingVersion(question)) existing.version = FileVersionText(path);
  return existing;
}

void AddShortcutRecord(const EntryInProgress& item) {
  const FileEntry& entry = item.entry;
  const bool startup = entry.kind == entry_kind::kStartupProgram;
  const uint32_t shortcut_flags = entry_flag::kDesktopShortcut | entry_flag::kStartMenuShortcut;
  if (!startup && (entry.kind != entry_kind::kProgramFile || (entry.flags & shortcut_flags) == 0)) return;
  ShortcutRecord record;
  record.desktop = (entry.flags & entry_flag::kDesktopShortcut) != 0;
  record.start_menu = (entry.flags & entry_flag::kStartMenuShortcut) != 0;
  record.startup = startup;
  record.permanent = item.permanent;
  record.target = item.destination.path;
  record.name = FromUtf8(entry.extra_text);
  record.icon = FromU16(entry.shortcut_icon);
  record.arguments = ArgumentsOf(entry);
  record.working_folder = FromUtf8(entry.component_text);
  Collections().shortcuts.Append(std::move(record));
}

// Makes the file's folder when the destination asks for it and records it for the uninstaller.
// False, with the failure in the summary, when it cannot be made. The folder of the entry before
// is not looked up again: entries of one folder follow each other.
bool PrepareFolder(const EntryInProgress& item, FileLoop& loop) {
  if (!item.destination.create_folder) return true;
  const String folder = ParentFolder(item.destination.path);
  const bool known = EqualsIgnoreCase(folder, loop.prepared_folder) || EqualsIgnoreCase(folder, Run().install_dir);
  if (!known && !CreateFolderTree(folder)) {
    const DWORD error = GetLastError();
    const String reason = FileExists(folder)
                              ? String::FromWide(u"Cannot create folder because there is a file with the same name.")
                              : SystemErrorText(error);
    FailureSummary().AppendFormatWide(u"%s %s\r\n%s\r\n\r\nNot installed: %s\r\n\r\n",
                                      LanguageString(kNotInstalledTitle).Wide(), folder.Wide(), reason.Wide(),
                                      item.destination.path.Wide());
    return false;
  }
  loop.prepared_folder = folder;
  if (!item.permanent && (item.recorded_for_removal || item.entry.kind == entry_kind::kSharedFile)) {
    RecordForRemoval(folder, uninstall_entry::kFolder);
  }
  return true;
}

void RegisterFont(const EntryInProgress& item) {
  String status = LanguageString(kFontStatusText);
  status.ReplaceAll(u"<file>", item.name.Wide());
  ShowProgressStatus(status);
  RegKey fonts;
  if (fonts.OpenKey(HKEY_LOCAL_MACHINE, String::FromWide(kFontsKey), reg_key::kDefaultSecurity, KEY_SET_VALUE) !=
      open_key_result::kFailed) {
    fonts.SetString(FromUtf8(item.entry.extra_text), item.name);
  }
  AddFontResourceW(WinText(item.name));
  Collections().fonts_changed = true;
}

// What follows a write: the log line, the kind's own registration, the installed-files set.
void AfterWrite(const EntryInProgress& item, const String& log_line, bool written, bool replaced_at_reboot) {
  const FileEntry& entry = item.entry;
  const String& path = item.destination.path;
  if (written && (Run().options.word1 & option1::kLogEachFile) != 0) LogConcatW(log_line.Wide(), u"\r\n", nullptr);
  if (entry.kind == entry_kind::kControlPanelApplet && (written || replaced_at_reboot)) {
    RegisterControlPanelApplet(path, FromUtf8(entry.extra_text), FromUtf8(entry.component_text), ArgumentsOf(entry));
  }
  if (!written) return;
  if (entry.kind == entry_kind::kFont) RegisterFont(item);
  if (entry.kind == entry_kind::kDriver) Collections().drivers.Append(path);
  if (entry.kind == entry_kind::kInstallerPackage) {
    InstallInstallerPackage(path, Switches().silent_mode ? 2 : entry.ui_level,
                            (entry.flags & entry_flag::kRecordInstalledPackage) != 0);
  }
  AddInstalledFile(path);
}

void InstallEntry(const FileEntry& entry, EntryData& data, FileLoop& loop) {
  if (NeverInstalls(OverwriteMode(entry.flags))) return;
  const EntryInProgress item = Locate(entry, loop.folders);
  if (entry.kind == entry_kind::kFont && !item.permanent) AddFont(FromUtf8(entry.extra_text), item.name);
  const String log_line = Announce(item, loop);
  const OverwriteQuestion question = QuestionFor(item);
  const ExistingFile existing = Inspect(question, item.destination.path);
  const OverwriteDecision decision = DecideOverwrite(question, existing);
  if (!decision.log_text.empty()) {
    LogString(item.destination.path);
    LogBytes(String::FromNarrow(decision.log_text.c_str()));
  }
  if (!decision.install) {
    if (decision.record_existing) RecordForRemoval(item.destination.path, uninstall_entry::kFile);
    return;
  }
  AddShortcutRecord(item);
  if (!PrepareFolder(item, loop)) return;
  if (item.recorded_for_removal) RecordForRemoval(item.destination.path, uninstall_entry::kFile);
  bool replaced_at_reboot = false;
  const bool existed_before = existing.exists && question.rule != ReplacementRule::kAlways;
  PackageError data_error = PackageError::kNone;
  const bool written = WriteInstalledFile(item.destination.path, data, entry.date, FailureSummary(), entry.attributes,
                                          existed_before, replaced_at_reboot, data_error);
  RequirePackage(data_error, Package());
  AfterWrite(item, log_line, written, replaced_at_reboot);
}

void CloseLoop(const InstallPackage& package, PackageArchive& archive) {
  RequirePackage(archive.Finish(), package);
  SetProgress(kAfterLoopProgress);
  ShowProgressStatus(LanguageString(kNamesHiddenText));
  if (Collections().fonts_changed) {
    SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 1000, nullptr);
  }
  CleanPendingOperations(Collections().installed_files, true);
  SetProgress(kHandOverProgress);
}

}  // namespace

void InstallFiles() {
  PackageArchive archive;
  OpenInstallArchive(archive);
  OpenInstallJournal();
  InstallPackage& package = Package();
  const size_t count = package.view.header.entry_sizes.size();
  FileLoop loop{RunFolders()};
  for (size_t i = 0; archive.HasNextEntry(); ++i) {
    ShowLoopProgress(loop, kFirstProgress + static_cast<int>(i * kProgressSpan / count));
    FileEntry entry;
    RequirePackage(archive.NextEntry(entry), package);
    InstallEntry(entry, archive.Data(), loop);
    // Entries that were skipped, and data that could not be written, are still read and checked.
    RequirePackage(archive.SkipData(), package);
  }
  CloseLoop(package, archive);
}

}  // namespace valdorine
