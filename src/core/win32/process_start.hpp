// Starting a program as a separate process that runs on its own.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// Starts `command_line` (wide: program and arguments) in `working_folder` (empty: the current
// folder) without waiting for it; false with the system error set when it cannot be started.
bool StartProcess(String command_line, const String& working_folder);

}  // namespace valdorine
