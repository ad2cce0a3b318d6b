#include "core/fatal.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/string.hpp"
#include "fatal_capture.hpp"

namespace valdorine {
namespace {

// How the process status shows exit(-1): the whole code on Windows, its low byte elsewhere.
#ifdef _WIN32
constexpr int kMinusOne = -1;
#else
constexpr int kMinusOne = 255;
#endif

void ShowAndReturn(const char* text) { std::fprintf(stderr, "shown: %s", text); }
void ShowWideAndReturn(const char16_t*) { std::fputs("shown wide", stderr); }

// Shows the text, then raises a second fatal error from inside the displayer.
void ShowThenFailAgain(const char* text) {
  std::fprintf(stderr, "shown: %s in_progress=%d", text, FatalInProgress() ? 1 : 0);
  std::fflush(stderr);
  Fatal("second");
  std::fputs(" returned", stderr);
}

void ShowLength(const char* text) {
  std::fprintf(stderr, "length=%zu", std::strlen(text));
  std::_Exit(1);
}

void ShowWideAsUtf8(const char16_t* text) {
  std::fputs("wide: ", stderr);
  testing::PrintVisiblyAndExit(NarrowFromWide(String::FromWide(text), code_page::kUtf8).Narrow());
}

// At-fatal callbacks: the second one fails fatally itself, which must neither run it again nor
// keep the first one from running.
void FirstCallback() { std::fputs("first;", stderr); }
void FailingCallback() {
  std::fputs("failing;", stderr);
  std::fflush(stderr);
  Fatal("from a callback");
}
void ReportCallbacksThenText(const char* text) {
  std::fprintf(stderr, "shown: %s", text);
  std::_Exit(1);
}

TEST(Fatal, IsNotInProgressBeforeAnyFatalError) { EXPECT_FALSE(FatalInProgress()); }

TEST(FatalDeathTest, WithoutDisplayerTheTextGoesToStandardErrorAndTheExitCodeIs1) {
  EXPECT_EXIT(Fatal("Error code %d: %s", 7, "broken"), ::testing::ExitedWithCode(1), "^Error code 7: broken\n$");
  EXPECT_EXIT(FatalWide(u"Gr\u00F6\u00DFe %d", 5), ::testing::ExitedWithCode(1), "^Gr\xC3\xB6\xC3\x9F" "e 5\n$");
}

// A second fatal error, and a displayer that returns, end the process with -1 rather than with the
// 1 of a fatal error that was shown.
TEST(FatalDeathTest, OnlyTheFirstFatalErrorIsShownAndASecondOneExitsWithMinusOne) {
  EXPECT_EXIT(
      {
        SetFatalDisplayers(&ShowThenFailAgain, nullptr);
        Fatal("first");
      },
      ::testing::ExitedWithCode(kMinusOne), "^shown: first in_progress=1$");
  EXPECT_EXIT(
      {
        SetFatalDisplayers(&ShowAndReturn, nullptr);
        Fatal("returns");
      },
      ::testing::ExitedWithCode(kMinusOne), "^shown: returns$");
  EXPECT_EXIT(
      {
        SetFatalDisplayers(&ShowAndReturn, &ShowWideAndReturn);
        FatalWide(u"returns");
      },
      ::testing::ExitedWithCode(kMinusOne), "^shown wide$");
}

TEST(FatalDeathTest, TextIsCutToTheFatalBuffer) {
  const std::string long_text(5000, 'x');
  EXPECT_EXIT(
      {
        SetFatalDisplayers(&ShowLength, nullptr);
        Fatal("%s", long_text.c_str());
      },
      ::testing::ExitedWithCode(1), "^length=4095$");
}

TEST(FatalDeathTest, WideTextGoesToTheWideDisplayerOrAsAnsiToTheNarrowOne) {
  EXPECT_EXIT(
      {
        SetFatalDisplayers(&testing::PrintVisiblyAndExit, &ShowWideAsUtf8);
        FatalWide(u"%s\r\n%d", u"Gr\u00F6\u00DFe", 1);
      },
      ::testing::ExitedWithCode(1), "^wide: Gr<C3><B6><C3><9F>e<CR><LF>1$");
  const String ansi = NarrowFromWide(String::FromWide(u"Gr\u00F6\u00DFe"), code_page::kAnsi);
  EXPECT_EXIT(
      {
        testing::ShowFatalTextVisibly();
        FatalWide(u"%s", u"Gr\u00F6\u00DFe");
      },
      ::testing::ExitedWithCode(1), "^" + testing::Visible(ansi.Narrow()) + "$");
}

TEST(FatalDeathTest, AtFatalCallbacksRunOnceEachBeforeTheTextIsShown) {
  EXPECT_EXIT(
      {
        SetFatalDisplayers(&ReportCallbacksThenText, nullptr);
        AddAtFatalCallback(&FirstCallback);
        AddAtFatalCallback(&FirstCallback);
        Fatal("end");
      },
      ::testing::ExitedWithCode(1), "^first;first;shown: end$");
  // A callback that fails fatally ends the process at once: the re-entered path shows nothing.
  EXPECT_EXIT(
      {
        SetFatalDisplayers(&ReportCallbacksThenText, nullptr);
        AddAtFatalCallback(&FailingCallback);
        Fatal("end");
      },
      ::testing::ExitedWithCode(kMinusOne), "^failing;$");
}

TEST(FatalDeathTest, InternalFatalNamesTheModuleAndLine) {
  EXPECT_EXIT(
      {
        testing::ShowFatalTextVisibly();
        InternalFatal("crash_filter", 42);
      },
      ::testing::ExitedWithCode(1), "^Internal Fatal Error<CR><LF>Module: crash_filter<CR><LF>Line: 42$");
}

}  // namespace
}  // namespace valdorine
