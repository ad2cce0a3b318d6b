// Gathers what the crash report tells about a crash: the registers, the loaded modules, the call
// stack (through the system's debugging-help library when it is there) and the system.
#pragma once

#include "core/win32/crash_filter.hpp"
#include "diagnostics/crash_report.hpp"

namespace valdorine {

// Called on the crashed thread.
CrashFacts GatherCrashFacts(const CrashInfo& crash);

}  // namespace valdorine
