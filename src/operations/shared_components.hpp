// What the file loop collected and the system is told about after it, in this order: shared-file
// reference counts (SharedDLLs), COM servers, type libraries and drivers. Failures are logged (and
// for counts reported in the failure summary); the installation goes on. A crash inside a COM
// server, a type library or the setup services becomes a log line.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

// Raises the SharedDLLs count of each entry of the shared-file list (wide paths, each with its
// mark) once, and returns the entries counted: the text the uninstaller reads back. Empty when the
// key cannot be opened (the failure summary says why).
Array<String> CountSharedFiles(const Array<String>& shared_files);

// Runs every step after the file loop; only counts when the run makes an uninstaller and is not
// portable.
void RegisterSharedComponents();

}  // namespace valdorine
