// Starting a program as a separate process: on its own, or waited for while the caller's windows
// stay responsive.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// Starts `command_line` (wide: program and arguments) in `working_folder` (empty: the current
// folder) without waiting for it, its window hidden when `hidden`; false with the system error set
// when it cannot be started.
bool StartProcess(String command_line, const String& working_folder, bool hidden = false);

// Starts `command_line` like StartProcess at normal priority, its window hidden when `hidden`, and
// waits until it ends, handling the thread's window messages at least every 75 ms meanwhile. False
// with the system error set when it cannot be started. The program's exit code goes to `exit_code`
// when given.
bool RunProcessAndWait(String command_line, const String& working_folder, bool hidden,
                       unsigned long* exit_code = nullptr);

}  // namespace valdorine
