#include "installer/existing_installation.hpp"

#include <windows.h>

#include "core/version_compare.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/process_start.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/win_text.hpp"
#include "format/script_options.hpp"
#include "installer/orderly_exit.hpp"
#include "installer/sequence_exit.hpp"
#include "package/language_message.hpp"
#include "package/language_strings.hpp"
#include "paths/path_variables.hpp"
#include "run/run_state.hpp"
#include "run/run_switches.hpp"
#include "ui/message_boxes.hpp"
#include "ui/wizard_pages.hpp"
#include "uninstall/uninstall_data_digest.hpp"
#include "uninstall/uninstall_list.hpp"

namespace valdorine {
namespace {

constexpr int kMaxRegistryText = 4096;
constexpr uint32_t kOpenForReading = reg_key::kOpenOnly | reg_key::kView64 | reg_key::kDefaultSecurity;

bool OpenUninstallKey(const InstallScript& script, RegKey& key) {
  const String subkey =
      ConcatWide(u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\", script.UninstallKey.Wide(), nullptr);
  return key.OpenKey(HKEY_LOCAL_MACHINE, subkey, kOpenForReading, reg_access::kRead) != open_key_result::kFailed;
}

// A registry text value cut to the length the installer accepts for paths and names.
String ReadLimited(const RegKey& key, const char16_t* name) {
  String text;
  if (!key.ReadString(String::FromWide(name), text)) return {};
  return text.Substring(0, kMaxRegistryText);
}

// The value that a full value path such as "\HKLM\Software\Product\InstallDir" names; the
// leading backslash of the root prefix may be left out ("HKLM\...").
String ReadValueAtPath(String value_path) {
  value_path.PrependUnless(u'\\');
  int last_backslash = value_path.WideLength() - 1;
  while (last_backslash >= 0 && value_path.WideAt(last_backslash) != u'\\') --last_backslash;
  if (last_backslash <= 0) return {};
  RegKey key;
  if (key.OpenKey(value_path.Substring(0, last_backslash), kOpenForReading, reg_access::kRead) ==
      open_key_result::kFailed) {
    return {};
  }
  return ReadLimited(key, value_path.Substring(last_backslash + 1).Wide());
}

bool IsBelow(const String& version, const String& bound) {
  return VersionIsBelow(NarrowFromWide(version, code_page::kAnsi).Narrow(), NarrowFromWide(bound, code_page::kAnsi).Narrow());
}

String FromAnsi(const String& narrow) { return WideFromNarrow(narrow, code_page::kAnsi); }

// The MustUninstall branch: offers to uninstall the existing installation first and ends the run
// whatever the answer.
[[noreturn]] void RequireUninstallFirst(const InstallScript& script) {
  Switches().automatic_mode = false;
  PublishRunState();
  RegKey key;
  String command;
  if (OpenUninstallKey(script, key)) {
    command = ReadLimited(key, u"QuietUninstallString");
    if (command.IsEmpty()) command = ReadLimited(key, u"UninstallString");
  }
  if (command.IsEmpty()) RefuseInstallation(LanguageMessage(9));
  if (ShowMustUninstallPage() == PageResult::kAccepted) {
    StartProcess(UninstallAndRestartCommand(command, FromWinText(GetCommandLineW())), {});
  }
  ExitInstallation(RunOutcome::kCancelled);
}

void RefuseDowngrade(const InstallScript& script) {
  RegKey key;
  if (!OpenUninstallKey(script, key)) return;
  const String floor = ReadLimited(key, u"NoDowngradeBelow");
  if (floor.IsEmpty() || !IsBelow(FromAnsi(script.DisplayVersion), floor)) return;
  if (!Switches().automatic_mode) ShowErrorBox(LanguageMessage(106, {floor}));
  ExitInstallation(RunOutcome::kFailed);
}

void AskAboutExistingInstallation(const RunState& run, ExistingKind kind) {
  if (Switches().automatic_mode || (run.options.word1 & option1::kNoExistingInstallQuestion) != 0) return;
  String text = LanguageString(ExistingInstallationMessage(kind));
  text.AppendFormatWide(u"\r\n%s\r\n\r\n%s", run.existing_location.Wide(), LanguageString(7).Wide());
  if (!AskYesNo(text, LanguageString(2))) CancelInstallation();
}

void AskAboutOldVersion(const InstallScript& script, const RunState& run) {
  if ((run.options.word2 & option2::kAskForOldVersion) == 0 || run.existing_version.IsBlank()) return;
  if (!script.OldVersionBelow.IsBlank() && !IsBelow(run.existing_version, FromAnsi(script.OldVersionBelow))) return;
  if (!AskOkCancel(LanguageString(72), LanguageString(20))) CancelQuietly();
}

// The install-path value is the installation's own when the script asks the uninstaller to remove
// it: recorded for every installation, new or not, since product registration writes it.
void RecordInstallPathValue(const InstallScript& script) {
  if ((Run().package_flags & package_flag::kUninstallInstallPathValue) == 0 || script.InstallPathKey.IsEmpty()) return;
  String value_path = FromAnsi(script.InstallPathKey);
  value_path.PrependUnless(u'\\');
  RecordUninstallEntry(value_path, uninstall_entry::kRegistryValue);
}

}  // namespace

void DetectExistingInstallation(const InstallScript& script) {
  RunState& run = Run();
  if ((run.options.word1 & option1::kProductRegistration) == 0) return;
  RecordInstallPathValue(script);
  RegKey key;
  if (!OpenUninstallKey(script, key)) return;
  run.existing_location = ReadLimited(key, u"InstallLocation");
  run.existing_version = ReadLimited(key, u"DisplayVersion");
  run.existing_version_narrow = NarrowFromWide(run.existing_version, code_page::kAnsi);
  run.existing_shared_files = ReadLimited(key, u"SharedFiles");
  run.existing_start_menu = ReadLimited(key, u"ProductStartMenu");
  run.existing_data_digest = ReadLimited(key, kUninstallDataDigestValue);
  if (run.existing_location.IsEmpty() && !script.InstallPathKey.IsEmpty()) {
    run.existing_location = ReadValueAtPath(FromAnsi(script.InstallPathKey));
  }
  run.existing_installation = !run.existing_location.IsEmpty() && FolderExists(run.existing_location);
}

ExistingKind ClassifyExisting(bool compare_versions, const String& existing_version, const String& package_version) {
  if (!compare_versions || existing_version.IsBlank() || package_version.IsBlank()) return ExistingKind::kUnclassified;
  const int order = CompareVersions(NarrowFromWide(existing_version, code_page::kAnsi).Narrow(),
                                    NarrowFromWide(package_version, code_page::kAnsi).Narrow());
  if (order < 0) return ExistingKind::kUpgrade;
  return order == 0 ? ExistingKind::kReinstall : ExistingKind::kDowngrade;
}

int ExistingInstallationMessage(ExistingKind kind) {
  switch (kind) {
    case ExistingKind::kUpgrade: return 5;
    case ExistingKind::kReinstall: return 4;
    case ExistingKind::kDowngrade: return 6;
    case ExistingKind::kUnclassified: break;
  }
  return 3;
}

String UninstallAndRestartCommand(const String& uninstall_command, const String& own_command_line) {
  String restart = own_command_line;
  restart.ReplaceAll(u"\"", u"`");
  return ConcatWide(uninstall_command.Wide(), u" /r:\"", restart.Wide(), u"\"", nullptr);
}

void ConfirmExistingInstallation(const InstallScript& script) {
  RunState& run = Run();
  if ((run.options.word1 & option1::kMustUninstall) != 0 &&
      (script.MustUninstallBelow.IsEmpty() || IsBelow(run.existing_version, FromAnsi(script.MustUninstallBelow)))) {
    RequireUninstallFirst(script);
  }
  RefuseDowngrade(script);
  const ExistingKind kind = ClassifyExisting((run.options.word2 & option2::kCompareVersions) != 0,
                                             run.existing_version, FromAnsi(script.DisplayVersion));
  run.upgrade = kind == ExistingKind::kUpgrade;
  run.reinstall = kind == ExistingKind::kReinstall;
  run.downgrade = kind == ExistingKind::kDowngrade;
  AskAboutExistingInstallation(run, kind);
  AskAboutOldVersion(script, run);
  run.install_dir = run.existing_location;
}

}  // namespace valdorine
