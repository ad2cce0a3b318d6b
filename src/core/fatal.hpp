// The fatal-error path shared by every module: the text is formatted into a buffer of 4096
// characters and handed to the registered displayer, which does not return. Only the first fatal
// error displays anything; a second one (from inside the displayer, say) ends the process at once
// with exit code -1, as does a displayer that returns.
// Before the displayer runs, the at-fatal callbacks get their chance to save or release what they
// hold (the operations log, a temporary file).
#pragma once

namespace valdorine {

using NarrowFatalDisplayer = void (*)(const char* text);
using WideFatalDisplayer = void (*)(const char16_t* text);
using AtFatalCallback = void (*)();

// Registers the displayers. Without a wide displayer, wide texts are converted to the ANSI code
// page for the narrow one; without any, the text goes to the standard error stream.
void SetFatalDisplayers(NarrowFatalDisplayer narrow, WideFatalDisplayer wide);

// Adds a callback that the first fatal error runs before its text is shown. At most 100 are kept;
// further ones are ignored. Each is taken off the list before it runs, so one that fails fatally
// itself is not run again.
void AddAtFatalCallback(AtFatalCallback callback);

// The fatal error with a finished text.
[[noreturn]] void FatalError(const char* text);
[[noreturn]] void FatalErrorWide(const char16_t* text);

// The fatal error with a printf-style text.
[[noreturn]] void Fatal(const char* format, ...);
[[noreturn]] void FatalWide(const char16_t* format, ...);

// An internal consistency failure of `module` (its source name) at `line`:
// "Internal Fatal Error\r\nModule: <module>\r\nLine: <line>".
[[noreturn]] void InternalFatal(const char* module, int line);

// True once a fatal error has started displaying.
bool FatalInProgress();

}  // namespace valdorine
