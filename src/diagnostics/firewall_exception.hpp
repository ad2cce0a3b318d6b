// Lets a program through the Windows firewall for the time it needs the network, and closes that
// opening again.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// Adds `program` (wide path) to the firewall's authorised programs under `name` (wide); true when
// the firewall took it. The calling thread must have joined COM.
bool AllowProgramThroughFirewall(const String& program, const String& name);

// Removes `program` from the authorised programs again.
void RemoveProgramFromFirewall(const String& program);

}  // namespace valdorine
