// Closing programs that must not run while a product is installed or removed: the AutoClose
// records matched against the top-level windows of other processes.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"
#include "format/install_script.hpp"

namespace valdorine {

namespace auto_close_action {
inline constexpr uint8_t kCloseRequest = 0;  // WM_CLOSE to the window
inline constexpr uint8_t kQuitMessage = 1;   // WM_QUIT to the window
inline constexpr uint8_t kAskUser = 2;       // ask the user to close the program
inline constexpr uint8_t kTerminate = 3;     // terminate the process that owns the window
}  // namespace auto_close_action

// Whether a record matches a window: its class (wide) against the class pattern, its 8-bit title
// against the title pattern. A pattern starting with "*" matches a text that contains the rest;
// any other pattern must equal the text; letter case counts. An empty pattern matches anything,
// but a record with both patterns empty matches nothing.
bool AutoCloseMatches(const AutoCloseEntry& record, const String& window_class, const String& window_title);

// First pass: every top-level window of another process that the first matching record of action
// 0, 1 or 3 names is closed, sent a quit message, or has its process terminated.
void CloseMatchingPrograms(const Array<AutoCloseEntry>& records);

// Second pass: for each record of action 2, while a matching window exists, the user is asked to
// close the program (language string 107 with its name, caption 55, Retry or Cancel). Cancel calls
// `cancel`, which must not return (the installer's or the uninstaller's cancel routine). Silent mode
// skips the pass.
void AskToClosePrograms(const Array<AutoCloseEntry>& records, void (*cancel)());

}  // namespace valdorine
