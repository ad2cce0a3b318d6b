// The tokens of a notification address: "%version%", "%Session%" and the operating-system values,
// each replaced by its value percent-encoded, so that the address stays one valid URL.
#pragma once

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

// The values the tokens stand for, as narrow (UTF-8) text.
struct NotificationValues {
  String version;         // %version%: the product version
  uint64_t session = 0;   // %Session%: 16 upper-case hexadecimal digits
  String os;              // %OS%: the release code
  String os_major;        // %OSMajor%
  String os_minor;        // %OSMinor%
  String os_name;         // %OSName%
  String os_description;  // %OSDescription%
  bool os_server = false; // %OSServer%: 1 or 0
};

// Every byte up to 32 or from 127 up, and each of / % ? & " # < > ( ) [ ] ; : = + \ | ~ ^ ' * ! @,
// becomes "%" and two upper-case hexadecimal digits.
String PercentEncode(const String& bytes);

// `address` (narrow) with every token replaced, in one pass from left to right, so a value is
// never searched for tokens again. Tokens are matched without regard to case; other percent signs
// stay as written.
String FillNotificationAddress(const String& address, const NotificationValues& values);

}  // namespace valdorine
