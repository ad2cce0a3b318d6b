// The install script's layout, written once for every direction: the reader, the writer and the
// builder's description of a script walk the same fields in the same order through a codec.
//
// A codec provides:
//   Number(name, value)                     a u8/u16/u32/i32/u64 or f64 field
//   Text(name, text, TextForm, TextEncoding)
//   Skip(count)                             reserved bytes
//   Picture(name, bytes, trailing)          an i32 size, the bytes and a u32 when the size is > 0
//   Group(name, visit)                      a named part of the record
//   Counted(name, list, limit, code, visit) an i32 count, then the items
//   Marked(name, list, first, marker, limit, code, visit_rest)
//                                           items up to one whose first field is `marker`;
//                                           `first` names that field (a MarkedFirst)
//   LanguageTable(table)                    fields 95..98
//   Check(ok, code)                         a range check; returns the code to stop with, or 0
//   Hook(ScriptHook, script)                a reader's step between fields; returns a code or 0
//   EndMarker()                             field 99; returns 0 or the end-marker code
// Each visit returns 0 or the code that stops the walk.
#pragma once

#include <cstdint>

#include "format/install_script.hpp"
#include "format/script_stream.hpp"

namespace valdorine {

// How a text field is meant to be decoded (see install_script.hpp).
// kRichOrWide: rich text (8-bit, beginning with "{\rtf") or else UTF-16LE plain text.
enum class TextEncoding { kWide, kAnsi, kUtf8, kFile, kRichOrWide };

// The reader's steps between fields.
enum class ScriptHook {
  kOptionWordsRead,    // silent mode rewrites the option words
  kProductNameRead,    // the /n: override
  kAppearanceRead,     // background window and script checksum
  kInstallDirRead,     // DefaultInstallDir is resolved
  kApplyDefaults,      // empty texts take their defaults (the product name, the publisher)
};

// The first field of an end-marked list's items, which also carries the end marker.
template <typename Item>
struct MarkedFirst {
  const char* name;
  String Item::*member;
  TextForm form;
  TextEncoding encoding;
};

inline constexpr char kConditionalDeleteEnd[] = "~~THE END~~";
inline constexpr char16_t kAutoCloseEnd[] = u"~~THE~END~~";

namespace layout {

constexpr auto kV = TextForm::kV;
constexpr auto kWide = TextEncoding::kWide;
constexpr auto kAnsi = TextEncoding::kAnsi;
constexpr auto kUtf8 = TextEncoding::kUtf8;
constexpr auto kFile = TextEncoding::kFile;

template <typename Codec>
void Date(Codec& c, const char* name, EntryDate& date) {
  c.Group(name, [&] {
    c.Number("year", date.year);
    c.Number("month", date.month);
    c.Number("day", date.day);
    c.Number("hour", date.hour);
    c.Number("minute", date.minute);
    c.Number("second", date.second);
    return 0;
  });
}

// Fields 1..6, after which the background window is created.
template <typename Codec>
int Appearance(Codec& c, InstallScript& s) {
  c.Group("ProductFlags", [&] {
    c.Number("word1", s.ProductFlags.word1);
    c.Number("word2", s.ProductFlags.word2);
    return 0;
  });
  if (int code = c.Hook(ScriptHook::kOptionWordsRead, s)) return code;
  c.Number("AutomaticMode", s.AutomaticMode);
  c.Text("TaskbarText", s.TaskbarText, kV, kWide);
  c.Text("DisplayTitle", s.DisplayTitle, kV, kWide);
  c.Number("TitleSize", s.TitleSize);
  c.Number("ProgressPosition", s.ProgressPosition);
  return c.Hook(ScriptHook::kAppearanceRead, s);
}

// Fields 7..22.
template <typename Codec>
int Product(Codec& c, InstallScript& s) {
  c.Number("StageDelay", s.StageDelay);
  if (int code = c.Check(s.StageDelay <= script_limit::kMaxStageDelay, script_error::kStageDelay)) return code;
  c.Number("ShortcutMode", s.ShortcutMode);
  Date(c, "UninstallerTime", s.UninstallerTime);
  c.Text("Publisher", s.Publisher, kV, kWide);
  c.Text("ProductName", s.ProductName, kV, kWide);
  if (int code = c.Hook(ScriptHook::kProductNameRead, s)) return code;
  c.Text("ProductDescription", s.ProductDescription, kV, kWide);
  c.Number("Bitness", s.Bitness);
  c.Number("SharedBase", s.SharedBase);
  c.Text("SharedPath", s.SharedPath, kV, kWide);
  c.Text("PortableSharedPath", s.PortableSharedPath, kV, kWide);
  c.Text("ProductStartMenu", s.ProductStartMenu, kV, kWide);
  c.Text("DisplayVersion", s.DisplayVersion, kV, kAnsi);
  c.Text("DefaultInstallDir", s.DefaultInstallDir, kV, kWide);
  if (int code = c.Hook(ScriptHook::kInstallDirRead, s)) return code;
  c.Text("ProductRegistry", s.ProductRegistry, kV, kWide);
  c.Text("RegistryText", s.RegistryText, TextForm::k32, kWide);
  c.Text("RegistryMerge", s.RegistryMerge, kV, kFile);
  return 0;
}

// Fields 23..32.
template <typename Codec>
int PicturesAndTexts(Codec& c, InstallScript& s) {
  c.Number("BitmapSize", s.BitmapSize);
  if (int code = c.Check(s.BitmapSize <= script_limit::kMaxBitmapSize, script_error::kBitmapSize)) return code;
  c.Number("StretchMode", s.StretchMode);
  c.Text("GreetingLink", s.GreetingLink, TextForm::k16, kWide);
  auto dialog_text = [&](String& text) {
    c.Text("text", text, TextForm::k32, TextEncoding::kRichOrWide);
    return 0;
  };
  if (int code = c.Counted("LicenseTexts", s.LicenseTexts, script_limit::kMaxLicenseTexts,
                           script_error::kLicenseCount, dialog_text)) {
    return code;
  }
  if (int code = c.Counted("ReadmeTexts", s.ReadmeTexts, script_limit::kMaxReadmeTexts,
                           script_error::kReadmeCount, dialog_text)) {
    return code;
  }
  c.Text("UninstallSubdir", s.UninstallSubdir, kV, kWide);
  c.Text("UninstallerName", s.UninstallerName, TextForm::k8, kWide);
  c.Text("UninstallKey", s.UninstallKey, kV, kWide);
  c.Text("InstallPathKey", s.InstallPathKey, TextForm::kZero, kAnsi);
  c.Text("WindowTitle", s.WindowTitle, kV, kWide);
  return 0;
}

// Fields 33..49.
template <typename Codec>
int Backdrop(Codec& c, InstallScript& s) {
  c.Number("HeaderTextColor", s.HeaderTextColor);
  c.Number("PictureBorder", s.PictureBorder);
  c.Number("TitleColor", s.TitleColor);
  c.Number("TitleShadow", s.TitleShadow);
  c.Number("TitlePosition", s.TitlePosition);
  c.Text("TitleFont", s.TitleFont, TextForm::k16, kAnsi);
  c.Number("TopColor", s.TopColor);
  c.Number("BottomColor", s.BottomColor);
  c.Picture("BackgroundPicture", s.BackgroundPicture, s.BitmapTPI);
  c.Number("CopyrightPos", s.CopyrightPos);
  if (s.CopyrightPos != 0) {
    c.Number("CopyrightColor", s.CopyrightColor);
    c.Number("CopyrightSize", s.CopyrightSize);
    c.Text("CopyrightText", s.CopyrightText, kV, kWide);
    c.Text("CopyrightFont", s.CopyrightFont, kV, kAnsi);
  }
  if (s.ProductFlags.word1 & option1::kRequiredProduct) {
    c.Text("MasterKey", s.MasterKey, kV, kWide);
    c.Text("MasterName", s.MasterName, kV, kWide);
    c.Text("MasterMinVersion", s.MasterMinVersion, kV, kAnsi);
  }
  return 0;
}

// Fields 50..81.
template <typename Codec>
int BatchesAndAddresses(Codec& c, InstallScript& s) {
  c.Text("StartSound", s.StartSound, kV, kFile);
  c.Text("DesktopFolder", s.DesktopFolder, kV, kWide);
  c.Text("DesktopFolderIcon", s.DesktopFolderIcon, TextForm::k32, kFile);
  c.Text("PreInstallBatch", s.PreInstallBatch, kV, kAnsi);
  c.Text("PostInstallBatch", s.PostInstallBatch, kV, kAnsi);
  c.Text("ExitBatch", s.ExitBatch, kV, kAnsi);
  c.Text("UninstallBatch1", s.UninstallBatch1, kV, kAnsi);
  c.Text("UninstallBatch2", s.UninstallBatch2, kV, kAnsi);
  c.Text("UpgradeBatch", s.UpgradeBatch, kV, kAnsi);
  c.Text("ReinstallBatch", s.ReinstallBatch, kV, kAnsi);
  c.Skip(20);
  c.Number("ExcludedSystems", s.ExcludedSystems);
  c.Number("ArchiveInFile", s.ArchiveInFile);
  c.Text("LaunchProgram", s.LaunchProgram, kV, kUtf8);
  c.Text("OpenFile1", s.OpenFile1, kV, kUtf8);
  c.Text("OpenFile2", s.OpenFile2, kV, kUtf8);
  c.Text("StartNotifyURL", s.StartNotifyURL, kV, kAnsi);
  c.Text("BeginNotifyURL", s.BeginNotifyURL, kV, kAnsi);
  c.Text("InstallNotifyURL", s.InstallNotifyURL, kV, kAnsi);
  c.Text("UpgradeNotifyURL", s.UpgradeNotifyURL, kV, kAnsi);
  c.Text("DowngradeNotifyURL", s.DowngradeNotifyURL, kV, kAnsi);
  c.Text("ReinstallNotifyURL", s.ReinstallNotifyURL, kV, kAnsi);
  c.Text("NotifyURL", s.NotifyURL, kV, kAnsi);
  c.Text("LinkNotifyURL", s.LinkNotifyURL, kV, kAnsi);
  c.Text("CancelNotifyURL", s.CancelNotifyURL, kV, kAnsi);
  c.Text("ErrorNotifyURL", s.ErrorNotifyURL, kV, kAnsi);
  c.Text("OldVersionBelow", s.OldVersionBelow, TextForm::kZero, kAnsi);
  c.Text("NoDowngradeBelow", s.NoDowngradeBelow, TextForm::k8, kAnsi);
  c.Text("Password", s.Password, kV, kAnsi);
  c.Text("MustUninstallBelow", s.MustUninstallBelow, kV, kAnsi);
  c.Text("FirewallList", s.FirewallList, kV, kUtf8);
  c.Text("AddToPathSubfolder", s.AddToPathSubfolder, kV, kWide);
  return 0;
}

// Field 82: 44 bytes.
template <typename Codec>
void Display(Codec& c, DisplaySettings& d) {
  c.Group("Display", [&] {
    c.Number("ExtraSizeEstimate", d.ExtraSizeEstimate);
    c.Number("GreetingPageStyle", d.GreetingPageStyle);
    c.Number("LanguagePageStyle", d.LanguagePageStyle);
    c.Number("LicensePageStyle", d.LicensePageStyle);
    c.Number("ReadmePageStyle", d.ReadmePageStyle);
    c.Number("ChooseDirPageStyle", d.ChooseDirPageStyle);
    c.Number("StartMenuPageStyle", d.StartMenuPageStyle);
    c.Number("ProgressPageStyle", d.ProgressPageStyle);
    c.Number("SummaryPageStyle", d.SummaryPageStyle);
    c.Number("IntegrityMode", d.IntegrityMode);
    return 0;
  });
}

// The items of the lists in fields 84..94, one visit per item.
template <typename Codec>
int DeletionFields(Codec& c, FileDeletion& d) {  // after the pattern
  c.Number("condition_kind", d.condition_kind);
  c.Text("condition_value", d.condition_value, TextForm::kZero, kAnsi);
  c.Number("flags", d.flags);
  return 0;
}

template <typename Codec>
int AssociationFields(Codec& c, FileAssociation& a) {
  c.Number("mode", a.mode);
  c.Text("extension", a.extension, TextForm::kZero, kAnsi);
  c.Text("class_name", a.class_name, TextForm::kZero, kAnsi);
  c.Text("description", a.description, TextForm::kZero, kAnsi);
  c.Text("verbs", a.verbs, TextForm::kZero, kAnsi);
  c.Text("verb_label", a.verb_label, TextForm::kZero, kAnsi);
  c.Text("command", a.command, kV, kUtf8);
  c.Text("language", a.language, TextForm::kZeroWide, kWide);
  c.Text("icon", a.icon, kV, kUtf8);
  return 0;
}

template <typename Codec>
int ShortcutFields(Codec& c, ScriptShortcut& k) {
  c.Text("target", k.target, kV, kUtf8);
  c.Text("name", k.name, kV, kUtf8);
  c.Text("icon", k.icon, kV, kUtf8);
  c.Text("arguments", k.arguments, kV, kUtf8);
  c.Text("working_folder", k.working_folder, kV, kUtf8);
  c.Number("desktop", k.desktop);
  c.Number("start_menu", k.start_menu);
  c.Number("startup", k.startup);
  c.Text("extra_folder", k.extra_folder, TextForm::kZero, kAnsi);
  c.Number("show_command", k.show_command);
  c.Number("permanent", k.permanent);
  return 0;
}

template <typename Codec>
int UninstallValueFields(Codec& c, UninstallKeyValue& v) {
  c.Text("name", v.name, TextForm::kZero, kAnsi);
  c.Number("type", v.type);
  c.Text("value", v.value, kV, kUtf8);
  return 0;
}

template <typename Codec>
int AutoCloseFields(Codec& c, AutoCloseEntry& a) {  // after the window class
  c.Text("window_title", a.window_title, TextForm::kZero, kAnsi);
  c.Text("program_name", a.program_name, TextForm::kZero, kAnsi);
  c.Number("action", a.action);
  c.Number("flags", a.flags);
  return 0;
}

// Fields 83..86.
template <typename Codec>
int DeletionsAssociationsShortcuts(Codec& c, InstallScript& s) {
  if (s.ProductFlags.word1 & option1::kProductRegistration) {
    c.Text("UninstallerIcon", s.UninstallerIcon, TextForm::k32, kFile);
  }
  const MarkedFirst<FileDeletion> pattern{"pattern", &FileDeletion::pattern, TextForm::kZero, kAnsi};
  if (int code = c.Marked("ConditionalDeletes", s.ConditionalDeletes, pattern,
                          String::FromNarrow(kConditionalDeleteEnd), script_limit::kMaxConditionalDeletes,
                          script_error::kConditionalDeleteCount,
                          [&](FileDeletion& d) { return DeletionFields(c, d); })) {
    return code;
  }
  if (int code = c.Counted("Associations", s.Associations, script_limit::kMaxAssociations,
                           script_error::kAssociationCount,
                           [&](FileAssociation& a) { return AssociationFields(c, a); })) {
    return code;
  }
  return c.Counted("Shortcuts", s.Shortcuts, script_limit::kMaxShortcuts, script_error::kShortcutCount,
                   [&](ScriptShortcut& k) { return ShortcutFields(c, k); });
}

// Fields 87..94.
template <typename Codec>
int PinsValuesAutoClose(Codec& c, InstallScript& s) {
  c.Text("RootShortcutName", s.RootShortcutName, kV, kUtf8);
  c.Text("RootShortcutCommand", s.RootShortcutCommand, kV, kUtf8);
  c.Text("TaskbarPinCommand", s.TaskbarPinCommand, TextForm::kZeroWide, kWide);
  c.Text("TaskbarPinName", s.TaskbarPinName, TextForm::kZeroWide, kWide);
  if (int code = c.Counted("UninstallKeyValues", s.UninstallKeyValues, script_limit::kMaxUninstallValues,
                           script_error::kUninstallValueCount,
                           [&](UninstallKeyValue& v) { return UninstallValueFields(c, v); })) {
    return code;
  }
  c.Text("SupportOffer", s.SupportOffer, TextForm::k16, kAnsi);
  c.Text("ProductIcon", s.ProductIcon, TextForm::k32, kFile);
  const MarkedFirst<AutoCloseEntry> window_class{"window_class", &AutoCloseEntry::window_class, TextForm::k16, kWide};
  return c.Marked("AutoClose", s.AutoClose, window_class, String::FromWide(kAutoCloseEnd),
                  script_limit::kMaxAutoClose, script_error::kAutoCloseCount,
                  [&](AutoCloseEntry& a) { return AutoCloseFields(c, a); });
}

}  // namespace layout

// Walks every field of the script in stream order; returns 0 or the first code that stopped it.
template <typename Codec>
int VisitInstallScript(Codec& c, InstallScript& s) {
  if (int code = layout::Appearance(c, s)) return code;
  if (int code = layout::Product(c, s)) return code;
  if (int code = layout::PicturesAndTexts(c, s)) return code;
  if (int code = layout::Backdrop(c, s)) return code;
  if (int code = layout::BatchesAndAddresses(c, s)) return code;
  layout::Display(c, s.Display);
  if (int code = layout::DeletionsAssociationsShortcuts(c, s)) return code;
  if (int code = layout::PinsValuesAutoClose(c, s)) return code;
  if (int code = c.Hook(ScriptHook::kApplyDefaults, s)) return code;
  if (int code = c.LanguageTable(s.Languages)) return code;
  return c.EndMarker();
}

}  // namespace valdorine
