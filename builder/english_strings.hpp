// The built-in English texts of the language strings: every number that the installer or the
// uninstaller shows, so that a project without string settings builds a complete installer.
#pragma once

#include <span>

namespace valdorine::builder {

struct BuiltInString {
  int number;
  const char* text;  // UTF-8; "<product>", "<description>" and "<os>" are replaced when shown
  // The printf conversions that the installer fills in, in order ("" for a plain text). A
  // translation must use the same ones, or the installer would read its arguments wrongly.
  const char* conversions;
};

// Sorted by number; numbers without a text are left out.
std::span<const BuiltInString> EnglishStrings();

// One more than the highest number that the installer looks up.
inline constexpr int kLanguageStringCount = 115;

}  // namespace valdorine::builder
