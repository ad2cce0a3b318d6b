#include "core/memory.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "core/fatal.hpp"
#include "fatal_capture.hpp"

namespace valdorine {
namespace {

// More than the address space can hold, so that every allocation of it fails.
constexpr size_t kImpossibleSize = SIZE_MAX / 2 + 1;

int releases_asked = 0;

class Releaser : public MemoryReleaser {
 public:
  explicit Releaser(bool frees) : frees_(frees) {}
  bool ReleaseMemory() override {
    ++releases_asked;
    return frees_;
  }

 private:
  bool frees_;
};

// The address sanitizer's warning about the failed allocation may come first, so the expectations
// below are not anchored at the start of the output.

// Shows how often the releasers were asked and whether the report ran, then the fatal text.
[[noreturn]] void ShowReleasesAndText(const char* text) {
  std::fprintf(stderr, "asked=%d reported=%d ", releases_asked, OutOfMemoryReported() ? 1 : 0);
  testing::PrintVisiblyAndExit(text);
}

// The expected report: the header, then 80 eight-digit words of which the first two are the
// markers, a CR before every eighth word and a space before all others.
std::string ExpectedReportPattern(const std::string& advice) {
  char size_text[64];
  std::snprintf(size_text, sizeof size_text, "%zu \\(0x%08zX\\)", kImpossibleSize, kImpossibleSize);
  std::string pattern = "Out Of Memory\\.<CR><LF>Advice: " + advice + "<CR><LF>Requested size = " + size_text +
                        "<CR><LF><CR><LF>Stack contents:<CR>11223344 55667788";
  const std::string hex_word = "\\w\\w\\w\\w\\w\\w\\w\\w";
  for (int i = 2; i < 80; ++i) pattern += (i % 8 == 0 ? "<CR>" : " ") + hex_word;
  return pattern + "$";
}

TEST(Memory, AllocatesResizesAndFreesBlocks) {
  void* empty = AllocateMemory(0);
  EXPECT_NE(empty, nullptr);
  FreeMemory(empty);
  auto* block = static_cast<char*>(AllocateMemory(4));
  std::memcpy(block, "abc", 4);
  block = static_cast<char*>(ReallocateMemory(block, 100000));
  EXPECT_STREQ(block, "abc");
  FreeMemory(block);
  FreeMemory(nullptr);
}

TEST(MemoryDeathTest, OutOfMemoryReportShowsAdviceSizeAndStackWords) {
  EXPECT_EXIT(
      {
        testing::ShowFatalTextVisibly();
        AllocateMemory(kImpossibleSize);
      },
      ::testing::ExitedWithCode(1), ExpectedReportPattern("Make sure the hard drive is not full\\."));
  EXPECT_EXIT(
      {
        testing::ShowFatalTextVisibly();
        SetOutOfMemoryAdvice("Close other programs.");
        ReallocateMemory(nullptr, kImpossibleSize);
      },
      ::testing::ExitedWithCode(1), ExpectedReportPattern("Close other programs\\."));
}

// Registers the releasers, then fails an allocation; the displayer shows how often they were asked.
void ExhaustMemoryWith(std::initializer_list<MemoryReleaser*> releasers) {
  for (MemoryReleaser* releaser : releasers) RegisterMemoryReleaser(releaser);
  SetFatalDisplayers(&ShowReleasesAndText, nullptr);
  AllocateMemory(kImpossibleSize);
}

TEST(MemoryDeathTest, ReleasersThatKeepFreeingAreAskedAHundredTimes) {
  Releaser freeing(true);
  EXPECT_EXIT(ExhaustMemoryWith({&freeing}), ::testing::ExitedWithCode(1), "asked=100 reported=1 Out Of Memory");
}

TEST(MemoryDeathTest, ReleasersAreAskedInTurnUntilOneFreesSomething) {
  Releaser nothing_to_free(false);
  Releaser freeing(true);
  EXPECT_EXIT(ExhaustMemoryWith({&nothing_to_free, &freeing}), ::testing::ExitedWithCode(1),
              "asked=200 reported=1 Out Of Memory");
  EXPECT_EXIT(ExhaustMemoryWith({&nothing_to_free}), ::testing::ExitedWithCode(1), "asked=1 reported=1 Out Of Memory");
}

TEST(MemoryDeathTest, UnregisteredReleasersAreNotAsked) {
  Releaser freeing(true);
  EXPECT_EXIT(
      {
        RegisterMemoryReleaser(&freeing);
        UnregisterMemoryReleaser(&freeing);
        ExhaustMemoryWith({});
      },
      ::testing::ExitedWithCode(1), "asked=0 reported=1 Out Of Memory");
}

}  // namespace
}  // namespace valdorine
