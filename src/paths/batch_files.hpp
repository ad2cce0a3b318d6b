// Batch files: the author's command-interpreter commands run at fixed moments of an installation
// or uninstallation, after the path variables are defined as environment variables.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// Whether the command interpreter reads UTF-8 batch files reliably: Windows 7 and later.
bool ReadsUtf8Batches();

// The command interpreter: %comspec% when it is set, else cmd.exe in the system folder (command.com
// in the Windows folder on the Windows 9x family).
String CommandInterpreterPath();

// Writes SETUPBAT.BAT (its text: paths/batch_text.hpp) with the path variables and `commands`
// (8-bit, code page 1252), runs it and waits for it while window messages are handled. Silent mode
// always hides the console. With a `title` (wide; empty: none) the run is announced in the
// operations log and the batch's output is captured into it. True when the batch was started or
// there was nothing to run; false when the interpreter is missing or the batch could not be
// written or started.
bool RunBatch(const String& commands, bool hide, const String& title);

}  // namespace valdorine
