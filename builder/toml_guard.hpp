// Checks that run before the TOML parser: a character beyond ASCII outside strings and comments
// is never valid TOML, and toml++ 3.3 mishandles some of them (its whitespace test for certain
// code points reaches a branch marked unreachable), so such text is refused before it is parsed.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace valdorine::builder {

struct TextPosition {
  size_t line;    // from 1
  size_t column;  // from 1, in bytes
};

// The first byte above 0x7F outside strings and comments, if any.
std::optional<TextPosition> NonAsciiOutsideStrings(std::string_view text);

// The first control character other than tab, line feed and carriage return, if any. TOML allows
// none anywhere, and toml++ 3.3's error path after one can reach the same faulty whitespace test.
std::optional<TextPosition> ControlCharacter(std::string_view text);

}  // namespace valdorine::builder
