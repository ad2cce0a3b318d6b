#include "core/win32/temp_files.hpp"

#include <atomic>

#include <windows.h>
// windows.h first: the security header needs its types.
#include <ntsecapi.h>

#include "core/random.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

constexpr int kMaxAttempts = 400;
constexpr int kAttemptsBeforeTempFolder = 200;
constexpr int kUnpredictableAttempts = 4;

String WithTrailingBackslash(String folder) {
  if (folder.WideAt(folder.WideLength() - 1) != u'\\') folder.AppendWideChar(u'\\');
  return folder;
}

String SystemTempPath() {
  return TextFromSystem([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); });
}

// The system's temporary path, made when missing; the Windows folder's "temp" only when there is
// none. A folder in a drive's root that every user could write to is never taken.
String ComputeTempFolder() {
  String folder = SystemTempPath();
  if (folder.IsEmpty() || !CreateFolderTree(folder)) folder = JoinPath(WindowsFolder(), String::FromWide(u"temp"));
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
  // Each call seeds a generator of its own; the call count keeps calls within one clock tick apart.
  static std::atomic<uint64_t> calls{0};
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  Random random(static_cast<uint64_t>(counter.QuadPart) ^ (uint64_t{GetCurrentProcessId()} << 32) ^
                GetCurrentThreadId() ^ (calls++ << 48));
  return random.Next32() & 0xFFFF;
}

// The folder for an attempt: after many failures, the temporary folder is tried.
String FolderForAttempt(int attempt, const String& folder, uint32_t flags) {
  if (flags & temp_name::kKeepFolder) return folder;
  return attempt >= kAttemptsBeforeTempFolder ? TempFolder() : folder;
}

// 128 bits from the system's cryptographic generator as 32 hexadecimal digits; empty when it fails.
String UnpredictableText() {
  uint32_t words[4] = {};
  if (!RtlGenRandom(words, sizeof(words))) return {};
  return String::FormatWide(u"%08X%08X%08X%08X", words[0], words[1], words[2], words[3]);
}

}  // namespace

String CreateUnpredictableFile(const String& folder, const char16_t* stem, const char16_t* extension) {
  for (int attempt = 0; attempt < kUnpredictableAttempts; ++attempt) {
    const String random = UnpredictableText();
    if (random.IsEmpty()) return {};
    const String path = JoinPath(folder, String::FormatWide(u"%s-%s.%s", stem, random.Wide(), extension));
    if (CreateNewFile(path)) return path;
  }
  return {};
}

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
