#include "core/win32/crash_guard.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace valdorine {
namespace {

// Machine code placed in a page of its own, outside every module: a stand-in for a library that
// the guarded call loaded.
class ForeignCode {
 public:
  explicit ForeignCode(const std::vector<unsigned char>& code)
      : page_(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE)) {
    std::memcpy(page_, code.data(), code.size());
    static_cast<unsigned char*>(page_)[code.size()] = 0xC3;  // ret
    FlushInstructionCache(GetCurrentProcess(), page_, 4096);
  }
  ForeignCode(const ForeignCode&) = delete;
  ForeignCode& operator=(const ForeignCode&) = delete;
  ~ForeignCode() { VirtualFree(page_, 0, MEM_RELEASE); }

  void Call() const { reinterpret_cast<void (*)()>(page_)(); }

 private:
  void* page_;
};

TEST(CrashGuard, CrashesInForeignCodeBecomeAResultAndTheNextCallRuns) {
  struct Row {
    const char* what;
    std::vector<unsigned char> code;
  };
  const Row rows[] = {
      {"illegal instruction", {0x0F, 0x0B}},                 // ud2
      {"division by zero", {0x31, 0xC9, 0xF7, 0xF1}},        // xor ecx, ecx; div ecx
#if defined(__x86_64__)
      {"write to address 0", {0xC7, 0x04, 0x25, 0, 0, 0, 0, 0x01, 0, 0, 0}},  // mov dword [0], 1
#else
      {"write to address 0", {0xC7, 0x05, 0, 0, 0, 0, 0x01, 0, 0, 0}},
#endif
  };
  for (const Row& row : rows) {
    const ForeignCode code(row.code);
    bool after_crash = false;
    EXPECT_FALSE(RunGuarded([&] {
      code.Call();
      after_crash = true;
    })) << row.what;
    EXPECT_FALSE(after_crash) << row.what;
    bool ran = false;
    EXPECT_TRUE(RunGuarded([&] { ran = true; })) << row.what;
    EXPECT_TRUE(ran) << row.what;
  }
}

TEST(CrashGuard, CallingThroughANullPointerIsACrash) {
  void (*volatile nowhere)() = nullptr;
  EXPECT_FALSE(RunGuarded([&] { nowhere(); }));
}

// The system's own libraries catch some faults on purpose; those never reach the caller.
TEST(CrashGuard, FaultsTheSystemHandlesItselfPassThrough) {
  BOOL bad = FALSE;
  EXPECT_TRUE(RunGuarded([&] { bad = IsBadReadPtr(nullptr, 4); }));
  EXPECT_TRUE(bad);
}

TEST(CrashGuard, ACrashReturnsToTheInnermostGuard) {
  const ForeignCode crash({0x0F, 0x0B});
  bool inner = true;
  bool outer_went_on = false;
  EXPECT_TRUE(RunGuarded([&] {
    inner = RunGuarded([&] { crash.Call(); });
    outer_went_on = true;
  }));
  EXPECT_FALSE(inner);
  EXPECT_TRUE(outer_went_on);
}

}  // namespace
}  // namespace valdorine
