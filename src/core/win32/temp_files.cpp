#include "core/win32/temp_files.hpp"

#include <windows.h>

#include "core/random.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

constexpr int kMaxAttempts = 400;
constexpr int kAttemptsBeforeTempFolder = 200;
constexpr int kAttemptsBeforeRootTemp = 300;
constexpr char16_t kRootTemp[] = u"c:\\temp";

String WithTrailingBackslash(String folder) {
  if (folder.WideAt(folder.WideLength() - 1) != u'\\') folder.AppendWideChar(u'\\');
  return folder;
}

String SystemTempPath() {
  return TextFromSystem([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); });
}

String ComputeTempFolder() {
  String folder = SystemTempPath();
  if (folder.IsEmpty() || !FolderExists(folder)) {
    folder = JoinPath(WindowsFolder(), String::FromWide(u"temp"));
    if (!FolderExists(folder)) {
      folder = String::FromWide(kRootTemp);
      CreateFolderTree(folder);
    }
  }
  return WithTrailingBackslash(folder);
}

// The system's temporary-name service; it creates the file.
String SystemTempName(const String& folder) {
  wchar_t path[MAX_PATH] = {};
  if (GetTempFileNameW(WinText(folder), L"SGT", 0, path) == 0) return {};
  return FromWinText(path);
}

bool CreateNewFile(const String& path) {
  UniqueFileHandle file(
      CreateFileW(WinText(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.IsValid();
}

uint32_t RandomNameNumber() {
  static thread_local Random random([] {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<uint64_t>(counter.QuadPart) ^ (uint64_t{GetCurrentProcessId()} << 32) ^ GetCurrentThreadId();
  }());
  return random.Next32() & 0xFFFF;
}

// The folder for an attempt: after many failures, other folders are tried.
String FolderForAttempt(int attempt, const String& folder, uint32_t flags) {
  if (flags & temp_name::kKeepFolder) return folder;
  if (attempt >= kAttemptsBeforeRootTemp) {
    const String root_temp = String::FromWide(kRootTemp);
    if (CreateFolderTree(root_temp)) return root_temp;
  }
  return attempt >= kAttemptsBeforeTempFolder ? TempFolder() : folder;
}

}  // namespace

const String& TempFolder() {
  static const String folder = ComputeTempFolder();
  return folder;
}

String MakeTempName(const String& folder, const String& extension, uint32_t flags) {
  if (!folder.IsEmpty() && !CreateFolderTree(folder)) return {};
  const String target = folder.IsEmpty() ? TempFolder() : folder;
  const String bare_extension = extension.WideAt(0) == u'.' ? extension.Substring(1) : extension;
  if (bare_extension.IsEmpty()) {
    String name = SystemTempName(target);
    if (!name.IsEmpty()) return name;
  }
  const char16_t* name_extension = bare_extension.IsEmpty() ? u"tmp" : bare_extension.Wide();
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    const String name = String::FormatWide(u"SGT%4X.%s", RandomNameNumber(), name_extension);
    String candidate = JoinPath(FolderForAttempt(attempt, target, flags), name);
    if (bare_extension.IsEmpty() ? !PathExists(candidate) : CreateNewFile(candidate)) return candidate;
  }
  return {};
}

}  // namespace valdorine
