// Removing the driver packages that an installation copied to the system's driver store.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

// For each [INF] line (the installed INF file's full path as path text): clears the file's
// attributes and has the Setup API remove it by its name, forcibly. Nothing happens when the
// Setup API or its entry point is missing; failures are not reported.
void RemoveDriverPackages(const Array<String>& lines);

}  // namespace valdorine
