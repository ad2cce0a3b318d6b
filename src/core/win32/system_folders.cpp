#include "core/win32/system_folders.hpp"

#include <windows.h>
#include <shlobj.h>

#include "core/path_text.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

constexpr GUID kProgramFilesId = {0x905E63B6, 0xC1BF, 0x494E, {0xB2, 0x9C, 0x65, 0xB7, 0x32, 0xD3, 0xD2, 0x1A}};
constexpr GUID kProgramFilesX86Id = {0x7C5A40EF, 0xA0FB, 0x4BFC, {0x87, 0x4A, 0xC0, 0xF2, 0xE0, 0xB9, 0xFA, 0x8E}};
constexpr GUID kProgramFilesX64Id = {0x6D809377, 0x6AF0, 0x444B, {0x89, 0x57, 0xA3, 0x77, 0x3F, 0x02, 0x20, 0x0E}};
constexpr GUID kCommonFilesId = {0xF7F1ED05, 0x9F6D, 0x47A2, {0xAA, 0xAE, 0x29, 0xD3, 0x17, 0xC6, 0xF0, 0x66}};
constexpr GUID kCommonFilesX86Id = {0xDE974D24, 0xD9C6, 0x4D3E, {0xBF, 0x91, 0xF4, 0x45, 0x51, 0x20, 0xB9, 0x17}};
constexpr GUID kCommonFilesX64Id = {0x6365D5A7, 0x0F0D, 0x45E5, {0x87, 0xF6, 0x0D, 0xA5, 0x6B, 0x6A, 0x4F, 0x7D}};

constexpr int kNoSpecialFolder = -1;
constexpr char16_t kCurrentVersionKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion";

struct TaskMemoryText {  // a text that SHGetKnownFolderPath allocated
  using Handle = wchar_t*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle text) { ::CoTaskMemFree(text); }
};

// Where one kind of folder is looked up, in this order; absent steps are skipped.
struct FolderSource {
  int special_folder;        // CSIDL number, or kNoSpecialFolder
  const GUID* known_folder;  // or null
  const char16_t* environment_variable;  // or null
};

// The three kinds of one folder and the default's last fallbacks.
struct FolderFamily {
  FolderSource x86;
  FolderSource x64;
  FolderSource native;
  const char16_t* current_version_value;
  String (*last_resort)();
};

String EnvironmentVariable(const char16_t* name) {
  if (name == nullptr) return {};
  return TextFromSystem([name](wchar_t* buffer, DWORD size) {
    return GetEnvironmentVariableW(reinterpret_cast<const wchar_t*>(name), buffer, size);
  });
}

String CurrentVersionValue(const char16_t* name) {
  RegKey key;
  String value;
  if (key.OpenKey(HKEY_LOCAL_MACHINE, String::FromWide(kCurrentVersionKey), reg_key::kOpenOnly, reg_access::kQuery)) {
    key.ReadString(String::FromWide(name), value);
  }
  return value;
}

String FirstFound(const FolderSource& source) {
  String folder;
  if (source.special_folder != kNoSpecialFolder) folder = SpecialFolder(source.special_folder);
  if (folder.IsEmpty() && source.known_folder != nullptr) folder = KnownFolder(*source.known_folder);
  if (folder.IsEmpty()) folder = EnvironmentVariable(source.environment_variable);
  return WithoutTrailingSeparators(folder);
}

// The first occurrence of " (x86)" removed.
String WithoutX86(const String& folder) {
  const int at = folder.FindWide(u" (x86)");
  if (at < 0) return folder;
  String result = folder;
  result.RemoveBytes(at * 2, 12);
  return result;
}

String FamilyFolder(const FolderFamily& family, int kind) {
  if (kind == folder_kind::k32Bit) {
    const String folder = FirstFound(family.x86);
    return folder.IsEmpty() ? FamilyFolder(family, folder_kind::kDefault) : folder;
  }
  if (kind == folder_kind::k64Bit) {
    const String folder = FirstFound(family.x64);
    return folder.IsEmpty() ? WithoutX86(FamilyFolder(family, folder_kind::k32Bit)) : folder;
  }
  String folder = FirstFound(family.native);
  if (folder.IsEmpty()) folder = WithoutTrailingSeparators(CurrentVersionValue(family.current_version_value));
  return folder.IsEmpty() ? family.last_resort() : folder;
}

String DefaultProgramFiles() { return String::FromWide(u"c:\\Program Files"); }

String CommonFilesBelowProgramFiles() {
  return JoinPath(ProgramFilesFolder(folder_kind::kDefault), String::FromWide(u"Common Files"));
}

const FolderFamily kProgramFiles = {
    {CSIDL_PROGRAM_FILESX86, &kProgramFilesX86Id, u"ProgramFiles(x86)"},
    {kNoSpecialFolder, &kProgramFilesX64Id, u"ProgramW6432"},
    {CSIDL_PROGRAM_FILES, &kProgramFilesId, nullptr},
    u"ProgramFilesDir",
    DefaultProgramFiles,
};

const FolderFamily kCommonFiles = {
    {CSIDL_PROGRAM_FILES_COMMONX86, &kCommonFilesX86Id, u"CommonProgramFiles(x86)"},
    {kNoSpecialFolder, &kCommonFilesX64Id, u"CommonProgramW6432"},
    {CSIDL_PROGRAM_FILES_COMMON, &kCommonFilesId, nullptr},
    u"CommonFilesDir",
    CommonFilesBelowProgramFiles,
};

// A folder from one of the system's GetXxxDirectoryW calls; empty when the call fails.
String SystemDirectory(UINT(WINAPI* query)(LPWSTR, UINT)) {
  wchar_t path[MAX_PATH] = {};
  const UINT length = query(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return WithoutTrailingSeparators(FromWinText(path, static_cast<int>(length)));
}

}  // namespace

String SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return FromWinText(path);
}

String KnownFolder(const GUID& id) {
  UniqueResource<TaskMemoryText> path;
  if (FAILED(SHGetKnownFolderPath(id, 0, nullptr, path.Receive()))) return {};
  return FromWinText(path.Get());
}

String WindowsFolder() {
  const String folder = SystemDirectory(GetWindowsDirectoryW);
  return folder.IsEmpty() ? String::FromWide(u"c:\\Windows") : folder;
}

String SystemFolder() {
  const String folder = SystemDirectory(GetSystemDirectoryW);
  return folder.IsEmpty() ? JoinPath(WindowsFolder(), String::FromWide(u"System32")) : folder;
}

String ProgramFilesFolder(int kind) { return FamilyFolder(kProgramFiles, kind); }

String CommonFilesFolder(int kind) { return FamilyFolder(kCommonFiles, kind); }

}  // namespace valdorine
