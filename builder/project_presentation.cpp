// [ui], [finish], [notify], [batch] and [taskbar_pin]: what the user sees and what runs around the
// installation.
#include <cstring>

#include "project_sections.hpp"

namespace valdorine::builder {
namespace {

constexpr std::initializer_list<Named<uint32_t>> kPageStyles = {
    {"plain", 0}, {"side-picture", 1}, {"header-band", 2}, {"full-picture", 3}};

constexpr std::initializer_list<Named<uint8_t>> kTextPositions = {
    {"top-left", 1}, {"top-centre", 2}, {"top-right", 3}, {"bottom-left", 4}, {"bottom-centre", 5},
    {"bottom-right", 6}};

// A licence or readme file: rich text stays as it is; plain text (UTF-8, or UTF-16 with its byte
// order mark) becomes UTF-16LE with CR LF line breaks.
std::optional<String> DialogText(TableReader& t, std::string_view key, const std::string& path) {
  std::optional<String> bytes = t.ReadFile(key, path);
  if (!bytes) return std::nullopt;
  const char* data = bytes->Narrow();
  const int length = bytes->Length();
  if (length >= 5 && std::memcmp(data, "{\\rtf", 5) == 0) return bytes;
  if (length >= 2 && static_cast<uint8_t>(data[0]) == 0xFF && static_cast<uint8_t>(data[1]) == 0xFE) {
    return WithCrLf(String::FromBytes(data + 2, length - 2));
  }
  const bool bom = length >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0;
  const std::string_view utf8(data + (bom ? 3 : 0), static_cast<size_t>(length - (bom ? 3 : 0)));
  String wide = WideFromUtf8(utf8);
  if (wide.IsEmpty() && !utf8.empty()) {
    t.Problem(key, path + " is neither rich text nor UTF-8 or UTF-16 text");
    return std::nullopt;
  }
  return WithCrLf(wide);
}

void ReadDialogTexts(TableReader& t, std::string_view key, Array<String>& texts, int limit) {
  const std::vector<std::string> paths = t.TextList(key);
  if (static_cast<int>(paths.size()) > limit) t.Problem(key, "at most " + std::to_string(limit) + " files");
  for (const std::string& path : paths) {
    if (auto text = DialogText(t, key, path)) texts.Append(std::move(*text));
  }
}

void ReadPageStyles(TableReader t, DisplaySettings& d) {
  t.ChoiceInto("greeting", d.GreetingPageStyle, kPageStyles);
  t.ChoiceInto("language", d.LanguagePageStyle, kPageStyles);
  t.ChoiceInto("license", d.LicensePageStyle, kPageStyles);
  t.ChoiceInto("readme", d.ReadmePageStyle, kPageStyles);
  t.ChoiceInto("choose_folder", d.ChooseDirPageStyle, kPageStyles);
  t.ChoiceInto("start_menu", d.StartMenuPageStyle, kPageStyles);
  t.ChoiceInto("progress", d.ProgressPageStyle, kPageStyles);
  t.ChoiceInto("summary", d.SummaryPageStyle, kPageStyles);
  t.Finish();
}

void ReadProgressPosition(TableReader& t, uint32_t& position) {
  constexpr uint32_t kHorizontal = 0x3, kVertical = 0x18;
  const auto horizontal =
      t.Choice<uint32_t>("progress_horizontal", {{"unchanged", 0}, {"left", 1}, {"right", 2}, {"centre", 3}});
  if (horizontal) position = (position & ~kHorizontal) | *horizontal;
  const auto vertical =
      t.Choice<uint32_t>("progress_vertical", {{"unchanged", 0}, {"top", 8}, {"bottom", 16}, {"centre", 24}});
  if (vertical) position = (position & ~kVertical) | *vertical;
}

void ReadPages(TableReader& t, Project& project) {
  InstallScript& s = project.script;
  t.Wide("window_title", s.WindowTitle);
  t.Flag("no_greeting", s.ProductFlags.word2, option2::kNoGreeting);
  t.Flag("greeting_in_automatic_mode", s.ProductFlags.word1, option1::kGreetingInAutomaticMode);
  t.Wide("greeting_link", s.GreetingLink);
  t.Flag("choose_folder_page", s.ProductFlags.word1, option1::kChooseDirPage);
  t.Flag("start_menu_page", s.ProductFlags.word2, option2::kStartMenuPage);
  t.Flag("progress_page", s.ProductFlags.word2, option2::kProgressPage);
  t.Flag("no_cancel", s.ProductFlags.word1, option1::kNoCancel);
  t.Flag("no_final_message", s.ProductFlags.word1, option1::kNoFinalMessage);
  t.Flag("pages_carry_icon", s.ProductFlags.word2, option2::kPagesCarryIcon);
  t.Flag("button_images", project.package_flags, package_flag::kButtonImages);
  t.Flag("disk_space_on_folder_page", project.package_flags, package_flag::kDiskSpaceOnChooseDir);
  t.Flag("license_read_to_end", project.package_flags, package_flag::kLicenseReadToEnd);
  t.Flag("error_boxes_in_automatic_mode", s.ProductFlags.word2, option2::kErrorBoxesInAutomaticMode);
  t.Flag("hide_file_names", s.ProductFlags.word2, option2::kHideFileNames);
  t.Color("header_text_color", s.HeaderTextColor);
  t.ChoiceInto<uint8_t>("picture_border", s.PictureBorder,
                        {{"none", 0}, {"sunken", 1}, {"thin", 2}, {"sunken-with-side-picture", 3}});
  ReadDialogTexts(t, "licenses", s.LicenseTexts, script_limit::kMaxLicenseTexts);
  ReadDialogTexts(t, "readmes", s.ReadmeTexts, script_limit::kMaxReadmeTexts);
  t.Flag("save_license_copies", s.ProductFlags.word2, option2::kSaveLicenseCopies);
  t.Flag("save_readme_copies", s.ProductFlags.word2, option2::kSaveReadmeCopies);
  t.FileBytes("start_sound", s.StartSound);
  ReadProgressPosition(t, s.ProgressPosition);
}

void ReadTitle(TableReader& t, InstallScript& s) {
  t.Wide("taskbar_text", s.TaskbarText);
  t.Wide("title", s.DisplayTitle);
  if (auto size = t.Float("title_size", 0.01, 100.0)) s.TitleSize = *size;
  t.Color("title_color", s.TitleColor);
  t.Number("title_shadow", s.TitleShadow, 0, 255);
  t.ChoiceInto<uint8_t>("title_position", s.TitlePosition, {{"none", 0}, {"top-left", 1}, {"top-centre", 2},
                                                            {"top-right", 3}, {"bottom-left", 4},
                                                            {"bottom-centre", 5}, {"bottom-right", 6}});
  t.Ansi("title_font", s.TitleFont);
}

void ReadBackground(TableReader t, InstallScript& s) {
  t.Flag("no_window", s.ProductFlags.word1, option1::kNoBackgroundWindow);
  t.Flag("maximised", s.ProductFlags.word2, option2::kMaximisedBackground);
  ReadTitle(t, s);
  t.Color("top_color", s.TopColor);
  t.Color("bottom_color", s.BottomColor);
  t.FileBytes("picture", s.BackgroundPicture);
  if (!s.BackgroundPicture.IsEmpty()) s.ProductFlags.word1 |= option1::kBackgroundPicture;
  t.Number("picture_value", s.BitmapTPI, INT32_MIN, INT32_MAX);
  t.Number("picture_size", s.BitmapSize, 0, script_limit::kMaxBitmapSize);
  t.ChoiceInto<uint32_t>("picture_fit", s.StretchMode,
                         {{"stretch", 0}, {"fit", 1}, {"whole-multiple", 2}, {"tile", 3}});
  t.Finish();
}

// The presence of the table draws the copyright line.
void ReadCopyright(TableReader t, InstallScript& s) {
  if (!t.Present()) return;
  s.CopyrightPos = 5;
  t.ChoiceInto("position", s.CopyrightPos, kTextPositions);
  t.Wide("text", s.CopyrightText);
  t.Ansi("font", s.CopyrightFont);
  if (auto size = t.Float("size", 0.0, 100.0)) s.CopyrightSize = *size;
  t.Color("color", s.CopyrightColor);
  t.Finish();
}

void ReadUi(TableReader t, Project& project) {
  ReadPages(t, project);
  ReadPageStyles(t.Table("page_styles"), project.script.Display);
  ReadBackground(t.Table("background"), project.script);
  ReadCopyright(t.Table("copyright"), project.script);
  t.Finish();
}

void ReadFinish(TableReader t, Project& project) {
  InstallScript& s = project.script;
  t.Utf8("launch", s.LaunchProgram);
  t.Flag("launch_checked", project.package_flags, package_flag::kLaunchProgramOption);
  t.Utf8("open", s.OpenFile1);
  t.Flag("open_checked", project.package_flags, package_flag::kOpenFile1Option);
  t.Utf8("open_second", s.OpenFile2);
  t.Flag("open_second_checked", project.package_flags, package_flag::kOpenFile2Option);
  t.Flag("view_log_option", s.ProductFlags.word2, option2::kViewLogOption);
  t.Flag("no_shell_launch", project.package_flags, package_flag::kNoShellLaunch);
  t.Finish();
}

void ReadNotify(TableReader t, InstallScript& s) {
  t.Ansi("start", s.StartNotifyURL);
  t.Ansi("begin", s.BeginNotifyURL);
  t.Ansi("install", s.InstallNotifyURL);
  t.Ansi("upgrade", s.UpgradeNotifyURL);
  t.Ansi("downgrade", s.DowngradeNotifyURL);
  t.Ansi("reinstall", s.ReinstallNotifyURL);
  t.Ansi("uninstall", s.NotifyURL);
  t.Ansi("link", s.LinkNotifyURL);
  t.Ansi("cancel", s.CancelNotifyURL);
  t.Ansi("error", s.ErrorNotifyURL);
  t.Finish();
}

// Where a batch's settings go; a zero mask means the batch has no such option.
struct BatchTarget {
  const char* name;
  String InstallScript::*commands;
  uint32_t OptionWords::*hidden_word;
  uint32_t hidden_mask;
  uint32_t logged_flag;  // package flag
};

constexpr BatchTarget kBatches[] = {
    {"pre_install", &InstallScript::PreInstallBatch, &OptionWords::word1, option1::kHiddenPreInstallBatch,
     package_flag::kLogPreInstallBatch},
    {"post_install", &InstallScript::PostInstallBatch, &OptionWords::word1, option1::kHiddenPostInstallBatch,
     package_flag::kLogPostInstallBatch},
    {"exit", &InstallScript::ExitBatch, &OptionWords::word1, option1::kHiddenExitBatch, 0},
    {"upgrade", &InstallScript::UpgradeBatch, &OptionWords::word2, option2::kHiddenUpgradeBatch,
     package_flag::kLogUpgradeBatch},
    {"reinstall", &InstallScript::ReinstallBatch, &OptionWords::word2, option2::kHiddenReinstallBatch,
     package_flag::kLogReinstallBatch},
    {"uninstall_first", &InstallScript::UninstallBatch1, &OptionWords::word1, option1::kHiddenUninstallBatch1, 0},
    {"uninstall_last", &InstallScript::UninstallBatch2, &OptionWords::word1, option1::kHiddenUninstallBatch2, 0},
};

void ReadBatch(TableReader t, const BatchTarget& batch, Project& project) {
  InstallScript& s = project.script;
  t.Ansi("commands", s.*batch.commands);
  t.Flag("hidden", s.ProductFlags.*batch.hidden_word, batch.hidden_mask);
  if (batch.logged_flag != 0) t.Flag("logged", project.package_flags, batch.logged_flag);
  if (batch.commands == &InstallScript::ReinstallBatch) {
    t.Flag("only_for_same_version", project.package_flags, package_flag::kReinstallBatchOnlyForSameVersion);
  }
  t.Finish();
}

void ReadBatches(TableReader t, Project& project) {
  for (const BatchTarget& batch : kBatches) ReadBatch(t.Table(batch.name), batch, project);
  t.Finish();
}

void ReadTaskbarPin(TableReader t, InstallScript& s) {
  t.Wide("command", s.TaskbarPinCommand);
  t.Wide("name", s.TaskbarPinName);
  t.Finish();
}

}  // namespace

void ReadPresentation(TableReader& root, Project& project) {
  ReadUi(root.Table("ui"), project);
  ReadFinish(root.Table("finish"), project);
  ReadNotify(root.Table("notify"), project.script);
  ReadBatches(root.Table("batch"), project);
  ReadTaskbarPin(root.Table("taskbar_pin"), project.script);
}

}  // namespace valdorine::builder
