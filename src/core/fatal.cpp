#include "core/fatal.hpp"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "core/lock.hpp"
#include "core/string.hpp"
#include "core/string_format.hpp"

namespace valdorine {
namespace {

constexpr int kFatalTextCapacity = 4096;
constexpr int kMostAtFatalCallbacks = 100;
// The exit code of a fatal error that no displayer ended: a second one, or a displayer that returned.
constexpr int kAbandonedFatalExitCode = -1;

std::atomic<bool> fatal_in_progress{false};
std::atomic<NarrowFatalDisplayer> narrow_displayer{nullptr};
std::atomic<WideFatalDisplayer> wide_displayer{nullptr};

struct AtFatalCallbacks {
  Lock lock;
  AtFatalCallback callbacks[kMostAtFatalCallbacks] = {};
  int count = 0;
};

AtFatalCallbacks& Callbacks() {
  static AtFatalCallbacks callbacks;
  return callbacks;
}

// The most recently added callback, taken off the list; null when none is left.
AtFatalCallback TakeLastCallback() {
  AtFatalCallbacks& list = Callbacks();
  const LockScope guard(list.lock);
  return list.count == 0 ? nullptr : list.callbacks[--list.count];
}

// Only the first fatal error is shown. A second one, from inside a displayer or a callback or from
// another thread while the first is on screen, ends the process at once.
void EnterFatalPath() {
  if (fatal_in_progress.exchange(true)) std::_Exit(kAbandonedFatalExitCode);
  while (AtFatalCallback callback = TakeLastCallback()) callback();
}

// A displayer does not return; if one does anyway, the process still ends here. Without a
// displayer the text goes to the standard error stream and the process ends as a failed command.
[[noreturn]] void ShowNarrow(const char* text) {
  if (NarrowFatalDisplayer narrow = narrow_displayer) {
    narrow(text);
    std::exit(kAbandonedFatalExitCode);
  }
  std::fputs(text, stderr);
  std::fputc('\n', stderr);
  std::exit(1);
}

}  // namespace

void SetFatalDisplayers(NarrowFatalDisplayer narrow, WideFatalDisplayer wide) {
  narrow_displayer = narrow;
  wide_displayer = wide;
}

void AddAtFatalCallback(AtFatalCallback callback) {
  AtFatalCallbacks& list = Callbacks();
  const LockScope guard(list.lock);
  if (callback != nullptr && list.count < kMostAtFatalCallbacks) list.callbacks[list.count++] = callback;
}

void FatalError(const char* text) {
  EnterFatalPath();
  ShowNarrow(text);
}

void FatalErrorWide(const char16_t* text) {
  EnterFatalPath();
  if (WideFatalDisplayer wide = wide_displayer) {
    wide(text);
    std::exit(kAbandonedFatalExitCode);
  }
  // The narrow displayer takes ANSI text; the standard error stream gets UTF-8.
  const int code_page = narrow_displayer ? code_page::kAnsi : code_page::kUtf8;
  ShowNarrow(NarrowFromWide(String::FromWide(text), code_page).Narrow());
}

void Fatal(const char* format, ...) {
  char text[kFatalTextCapacity];
  va_list args;
  va_start(args, format);
  FormatIntoV(text, kFatalTextCapacity, format, args);
  va_end(args);
  FatalError(text);
}

void FatalWide(const char16_t* format, ...) {
  char16_t text[kFatalTextCapacity];
  va_list args;
  va_start(args, format);
  FormatIntoV(text, kFatalTextCapacity, format, args);
  va_end(args);
  FatalErrorWide(text);
}

void InternalFatal(const char* module, int line) {
  Fatal("Internal Fatal Error\r\nModule: %s\r\nLine: %d", module, line);
}

bool FatalInProgress() { return fatal_in_progress; }

}  // namespace valdorine
