#include "core/win32/system_info.hpp"

#include <windows.h>

#include "core/win32/registry.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

constexpr char16_t kNtCurrentVersionKey[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

// Functions of ntdll, which every process has loaded: the real version (GetVersionEx reports what
// the compatibility manifest allows) and Wine's version, which only Wine's ntdll exports.
using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);
using WineGetVersionFunction = const char*(CDECL*)();

template <typename Function>
Function NtdllFunction(const char* name) {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return nullptr;
  // Through the generic function type, which converts to any other without a warning.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, name)));
}

OSVERSIONINFOEXW SystemVersion() {
  OSVERSIONINFOEXW version{};
  version.dwOSVersionInfoSize = sizeof(version);
  const auto rtl_get_version = NtdllFunction<RtlGetVersionFunction>("RtlGetVersion");
  if (rtl_get_version == nullptr || rtl_get_version(&version) != 0) {
    GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version));
  }
  return version;
}

String WineVersion() {
  const auto wine_get_version = NtdllFunction<WineGetVersionFunction>("wine_get_version");
  if (wine_get_version == nullptr) return {};
  return WideFromNarrow(String::FromNarrow(wine_get_version()), code_page::kUtf8);
}

uint32_t ProductEdition(const OSVERSIONINFOEXW& version) {
  DWORD edition = 0;
  if (version.dwMajorVersion < 6 ||
      !GetProductInfo(version.dwMajorVersion, version.dwMinorVersion, version.wServicePackMajor,
                      version.wServicePackMinor, &edition)) {
    return 0;
  }
  return edition;
}

String ReleaseId() {
  RegKey key;
  String release_id;
  if (key.OpenKey(HKEY_LOCAL_MACHINE, String::FromWide(kNtCurrentVersionKey), reg_key::kOpenOnly | reg_key::kView64,
                  reg_access::kQuery)) {
    key.ReadString(String::FromWide(u"ReleaseId"), release_id);
  }
  return release_id;
}

OsVersionInfo GatherOsVersion() {
  const OSVERSIONINFOEXW version = SystemVersion();
  OsVersionInfo os;
  os.nt_platform = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
  os.major = static_cast<int>(version.dwMajorVersion);
  os.minor = static_cast<int>(version.dwMinorVersion);
  os.build = static_cast<int>(version.dwBuildNumber & 0xFFFF);
  os.product_type = version.wProductType;
  os.suite_mask = version.wSuiteMask;
  os.edition = ProductEdition(version);
  os.server_r2 = GetSystemMetrics(SM_SERVERR2) != 0;
  os.media_center = GetSystemMetrics(SM_MEDIACENTER) != 0;
  os.starter = GetSystemMetrics(SM_STARTER) != 0;
  os.tablet_pc = GetSystemMetrics(SM_TABLETPC) != 0;
  os.second_edition = !os.nt_platform && version.szCSDVersion[1] == L'A';
  os.is_64bit_windows = Is64BitWindows();
  if (os.nt_platform) os.service_pack = FromWinText(version.szCSDVersion);
  if (os.major >= 10) os.release_id = ReleaseId();
  os.wine_version = WineVersion();
  return os;
}

}  // namespace

const OsVersionInfo& OsVersion() {
  static const OsVersionInfo os = GatherOsVersion();
  return os;
}

String OsDescription(uint32_t flags) { return DescribeOs(OsVersion(), flags); }

bool Is64BitWindows() {
  // A 64-bit build runs only on 64-bit Windows; a 32-bit one there runs under WOW64.
  if constexpr (sizeof(void*) == 8) return true;
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

DateTime CurrentLocalTime() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return DateTime{now.wYear, now.wMonth, now.wDay, now.wDayOfWeek, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace valdorine
