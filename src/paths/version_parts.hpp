// The dot-separated parts of a version text, as %OldVersionMajor% and %OldVersionMinor% give them.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// Part `index` of a wide version text split at "." (0 the major, 1 the minor); empty when the
// text has no such part.
String VersionPart(const String& version, int index);

}  // namespace valdorine
