#include "operations/shared_components.hpp"

#include <windows.h>

#include <ole2.h>

#include "core/path_text.hpp"
#include "core/win32/crash_guard.hpp"
#include "core/win32/process_start.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/system_info.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/operations_log.hpp"
#include "operations/component_registration.hpp"
#include "operations/install_collections.hpp"
#include "operations/registration_files.hpp"
#include "run/run_state.hpp"
#include "ui/progress_window.hpp"
#include "uninstall/uninstall_data.hpp"

namespace valdorine {
namespace {

constexpr char16_t kSharedDllsKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr REGSAM kSharedDllsAccess = 0x2000F;
constexpr int kBeforeServersProgress = 93;
constexpr int kAfterDriversProgress = 95;
constexpr DWORD kUnsignedInfError = 0xE000022F;
constexpr DWORD kDriverPathLength = 260;
constexpr DWORD kSpostPath = 1;  // SPOST_PATH: the INF's source media is its own folder

bool IsMark(char16_t c) {
  return c == shared_mark::kPermanent || c == shared_mark::kComServer || c == shared_mark::kTypeLibrary;
}

String WithoutMark(const String& entry) {
  const int length = entry.WideLength();
  return length > 0 && IsMark(entry.WideAt(length - 1)) ? entry.Substring(0, length - 1) : entry;
}

void ReportUnopenedCounts() {
  const DWORD error = GetLastError();
  FailureSummary().AppendFormatWide(
      u"Registry error: unable to increment shared file reference counts.\r\nHKLM\\%s\r\nCode %u: %s\r\nOS: %s\r\n\r\n",
      kSharedDllsKey, static_cast<unsigned>(error), SystemErrorText(error).Wide(), OsDescription(0).Wide());
}

void RaiseCount(RegKey& counts, const String& path) {
  uint32_t count = 0;
  if (!counts.ReadDword(path, count)) count = 0;
  if (counts.SetDword(path, count + 1)) return;
  const DWORD error = GetLastError();
  LogFormatW(u"Failed to increment reference count of shared file \"%s\" : %s\r\n", path.Wide(),
             SystemErrorText(error).Wide());
}

void ReportCrash(const char16_t* what, const String& path) {
  LogText("CRASHED!\r\n");
  FailureSummary().Append(ConcatWide(u"Crashed while registering ", what, u" file ", FileNamePart(path).Wide(),
                                     u"\r\n", nullptr));
}

// regsvr32 first; when it fails, the server's own entry point, whose answer is not examined.
DWORD RegisterComServer(const String& path) {
  const String regsvr32 = JoinPath(SystemFolder(), String::FromWide(u"regsvr32.exe"));
  unsigned long result = 1;
  if (!RunProcessAndWait(ConcatWide(u"\"", regsvr32.Wide(), u"\" /s \"", path.Wide(), u"\"", nullptr), SystemFolder(),
                         true, &result)) {
    result = 1;
  }
  if (result == 0) return 0;
  const UniqueModule server(LoadLibraryExW(WinText(path), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!server.IsValid()) return result;
  using RegisterFunction = HRESULT(STDAPICALLTYPE*)();
  const auto register_server = reinterpret_cast<RegisterFunction>(
      reinterpret_cast<void*>(GetProcAddress(server.Get(), "DllRegisterServer")));
  if (register_server == nullptr) return result;
  register_server();
  return 0;
}

void RegisterComServers(const Array<String>& servers) {
  for (const String& path : servers) {
    LogFormatW(u"Registering COM File \"%s\"...", path.Wide());
    ShowComponentStatus(path);
    DWORD result = 0;
    if (!RunGuarded([&] { result = RegisterComServer(path); })) {
      ReportCrash(u"COM", path);
    } else if (result == 0) {
      LogText("OK\r\n");
    } else {
      LogFormat("FAILED, code %d\r\n", static_cast<int>(result));
    }
  }
}

HRESULT RegisterTypeLibrary(const String& path) {
  ITypeLib* library = nullptr;
  HRESULT result = LoadTypeLib(WinText(path), &library);
  if (FAILED(result)) return result;
  result = RegisterTypeLib(library, const_cast<wchar_t*>(WinText(path)), nullptr);
  library->Release();
  return result;
}

void RegisterTypeLibraries(const Array<String>& libraries) {
  for (const String& path : libraries) {
    LogFormatW(u"Registering Type Library \"%s\"...", path.Wide());
    ShowComponentStatus(path);
    HRESULT result = S_OK;
    if (!RunGuarded([&] { result = RegisterTypeLibrary(path); })) {
      ReportCrash(u"TLB", path);
    } else if (SUCCEEDED(result)) {
      LogText("OK\r\n");
    } else {
      LogConcatW(u"FAILED\r\n", SystemErrorText(static_cast<uint32_t>(result)).Wide(), u"\r\n", nullptr);
    }
  }
}

using CopyOemInfFunction = BOOL(WINAPI*)(const wchar_t* source, const wchar_t* media_location, DWORD media_type,
                                         DWORD copy_style, wchar_t* destination, DWORD destination_size,
                                         DWORD* required_size, wchar_t** component);

void InstallDriver(CopyOemInfFunction copy_inf, const String& path) {
  ShowComponentStatus(path);
  LogConcatW(u"Installing driver \"", path.Wide(), u"\"...", nullptr);
  wchar_t destination[kDriverPathLength] = {};
  BOOL copied = FALSE;
  DWORD error = 0;
  const bool finished = RunGuarded([&] {
    copied = copy_inf(WinText(path), nullptr, kSpostPath, 0, destination, kDriverPathLength, nullptr, nullptr);
    error = GetLastError();
  });
  if (!finished) {
    LogText("CRASHED!\r\n");
  } else if (!copied) {
    String text = SystemErrorText(error);
    if (text.IsEmpty() && error == kUnsignedInfError) {
      text = String::FromWide(u"The INF does not contain digital signature information.");
    }
    LogFormatW(u"FAILED!  Code %u: %s\r\n", static_cast<unsigned>(error), text.Wide());
  } else if (destination[0] == 0) {
    LogText("OK, but resulting filepath is unknown\r\n");
  } else {
    const String location = String::FromWide(reinterpret_cast<const char16_t*>(destination));
    LogConcatW(u"OK\r\nFinal driver location: ", location.Wide(), u"\r\n", nullptr);
    String& section = CollectedUninstallSections().inf;
    section.Append(NarrowPath(location));
    section.AppendNarrow("\r\n");
  }
}

void InstallDrivers(const Array<String>& drivers) {
  if (drivers.IsEmpty()) return;
  static const UniqueModule setup_api(LoadLibraryExW(L"setupapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!setup_api.IsValid()) {
    LogText("Cannot install INF files...unable to open Setupapi.dll\r\n");
    return;
  }
  const auto copy_inf = reinterpret_cast<CopyOemInfFunction>(
      reinterpret_cast<void*>(GetProcAddress(setup_api.Get(), "SetupCopyOEMInfW")));
  if (copy_inf == nullptr) {
    LogText("Cannot install INF files...unable to link to SetupCopyOEMInf()\r\n");
    return;
  }
  LogText("\r\n");
  for (const String& path : drivers) InstallDriver(copy_inf, path);
}

}  // namespace

Array<String> CountSharedFiles(const Array<String>& shared_files) {
  Array<String> counted;
  RegKey counts;
  if (counts.OpenKey(HKEY_LOCAL_MACHINE, String::FromWide(kSharedDllsKey), reg_key::kDefaultSecurity,
                     kSharedDllsAccess) == open_key_result::kFailed) {
    ReportUnopenedCounts();
    return counted;
  }
  PathSet listed;  // the entries counted, mark included, exactly as listed
  for (const String& entry : shared_files) {
    bool& seen = listed.FindOrInsert(entry, false);
    if (seen) continue;
    seen = true;
    RaiseCount(counts, WithoutMark(entry));
    counted.Append(entry);
  }
  return counted;
}

void RegisterSharedComponents() {
  InstallCollections& collections = Collections();
  if (MakesUninstaller() && !Run().portable && !collections.shared_files.IsEmpty()) {
    collections.counted_shared_files = CountSharedFiles(collections.shared_files);
  }
  SetProgress(kBeforeServersProgress);
  RegisterComServers(collections.com_servers);
  RegisterTypeLibraries(collections.type_libraries);
  InstallDrivers(collections.drivers);
  SetProgress(kAfterDriversProgress);
}

}  // namespace valdorine
