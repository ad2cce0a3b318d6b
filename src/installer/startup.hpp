// The installer's entry routine: process-wide preparations, the command line, the uninstall
// branch, then the install package.
#pragma once

#include <windows.h>

#include "core/string.hpp"

namespace valdorine {

[[noreturn]] void RunInstaller(HINSTANCE instance);

// The usage message for `reason` through the fatal display (exit code 1).
[[noreturn]] void Usage(const String& reason);

}  // namespace valdorine
