// The installation run: from the parsed install script to the installed product and the exit.
#pragma once

namespace valdorine {

// Runs the installation on the main thread, from the system checks to the actions on exit.
// Never returns: every path ends in the orderly exit with code 1.
[[noreturn]] void RunInstallation();

}  // namespace valdorine
