// Reads the decimal number at the start of a text as the C library's strtod does: leading spaces,
// a sign, digits with an optional point and exponent; 0 when there is none.
#pragma once

namespace valdorine {

double ParseDecimal(const char* text);

}  // namespace valdorine
