// Batch files: the author's command-interpreter commands run at fixed moments of an installation
// or uninstallation, after the path variables are defined as environment variables.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// The command interpreter: %comspec% when it is set, else cmd.exe in the system folder.
String CommandInterpreterPath();

// Writes SETUPBAT.BAT with the path variables and `commands` (8-bit, code page 1252), runs it and
// waits for it while window messages are handled. With a `title` (wide; empty: none) the run is
// announced in the operations log and the batch's output is captured into it. True when the batch
// was started or there was nothing to run.
bool RunBatch(const String& commands, bool hide, const String& title);

}  // namespace valdorine
