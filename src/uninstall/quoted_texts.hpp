// The registry values that hold lists as a run of double-quoted texts ("a";"b" or "a" "b").
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

// The texts between each pair of double quotes of the 8-bit `value`, in order; whatever lies
// between the pairs is ignored, and an unterminated last text is dropped.
Array<String> QuotedTexts(const String& value);

}  // namespace valdorine
