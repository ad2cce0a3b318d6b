#include "installer/uninstaller.hpp"

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include "core/file_errors.hpp"
#include "core/path_text.hpp"
#include "core/win32/disk_file.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/safe_delete.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/install_log.hpp"
#include "format/script_options.hpp"
#include "installer/auto_close.hpp"
#include "installer/exit_actions.hpp"
#include "installer/installation_folder.hpp"
#include "installer/orderly_exit.hpp"
#include "installer/uninstaller_backdrop.hpp"
#include "installer/uninstaller_stages.hpp"
#include "operations/path_entry.hpp"
#include "package/language_message.hpp"
#include "package/language_strings.hpp"
#include "paths/batch_files.hpp"
#include "paths/path_variables.hpp"
#include "run/installer_process.hpp"
#include "run/run_state.hpp"
#include "run/run_switches.hpp"
#include "ui/message_boxes.hpp"
#include "ui/progress_window.hpp"
#include "ui/wizard_pages.hpp"
#include "uninstall/association_restore.hpp"
#include "uninstall/conditional_deletions.hpp"
#include "uninstall/driver_removal.hpp"
#include "uninstall/file_system_redirection.hpp"
#include "uninstall/firewall_removal.hpp"
#include "uninstall/folder_removal.hpp"
#include "uninstall/font_removal.hpp"
#include "uninstall/installer_package_removal.hpp"
#include "uninstall/registry_removal.hpp"
#include "uninstall/shared_file_counts.hpp"
#include "uninstall/uninstall_data.hpp"
#include "uninstall/uninstall_data_digest.hpp"
#include "uninstall/uninstall_list.hpp"
#include "uninstall/uninstall_list_removal.hpp"

namespace valdorine {
namespace {

constexpr char16_t kUninstallRoot[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr uint32_t kProductKeyFlags = reg_key::kOpenOnly | reg_key::kView64 | reg_key::kDefaultSecurity;
constexpr int kMaxStartMenuLevels = 20;
constexpr int kLanguageStringSlots = 1001;
constexpr char16_t kPinnedFolderMark[] = u"\\User Pinned\\";
constexpr int kWindowTitleString = 114;  // the wizard title, kept as Uninstall.DAT's special string

// The language strings that the uninstaller shows (Uninstall.DAT keeps them from the installation).
namespace text {
constexpr int kFailures = 10;            // formatted with the failure summary
constexpr int kCompletedCaption = 15;
constexpr int kFailuresCaption = 20;     // also the restart question's caption
constexpr int kCompleted = 34;
constexpr int kConfirm = 53;
constexpr int kConfirmCaption = 55;
constexpr int kAssociationsStage = 67;
constexpr int kFontsStage = 68;
constexpr int kStartMenuStage = 69;
constexpr int kPreparingStage = 70;
constexpr int kRestartQuestion = 74;
constexpr int kCancelled = 101;
constexpr int kPackagesStage = 108;
constexpr int kCancelledCaption = 111;
}  // namespace text

UninstallerState& Product() {
  static UninstallerState product;
  return product;
}

bool Option1(uint32_t flag) { return (Run().options.word1 & flag) != 0; }
bool Option2(uint32_t flag) { return (Run().options.word2 & flag) != 0; }

// The installer's error-message routine as the uninstaller uses it: not in automatic mode.
void ShowUninstallError(const String& text) {
  if (!Switches().automatic_mode) ShowErrorBox(text);
}

bool OpenProductKey(const String& name, RegKey& key) {
  const String subkey = ConcatWide(kUninstallRoot, name.Wide(), nullptr);
  if (key.OpenKey(HKEY_LOCAL_MACHINE, subkey, kProductKeyFlags, reg_access::kRead) == open_key_result::kFailed) {
    if (GetLastError() == ERROR_ACCESS_DENIED) {
      ShowUninstallError(String::FromWide(u"Permission denied.  Please run the uninstaller with administrator rights."));
    } else {
      ShowUninstallError(String::FormatWide(u"No product named '%s' is installed.", name.Wide()));
    }
    return false;
  }
  if (key.OpenKey(HKEY_LOCAL_MACHINE, subkey, kProductKeyFlags | reg_key::kForgetPrevious, reg_access::kAll) ==
      open_key_result::kFailed) {
    ShowUninstallError(String::FormatWide(
        u"Unable to access the uninstall information for:\r\n%s\r\n\r\nThe uninstallation cannot be performed.",
        name.Wide()));
    return false;
  }
  return true;
}

// The run's state and path variables from the product's values.
void PublishProduct(const UninstallerState& product) {
  RunState& run = Run();
  run.options.word1 = static_cast<uint32_t>(product.flags);
  run.options.word2 = static_cast<uint32_t>(product.flags >> 32);
  run.package_flags = product.flags2;
  run.install_dir = product.install_dir;
  run.uninstall_dir = UninstallerDataFolder(product);
  run.portable = IsPortableFolder(product.install_dir);
  if (Option1(option1::kUninstallAutomatically)) Switches().automatic_mode = true;
  PathVariableSources& variables = RunPathVariables();
  variables.product_name = product.product_name;
  variables.version = product.version;
  variables.product_64bit = product.product_64bit;
  variables.automatic_mode = Switches().automatic_mode;
  variables.portable = run.portable;
  variables.install_dir = run.install_dir;
  variables.uninstall_dir = run.uninstall_dir;
  variables.desktop_shortcuts = DesktopShortcutsFolder(product.all_users, product.desktop_folder);
  variables.start_menu_chosen = StartMenuChosenFolder(product.all_users, product.start_menu);
  variables.shared_dir = product.shared_path;
}

// Reads Uninstall.DAT, which must be the file whose digest the product key holds: the folder it
// lies in may be writable by users who must not choose what the uninstaller deletes.
bool LoadRecords(RegKey& key, const UninstallerState& product, UninstallRecords& records) {
  const String path = UninstallDataPath();
  String text;
  const int code = ReadWholeFile(path, text);
  if (code != file_error::kSuccess) {
    ShowUninstallError(String::FormatWide(
        u"The uninstall information for %s could not be loaded.\r\n\r\nFilepath: %s\r\nCode %d: %s",
        product.product_name.Wide(), path.Wide(), code, FileErrorMessageWide(code).Wide()));
    return false;
  }
  if (!MatchesRecordedDigest(key, text)) {
    ShowUninstallError(String::FormatWide(
        u"The uninstall information for %s does not match the one recorded at installation.\r\n\r\nFilepath: "
        u"%s\r\n\r\nThe uninstallation cannot be performed.",
        product.product_name.Wide(), path.Wide()));
    return false;
  }
  records = ReadUninstallData(text);
  return true;
}

// The texts that the installation stored become the uninstaller's language strings.
void UseRecordedStrings(const UninstallRecords& records) {
  Array<String> strings;
  strings.Resize(kLanguageStringSlots);
  for (int i = 0; i < records.string_numbers.Count(); ++i) strings[records.string_numbers[i]] = records.string_texts[i];
  strings[kWindowTitleString] = records.special_string;
  SetLanguageStrings(std::move(strings));
}

[[noreturn]] void CancelUninstallation() {
  if (!Switches().automatic_mode) ShowWarning(LanguageString(text::kCancelled), LanguageString(text::kCancelledCaption));
  OrderlyExit(1);
}

bool IsWebAddress(const String& text) {
  return text.StartsWithIgnoreCase(u"http://") || text.StartsWithIgnoreCase(u"https://");
}

// The product's support address, offered before anything is removed; true when the user takes it
// (the address is opened and nothing is uninstalled).
bool TakesSupportOffer(const String& support_offer) {
  String address = support_offer;
  address.TrimRight();
  const int start = address.FindFirstNotOf(u" \t\r\n", 0);
  address = start < 0 ? String() : address.Substring(start);
  if (!IsWebAddress(address) || ShowSupportOfferPage() != PageResult::kAccepted) return false;
  ShellExecuteW(nullptr, L"open", WinText(address), nullptr, nullptr, SW_SHOWNORMAL);
  return true;
}

// The programs to close and the user's confirmation; false when the user takes the support offer
// instead. "No" to the confirmation ends the process with exit code 1.
bool Confirm(const UninstallRecords& records) {
  CloseMatchingPrograms(records.auto_close);
  if (!Switches().automatic_mode) {
    if (!AskYesNo(LanguageString(text::kConfirm), LanguageString(text::kConfirmCaption))) OrderlyExit(1);
    if (TakesSupportOffer(Product().support_offer)) return false;
  }
  AskToClosePrograms(records.auto_close, CancelUninstallation);
  return true;
}

// Runs an uninstall batch stored in `value` and deletes the value.
void RunStoredBatch(RegKey& key, const String& commands, const char16_t* value, bool hidden) {
  if (commands.IsEmpty()) return;
  RunBatch(commands, hidden, String());
  key.DeleteValue(String::FromWide(value));
}

void ReleaseSharedFileCounts(RegKey& key) {
  const UninstallerState& product = Product();
  if (!product.shared_files.IsEmpty()) {
    const bool ask = Option1(option1::kAskBeforeRemovingSharedFiles) && !Switches().automatic_mode;
    if (!ReleaseSharedFiles(ParseSharedFiles(product.shared_files), ask)) {
      FailureSummary().AppendWide(u"REGISTRY ERROR:  Unable to adjust shared file reference counts.\r\n\r\n");
      return;
    }
  }
  key.DeleteValue(String::FromWide(u"SharedFiles"));
}

void UnpinFromTaskbar(const Array<String>& entries) {
  for (const String& entry : entries) {
    const String path = WidePathFromNarrow(entry);
    if (path.FindWide(kPinnedFolderMark) < 0) continue;
    ShellExecuteW(nullptr, L"taskbarunpin", WinText(path), nullptr, nullptr, SW_HIDE);
  }
  PauseForStage();
}

String JoinedLines(const Array<String>& lines) {
  String text;
  for (const String& line : lines) {
    text.Append(line);
    text.AppendNarrow("\r\n");
  }
  return text;
}

// The sections that are still to be carried out when Uninstall.DAT is rewritten, kept for a
// later attempt: the author's registry entries, firewall openings and drivers come after the
// rewrite, and [MSI] holds the packages that could not be removed.
UninstallSections PendingSections(const UninstallRecords& records) {
  UninstallSections sections;
  sections.firewall = JoinedLines(records.firewall);
  sections.inf = JoinedLines(records.inf);
  sections.msi = JoinedLines(records.msi);
  sections.registry2 = WideFromNarrow(records.registry2, code_page::kUtf8);
  return sections;
}

void RemoveAssociationsAndFonts(RegKey& key, UninstallRecords& records) {
  BeginStage(text::kAssociationsStage, 3);
  RestoreAssociations(records.associations, Product().product_name);
  records.associations.Clear();
  PauseForStage();
  BeginStage(text::kFontsStage, 5);
  const bool ask = Option1(option1::kAskBeforeRemovingFonts) && !Switches().automatic_mode;
  RemoveFonts(ParseProductFonts(NarrowFromWide(Product().product_fonts, code_page::kAnsi)), ask);
  key.SetString(String::FromWide(u"ProductFonts"), String());
  PauseForStage();
}

void RemovePackages(UninstallRecords& records) {
  if (records.msi.IsEmpty()) return;
  BeginStage(text::kPackagesStage, 10);
  records.msi = RemoveInstallerPackages(records.msi, FailureSummary());
  PauseForStage();
}

// Files, conditional deletions and folders of the list; what stays is recorded again, with the new
// file's digest in the product key.
void RemoveListedItems(RegKey& key, UninstallRecords& records) {
  const bool show_names = !Option2(option2::kHideFileNames);
  ClearUninstallList();
  ListRemoval removal;
  RemoveListedEntries(records.entries, show_names, removal);
  FailureSummary().Append(removal.failures);
  SetProgress(92);
  CleanPendingOperations(removal.deleted_files, false);
  RunConditionalDeletions(records.conditional_deletes, false);
  SetProgress(93);
  RemoveListedFolders(removal.folders, Product().install_dir, show_names);
  for (const String& folder : removal.folders) {
    if (FolderExists(folder)) RecordUninstallEntry(folder, uninstall_entry::kFolder);
  }
  CollectedUninstallSections() = PendingSections(records);
  String written;
  if (WriteUninstallData(records, &written)) RecordUninstallDataDigest(key, written);
  ClearUninstallList();
}

void RemoveStartMenuFolder() {
  String folder = RunPathVariables().start_menu_chosen;
  if (!Product().start_menu.IsEmpty()) {
    for (int level = 0; level < kMaxStartMenuLevels && FolderExists(folder); ++level) {
      RemoveFolderIfEmpty(folder);
      if (FolderExists(folder)) break;
      folder = ParentFolder(folder);
    }
  }
  BeginStage(text::kStartMenuStage, 95);
  PauseForStage();
}

void RemoveRegistryEntries(RegKey& key, const UninstallRecords& records) {
  const uint32_t view = ProductRegistryView(Product().product_64bit);
  if (!Product().product_registry.IsEmpty()) RemoveProductRegistry(Product().product_registry, view);
  key.DeleteValue(String::FromWide(u"ProductRegistry"));
  RemoveRegistry2Entries(records.registry2, view);
  SetProgress(96);
  RemoveFirewallOpenings(records.firewall, Product().install_dir);
  SetProgress(97);
  RemoveDriverPackages(records.inf);
}

void RemoveInstallFolder() {
  const UninstallerState& product = Product();
  if (Option1(option1::kRemoveInstallFolder)) DeleteTree(product.install_dir);
  SetProgress(98);
  if (!product.shared_path.IsEmpty()) RemoveFolderIfEmpty(product.shared_path);
}

// The last steps of a run that left nothing behind: the data file, the PATH entry, the second
// batch and the product's key.
void Unregister(RegKey& key, const String& name) {
  const UninstallerState& product = Product();
  DeleteFileAt(UninstallDataPath());
  if (Option1(option1::kAddToPath)) RemovePathEntry(product.add_to_path_subfolder);
  RunStoredBatch(key, product.uninstall_batch2, u"UninstallBatch2", Option1(option1::kHiddenUninstallBatch2));
  key.Close();
  DeleteRegistryKeyAt(ConcatWide(u"\\HKLM\\", kUninstallRoot, name.Wide(), nullptr), reg_key::kView64);
}

void RefreshDesktop() {
  const int folder = Product().all_users ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY;
  wchar_t path[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path))) {
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, path, nullptr);
  }
  SetProgress(100);
  if (Option2(option2::kProgressPage)) {  // the option that closes the background window at the end
    PauseForStage();
    CloseInstallerWindows();
  }
}

bool Finish() {
  const bool automatic = Switches().automatic_mode;
  if (!FailureSummary().IsEmpty()) {
    if (!automatic) ShowWarning(LanguageMessage(text::kFailures, {FailureSummary()}), LanguageString(text::kFailuresCaption));
    return false;
  }
  if ((Product().flags2 & package_flag::kUninstallCompletionMessage) && !automatic) {
    ShowInfo(LanguageString(text::kCompleted), LanguageString(text::kCompletedCaption));
  }
  if (Option2(option2::kRestartAfterUninstall) && (automatic || AskYesNo(LanguageString(text::kRestartQuestion), LanguageString(text::kFailuresCaption)))) RestartWindows();
  return true;
}

void RemoveProduct(RegKey& key, const String& name, UninstallRecords& records) {
  const UninstallerState& product = Product();
  ShowProgressPage(ProgressRun::kUninstallation,
                   {product.progress_page_style, product.header_text_colour, product.picture_border, product.product_name},
                   nullptr);
  BeginStage(text::kPreparingStage, 1);
  RunStoredBatch(key, Product().uninstall_batch1, u"UninstallBatch1", Option1(option1::kHiddenUninstallBatch1));
  RemoveAssociationsAndFonts(key, records);
  if (!Option2(option2::kKeepInstallLog)) DeleteFileAt(InstallLogPath(Run().uninstall_dir));
  ReleaseSharedFileCounts(key);
  UnpinFromTaskbar(records.entries);
  RemovePackages(records);
  RemoveListedItems(key, records);
  RemoveStartMenuFolder();
  RemoveRegistryEntries(key, records);
  RemoveInstallFolder();
  if (FailureSummary().IsEmpty()) Unregister(key, name);
  key.Close();
  RefreshDesktop();
}

}  // namespace

bool Uninstall(const String& name) {
  RegKey key;
  if (!OpenProductKey(name, key)) return false;
  UninstallerState& product = Product();
  if (!ReadUninstallerState(key, name, product)) {
    ShowUninstallError(String::FormatWide(
        u"The uninstall information for %s is corrupt.\r\n\r\nThe uninstallation cannot be performed.",
        product.product_name.Wide()));
    return false;
  }
  PublishProduct(product);
  ShowUninstallerBackdrop(key, product.product_name, Run().uninstall_dir);
  // Notifications name the installation's run; the number drawn at start-up stands in without one.
  if (product.session != 0) Process().session_number = product.session;
  const FileSystemRedirectionOff redirection(product.product_64bit);
  UninstallRecords records;
  if (!LoadRecords(key, product, records)) return false;
  UseRecordedStrings(records);
  if (!Confirm(records)) return false;
  RemoveProduct(key, name, records);
  return Finish();
}

const UninstallerState& UninstalledProduct() { return Product(); }

}  // namespace valdorine
