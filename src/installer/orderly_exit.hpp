// The one way out of the installer: every path, fatal errors included, ends here.
#pragma once

#include "run/exit_code.hpp"

namespace valdorine {

// Closes the windows, lets the queued notifications go out (within their time-out), releases what
// the run holds (OLE) and ends the process with `exit_code`.
[[noreturn]] void OrderlyExit(int exit_code);

// Ends an installation run with the exit code of its outcome (see InstallationExitCode).
[[noreturn]] void ExitInstallation(RunOutcome outcome);

}  // namespace valdorine
