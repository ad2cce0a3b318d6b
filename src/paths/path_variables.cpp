#include "paths/path_variables.hpp"

#include <windows.h>

#include <vector>

#include "core/path_text.hpp"
#include "core/version_compare.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/system_info.hpp"
#include "core/win32/temp_files.hpp"
#include "core/win32/win_text.hpp"
#include "paths/environment_text.hpp"
#include "paths/folder_resolution.hpp"
#include "paths/os_code.hpp"
#include "paths/path_completion.hpp"
#include "paths/version_parts.hpp"
#include "run/run_state.hpp"
#include "run/run_switches.hpp"

namespace valdorine {
namespace {

constexpr uint8_t kBitness64 = 1;
constexpr DWORD kModulePathFirstChars = 1024;
constexpr DWORD kModulePathMostChars = 32768;

String Text(const char16_t* text) { return String::FromWide(text); }
String Decimal(int number) { return String::FormatWide(u"%d", number); }
String Flag(bool on) { return Text(on ? u"1" : u"0"); }

// "D:" for a path that begins with a drive letter, else empty.
String DriveOf(const String& path) {
  const char16_t letter = DriveLetter(path);
  return letter != 0 ? String::FormatWide(u"%c:", letter) : String();
}

// The running executable's full path; empty when the system cannot tell it.
String ModulePath() {
  for (DWORD size = kModulePathFirstChars; size <= kModulePathMostChars; size *= 2) {
    std::vector<wchar_t> buffer(size);
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return {};
    if (length < size) return FromWinText(buffer.data(), static_cast<int>(length));
  }
  return {};
}

// The position of the path's last backslash, or -1.
int LastBackslash(const String& path) {
  for (int at = path.WideLength() - 1; at >= 0; --at) {
    if (path.WideAt(at) == u'\\') return at;
  }
  return -1;
}

// The folder part of a file path; it keeps its backslash only after a drive colon ("C:\").
String FolderOf(const String& path) {
  const int last = LastBackslash(path);
  if (last < 0) return {};
  String folder = path.Substring(0, last);
  if (folder.WideAt(folder.WideLength() - 1) == u':') folder.AppendWideChar(u'\\');
  return folder;
}

String FileNameOf(const String& path) { return path.Substring(LastBackslash(path) + 1); }

// "0" without an earlier installation's version, else "1" equal, "2" older, "3" newer than this
// package's version.
String ExistingState(const PathVariableSources& sources) {
  if (sources.old_version.IsBlank()) return Text(u"0");
  const int order = CompareVersions(NarrowFromWide(sources.old_version, code_page::kAnsi).Narrow(),
                                    NarrowFromWide(sources.version, code_page::kAnsi).Narrow());
  return Text(order == 0 ? u"1" : order < 0 ? u"2" : u"3");
}

String SharedBaseFolder(uint8_t shared_base, bool product_64bit) {
  switch (shared_base) {
    case 1: return AllUsersAppDataFolder();
    case 2: return CommonFiles32Folder();
    case 3: return CommonFiles64Folder();
    default: return product_64bit ? CommonFiles64Folder() : CommonFilesFolder(folder_kind::kDefault);
  }
}

}  // namespace

void PublishRunState() {
  const RunState& run = Run();
  PathVariableSources& sources = RunPathVariables();
  sources.automatic_mode = Switches().automatic_mode;
  sources.portable = run.portable;
  sources.install_dir = run.install_dir;
  sources.uninstall_dir = run.uninstall_dir;
  sources.shared_dir = run.shared_dir;
  sources.old_version = run.existing_version;
}

PathVariableSources& RunPathVariables() {
  static PathVariableSources sources;
  return sources;
}

PathVariableSources PathVariableSourcesFrom(const InstallScript& script) {
  PathVariableSources sources;
  sources.product_name = script.ProductName;
  sources.company_name = script.Publisher;
  sources.version = WideFromNarrow(script.DisplayVersion, code_page::kAnsi);
  sources.product_64bit = script.Bitness == kBitness64;
  return sources;
}

String PathVariableValue(PathVariable variable, const PathVariableSources& sources) {
  const OsVersionInfo& os = OsVersion();
  switch (variable) {
    case PathVariable::kAppDataAllDir: return AllUsersAppDataFolder();
    case PathVariable::kAppDataDir: return UserAppDataFolder();
    case PathVariable::kAutomatic: return Flag(sources.automatic_mode);
    case PathVariable::kBits: return Text(os.is_64bit_windows ? u"64" : u"32");
    case PathVariable::kBootDrive: return BootDrive();
    case PathVariable::kCommonDir: return sources.product_64bit ? CommonFiles64Folder() : CommonFiles32Folder();
    case PathVariable::kCommonDir32: return CommonFiles32Folder();
    case PathVariable::kCommonDir64: return CommonFiles64Folder();
    case PathVariable::kDesktopAllDir: return AllUsersDesktopFolder();
    case PathVariable::kDesktopDir: return UserDesktopFolder();
    case PathVariable::kDesktopShortcuts: return sources.desktop_shortcuts;
    case PathVariable::kDeviceDir: return DriverSearchFolder();
    case PathVariable::kDocumentAllDir: return AllUsersDocumentsFolder();
    case PathVariable::kDocumentDir: return UserDocumentsFolder();
    case PathVariable::kExisting: return ExistingState(sources);
    case PathVariable::kFavoritesAllDir: return AllUsersFavoritesFolder();
    case PathVariable::kFavoritesDir: return UserFavoritesFolder();
    case PathVariable::kFontDir: return FontsFolder();
    case PathVariable::kInetpub: return InetpubFolder();
    case PathVariable::kInstallDir: return sources.install_dir;
    case PathVariable::kInstallDrive: return DriveOf(sources.install_dir);
    case PathVariable::kInstallerDir: return FolderOf(ModulePath());
    case PathVariable::kInstallerDrive: return DriveOf(ModulePath());
    case PathVariable::kInstallerFilename: return FileNameOf(ModulePath());
    case PathVariable::kInstallerFilepath: return ModulePath();
    case PathVariable::kMediaDir: return MediaFolder();
    case PathVariable::kOldVersion: return sources.old_version;
    case PathVariable::kOldVersionMajor: return VersionPart(sources.old_version, 0);
    case PathVariable::kOldVersionMinor: return VersionPart(sources.old_version, 1);
    case PathVariable::kPortable: return Flag(sources.portable);
    case PathVariable::kProductName: return sources.product_name;
    case PathVariable::kCompanyName: return sources.company_name;
    case PathVariable::kProgramsDir: return sources.product_64bit ? ProgramFiles64Folder() : ProgramFiles32Folder();
    case PathVariable::kProgramsDir32: return ProgramFiles32Folder();
    case PathVariable::kProgramsDir64: return ProgramFiles64Folder();
    case PathVariable::kSharedDir: return sources.shared_dir;
    case PathVariable::kSMProgramsAllDir: return AllUsersProgramsFolder();
    case PathVariable::kSMProgramsDir: return UserProgramsFolder();
    case PathVariable::kStartMenuAllDir: return AllUsersStartMenuFolder();
    case PathVariable::kStartMenuChosen: return sources.start_menu_chosen;
    case PathVariable::kStartMenuDir: return UserStartMenuFolder();
    case PathVariable::kStartupAllDir: return AllUsersStartupFolder();
    case PathVariable::kStartupDir: return UserStartupFolder();
    case PathVariable::kSystemDir: return SystemFolder();
    case PathVariable::kTemp: return WithoutTrailingSeparators(TempFolder());
    case PathVariable::kUninstallDir: return sources.uninstall_dir;
    case PathVariable::kVersion: return sources.version;
    case PathVariable::kWinDir: return WindowsFolder();
    case PathVariable::kOS: return Decimal(OsCode(os));
    case PathVariable::kOSMajor: return Decimal(os.major);
    case PathVariable::kOSMinor: return Decimal(os.minor);
    case PathVariable::kOSName: return OsDescription(os_description::kNameOnly);
    case PathVariable::kOSDescription: return OsDescription(0);
    case PathVariable::kOSServer: return Flag(os.IsServer());
  }
  return {};
}

void ExpandVariables(String& text) { ExpandVariables(text, RunPathVariables()); }

void ExpandVariables(String& text, const PathVariableSources& sources) {
  if (text.FindWide(u"%") < 0) return;
  ReplacePathVariableTokens(text, [&sources](PathVariable variable) { return PathVariableValue(variable, sources); });
  ExpandEnvironmentReferences(text);
}

String ExpandedScriptPath(const String& utf8_path, const String& folder) {
  String path = WideFromNarrow(utf8_path, code_page::kUtf8);
  ExpandVariables(path);
  return PathRootLength(path) == 0 ? JoinPath(folder, path) : path;
}

void ForEachPathVariable(const PathVariableSources& sources,
                         const std::function<void(const String& name, const String& value)>& visit) {
  for (const PathVariableToken& token : kPathVariableTokens) {
    visit(PathVariableName(token), PathVariableValue(token.variable, sources));
  }
}

String SharedFolderFor(const InstallScript& script, const String& install_dir, bool portable) {
  if (portable && !script.PortableSharedPath.IsEmpty()) return JoinPath(install_dir, script.PortableSharedPath);
  return CompletePath(script.SharedPath, SharedBaseFolder(script.SharedBase, script.Bitness == kBitness64));
}

String DesktopShortcutsFolder(bool all_users, const String& folder_name) {
  return JoinPath(all_users ? AllUsersDesktopFolder() : UserDesktopFolder(), folder_name);
}

String StartMenuChosenFolder(bool all_users, const String& folder_name) {
  return JoinPath(all_users ? AllUsersProgramsFolder() : UserProgramsFolder(), folder_name);
}

}  // namespace valdorine
