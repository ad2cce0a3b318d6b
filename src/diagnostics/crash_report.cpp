#include "diagnostics/crash_report.hpp"

#include <iterator>

#include "core/win32/crash_filter.hpp"

namespace valdorine {
namespace {

struct ExceptionText {
  uint32_t code;
  const char* name;
};

constexpr ExceptionText kExceptionNames[] = {
    {0xC0000005, "Illegal memory access."},
    {0xC000008C, "Array element is out of bounds."},
    {0x80000003, "Breakpoint encountered."},
    {0x80000002, "Misaligned memory access."},
    {0xC000008D, "One of the operands in a floating-point operation is denormal (too small to represent)."},
    {0xC000008E, "Floating-point division by zero."},
    {0xC000008F, "Floating-point operation cannot be represented exactly as a decimal fraction."},
    {0xC0000090, "Invalid floating point operation."},
    {0xC0000091, "The exponent of a floating-point operation is greater than the magnitude allowed by the corresponding type."},
    {0xC0000092, "The stack overflowed or underflowed as the result of a floating-point operation."},
    {0xC0000093, "The exponent of a floating-point operation is less than the magnitude allowed by the corresponding type."},
    {0xC000001D, "Invalid instruction executed."},
    {0xC0000006, "Failed to load page into physical memory."},
    {0xC0000094, "Integer divide by zero."},
    {0xC0000095, "Integer overflow."},
    {0xC0000026, "An exception handler returned an invalid disposition."},
    {0xC0000025, "Cannot continue after a noncontinuable exception occurred."},
    {0xC0000096, "Attempt to execute a privileged instruction."},
    {0x80000004, "Single step."},
    {0xC00000FD, "Stack overflow."},
    {0xC000013A, "Ctrl+C pressed."},
    {0x80000001, "Memory Allocated as PAGE_GUARD by VirtualAlloc() was accessed."},
    {0xC0000017, "Called by HeapAlloc() if you specify HEAP_GENERATE_EXCEPTIONS and there is no memory or heap corruption."},
    {0xC015000F, "The activation context being deactivated is not the most recently activated one."},
    {0xE06D7363, "Visual C++ structured exception handling."},
    {0x8007000E, "Out of memory."},
};

constexpr const char* kGeneralRegisterLabels[kGeneralRegisterCount] = {
    "EAX", "EBX", "ECX", "EDX", "EDI", "ESI", "EIP", "EBP", "ESP"};
constexpr const char* kSegmentRegisterLabels[kSegmentRegisterCount] = {"CS", "DS", "ES", "FS", "GS", "SS"};

constexpr const char* kProductLine = "Valdorine Setup 42.1.2 Installer";

// Upper-case hexadecimal with the digits of a pointer.
void AppendHex(String& text, uintptr_t value) {
  text.AppendFormatNarrow("%0*llX", static_cast<int>(2 * sizeof(uintptr_t)), static_cast<unsigned long long>(value));
}

const CrashModule* ModuleHolding(const Array<CrashModule>& modules, uintptr_t address) {
  for (const CrashModule& module : modules) {
    if (address >= module.start && address - module.start < module.size) return &module;
  }
  return nullptr;
}

void AppendExceptionLines(String& text, const CrashFacts& facts) {
  text.AppendNarrow("Exception code: ");
  AppendHex(text, facts.code);
  text.AppendNarrow("\r\nAddress: ");
  AppendHex(text, facts.address);
  text.AppendNarrow("\r\n");
  if (const CrashModule* module = ModuleHolding(facts.modules, facts.address)) {
    text.AppendFormatNarrow("Module: %s\r\n", module->path.Narrow());
  }
  if (facts.code == exception_code::kAccessViolation) {
    text.AppendFormatNarrow("Read/write: %s\r\nMemory address: ", facts.write_access ? "write" : "read");
    AppendHex(text, facts.accessed_address);
    text.AppendNarrow("\r\n");
  }
}

void AppendSystemLines(String& text, const CrashFacts& facts) {
  text.AppendFormatNarrow("Thread ID: %u  Main Thread: %u\r\n", facts.thread_id, facts.main_thread_id);
  if (!facts.process_times.IsEmpty()) text.AppendFormatNarrow("Process/kernel/user time: %s\r\n", facts.process_times.Narrow());
  text.AppendFormatNarrow("OS: %s\r\nIE: %s\r\n", facts.os.Narrow(), facts.browser_version.Narrow());
  if (!facts.office_version.IsEmpty()) {
    text.AppendFormatNarrow("Office: %s (%s)\r\n", facts.office_version.Narrow(), facts.office_detail.Narrow());
  }
  text.AppendFormatNarrow("Language: %s\r\nLocale: 0x%08X  Codepage: %u\r\n", facts.language.Narrow(), facts.locale,
                          facts.ansi_code_page);
  if (facts.out_of_memory_before) text.AppendNarrow("A previous out-of-memory condition occurred.\r\n");
  if (!facts.command_line.IsEmpty()) text.AppendFormatNarrow("Command line: %s\r\n", facts.command_line.Narrow());
}

void AppendRegisters(String& text, const CrashFacts& facts) {
  text.AppendNarrow("\r\nCPU Registers:\r\nFlags: ");
  AppendHex(text, facts.flags);
  for (int i = 0; i < kGeneralRegisterCount; ++i) {
    text.AppendFormatNarrow("\r\n  %s: ", kGeneralRegisterLabels[i]);
    AppendHex(text, facts.general_registers[i]);
  }
  for (int i = 0; i < kSegmentRegisterCount; ++i) {
    text.AppendFormatNarrow("\r\n   %s: ", kSegmentRegisterLabels[i]);
    AppendHex(text, facts.segment_registers[i]);
  }
}

void AppendModulesAndStack(String& text, const CrashFacts& facts) {
  text.AppendNarrow("\r\n\r\nModules:\r\n");
  for (const CrashModule& module : facts.modules) {
    AppendHex(text, module.start);
    text.AppendNarrow(" ");
    AppendHex(text, module.start + module.size - 1);
    text.AppendFormatNarrow(" %s\r\n", module.path.Narrow());
  }
  text.AppendNarrow("\r\nCall Stack:\r\n");
  for (const CrashFrame& frame : facts.frames) {
    AppendHex(text, frame.frame_address);
    text.AppendNarrow(" ");
    AppendHex(text, frame.code_address);
    text.AppendFormatNarrow(" %s", frame.module_name.Narrow());
    if (!frame.symbol.IsEmpty()) text.AppendFormatNarrow(" %s", frame.symbol.Narrow());
    text.AppendNarrow("\r\n");
  }
}

}  // namespace

const char* ExceptionName(uint32_t code) {
  for (const ExceptionText& entry : kExceptionNames) {
    if (entry.code == code) return entry.name;
  }
  return "";
}

String ComposeCrashReport(const CrashFacts& facts) {
  String text = String::FormatNarrow("Exception: %s\r\n\r\nProduct: %s\r\n", ExceptionName(facts.code), kProductLine);
  AppendExceptionLines(text, facts);
  AppendSystemLines(text, facts);
  AppendRegisters(text, facts);
  AppendModulesAndStack(text, facts);
  return text;
}

}  // namespace valdorine
