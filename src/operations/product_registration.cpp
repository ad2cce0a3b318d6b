#include "operations/product_registration.hpp"

#include "core/file_errors.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/operations_log.hpp"
#include "format/script_options.hpp"
#include "operations/path_entry.hpp"
#include "operations/registration_files.hpp"
#include "operations/text_copies.hpp"
#include "operations/uninstall_key.hpp"
#include "operations/uninstaller_file.hpp"
#include "package/language_strings.hpp"
#include "run/run_state.hpp"
#include "ui/progress_window.hpp"
#include "uninstall/deferred_operations.hpp"
#include "uninstall/uninstall_data.hpp"

namespace valdorine {
namespace {

constexpr int kRegistrationStatusString = 32;

UninstallerPlan& Plan() {
  static UninstallerPlan plan;
  return plan;
}

String InUninstallFolder(const char16_t* name) { return JoinPath(Run().uninstall_dir, String::FromWide(name)); }

void WriteUninstallerIcon(const String& icon, const String& path) {
  const int result = SaveRecordedFile(path, icon);
  if (result != file_error::kSuccess) {
    LogFormatW(u"Failed to install uninstaller icon to %s\r\n%s\r\n", path.Wide(), FileErrorMessageWide(result).Wide());
  }
}

void SaveBackgroundBitmap(const InstallScript& script) {
  if ((Run().options.word1 & option1::kBackgroundPicture) == 0 || script.BackgroundPicture.IsEmpty()) return;
  const String path = InUninstallFolder(u"Installer Background.bmp");
  ShowRegistrationItem(path);
  SaveRecordedFile(path, script.BackgroundPicture);
}

void SaveTextCopiesAsked(const InstallScript& script) {
  const uint32_t word2 = Run().options.word2;
  if ((word2 & option2::kSaveReadmeCopies) != 0) SaveTextCopies(script.ReadmeTexts, kReadmeCopies);
  if ((word2 & option2::kSaveLicenseCopies) != 0) SaveTextCopies(script.LicenseTexts, kLicenseCopies);
}

void ReportRegistrationFailure(const String& error_text) {
  String& summary = FailureSummary();
  if (!error_text.IsEmpty()) summary.Append(ConcatWide(u"System error: ", error_text.Wide(), u"\r\n\r\n", nullptr));
  summary.AppendWide(u"Unable to save the uninstall information to the registry.  Uninstall will not work properly.\r\n\r\n");
}

// The uninstaller, the uninstall key and the install-location value.
void RegisterUninstaller(const InstallScript& script) {
  const UninstallerPlan& plan = Plan();
  WriteUninstaller(script, plan.path);
  String error_text;
  const bool registered = WriteUninstallKey(script, {plan.path, plan.arguments}, error_text);
  WriteInstallPathValue(script);
  if (!registered) ReportRegistrationFailure(error_text);
}

// An empty "reboot.dat" in the installation folder that lives until the next restart.
void LeaveRestartMarker() {
  if ((Run().options.word2 & option2::kRestartMarker) == 0) return;
  const String path = JoinPath(Run().install_dir, String::FromWide(u"reboot.dat"));
  if (SaveRecordedFile(path, String()) == file_error::kSuccess) DeleteAtRestart(path);
}

void WriteUninstallDataFile() {
  if (!WriteUninstallData()) AddFailure(FailureSummary(), UninstallDataPath());
}

}  // namespace

const UninstallerPlan& PlannedUninstaller() { return Plan(); }

void PrepareUninstaller(const InstallScript& script) {
  UninstallerPlan& plan = Plan();
  plan = {};
  if (!MakesUninstaller()) return;
  plan.path = JoinPath(Run().uninstall_dir, script.UninstallerName);
  plan.arguments = ConcatWide(u"/u:\"", script.UninstallKey.Wide(), u"\"", nullptr);
  if (script.UninstallerIcon.IsEmpty()) return;
  plan.icon_path = InUninstallFolder(u"uninstall.ico");
  WriteUninstallerIcon(script.UninstallerIcon, plan.icon_path);
}

void RegisterProduct(const InstallScript& script) {
  ShowProgressStatus(LanguageString(kRegistrationStatusString));
  SetProgress(98);
  SaveBackgroundBitmap(script);
  SaveTextCopiesAsked(script);
  if ((Run().options.word1 & option1::kAddToPath) != 0) AddPathEntry(script.AddToPathSubfolder);
  SetProgress(99);
  if (MakesUninstaller()) RegisterUninstaller(script);
  LeaveRestartMarker();
  SetProgress(100);
  if (MakesUninstaller()) WriteUninstallDataFile();
}

}  // namespace valdorine
