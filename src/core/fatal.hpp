// The fatal-error path shared by every module: the text is formatted into a buffer of 4096
// characters and handed to the registered displayer, which does not return. Only the first fatal
// error displays anything; a second one (from inside the displayer, say) ends the process at once.
#pragma once

namespace valdorine {

using NarrowFatalDisplayer = void (*)(const char* text);
using WideFatalDisplayer = void (*)(const char16_t* text);

// Registers the displayers. Without a wide displayer, wide texts are converted to the ANSI code
// page for the narrow one; without any, the text goes to the standard error stream.
void SetFatalDisplayers(NarrowFatalDisplayer narrow, WideFatalDisplayer wide);

[[noreturn]] void Fatal(const char* format, ...);
[[noreturn]] void FatalWide(const char16_t* format, ...);

// True once a fatal error has started displaying.
bool FatalInProgress();

}  // namespace valdorine
