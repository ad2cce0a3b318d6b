// Views of a String as standard strings, so that expectations print readable values on failure.
#pragma once

#include <string>

#include "core/string.hpp"

namespace valdorine::testing {

inline std::string NarrowOf(const String& s) { return std::string(s.Narrow(), static_cast<size_t>(s.Length())); }
inline std::u16string WideOf(const String& s) { return std::u16string(s.Wide(), static_cast<size_t>(s.WideLength())); }

// Whether the two bytes after the text are zero, as every String with a buffer guarantees.
inline bool IsTerminated(const String& s) { return s.NarrowAt(s.Length()) == 0 && s.Narrow()[s.Length() + 1] == 0; }

}  // namespace valdorine::testing
