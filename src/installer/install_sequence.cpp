#include "installer/install_sequence.hpp"

#include <windows.h>
// windows.h first: the multimedia and shell headers need its types.
#include <mmsystem.h>
#include <shlobj.h>


#include "core/win32/file_system.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/install_log.hpp"
#include "diagnostics/notifications.hpp"
#include "diagnostics/operations_log.hpp"
#include "format/default_install_dir.hpp"
#include "format/language_text.hpp"
#include "format/script_options.hpp"
#include "installer/auto_close.hpp"
#include "installer/build_variant.hpp"
#include "installer/existing_installation.hpp"
#include "installer/exit_actions.hpp"
#include "installer/installation_folder.hpp"
#include "installer/orderly_exit.hpp"
#include "installer/restore_point.hpp"
#include "installer/sequence_exit.hpp"
#include "installer/system_checks.hpp"
#include "operations/file_associations.hpp"
#include "operations/file_installation.hpp"
#include "operations/firewall_rules.hpp"
#include "operations/folder_rights.hpp"
#include "operations/product_registration.hpp"
#include "operations/registry_entries.hpp"
#include "operations/shared_components.hpp"
#include "operations/shortcuts.hpp"
#include "package/install_script_setup.hpp"
#include "package/language_strings.hpp"
#include "package/package_startup.hpp"
#include "paths/batch_files.hpp"
#include "paths/batch_text.hpp"
#include "paths/path_variables.hpp"
#include "run/run_state.hpp"
#include "run/run_switches.hpp"
#include "ui/message_boxes.hpp"
#include "ui/background_window.hpp"
#include "ui/page_rules.hpp"
#include "ui/progress_window.hpp"
#include "ui/summary_page.hpp"
#include "ui/wizard_pages.hpp"
#include "uninstall/conditional_deletions.hpp"
#include "uninstall/folder_removal.hpp"

namespace valdorine {
namespace {

bool Automatic() { return Switches().automatic_mode; }

Placeholders ScriptPlaceholders(const InstallScript& script) {
  return {script.ProductName, script.ProductDescription, SystemName()};
}

void PrepareRun(const InstallScript& script) {
  RunState& run = Run();
  run.options = script.ProductFlags;
  run.package_flags = Package().view.header.flags;
  RunPathVariables() = PathVariableSourcesFrom(script);
  PublishRunState();
  if ((run.options.word1 & option1::kNoBackgroundWindow) == 0) {
    CreateBackgroundWindow(BackdropLookFromScript(script), Switches().minimised_start);
  }
}

// The backdrop paints language string 0 of the chosen language when the script gives no title.
void ChooseLanguage(const InstallScript& script) {
  if (script.Languages.names.Count() > 1 && !Automatic() && ShowLanguagePage() == PageResult::kCancelled) {
    CancelQuietly();
  }
  if (script.DisplayTitle.IsBlank()) SetBackdropTitle(LanguageString(0));
  BringBackgroundToFront();
}

// Played from the script's memory, which lives to the end of the run; a sound already playing
// goes on. The multimedia library is loaded from the system folder only when there is a sound (it
// is not one of the libraries the loader always takes from there) and stays loaded while it plays.
void PlayStartSound(const InstallScript& script) {
  if (Automatic() || script.StartSound.IsEmpty()) return;
  using PlaySoundFunction = BOOL(WINAPI*)(LPCWSTR, HMODULE, DWORD);
  static const UniqueModule multimedia(LoadLibraryExW(L"winmm.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  const auto play = multimedia ? reinterpret_cast<PlaySoundFunction>(
                                     reinterpret_cast<void*>(GetProcAddress(multimedia.Get(), "PlaySoundW")))
                               : nullptr;
  if (play) {
    play(reinterpret_cast<const wchar_t*>(script.StartSound.Bytes()), nullptr,
         SND_MEMORY | SND_ASYNC | SND_NODEFAULT | SND_NOSTOP);
  }
}

void Greet() {
  const uint32_t word1 = Run().options.word1;
  const uint32_t word2 = Run().options.word2;
  const bool shown = (word1 & option1::kGreetingInAutomaticMode) != 0 ||
                     (!Automatic() && (word2 & option2::kNoGreeting) == 0);
  const auto link_followed = [] { SendNotification(Script().LinkNotifyURL, false); };
  if (shown && ShowGreetingPage(LanguageString(65), LanguageString(1), link_followed) == PageResult::kCancelled) {
    CancelQuietly();
  }
}

// A password that cannot be asked for is not passed: the run is cancelled.
void AskPassword(const InstallScript& script) {
  if (!script.Password.IsEmpty() && ShowPasswordPage(script.Password) != PageResult::kAccepted) CancelInstallation();
}

// The license or readme texts, after the language string that the script puts in front of them.
void ShowTexts(const Array<String>& texts, int leading_string, PageResult (*show)(const String&),
               const InstallScript& script) {
  if (Automatic()) return;
  auto show_one = [&](const String& text) {
    if (text.IsEmpty()) return;
    const String shown = IsRichTextBytes(text) ? text : ReplacePlaceholders(text, ScriptPlaceholders(script));
    if (show(shown) == PageResult::kCancelled) CancelInstallation();
  };
  show_one(LanguageString(leading_string));
  for (int i = 0; i < texts.Count(); ++i) show_one(texts[i]);
}

String ChooseInstallationFolder(const InstallScript& script, const String& required_product_folder) {
  if (NamesRegistryFolder(script.DefaultInstallDir)) return InstallDirFromRegistry(script.DefaultInstallDir);
  const RunState& run = Run();
  if ((run.options.word1 & option1::kProductRegistration) != 0 && run.existing_installation) {
    ConfirmExistingInstallation(script);
    return run.install_dir;
  }
  const String& default_folder =
      NamesMasterFolder(script.DefaultInstallDir) ? required_product_folder : script.DefaultInstallDir;
  return NewInstallationFolder(default_folder, script);
}

void ChooseStartMenu(const InstallScript& script) {
  RunState& run = Run();
  if (run.existing_installation && !run.existing_start_menu.IsEmpty()) {
    run.start_menu = run.existing_start_menu;
  } else {
    run.start_menu = ReplacePlaceholders(script.ProductStartMenu, ScriptPlaceholders(script));
    const bool page_skipped_when_portable =
        run.portable && (run.package_flags & package_flag::kNoStartMenuPageWhenPortable) != 0;
    if (!Automatic() && (run.options.word2 & option2::kStartMenuPage) != 0 && !page_skipped_when_portable &&
        ShowStartMenuPage(run.start_menu) == PageResult::kCancelled) {
      CancelInstallation();
    }
  }
  RunPathVariables().start_menu_chosen = StartMenuChosenFolder(script.ShortcutMode == 1, run.start_menu);
}

// Handles window messages for `milliseconds`, so that the installer's windows stay responsive.
void ProcessMessagesFor(DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  while (GetTickCount64() < end && PumpWindowMessages()) Sleep(10);
}

// The progress page moves on to the next stage once the current status was shown for the
// script's stage delay.
void NextStage(const InstallScript& script, int percent, int status) {
  WaitStage(script.StageDelay);
  SetProgress(percent);
  SetStatus(status);
}

// The name of the language chosen on the Language page.
String ChosenLanguageName(const InstallScript& script) {
  const Array<String>& names = script.Languages.names;
  const int chosen = CurrentLanguage();
  return chosen >= 0 && chosen < names.Count() ? names[chosen] : String();
}

// Programs the author wants closed before installing: closed, terminated or the user asked to close
// them. The records kept for the uninstaller go to Uninstall.DAT later.
void CloseRunningPrograms(const InstallScript& script) {
  if (script.AutoClose.IsEmpty()) return;
  CloseMatchingPrograms(script.AutoClose);
  AskToClosePrograms(script.AutoClose, CancelInstallation);
  ProcessMessagesFor(333);
  BringBackgroundToFront();
}

void StartRestorePoint(const InstallScript& script) {
  RunState& run = Run();
  if ((run.package_flags & package_flag::kRestorePoint) == 0) return;
  SetStatus(97);
  LogText("Creating restore point...");
  const String version = WideFromNarrow(script.DisplayVersion, code_page::kAnsi);
  if (BeginRestorePoint(RestorePointDescription(script.ProductName, version))) {
    LogText("OK\r\n");
    return;
  }
  const DWORD error = GetLastError();
  LogConcatW(u"FAILED\r\n", SystemErrorText(error).Wide(), u"\r\n\r\n", nullptr);
  run.package_flags &= ~package_flag::kRestorePoint;
}

void CommitStartedRestorePoint() {
  if ((Run().package_flags & package_flag::kRestorePoint) != 0 && !CommitRestorePoint()) {
    LogText("Failed to commit restore point.\r\n");
  }
}

// Creates a folder of the run; a failure goes to the failure summary as "<what> "<path>": <error>".
void CreateRunFolder(const char16_t* what, const String& folder) {
  if (CreateFolderTree(folder)) return;
  const DWORD error = GetLastError();
  FailureSummary().Append(
      ConcatWide(what, u" \"", folder.Wide(), u"\": ", SystemErrorText(error).Wide(), u"\r\n", nullptr));
}

void PrepareFolders(const InstallScript& script) {
  RunState& run = Run();
  run.uninstall_dir = JoinPath(run.install_dir, script.UninstallSubdir);
  run.uninstall_dir_narrow = NarrowPath(run.uninstall_dir);
  if (!script.UninstallSubdir.IsEmpty()) CreateRunFolder(u"Failed to create uninstall data folder", run.uninstall_dir);
  if ((run.options.word1 & option1::kProductRegistration) != 0) {
    run.shared_dir = SharedFolderFor(script, run.install_dir, run.portable);
    if (!run.shared_dir.IsEmpty()) CreateRunFolder(u"Failed to create shared folder", run.shared_dir);
  }
  PublishRunState();
}

void RunPreInstallDeletions(const InstallScript& script) {
  Array<FileDeletion> deletions = script.ConditionalDeletes;
  RunConditionalDeletions(deletions, true);
}

// Runs one of the installation's batches; a logged batch is announced under its title and its
// output goes into the install log.
void RunInstallBatch(const String& commands, uint32_t hidden_bits, uint32_t logged_bit, const char16_t* title) {
  RunBatch(commands, hidden_bits != 0, (Run().package_flags & logged_bit) != 0 ? String::FromWide(title) : String());
}

// Once the folders exist and before any file is installed: the pre-installation batch with the
// /b1 additions, then the upgrade and reinstall batches when the existing installation calls for them.
void RunPreInstallBatches(const InstallScript& script) {
  const RunState& run = Run();
  RunInstallBatch(WithCommandLineAdditions(script.PreInstallBatch, Switches().batch_additions[0]),
                  run.options.word1 & option1::kHiddenPreInstallBatch, package_flag::kLogPreInstallBatch,
                  u"Pre-Installation Batch");
  if (run.upgrade) {
    RunInstallBatch(script.UpgradeBatch, run.options.word2 & option2::kHiddenUpgradeBatch,
                    package_flag::kLogUpgradeBatch, u"Upgrade Batch");
  }
  const bool same_version_only = (run.package_flags & package_flag::kReinstallBatchOnlyForSameVersion) != 0;
  if (run.existing_installation && (run.reinstall || !same_version_only)) {
    RunInstallBatch(script.ReinstallBatch, run.options.word2 & option2::kHiddenReinstallBatch,
                    package_flag::kLogReinstallBatch, u"Reinstall Batch");
  }
}

void RunPostInstallBatch(const InstallScript& script) {
  RunInstallBatch(WithCommandLineAdditions(script.PostInstallBatch, Switches().batch_additions[1]),
                  Run().options.word1 & option1::kHiddenPostInstallBatch, package_flag::kLogPostInstallBatch,
                  u"Post-Installation Batch");
}

// The last of the author's commands, after the restart question; never logged.
void RunExitBatch(const InstallScript& script) {
  RunBatch(WithCommandLineAdditions(script.ExitBatch, Switches().batch_additions[2]),
           (Run().options.word1 & option1::kHiddenExitBatch) != 0, String());
}

void SendCompletionNotification(const InstallScript& script) {
  const RunState& run = Run();
  if (run.upgrade) {
    SendNotification(script.UpgradeNotifyURL, false);
  } else if (run.downgrade) {
    SendNotification(script.DowngradeNotifyURL, false);
  } else if (run.existing_installation) {
    SendNotification(script.ReinstallNotifyURL, false);
  } else {
    SendNotification(script.InstallNotifyURL, false);
  }
}

void AnnounceStartMenuChange(const InstallScript& script) {
  const String programs = SpecialFolder(script.ShortcutMode == 1 ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS);
  if (!programs.IsEmpty()) SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, WinText(programs), nullptr);
}

bool RebootWanted() {
  const RunState& run = Run();
  if ((run.options.word1 & option1::kRestartAfterInstall) == 0) return false;
  if (Automatic() && (run.options.word2 & option2::kAskRestartInAutomaticMode) == 0) return true;
  return AskYesNo(LanguageString(37), LanguageString(20));
}

void RemoveEmptyRunFolders() {
  const RunState& run = Run();
  RemoveFolderIfEmpty(run.shared_dir);
  RemoveFolderIfEmpty(run.uninstall_dir);
  RemoveFolderIfEmpty(run.install_dir);
}

// Up to the folder: checks, existing installation, the wizard's questions.
void AskAndDecide(const InstallScript& script) {
  SendNotification(script.StartNotifyURL, false);
  ChooseLanguage(script);
  CheckBitness(script);
  CheckExcludedSystems(script);
  const String required_product_folder = CheckRequiredProduct(script);
  CheckSingleInstance();
  DetectExistingInstallation(script);
  PublishRunState();
  PlayStartSound(script);
  Greet();
  AskPassword(script);
  ShowTexts(script.LicenseTexts, 63, ShowLicensePage, script);
  ShowTexts(script.ReadmeTexts, 64, ShowReadmePage, script);
  CloseRunningPrograms(script);
  StoreInstallationFolder(ChooseInstallationFolder(script, required_product_folder));
  ChooseStartMenu(script);
}

// From the progress page to the written install log.
void Install(const InstallScript& script) {
  RunState& run = Run();
  ShowProgressPage(ProgressRun::kInstallation,
                   {script.Display.ProgressPageStyle, script.HeaderTextColor, script.PictureBorder, String()},
                   CancelInstallation);
  SendNotification(script.BeginNotifyURL, false);
  RunInstallLogSettings() = InstallLogSettingsFrom(script);
  RunInstallLogSettings().show_summary_page = ShowSummaryPage;
  OpenOperationsLog();
  if (!IsUserAnAdmin()) LogText("Warning: the installer does not have admin rights.\r\n\r\n");
  StartRestorePoint(script);
  NextStage(script, 1, 113);
  NextStage(script, 2, 8);
  PrepareFolders(script);
  CrashTestPoint();
  if (!run.size_estimated) {
    run.size_estimate = EstimateInstallSize(run.install_dir, script);
    run.size_estimated = true;
  }
  if (run.portable && (run.options.word2 & option2::kNoRegistrationWhenPortable) != 0) {
    run.options.word1 &= ~option1::kProductRegistration;
  }
  GrantFolderRights();
  NextStage(script, 21, 62);
  RunPreInstallBatches(script);
  NextStage(script, 26, 54);
  RunPreInstallDeletions(script);
  NextStage(script, 27, 29);
  InstallFiles();
  // Component registration, shortcuts, registry, associations and firewall, in that order.
  RegisterSharedComponents();
  SetProgress(93);
  NextStage(script, 95, 26);
  SetProgress(97);
  PrepareUninstaller(script);
  CreateShortcuts(script);
  CreateRegistryEntries(script);
  CreateFileAssociations(script, ChosenLanguageName(script));
  OpenFirewallExceptions(script);
  RegisterProduct(script);
  NextStage(script, 100, 36);
  RunPostInstallBatch(script);
  SendCompletionNotification(script);
  AnnounceStartMenuChange(script);
  CommitStartedRestorePoint();
  WaitStage(script.StageDelay);
  CloseProgressPage();
  if (!Switches().run_after_command.IsEmpty()) LogFormatW(u"Launch on exit: %s\r\n", Switches().run_after_command.Wide());
  RunInstallLogSettings().notice_owner = PageOwner();
  WriteInstallLog(FailureSummary(), run.existing_installation, !Automatic());
}

// Failures in the summary make a failed run; files left for the restart one that needs it.
RunOutcome CompletedOutcome() {
  if (!FailureSummary().IsEmpty()) return RunOutcome::kFailed;
  if ((Run().options.word1 & option1::kRestartAfterInstall) != 0) return RunOutcome::kRestartNeeded;
  return RunOutcome::kCompleted;
}

void Finish(const InstallScript& script) {
  Run().reboot_wanted = RebootWanted();
  RunExitBatch(script);
  RemoveEmptyRunFolders();
  RestoreFileSystemRedirection();
  if (Run().reboot_wanted) {
    RestartWindows();
  } else {
    RunExitActions(script, !FailureSummary().IsEmpty());
  }
}

}  // namespace

void RunInstallation() {
  const InstallScript& script = Script();
  PrepareRun(script);
  AskAndDecide(script);
  Install(script);
  Finish(script);
  ExitInstallation(CompletedOutcome());
}

}  // namespace valdorine
