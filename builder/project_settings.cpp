// [product], [install], [existing], [required_product], [uninstall], [portable] and [build]: the
// product's identity, how it installs and uninstalls, and how the package is built.
#include <algorithm>
#include <cctype>

#include "format/entry_name_check.hpp"
#include "project_sections.hpp"

namespace valdorine::builder {
namespace {

// A version is what the installer can compare: it begins with a number ("1.0", "2.3.1b").
void ReadVersion(TableReader& t, String& version) {
  if (!t.Has("version")) t.Problem("version", "the product needs a version, such as \"1.0\"");
  const std::optional<std::string> text = t.Text("version");
  if (!text) return;
  if (text->empty() || !std::isdigit(static_cast<unsigned char>(text->front()))) {
    t.Problem("version", "\"" + *text + "\" is not a version: numbers separated by dots, such as \"1.0\"");
    return;
  }
  t.Ansi("version", version);
}

void ReadProduct(TableReader t, Project& project) {
  InstallScript& s = project.script;
  if (!t.Has("name")) t.Problem("name", "the product needs a name");
  t.Wide("name", s.ProductName);
  ReadVersion(t, s.DisplayVersion);
  t.Wide("publisher", s.Publisher);
  t.Wide("description", s.ProductDescription);
  t.ChoiceInto<uint8_t>("bitness", s.Bitness, {{"any", 0}, {"64-bit", 1}, {"32-bit-only", 2}});
  t.FileBytes("icon", s.ProductIcon);
  t.Wide("registry_key", s.ProductRegistry);
  t.Wide("uninstall_key", s.UninstallKey);
  t.Number("excluded_systems", s.ExcludedSystems, 0, UINT32_MAX);
  t.Finish();
}

void ReadSharedFolder(TableReader& t, InstallScript& s) {
  t.ChoiceInto<uint8_t>("shared_base", s.SharedBase,
                        {{"default", 0}, {"all-users-data", 1}, {"common-files-32", 2}, {"common-files-64", 3}});
  t.Wide("shared_folder", s.SharedPath);
  t.Flag("grant_shared_folder_rights", s.ProductFlags.word2, option2::kGrantSharedFolderRights);
}

void ReadFolderChecks(TableReader& t, Project& project) {
  InstallScript& s = project.script;
  t.Flag("ask_before_creating_folder", s.ProductFlags.word1, option1::kAskBeforeCreatingFolder);
  t.Flag("refuse_network_folder", s.ProductFlags.word2, option2::kRefuseNetworkFolder);
  t.Flag("refuse_removable_folder", s.ProductFlags.word2, option2::kRefuseRemovableFolder);
  t.Flag("refuse_non_ascii_folder", project.package_flags, package_flag::kRefuseNonAsciiFolder);
  t.Flag("grant_folder_rights", s.ProductFlags.word2, option2::kGrantInstallFolderRights);
}

void ReadFileHandling(TableReader& t, InstallScript& s) {
  t.Flag("verify_files", s.ProductFlags.word1, option1::kVerifyWrittenFiles);
  t.Flag("clear_attributes_on_retry", s.ProductFlags.word1, option1::kClearAttributesOnRetry);
  t.Flag("replace_in_use_at_restart", s.ProductFlags.word1, option1::kReplaceAnyFileAtRestart);
}

void ReadLog(TableReader& t, InstallScript& s) {
  t.Flag("log", s.ProductFlags.word1, option1::kInstallLog);
  t.Flag("log_each_file", s.ProductFlags.word1, option1::kLogEachFile);
  t.Flag("log_shortcut", s.ProductFlags.word2, option2::kInstallLogShortcut);
  t.Flag("keep_log_at_uninstall", s.ProductFlags.word2, option2::kKeepInstallLog);
}

void ReadRestart(TableReader& t, Project& project) {
  InstallScript& s = project.script;
  t.Flag("restart", s.ProductFlags.word1, option1::kRestartAfterInstall);
  t.Flag("ask_restart_in_automatic_mode", s.ProductFlags.word2, option2::kAskRestartInAutomaticMode);
  t.Flag("restart_marker", s.ProductFlags.word2, option2::kRestartMarker);
  t.Flag("restore_point", project.package_flags, package_flag::kRestorePoint);
}

void ReadInstall(TableReader t, Project& project) {
  InstallScript& s = project.script;
  t.Wide("folder", s.DefaultInstallDir);
  t.Wide("start_menu_folder", s.ProductStartMenu);
  t.ChoiceInto<uint8_t>("mode", s.AutomaticMode,
                        {{"command-line", 0}, {"automatic", 1}, {"interactive-unless-silent", 2}});
  t.ChoiceInto<uint8_t>("shortcuts_for", s.ShortcutMode, {{"current-user", 0}, {"all-users", 1}});
  t.Number("stage_delay", s.StageDelay, 0, script_limit::kMaxStageDelay);
  t.Flag("single_instance", s.ProductFlags.word1, option1::kSingleInstance);
  t.Flag("product_registration", s.ProductFlags.word1, option1::kProductRegistration);
  if (auto in_file = t.Bool("archive_in_file")) s.ArchiveInFile = *in_file ? 1 : 0;
  t.ChoiceInto<uint32_t>("integrity", s.Display.IntegrityMode,
                         {{"none", 0}, {"checksum", kIntegrityStubChecksum}, {"signature", kIntegritySignature}});
  t.Number("extra_size", s.Display.ExtraSizeEstimate, 0, INT64_MAX);
  t.Ansi("password", s.Password);
  t.Ansi("install_path_value", s.InstallPathKey);
  t.Flag("uninstall_install_path_value", project.package_flags, package_flag::kUninstallInstallPathValue);
  t.Flag("add_to_path", s.ProductFlags.word1, option1::kAddToPath);
  t.Wide("path_subfolder", s.AddToPathSubfolder);
  t.Wide("desktop_folder", s.DesktopFolder);
  t.FileBytes("desktop_folder_icon", s.DesktopFolderIcon);
  t.Flag("desktop_folder_from_product_name", s.ProductFlags.word2, option2::kDesktopFolderFromProductName);
  t.Wide("uninstall_subfolder", s.UninstallSubdir);
  ReadSharedFolder(t, s);
  ReadFolderChecks(t, project);
  ReadFileHandling(t, s);
  ReadLog(t, s);
  ReadRestart(t, project);
  t.Finish();
}

void ReadExisting(TableReader t, Project& project) {
  InstallScript& s = project.script;
  t.Flag("must_uninstall", s.ProductFlags.word1, option1::kMustUninstall);
  t.Ansi("must_uninstall_below", s.MustUninstallBelow);
  t.Flag("no_question", s.ProductFlags.word1, option1::kNoExistingInstallQuestion);
  t.Flag("compare_versions", s.ProductFlags.word2, option2::kCompareVersions);
  t.Flag("ask_for_old_version", s.ProductFlags.word2, option2::kAskForOldVersion);
  t.Ansi("old_version_below", s.OldVersionBelow);
  t.Ansi("no_downgrade_below", s.NoDowngradeBelow);
  t.Finish();
}

// The presence of the table asks for the required product.
void ReadRequiredProduct(TableReader t, InstallScript& s) {
  if (!t.Present()) return;
  s.ProductFlags.word1 |= option1::kRequiredProduct;
  t.Wide("key", s.MasterKey);
  t.Wide("name", s.MasterName);
  t.Ansi("min_version", s.MasterMinVersion);
  t.Finish();
}

void ReadUninstallerTime(TableReader& t, InstallScript& s) {
  const std::optional<toml::date_time> time = t.DateTime("file_time");
  if (!time) return;
  s.UninstallerTime = {time->date.year, time->date.month, time->date.day,
                       time->time.hour, time->time.minute, time->time.second};
}

void ReadUninstall(TableReader t, Project& project) {
  InstallScript& s = project.script;
  if (const std::optional<std::string> name = t.Text("file_name")) {
    const EntryNameFault fault = CheckEntryName(*name);
    if (fault == EntryNameFault::kNone) {
      t.Wide("file_name", s.UninstallerName);
    } else {
      t.Problem("file_name", std::string("must name a file of the uninstall folder, not ") + EntryNameFaultText(fault));
    }
  }
  t.FileBytes("icon", s.UninstallerIcon);
  ReadUninstallerTime(t, s);
  t.Flag("strip_package", project.package_flags, package_flag::kUninstallerImage);
  t.Flag("start_menu_shortcut", s.ProductFlags.word1, option1::kUninstallerStartMenuShortcut);
  t.Flag("desktop_shortcut", s.ProductFlags.word2, option2::kUninstallerDesktopShortcut);
  t.Flag("shortcut_in_uninstall_folder", s.ProductFlags.word2, option2::kUninstallerShortcutInUninstallFolder);
  t.Flag("shortcut_in_install_folder", project.package_flags, package_flag::kUninstallerInInstallFolder);
  t.Flag("automatic", s.ProductFlags.word1, option1::kUninstallAutomatically);
  t.Flag("remove_install_folder", s.ProductFlags.word1, option1::kRemoveInstallFolder);
  t.Flag("ask_before_removing_fonts", s.ProductFlags.word1, option1::kAskBeforeRemovingFonts);
  t.Flag("ask_before_removing_shared_files", s.ProductFlags.word1, option1::kAskBeforeRemovingSharedFiles);
  t.Flag("restart", s.ProductFlags.word2, option2::kRestartAfterUninstall);
  t.Flag("completion_message", project.package_flags, package_flag::kUninstallCompletionMessage);
  t.Ansi("support_offer", s.SupportOffer);
  t.Finish();
}

void ReadPortable(TableReader t, Project& project) {
  InstallScript& s = project.script;
  t.Wide("shared_folder", s.PortableSharedPath);
  t.Utf8("root_shortcut_name", s.RootShortcutName);
  t.Utf8("root_shortcut_command", s.RootShortcutCommand);
  t.Flag("no_product_registration", s.ProductFlags.word2, option2::kNoRegistrationWhenPortable);
  t.Flag("no_start_menu", project.package_flags, package_flag::kNoStartMenuPageWhenPortable);
  t.Flag("no_registry", project.package_flags, package_flag::kNoRegistryWhenPortable);
  t.Flag("no_associations", project.package_flags, package_flag::kNoAssociationsWhenPortable);
  t.Flag("no_firewall", project.package_flags, package_flag::kNoFirewallWhenPortable);
  t.Finish();
}

std::optional<std::array<uint8_t, kCipherKeyLength>> CipherKey(TableReader& t) {
  const std::optional<std::string> text = t.Text("encryption_key");
  if (!text) return std::nullopt;
  std::array<uint8_t, kCipherKeyLength> key{};
  const bool shaped = text->size() == 2 * key.size() &&
                      std::all_of(text->begin(), text->end(), [](char c) { return std::isxdigit(uint8_t(c)); });
  if (!shaped) {
    t.Problem("encryption_key", "expected 16 hexadecimal digits");
    return std::nullopt;
  }
  for (size_t i = 0; i < key.size(); ++i) {
    key[i] = static_cast<uint8_t>(std::stoul(text->substr(2 * i, 2), nullptr, 16));
  }
  return key;
}

void ReadBuild(TableReader t, Project& project) {
  project.cipher_key = CipherKey(t);
  if (project.cipher_key) project.package_flags |= package_flag::kEncrypted;
  t.Number("compression_level", project.compression_level, 0, 9);
  t.ChoiceInto<LinkPolicy>("symlinks", project.links,
                           {{"follow", LinkPolicy::kFollow}, {"skip", LinkPolicy::kSkip}, {"refuse", LinkPolicy::kRefuse}});
  t.Finish();
}

}  // namespace

void ReadProductSettings(TableReader& root, Project& project) {
  ReadProduct(root.Table("product"), project);
  ReadInstall(root.Table("install"), project);
  ReadExisting(root.Table("existing"), project);
  ReadRequiredProduct(root.Table("required_product"), project.script);
  ReadUninstall(root.Table("uninstall"), project);
  ReadPortable(root.Table("portable"), project);
  ReadBuild(root.Table("build"), project);
}

}  // namespace valdorine::builder
