// The exception filter's decisions and the texts of the crash report and the problem report.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../string_test_support.hpp"
#include "core/win32/crash_filter.hpp"
#include "diagnostics/crash_report.hpp"
#include "diagnostics/problem_report.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;

// The handler under test records what it was given.
struct Seen {
  int calls = 0;
  CrashInfo crash;
  LONG inner_verdict = -1;  // the filter's verdict for a crash inside the handler
  bool crash_inside = false;
};
Seen seen;

LONG RecordingHandler(const CrashInfo& crash) {
  ++seen.calls;
  seen.crash = crash;
  if (seen.crash_inside) {
    EXCEPTION_RECORD record{};
    record.ExceptionCode = 0xC0000005;
    CONTEXT context{};
    EXCEPTION_POINTERS pointers{&record, &context};
    seen.inner_verdict = FilterUnhandledException(&pointers);
  }
  return kCrashHandled;
}

LONG Filter(DWORD code, DWORD flags = 0, ULONG_PTR access = 0, ULONG_PTR accessed = 0) {
  EXCEPTION_RECORD record{};
  record.ExceptionCode = code;
  record.ExceptionFlags = flags;
  record.ExceptionAddress = reinterpret_cast<void*>(0x401234);
  record.NumberParameters = 2;
  record.ExceptionInformation[0] = access;
  record.ExceptionInformation[1] = accessed;
  CONTEXT context{};
  context.EFlags = 0x246;
  EXCEPTION_POINTERS pointers{&record, &context};
  return FilterUnhandledException(&pointers);
}

class CrashFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    seen = Seen();
    InstallCrashHandler(&RecordingHandler);
  }
  void TearDown() override {
    InstallCrashHandler(nullptr);
    SetUnhandledExceptionFilter(nullptr);
  }
};

TEST_F(CrashFilter, DebuggerEventsAndLanguageExceptionsAreLeftToTheSystem) {
  for (DWORD code : {0x80000003u, 0x80000004u, 0xC0000025u, 0xE06D7363u}) {
    EXPECT_EQ(Filter(code), kCrashPassedOn) << std::hex << code;
  }
  EXPECT_EQ(seen.calls, 0);
}

TEST_F(CrashFilter, OtherExceptionsReachTheHandlerWithTheirFacts) {
  EXPECT_EQ(Filter(0xC0000094, EXCEPTION_NONCONTINUABLE), kCrashHandled);
  ASSERT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.crash.code, 0xC0000094u);
  EXPECT_EQ(seen.crash.address, 0x401234u);
  EXPECT_FALSE(seen.crash.continuable);
  EXPECT_EQ(seen.crash.context.EFlags, 0x246u);

  EXPECT_EQ(Filter(0xC0000005, 0, 1, 0x1000), kCrashHandled);
  EXPECT_TRUE(seen.crash.continuable);
  EXPECT_TRUE(seen.crash.write_access);
  EXPECT_EQ(seen.crash.accessed_address, 0x1000u);
  Filter(0xC0000005, 0, 0, 0x20);
  EXPECT_FALSE(seen.crash.write_access);
}

TEST_F(CrashFilter, CrashInsideTheHandlerIsNotHandledAgain) {
  seen.crash_inside = true;
  EXPECT_EQ(Filter(0xC0000094), kCrashHandled);
  EXPECT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.inner_verdict, kCrashPassedOn);
}

DWORD WINAPI CrashOnWorker(void*) {
  RegisterWorkerThread();
  Filter(0xC0000005);
  return 0;  // not reached: the filter ends the thread
}

TEST_F(CrashFilter, WorkerThreadEndsAloneWithoutReport) {
  HANDLE thread = CreateThread(nullptr, 0, CrashOnWorker, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
  DWORD exit_code = 0;
  GetExitCodeThread(thread, &exit_code);
  CloseHandle(thread);
  EXPECT_EQ(exit_code, 0xC0000005u);
  EXPECT_EQ(seen.calls, 0);
}

std::string Hex(uintptr_t value) {
  char text[32];
  snprintf(text, sizeof text, "%0*llX", static_cast<int>(2 * sizeof(uintptr_t)), static_cast<unsigned long long>(value));
  return text;
}

TEST(CrashReport, NamesExceptionsByCode) {
  EXPECT_STREQ(ExceptionName(0xC0000094), "Integer divide by zero.");
  EXPECT_STREQ(ExceptionName(0xC0000005), "Illegal memory access.");
  EXPECT_STREQ(ExceptionName(0x8007000E), "Out of memory.");
  EXPECT_STREQ(ExceptionName(0x12345678), "");
}

TEST(CrashReport, LinesFollowTheFixedOrder) {
  CrashFacts facts;
  facts.code = 0xC0000005;
  facts.address = 0x401010;
  facts.write_access = true;
  facts.accessed_address = 0x10;
  facts.thread_id = 12;
  facts.main_thread_id = 11;
  facts.process_times = String::FromNarrow("1.000 s / 0.100 s / 0.200 s");
  facts.os = String::FromNarrow("Windows 10");
  facts.browser_version = String::FromNarrow("11.0");
  facts.language = String::FromNarrow("English");
  facts.locale = 0x409;
  facts.ansi_code_page = 1252;
  facts.command_line = String::FromNarrow("setup.exe /a");
  facts.flags = 0x246;
  for (int i = 0; i < kGeneralRegisterCount; ++i) facts.general_registers[i] = static_cast<uintptr_t>(i + 1);
  for (int i = 0; i < kSegmentRegisterCount; ++i) facts.segment_registers[i] = static_cast<uintptr_t>(0x20 + i);
  facts.modules.Append(CrashModule{0x400000, 0x2000, String::FromNarrow("C:\\setup.exe")});
  facts.modules.Append(CrashModule{0x7000000, 0x100, String::FromNarrow("C:\\windows\\system32\\ntdll.dll")});
  facts.frames.Append(CrashFrame{0x19FF00, 0x401010, String::FromNarrow("setup.exe"), String::FromNarrow("Install")});
  facts.frames.Append(CrashFrame{0x19FF40, 0x7000010, String::FromNarrow("ntdll.dll"), String()});

  const std::string expected =
      "Exception: Illegal memory access.\r\n\r\nProduct: Valdorine Setup 42.1.2 Installer\r\n"
      "Exception code: " + Hex(0xC0000005) + "\r\nAddress: " + Hex(0x401010) + "\r\nModule: C:\\setup.exe\r\n"
      "Read/write: write\r\nMemory address: " + Hex(0x10) + "\r\n"
      "Thread ID: 12  Main Thread: 11\r\nProcess/kernel/user time: 1.000 s / 0.100 s / 0.200 s\r\n"
      "OS: Windows 10\r\nIE: 11.0\r\nLanguage: English\r\nLocale: 0x00000409  Codepage: 1252\r\n"
      "Command line: setup.exe /a\r\n"
      "\r\nCPU Registers:\r\nFlags: " + Hex(0x246) +
      "\r\n  EAX: " + Hex(1) + "\r\n  EBX: " + Hex(2) + "\r\n  ECX: " + Hex(3) + "\r\n  EDX: " + Hex(4) +
      "\r\n  EDI: " + Hex(5) + "\r\n  ESI: " + Hex(6) + "\r\n  EIP: " + Hex(7) + "\r\n  EBP: " + Hex(8) +
      "\r\n  ESP: " + Hex(9) + "\r\n   CS: " + Hex(0x20) + "\r\n   DS: " + Hex(0x21) + "\r\n   ES: " + Hex(0x22) +
      "\r\n   FS: " + Hex(0x23) + "\r\n   GS: " + Hex(0x24) + "\r\n   SS: " + Hex(0x25) +
      "\r\n\r\nModules:\r\n" + Hex(0x400000) + " " + Hex(0x401FFF) + " C:\\setup.exe\r\n" + Hex(0x7000000) + " " +
      Hex(0x70000FF) + " C:\\windows\\system32\\ntdll.dll\r\n"
      "\r\nCall Stack:\r\n" + Hex(0x19FF00) + " " + Hex(0x401010) + " setup.exe Install\r\n" + Hex(0x19FF40) + " " +
      Hex(0x7000010) + " ntdll.dll\r\n";
  EXPECT_EQ(NarrowOf(ComposeCrashReport(facts)), expected);
}

TEST(CrashReport, OptionalLinesAppearOnlyWithTheirFacts) {
  CrashFacts facts;
  facts.code = 0xC0000094;
  facts.address = 0x9;  // in no module
  facts.office_version = String::FromNarrow("16.0.1");
  facts.office_detail = String::FromNarrow("x86");
  facts.out_of_memory_before = true;
  const std::string report = NarrowOf(ComposeCrashReport(facts));
  EXPECT_EQ(report.rfind("Exception: Integer divide by zero.\r\n", 0), 0u);
  EXPECT_EQ(report.find("Module: "), std::string::npos);
  EXPECT_EQ(report.find("Read/write"), std::string::npos);
  EXPECT_EQ(report.find("Process/kernel/user time"), std::string::npos);
  EXPECT_EQ(report.find("Command line"), std::string::npos);
  EXPECT_NE(report.find("\r\nIE: \r\nOffice: 16.0.1 (x86)\r\nLanguage: "), std::string::npos);
  EXPECT_NE(report.find("\r\nA previous out-of-memory condition occurred.\r\n"), std::string::npos);
}

TEST(ProblemReport, FieldsInOrderWithTheUsersAddressAndComments) {
  struct Row {
    const char* email;
    const char* comments;
    std::string body;
    std::string headers;
  };
  const Row rows[] = {
      {"", "", "REPORT", "X-Quenmarch-Internal: 2\r\n"},
      {"me@x.test", "", "REPORT\r\nEmail: me@x.test\r\n",
       "X-Quenmarch-Internal: 2\r\nX-Exception-Email: me@x.test\r\nReply-To: me@x.test\r\n"},
      {"", "clicked Next", "REPORT\r\nComments:\r\nclicked Next", "X-Quenmarch-Internal: 2\r\n"},
  };
  for (const Row& row : rows) {
    const ProblemReport problem{String::FromNarrow("REPORT"), String::FromNarrow(row.email),
                                String::FromNarrow(row.comments), String::FromNarrow("setup.exe")};
    const auto field = [](const char* name, const std::string& value) {
      return "--AaB03x\r\nContent-Disposition: form-data; name=\"" + std::string(name) + "\"\r\n\r\n" + value + "\r\n";
    };
    EXPECT_EQ(NarrowOf(ComposeProblemReport(problem, String::FromNarrow("support@maker.test")).Body()),
              field("from", "support@maker.test") + field("body", row.body) +
                  field("subject", "Exception - Installer 42.1.2: setup.exe") + field("headers", row.headers) +
                  "--AaB03x--\r\n")
        << row.email << row.comments;
  }
}

}  // namespace
}  // namespace valdorine
