#include "installer/installation_folder.hpp"

#include <windows.h>
// windows.h first: the shell headers need its types.
#include <shlobj.h>

#include <initializer_list>

#include "core/path_text.hpp"
#include "core/size_format.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/temp_files.hpp"
#include "core/win32/win_text.hpp"
#include "format/script_options.hpp"
#include "installer/sequence_exit.hpp"
#include "package/language_message.hpp"
#include "package/language_strings.hpp"
#include "package/package_startup.hpp"
#include "package/uninstaller_image.hpp"
#include "paths/path_variables.hpp"
#include "run/run_state.hpp"
#include "run/run_switches.hpp"
#include "ui/message_boxes.hpp"
#include "ui/wizard_pages.hpp"

namespace valdorine {
namespace {

constexpr uint64_t kDefaultClusterSize = 4096;

String DriveRoot(char16_t letter) { return String::FormatWide(u"%c:\\", letter); }
String DriveName(char16_t letter) { return String::FormatWide(u"%c:", letter); }

bool SameFolder(const String& a, const String& b) { return !b.IsEmpty() && EqualsIgnoreCase(a, b); }

bool IsProtectedFolder(const String& folder) {
  for (int csidl : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY, CSIDL_WINDOWS, CSIDL_SYSTEM}) {
    if (SameFolder(folder, SpecialFolder(csidl))) return true;
  }
  return false;
}

bool IsAscii(const String& text) {
  for (int i = 0; i < text.WideLength(); ++i) {
    if (text.WideAt(i) >= 0x80) return false;
  }
  return true;
}

bool IsNetworkFolder(const String& folder, char16_t letter) {
  return folder.StartsWithIgnoreCase(u"\\\\") || (letter != 0 && GetDriveTypeW(WinText(DriveRoot(letter))) == DRIVE_REMOTE);
}

bool IsWritableVolume(char16_t letter, bool refuse_removable) {
  DWORD flags = 0;
  if (!GetVolumeInformationW(WinText(DriveRoot(letter)), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) return false;
  if ((flags & FILE_READ_ONLY_VOLUME) != 0) return false;
  return !(refuse_removable && GetDriveTypeW(WinText(DriveRoot(letter))) == DRIVE_REMOVABLE);
}

uint64_t ClusterSize(const String& folder) {
  const char16_t letter = DriveLetter(folder);
  DWORD sectors_per_cluster = 0, bytes_per_sector = 0, free_clusters = 0, total_clusters = 0;
  if (letter == 0 || !GetDiskFreeSpaceW(WinText(DriveRoot(letter)), &sectors_per_cluster, &bytes_per_sector,
                                        &free_clusters, &total_clusters)) {
    return kDefaultClusterSize;
  }
  const uint64_t size = uint64_t{sectors_per_cluster} * bytes_per_sector;
  return size == 0 ? kDefaultClusterSize : size;
}

// Free bytes on the folder's drive, or no limit when they cannot be read.
uint64_t FreeSpace(char16_t letter) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(WinText(DriveRoot(letter)), &available, nullptr, nullptr)) return UINT64_MAX;
  return available.QuadPart;
}

// The questions about a chosen folder; false when the user wants to choose again.
bool UserAcceptsFolder(const String& folder, const InstallScript& script) {
  RunState& run = Run();
  const char16_t letter = DriveLetter(folder);
  run.size_estimate = EstimateInstallSize(folder, script);
  run.size_estimated = true;
  const uint64_t free_space = letter != 0 ? FreeSpace(letter) : UINT64_MAX;
  if (free_space < run.size_estimate &&
      !AskYesNo(LanguageMessage(19, {FormatSize(static_cast<int64_t>(run.size_estimate)), DriveName(letter),
                                     FormatSize(static_cast<int64_t>(free_space))}),
                LanguageString(20))) {
    return false;
  }
  if ((run.options.word1 & option1::kAskBeforeCreatingFolder) != 0) {
    const int question = FolderExists(folder) ? 22 : 23;
    if (!AskYesNo(LanguageMessage(question, {folder}), LanguageString(24))) return false;
  }
  return true;
}

// Creates the folder when needed and proves that files can be written in it; the refusal's
// message, or empty when the folder is accepted (each message names the folder, so it is never
// empty).
String FolderWriteRefusal(const String& folder) {
  if (!FolderExists(folder) && !CreateFolderTree(folder)) {
    const DWORD error = GetLastError();
    return ConcatWide(LanguageString(25).Wide(), u"\r\n", folder.Wide(), u"\r\n\r\n", SystemErrorText(error).Wide(), nullptr);
  }
  const String test_file = MakeTempName(folder, {}, temp_name::kKeepFolder);
  if (test_file.IsEmpty()) return LanguageMessage(73, {folder});
  DeleteFileW(WinText(test_file));
  return {};
}

// A folder taken without the page (automatic mode, or no page to show) is created and tried in
// the same way; one that cannot be used ends the run before anything is installed or registered.
String UsableFolderWithoutPage(const String& folder) {
  const String refusal = FolderWriteRefusal(folder);
  if (!refusal.IsEmpty()) RefuseInstallation(refusal);
  return folder;
}

FolderRules RulesOf(const RunState& run) {
  return {(run.options.word2 & option2::kRefuseNetworkFolder) != 0,
          (run.options.word2 & option2::kRefuseRemovableFolder) != 0,
          (run.package_flags & package_flag::kRefuseNonAsciiFolder) != 0};
}

// The ChooseDir page until a folder is accepted.
String ChooseFolder(String folder, const InstallScript& script) {
  for (;;) {
    const auto required_space = [](const String& chosen) { return EstimateInstallSize(chosen, Script()); };
    const PageResult result = ShowChooseDirPage(folder, required_space);
    if (result == PageResult::kNotAvailable) return UsableFolderWithoutPage(folder);
    if (result == PageResult::kCancelled) CancelInstallation();
    folder.TrimRight();
    folder.RemoveTrailing(u'\\');
    if (folder.IsEmpty()) continue;
    const FolderRefusal refusal = CheckChosenFolder(folder, RulesOf(Run()));
    if (refusal.language_string != 0) {
      ShowErrorBox(refusal.message);
      continue;
    }
    if (!UserAcceptsFolder(folder, script)) continue;
    const String write_refusal = FolderWriteRefusal(folder);
    if (write_refusal.IsEmpty()) return folder;
    ShowErrorBox(write_refusal);
  }
}

}  // namespace

String UnreadableRegistryFolderMessage(const String& location) {
  return String::FormatWide(u"Failed to obtain installation path from \"%s\"", location.Wide());
}

String MissingRegistryFolderMessage(const String& path, const String& location) {
  return String::FormatWide(u"Installation path \"%s\" obtained from \"%s\" does not exist.", path.Wide(),
                            location.Wide());
}

String InstallDirFromRegistry(const String& location) {
  const HKEY root = location.StartsWithIgnoreCase(u"HKLM\\") ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  RegKey key;
  String path;
  if (key.OpenKey(root, location.Substring(5), reg_key::kOpenOnly | reg_key::kView64 | reg_key::kDefaultSecurity,
                  reg_access::kRead) != open_key_result::kFailed) {
    key.ReadString(String(), path);
  }
  if (path.IsEmpty()) RefuseInstallation(UnreadableRegistryFolderMessage(location));
  ExpandVariables(path);
  if (!FolderExists(path)) RefuseInstallation(MissingRegistryFolderMessage(path, location));
  return path;
}

String NewInstallationFolder(const String& default_folder, const InstallScript& script) {
  const String& override_path = Switches().installation_path_override;
  String folder = override_path.IsEmpty() ? default_folder : override_path;
  folder.RemoveTrailing(u'\\');
  if (!Switches().automatic_mode && (Run().options.word1 & option1::kChooseDirPage) != 0) {
    return ChooseFolder(folder, script);
  }
  return UsableFolderWithoutPage(folder);
}

FolderRefusal CheckChosenFolder(const String& folder, const FolderRules& rules) {
  auto refuse = [](int number, std::initializer_list<String> arguments) {
    return FolderRefusal{number, LanguageMessage(number, arguments)};
  };
  const char16_t letter = DriveLetter(folder);
  if (!IsValidFileName(folder) || IsProtectedFolder(folder)) return refuse(14, {folder});
  if (letter != 0 && !DriveExists(letter)) return refuse(16, {DriveName(letter)});
  if (rules.refuse_network && IsNetworkFolder(folder, letter)) return refuse(66, {});
  if (folder.WideLength() < 4) return refuse(17, {});
  for (int kind : {folder_kind::k32Bit, folder_kind::k64Bit}) {
    const String program_files = ProgramFilesFolder(kind);
    if (SameFolder(folder, program_files)) return refuse(18, {program_files});
  }
  if (letter != 0 && !IsWritableVolume(letter, rules.refuse_removable)) return refuse(96, {DriveName(letter)});
  if (rules.ascii_only && !IsAscii(folder)) return refuse(30, {});
  return {};
}

uint64_t EstimateInstallSize(const String& folder, const InstallScript& script) {
  const uint64_t cluster = ClusterSize(folder);
  uint64_t total = UninstallerSize() + script.Display.ExtraSizeEstimate;
  for (int32_t size : Package().view.header.entry_sizes) {
    if (size > 0) total += (static_cast<uint64_t>(size) + cluster - 1) / cluster * cluster;
  }
  return total;
}

bool IsPortableFolder(const String& folder) {
  const char16_t letter = DriveLetter(folder);
  if (letter == 0) return false;
  const UINT type = GetDriveTypeW(WinText(DriveRoot(letter)));
  return type == DRIVE_REMOVABLE || type == DRIVE_CDROM || type == DRIVE_RAMDISK;
}

void StoreInstallationFolder(String folder) {
  RunState& run = Run();
  folder.RemoveTrailing(u'\\');
  run.install_dir = folder;
  run.install_dir_narrow = NarrowPath(folder);
  run.portable = IsPortableFolder(folder);
  PublishRunState();
}

}  // namespace valdorine
