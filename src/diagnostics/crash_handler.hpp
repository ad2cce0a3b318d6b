// The installer's crash handler: the crash report goes into the install log's failure summary, the
// crash dialog shows it (unless silent), and on the user's request it is sent to the maker.
#pragma once

#include "core/win32/crash_filter.hpp"

namespace valdorine {

// For InstallCrashHandler. The process always ends afterwards (kCrashHandled): once the user has
// seen the report, the system's own crash dialog would only ask the same again, and in silent mode
// nothing may wait for an answer.
LONG HandleInstallerCrash(const CrashInfo& crash);

}  // namespace valdorine
