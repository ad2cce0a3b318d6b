// "Did you mean ...": the known name closest to a mistyped one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace valdorine::builder {

// The number of single-character insertions, deletions, substitutions and swaps of neighbours
// that turn `a` into `b` (case-insensitive).
size_t EditDistance(std::string_view a, std::string_view b);

// The candidate nearest to `typed`, or empty when none is near enough to be a likely typo (at
// most a third of the longer name differs, and at least one character matches in place).
std::string NearestName(std::string_view typed, const std::vector<std::string>& candidates);

}  // namespace valdorine::builder
