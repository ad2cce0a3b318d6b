#include "paths/folder_resolution.hpp"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "core/path_text.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/system_info.hpp"
#include "paths/environment_text.hpp"

namespace valdorine {
namespace {

constexpr char16_t kCurrentVersionKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char16_t kShellFoldersKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char16_t kSetupKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Setup";
constexpr char16_t kWebServerKey[] = u"SOFTWARE\\Microsoft\\INetStp";

String Text(const char16_t* text) { return String::FromWide(text); }

// A text value of a key, in the registry view of this 32-bit program; empty when absent.
String RegistryText(HKEY root, const char16_t* subkey, const char16_t* name) {
  RegKey key;
  String value;
  if (key.OpenKey(root, Text(subkey), reg_key::kOpenOnly | reg_key::kForgetPrevious, reg_access::kQuery)) {
    key.ReadString(Text(name), value);
  }
  return value;
}

// A folder read from the registry loses one trailing backslash unless it is a drive root.
String RegistryFolder(HKEY root, const char16_t* subkey, const char16_t* name) {
  String folder = RegistryText(root, subkey, name);
  if (folder.WideLength() != 3) folder.RemoveTrailing(u'\\');
  return folder;
}

String MachineShellFolder(const char16_t* name) { return RegistryFolder(HKEY_LOCAL_MACHINE, kShellFoldersKey, name); }
String UserShellFolder(const char16_t* name) { return RegistryFolder(HKEY_CURRENT_USER, kShellFoldersKey, name); }

// The first non-empty result of the steps, each a callable returning a String, tried in order.
template <typename... Steps>
String FirstFound(Steps... steps) {
  String folder;
  ((folder.IsEmpty() ? void(folder = steps()) : void()), ...);
  return folder;
}

// Steps of the chains.
auto ShellStep(int csidl) {
  return [csidl] { return WithoutTrailingSeparators(SpecialFolder(csidl)); };
}
auto KnownFolderStep(const GUID& id) {
  return [&id] { return WithoutTrailingSeparators(KnownFolder(id)); };
}
auto MachineValueStep(const char16_t* name) {
  return [name] { return MachineShellFolder(name); };
}
auto UserValueStep(const char16_t* name) {
  return [name] { return UserShellFolder(name); };
}
auto EnvironmentStep(const char16_t* name) {
  return [name] { return WithoutTrailingSeparators(EnvironmentVariable(name)); };
}
auto SubfolderStep(String (*folder)(), const char16_t* name) {
  return [folder, name] { return JoinPath(folder(), Text(name)); };
}

String NativeCommonFiles() { return CommonFilesFolder(folder_kind::kDefault); }
String NativeProgramFiles() { return ProgramFilesFolder(folder_kind::kDefault); }

// The first occurrence of " (x86)" removed.
String WithoutX86(String folder) {
  const int at = folder.FindWide(u" (x86)");
  if (at >= 0) folder.RemoveBytes(at * 2, 12);
  return folder;
}

// The first occurrence of `name` (ignoring case) replaced by `value`.
void ReplaceFirstIgnoringCase(String& text, const char16_t* name, const String& value) {
  const int name_chars = Text(name).WideLength();
  for (int at = 0; at + name_chars <= text.WideLength(); ++at) {
    if (EqualsIgnoreCase(text.Substring(at, name_chars).Wide(), name)) {
      text.RemoveBytes(at * 2, name_chars * 2);
      text.InsertBytes(at * 2, value.Bytes(), value.Length());
      return;
    }
  }
}

String DevicePathValue() {
  String path = RegistryText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, u"DevicePath");
  const int separator = path.FindWide(u";");
  if (separator >= 0) path = path.Substring(0, separator);
  const String system_root = EnvironmentVariable(u"SystemRoot");
  if (!system_root.IsEmpty()) ReplaceFirstIgnoringCase(path, u"%SystemRoot%", system_root);
  if (path.WideLength() != 3) path.RemoveTrailing(u'\\');
  return path;
}

}  // namespace

String AllUsersAppDataFolder() {
  return FirstFound(ShellStep(CSIDL_COMMON_APPDATA), MachineValueStep(u"Common AppData"), NativeCommonFiles);
}

String UserAppDataFolder() {
  return FirstFound(ShellStep(CSIDL_APPDATA), UserValueStep(u"AppData"), NativeCommonFiles);
}

String BootDrive() {
  const String boot_folder = RegistryText(HKEY_LOCAL_MACHINE, kSetupKey, u"BootDir");
  const char16_t letter = DriveLetter(boot_folder);
  return String::FormatWide(u"%c:", letter != 0 ? letter : u'C');
}

String CommonFiles32Folder() { return NativeCommonFiles(); }

String CommonFiles64Folder() {
  if (!OsVersion().is_64bit_windows) return NativeCommonFiles();
  return FirstFound(KnownFolderStep(FOLDERID_ProgramFilesCommonX64), EnvironmentStep(u"CommonProgramW6432"),
                    [] { return WithoutX86(CommonFiles32Folder()); });
}

String AllUsersDesktopFolder() {
  return FirstFound(ShellStep(CSIDL_COMMON_DESKTOPDIRECTORY), MachineValueStep(u"Common Desktop"), UserDesktopFolder);
}

String UserDesktopFolder() {
  return FirstFound(ShellStep(CSIDL_DESKTOPDIRECTORY), UserValueStep(u"Desktop"), SubfolderStep(WindowsFolder, u"Desktop"));
}

String DriverSearchFolder() { return FirstFound(DevicePathValue, SubfolderStep(WindowsFolder, u"INF")); }

String AllUsersDocumentsFolder() {
  return FirstFound(ShellStep(CSIDL_COMMON_DOCUMENTS), MachineValueStep(u"Common Documents"), UserDocumentsFolder);
}

String UserDocumentsFolder() {
  return FirstFound(ShellStep(CSIDL_PERSONAL), UserValueStep(u"Personal"), [] { return Text(u"c:\\My Documents"); });
}

String AllUsersFavoritesFolder() {
  return FirstFound(ShellStep(CSIDL_COMMON_FAVORITES), MachineValueStep(u"Common Favorites"), UserFavoritesFolder);
}

String UserFavoritesFolder() {
  return FirstFound(ShellStep(CSIDL_FAVORITES), UserValueStep(u"Favorites"), SubfolderStep(WindowsFolder, u"Favorites"));
}

String FontsFolder() {
  return FirstFound(ShellStep(CSIDL_FONTS), UserValueStep(u"Fonts"), SubfolderStep(WindowsFolder, u"Fonts"));
}

String InetpubFolder() {
  String web_root = RegistryText(HKEY_LOCAL_MACHINE, kWebServerKey, u"PathWWWRoot");
  ExpandEnvironmentReferences(web_root);
  if (web_root.IsEmpty()) web_root = Text(u"c:\\Inetpub\\wwwroot");
  return ParentFolder(web_root);
}

String MediaFolder() {
  return FirstFound([] { return RegistryFolder(HKEY_LOCAL_MACHINE, kCurrentVersionKey, u"MediaPath"); },
                    SubfolderStep(WindowsFolder, u"Media"));
}

String ProgramFiles32Folder() { return NativeProgramFiles(); }

String ProgramFiles64Folder() {
  if (!OsVersion().is_64bit_windows) return NativeProgramFiles();
  return FirstFound(KnownFolderStep(FOLDERID_ProgramFilesX64), EnvironmentStep(u"ProgramW6432"),
                    [] { return WithoutX86(ProgramFiles32Folder()); });
}

String AllUsersProgramsFolder() {
  return FirstFound(ShellStep(CSIDL_COMMON_PROGRAMS), MachineValueStep(u"Common Programs"),
                    [] { return ParentFolder(MachineShellFolder(u"Common Startup")); }, UserProgramsFolder);
}

String UserProgramsFolder() {
  return FirstFound(ShellStep(CSIDL_PROGRAMS), UserValueStep(u"Programs"), SubfolderStep(UserStartMenuFolder, u"Programs"));
}

String AllUsersStartMenuFolder() {
  return FirstFound(ShellStep(CSIDL_COMMON_STARTMENU), MachineValueStep(u"Common Start Menu"),
                    [] { return ParentFolder(ParentFolder(MachineShellFolder(u"Common Startup"))); },
                    UserStartMenuFolder);
}

String UserStartMenuFolder() {
  return FirstFound(ShellStep(CSIDL_STARTMENU), UserValueStep(u"Start Menu"), SubfolderStep(WindowsFolder, u"Start Menu"));
}

String AllUsersStartupFolder() {
  return FirstFound(ShellStep(CSIDL_COMMON_STARTUP), MachineValueStep(u"Common Startup"), UserStartupFolder);
}

String UserStartupFolder() {
  return FirstFound(ShellStep(CSIDL_STARTUP), UserValueStep(u"Startup"), SubfolderStep(UserProgramsFolder, u"StartUp"));
}

}  // namespace valdorine
