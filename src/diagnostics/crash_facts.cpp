#include "diagnostics/crash_facts.hpp"

#include <windows.h>

#include <dbghelp.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <iterator>

#include "core/memory.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/system_info.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

constexpr int kMostStackFrames = 100;

String Ansi(const String& wide) { return NarrowFromWide(wide, code_page::kAnsi); }

template <typename Function>
Function LibraryFunction(HMODULE library, const char* name) {
  return library ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}

void ReadRegisters(const CONTEXT& context, CrashFacts& facts) {
#if defined(_M_X64) || defined(__x86_64__)
  facts.flags = context.EFlags;
  const uintptr_t general[] = {context.Rax, context.Rbx, context.Rcx, context.Rdx, context.Rdi,
                               context.Rsi, context.Rip, context.Rbp, context.Rsp};
#else
  facts.flags = context.EFlags;
  const uintptr_t general[] = {context.Eax, context.Ebx, context.Ecx, context.Edx, context.Edi,
                               context.Esi, context.Eip, context.Ebp, context.Esp};
#endif
  const uintptr_t segments[] = {context.SegCs, context.SegDs, context.SegEs, context.SegFs, context.SegGs, context.SegSs};
  for (int i = 0; i < kGeneralRegisterCount; ++i) facts.general_registers[i] = general[i];
  for (int i = 0; i < kSegmentRegisterCount; ++i) facts.segment_registers[i] = segments[i];
}

Array<CrashModule> ModulesFromSnapshot() {
  Array<CrashModule> modules;
  UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId()));
  if (!snapshot) return modules;
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32FirstW(snapshot.Get(), &entry); more; more = Module32NextW(snapshot.Get(), &entry)) {
    modules.Append(CrashModule{reinterpret_cast<uintptr_t>(entry.modBaseAddr), entry.modBaseSize,
                               Ansi(FromWinText(entry.szExePath))});
  }
  return modules;
}

// The process-status service's view, for systems without a usable snapshot.
Array<CrashModule> ModulesFromProcessStatus() {
  Array<CrashModule> modules;
  const UniqueModule psapi(LoadLibraryExW(L"psapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  const auto enumerate = LibraryFunction<decltype(&EnumProcessModules)>(psapi.Get(), "EnumProcessModules");
  const auto information = LibraryFunction<decltype(&GetModuleInformation)>(psapi.Get(), "GetModuleInformation");
  if (!enumerate || !information) return modules;
  HMODULE handles[512];
  DWORD needed = 0;
  if (!enumerate(GetCurrentProcess(), handles, sizeof handles, &needed)) return modules;
  const DWORD count = std::min<DWORD>(needed / sizeof(HMODULE), std::size(handles));
  for (DWORD i = 0; i < count; ++i) {
    MODULEINFO info{};
    wchar_t path[MAX_PATH * 2] = {};
    if (!information(GetCurrentProcess(), handles[i], &info, sizeof info)) continue;
    GetModuleFileNameW(handles[i], path, std::size(path));
    modules.Append(CrashModule{reinterpret_cast<uintptr_t>(info.lpBaseOfDll), info.SizeOfImage, Ansi(FromWinText(path))});
  }
  return modules;
}

String FileNamePart(const String& path) {
  const char* text = path.Narrow();
  const char* name = text;
  for (const char* p = text; *p; ++p) {
    if (*p == '\\' || *p == '/') name = p + 1;
  }
  return String::FromNarrow(name);
}

String ModuleNameAt(const Array<CrashModule>& modules, uintptr_t address) {
  for (const CrashModule& module : modules) {
    if (address >= module.start && address - module.start < module.size) return FileNamePart(module.path);
  }
  return {};
}

// The system's debugging-help library and the calls the walk needs.
struct DebugHelp {
  UniqueModule library{LoadLibraryExW(L"dbghelp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)};
  decltype(&SymInitialize) initialize = LibraryFunction<decltype(&SymInitialize)>(library.Get(), "SymInitialize");
  decltype(&SymCleanup) cleanup = LibraryFunction<decltype(&SymCleanup)>(library.Get(), "SymCleanup");
  decltype(&StackWalk64) walk = LibraryFunction<decltype(&StackWalk64)>(library.Get(), "StackWalk64");
  decltype(&SymFunctionTableAccess64) function_table =
      LibraryFunction<decltype(&SymFunctionTableAccess64)>(library.Get(), "SymFunctionTableAccess64");
  decltype(&SymGetModuleBase64) module_base =
      LibraryFunction<decltype(&SymGetModuleBase64)>(library.Get(), "SymGetModuleBase64");
  decltype(&SymFromAddr) from_address = LibraryFunction<decltype(&SymFromAddr)>(library.Get(), "SymFromAddr");

  bool Usable() const { return initialize && cleanup && walk && function_table && module_base && from_address; }
};

String SymbolAt(const DebugHelp& help, uintptr_t address) {
  struct {
    SYMBOL_INFO info;
    char name[256];
  } symbol{};
  symbol.info.SizeOfStruct = sizeof(SYMBOL_INFO);
  symbol.info.MaxNameLen = sizeof symbol.name;
  DWORD64 displacement = 0;
  if (!help.from_address(GetCurrentProcess(), address, &displacement, &symbol.info)) return {};
  return String::FromNarrow(symbol.info.Name);
}

// The first frame: the crash context's, or, when its code address is 0 (a call through a null
// pointer), the return address and frame found at the frame pointer.
STACKFRAME64 FirstFrame(const CONTEXT& context, DWORD& machine) {
  STACKFRAME64 frame{};
#if defined(_M_X64) || defined(__x86_64__)
  machine = IMAGE_FILE_MACHINE_AMD64;
  uintptr_t code = context.Rip, frame_pointer = context.Rbp, stack = context.Rsp;
#else
  machine = IMAGE_FILE_MACHINE_I386;
  uintptr_t code = context.Eip, frame_pointer = context.Ebp, stack = context.Esp;
#endif
  if (code == 0) {
    uintptr_t saved[2] = {};  // the caller's frame pointer, then the return address
    SIZE_T read = 0;
    if (ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<void*>(frame_pointer), saved, sizeof saved, &read)) {
      code = saved[1];
      frame_pointer = saved[0];
    }
  }
  frame.AddrPC = {code, 0, AddrModeFlat};
  frame.AddrFrame = {frame_pointer, 0, AddrModeFlat};
  frame.AddrStack = {stack, 0, AddrModeFlat};
  return frame;
}

Array<CrashFrame> WalkStack(const CONTEXT& crash_context, const Array<CrashModule>& modules) {
  Array<CrashFrame> frames;
  const DebugHelp help;
  if (!help.Usable() || !help.initialize(GetCurrentProcess(), nullptr, TRUE)) return frames;
  CONTEXT context = crash_context;  // the walk changes it
  DWORD machine = 0;
  STACKFRAME64 frame = FirstFrame(context, machine);
  for (int i = 0; i < kMostStackFrames; ++i) {
    if (!help.walk(machine, GetCurrentProcess(), GetCurrentThread(), &frame, &context, nullptr,
                   help.function_table, help.module_base, nullptr) ||
        frame.AddrPC.Offset == 0) {
      break;
    }
    const auto code = static_cast<uintptr_t>(frame.AddrPC.Offset);
    frames.Append(CrashFrame{static_cast<uintptr_t>(frame.AddrFrame.Offset), code, ModuleNameAt(modules, code),
                             SymbolAt(help, code)});
  }
  help.cleanup(GetCurrentProcess());
  return frames;
}

uint64_t Milliseconds(const FILETIME& time) {
  return ((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 10000;
}

String Seconds(uint64_t milliseconds) {
  return String::FormatNarrow("%llu.%03u s", static_cast<unsigned long long>(milliseconds / 1000),
                              static_cast<unsigned>(milliseconds % 1000));
}

String ProcessTimes() {
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return {};
  GetSystemTimeAsFileTime(&now);
  String times = Seconds(Milliseconds(now) - Milliseconds(created));
  times.AppendFormatNarrow(" / %s / %s", Seconds(Milliseconds(kernel)).Narrow(), Seconds(Milliseconds(user)).Narrow());
  return times;
}

String RegistryText(const char16_t* subkey, const char16_t* name) {
  RegKey key;
  String value;
  if (key.OpenKey(HKEY_LOCAL_MACHINE, String::FromWide(subkey), reg_key::kOpenOnly, reg_access::kRead) ==
      open_key_result::kFailed) {
    return {};
  }
  return key.ReadString(String::FromWide(name), value) ? Ansi(value) : String();
}

String BrowserVersion() {
  String version = RegistryText(u"Software\\Microsoft\\Internet Explorer", u"svcVersion");
  return version.IsEmpty() ? RegistryText(u"Software\\Microsoft\\Internet Explorer", u"Version") : version;
}

void ReadSystem(CrashFacts& facts) {
  facts.process_times = ProcessTimes();
  facts.os = Ansi(OsDescription(0));
  facts.browser_version = BrowserVersion();
  constexpr const char16_t* kOffice = u"Software\\Microsoft\\Office\\ClickToRun\\Configuration";
  facts.office_version = RegistryText(kOffice, u"VersionToReport");
  facts.office_detail = RegistryText(kOffice, u"Platform");
  wchar_t language[128] = {};
  GetLocaleInfoW(GetUserDefaultLCID(), LOCALE_SENGLANGUAGE, language, std::size(language));
  facts.language = Ansi(FromWinText(language));
  facts.locale = GetUserDefaultLCID();
  facts.ansi_code_page = GetACP();
  facts.out_of_memory_before = OutOfMemoryReported();
  facts.command_line = Ansi(FromWinText(GetCommandLineW()));
}

}  // namespace

CrashFacts GatherCrashFacts(const CrashInfo& crash) {
  CrashFacts facts;
  facts.code = crash.code;
  facts.address = crash.address;
  facts.write_access = crash.write_access;
  facts.accessed_address = crash.accessed_address;
  facts.thread_id = GetCurrentThreadId();
  facts.main_thread_id = MainThreadId();
  ReadSystem(facts);
  ReadRegisters(crash.context, facts);
  facts.modules = ModulesFromSnapshot();
  if (facts.modules.IsEmpty()) facts.modules = ModulesFromProcessStatus();
  facts.frames = WalkStack(crash.context, facts.modules);
  return facts;
}

}  // namespace valdorine
