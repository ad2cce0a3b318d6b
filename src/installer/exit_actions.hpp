// The end of an installation: the restart, and the actions on exit (the /r: command and the
// summary page's options).
#pragma once

#include "core/string.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// Restarts Windows (planned, for an application's installation); false when it is refused.
bool RestartWindows();

// From the installation folder: starts the /r: command unless the run failed, then carries out
// the summary page's options. Failures to start something are appended to Install.log.
void RunExitActions(const InstallScript& script, bool run_failed);

}  // namespace valdorine
