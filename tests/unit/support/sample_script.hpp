// Install scripts for the tests: one that sets every field to a value of its own (every optional
// field present, every list filled), and a minimal one with the fewest fields.
#pragma once

#include <cstdint>
#include <string>

#include "core/string.hpp"
#include "format/install_script.hpp"

namespace valdorine::testing {

inline String Wide(const char16_t* text) { return String::FromWide(text); }
inline String Narrow(const char* text) { return String::FromNarrow(text); }

inline InstallScript MinimalScript() {
  InstallScript s;
  s.ProductName = Wide(u"Hello");
  s.Languages.names.Append(Wide(u"English"));
  s.Languages.string_count = 1;
  s.Languages.texts.Append(Wide(u"Hello title"));
  return s;
}

inline void FillProduct(InstallScript& s) {
  s.ProductFlags = {option1::kProductRegistration | option1::kRequiredProduct | option1::kInstallLog | 0x40000000,
                    option2::kStartMenuPage | option2::kProgressPage | 0x80000000};
  s.AutomaticMode = 2;
  s.TaskbarText = Wide(u"Taskbar \u00e9");
  s.DisplayTitle = Wide(u"Display title");
  s.TitleSize = 1.75;
  s.ProgressPosition = 24 | 3;
  s.StageDelay = 1234;
  s.ShortcutMode = 1;
  s.UninstallerTime = {2024, 2, 29, 23, 59, 58};
  s.Publisher = Wide(u"Publisher Ltd");
  s.ProductName = Wide(u"Product");
  s.ProductDescription = Wide(u"Description");
  s.Bitness = 1;
  s.SharedBase = 3;
  s.SharedPath = Wide(u"Shared");
  s.PortableSharedPath = Wide(u"PortableShared");
  s.ProductStartMenu = Wide(u"Start Menu Folder");
  s.DisplayVersion = Narrow("2.5.1b");
  s.DefaultInstallDir = Wide(u"Vendor\\Product");
  s.ProductRegistry = Wide(u"Vendor\\Product");
  s.RegistryText = Wide(u"\\HKLM\\Software\\Vendor\r\n\\HKCU\\Software\\Vendor,Name,1,Data,1");
  s.RegistryMerge = Narrow("REGEDIT4\r\n");
}

inline void FillPagesAndBackdrop(InstallScript& s) {
  s.BitmapSize = 77;
  s.StretchMode = 2;
  s.GreetingLink = Wide(u"https://example.com/");
  s.LicenseTexts.Append(Narrow("{\\rtf1 licence}"));
  s.LicenseTexts.Append(Wide(u"Plain licence"));
  s.ReadmeTexts.Append(Wide(u"Readme"));
  s.UninstallSubdir = Wide(u"uninstall");
  s.UninstallerName = Wide(u"uninstall.exe");
  s.UninstallKey = Wide(u"ProductKey");
  s.InstallPathKey = Narrow("\\HKLM\\Software\\Vendor\\Path");
  s.WindowTitle = Wide(u"<product> Setup");
  s.HeaderTextColor = 0x112233;
  s.PictureBorder = 2;
  s.TitleColor = 0x445566;
  s.TitleShadow = 7;
  s.TitlePosition = 5;
  s.TitleFont = Narrow("Arial");
  s.TopColor = 0x778899;
  s.BottomColor = 0xAABBCC;
  s.BackgroundPicture = Narrow("BM picture bytes");
  s.BitmapTPI = 96;
  s.CopyrightPos = 6;
  s.CopyrightColor = 0xDDEEFF;
  s.CopyrightSize = 0.5;
  s.CopyrightText = Wide(u"(c) Vendor");
  s.CopyrightFont = Narrow("Tahoma");
  s.MasterKey = Wide(u"Runtime");
  s.MasterName = Wide(u"The Runtime");
  s.MasterMinVersion = Narrow("3.0");
}

inline void FillBatchesAndAddresses(InstallScript& s) {
  s.StartSound = Narrow("RIFF....WAVE");
  s.DesktopFolder = Wide(u"Desk");
  s.DesktopFolderIcon = Narrow("icon bytes 1");
  s.PreInstallBatch = Narrow("echo pre");
  s.PostInstallBatch = Narrow("echo post");
  s.ExitBatch = Narrow("echo exit");
  s.UninstallBatch1 = Narrow("echo u1");
  s.UninstallBatch2 = Narrow("echo u2");
  s.UpgradeBatch = Narrow("echo upgrade");
  s.ReinstallBatch = Narrow("echo reinstall");
  s.ExcludedSystems = 0x5000;
  s.ArchiveInFile = 1;
  s.LaunchProgram = Narrow("%InstallDir%\\app.exe");
  s.OpenFile1 = Narrow("readme.txt");
  s.OpenFile2 = Narrow("notes.txt");
  const char* addresses[] = {"start", "begin", "install", "upgrade", "downgrade",
                             "reinstall", "uninstall", "link", "cancel", "error"};
  String* fields[] = {&s.StartNotifyURL, &s.BeginNotifyURL, &s.InstallNotifyURL, &s.UpgradeNotifyURL,
                      &s.DowngradeNotifyURL, &s.ReinstallNotifyURL, &s.NotifyURL, &s.LinkNotifyURL,
                      &s.CancelNotifyURL, &s.ErrorNotifyURL};
  for (int i = 0; i < 10; ++i) *fields[i] = String::FormatNarrow("https://example.com/%s", addresses[i]);
  s.OldVersionBelow = Narrow("1.0");
  s.NoDowngradeBelow = Narrow("2.0");
  s.Password = Narrow("secret");
  s.MustUninstallBelow = Narrow("1.5");
  s.FirewallList = Narrow("8080;Web;3;0\r\n");
  s.AddToPathSubfolder = Wide(u"bin");
  s.Display = {12345678901ull, 0, 1, 2, 3, 0, 1, 2, 3, 1};
  s.UninstallerIcon = Narrow("icon bytes 2");
}

inline void FillLists(InstallScript& s) {
  s.ConditionalDeletes.Append({Narrow("%InstallDir%\\old.dll"), 2, Narrow("1.2"), 0x4});
  s.ConditionalDeletes.Append({Narrow("*.tmp"), 0, String(), 0x8});
  s.Associations.Append({1, Narrow(".hello"), Narrow("Hello.Doc"), Narrow("Hello document"), Narrow("open,edit"),
                         Narrow("Open"), Narrow("\"%InstallDir%\\app.exe\" \"%1\""), Wide(u"English"),
                         Narrow("%InstallDir%\\app.exe,1")});
  s.Shortcuts.Append({Narrow("%InstallDir%\\app.exe"), Narrow("App"), Narrow("app.ico"), Narrow("/x"),
                      Narrow("%InstallDir%"), 1, 1, 0, Narrow("Tools"), 2, 1});
  s.RootShortcutName = Narrow("Root");
  s.RootShortcutCommand = Narrow("app.exe /root");
  s.TaskbarPinCommand = Wide(u"%InstallDir%\\app.exe");
  s.TaskbarPinName = Wide(u"Pinned");
  s.UninstallKeyValues.Append({Narrow("HelpLink"), 1, Narrow("https://example.com/help")});
  s.UninstallKeyValues.Append({Narrow("Sub\\NoModify"), 4, Narrow("1")});
  s.SupportOffer = Narrow("https://example.com/support");
  s.ProductIcon = Narrow("icon bytes 3");
  s.AutoClose.Append({Wide(u"AppWindow*"), Narrow("App*"), Narrow("The App"), 2, 0x2});
  s.Languages.names.Append(Wide(u"Deutsch"));
  s.Languages.names.Append(Wide(u"English"));
  s.Languages.string_count = 3;
  for (const char16_t* text : {u"Titel", u"Title", u"Zeile 1\r\nZeile 2", u"Line 1\r\nLine 2", u"", u"Last"}) {
    s.Languages.texts.Append(Wide(text));
  }
}

// Every field set, every optional group present, every list filled.
inline InstallScript FullScript() {
  InstallScript s;
  FillProduct(s);
  FillPagesAndBackdrop(s);
  FillBatchesAndAddresses(s);
  FillLists(s);
  return s;
}

}  // namespace valdorine::testing
