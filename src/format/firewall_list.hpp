// The script's firewall list: one rule a line, "target;name;protocols;options". The target is a
// port number (decimal digits only) or a program path; bit 0 of the protocols opens the port for
// TCP and bit 1 for UDP; options holding the digit 1 keep the rule at uninstallation. Lines are
// separated by CR, LF, CR LF or LF CR. Shared by the installer and the uninstaller.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

inline constexpr int kFirewallFieldCount = 4;
inline constexpr int kFirewallTcp = 0x1;
inline constexpr int kFirewallUdp = 0x2;

// The non-empty lines of an 8-bit list.
Array<String> FirewallListLines(const String& list);

// The fields of one 8-bit line, split at every ";".
Array<String> FirewallFields(const String& line);

// True when the target field names a port: one or more decimal digits and nothing else.
bool IsFirewallPort(const String& target);

// The number that a port target or a protocols field holds; 0 past the range of an int.
int FirewallNumber(const String& field);

// True when the options field asks to keep the rule at uninstallation.
bool KeepsFirewallRule(const String& options);

}  // namespace valdorine
