// The process environment as the path variables read it.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// The value of an environment variable (wide); empty when it is not set.
String EnvironmentVariable(const char16_t* name);

// Replaces the "%NAME%" references of the wide `text` by the variables' values; references to
// variables that are not set stay as they are. The result may hold at most 31,999 characters:
// when it would be longer, or the system fails, `text` is left unchanged and the result is false.
bool ExpandEnvironmentReferences(String& text);

}  // namespace valdorine
