// Closing the firewall openings that an installation made: globally open ports and programs
// allowed through the Windows firewall.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

// For each [Firewall] line (four fields separated by ";"; others are ignored): a port (a first
// field of digits only) loses its TCP opening when bit 0 of the third field is set and its UDP
// opening when bit 1 is; a program (path variables expanded, relative to `install_dir`) loses its
// exception. Nothing happens when the firewall service cannot be reached; failures are not reported.
void RemoveFirewallOpenings(const Array<String>& lines, const String& install_dir);

}  // namespace valdorine
