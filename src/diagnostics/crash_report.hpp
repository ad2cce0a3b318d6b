// The crash report: the text that the crash handler writes into the install log and offers to send
// to the maker. It is composed here from facts gathered on the crashed system
// (diagnostics/crash_facts.hpp), so the text's layout does not depend on a real crash.
#pragma once

#include <cstdint>

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

struct CrashModule {
  uintptr_t start = 0;
  uintptr_t size = 0;
  String path;  // narrow (ANSI)
};

struct CrashFrame {
  uintptr_t frame_address = 0;
  uintptr_t code_address = 0;
  String module_name;  // narrow file name of the module holding the code; may be empty
  String symbol;       // narrow; empty when no symbol was found
};

// The register labels of the report, in its order.
inline constexpr int kGeneralRegisterCount = 9;   // EAX EBX ECX EDX EDI ESI EIP EBP ESP
inline constexpr int kSegmentRegisterCount = 6;   // CS DS ES FS GS SS

struct CrashFacts {
  uint32_t code = 0;
  uintptr_t address = 0;
  bool write_access = false;       // access violations
  uintptr_t accessed_address = 0;  // access violations
  uint32_t thread_id = 0;
  uint32_t main_thread_id = 0;
  String process_times;  // "elapsed / kernel / user", empty when unknown
  String os;             // the operating-system description
  String browser_version;
  String office_version;  // empty when no office suite is installed
  String office_detail;
  String language;        // the user's language name
  uint32_t locale = 0;
  uint32_t ansi_code_page = 0;
  bool out_of_memory_before = false;
  String command_line;    // narrow; empty when there is none
  uintptr_t flags = 0;
  uintptr_t general_registers[kGeneralRegisterCount] = {};
  uintptr_t segment_registers[kSegmentRegisterCount] = {};
  Array<CrashModule> modules;
  Array<CrashFrame> frames;
};

// The report's name of an exception code ("Integer divide by zero."); empty for an unknown code.
const char* ExceptionName(uint32_t code);

// The report as narrow text with CR LF line ends. Addresses and registers are upper-case
// hexadecimal of the pointer's width (eight digits in the 32-bit installer).
String ComposeCrashReport(const CrashFacts& facts);

}  // namespace valdorine
