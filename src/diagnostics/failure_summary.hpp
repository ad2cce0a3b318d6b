// The failure summary: the text of every failed operation of the run. Failed operations do not
// stop the installation; a non-empty summary is what marks the run as failed.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// The run's summary (wide), empty at start and never cleared.
String& FailureSummary();

// Appends one failure block to `summary`: language string 31, a blank and `detail` (usually the
// file or key concerned), CR LF; then, when the thread's last system error is not 0,
// "Code <code>: <system error text>" and a blank line. The last error is read before anything
// else can change it.
void AddFailure(String& summary, const String& detail);

}  // namespace valdorine
