// The printf engine behind String's formatting and the fatal-error texts. One implementation
// serves narrow and wide text, so the host and Windows builds format identically. Conventions are
// the Windows runtime's: "%s" and "%c" take text of the format's own width, "%S" and "%C" the
// other width ("%hs" is always narrow, "%ls" and "%ws" always wide, converted through the ANSI code
// page); size prefixes h, hh, l, ll, L, I, I32, I64, j, z and t; "%p" prints the address as
// upper-case hexadecimal digits of the pointer's full width; a null text prints "(null)"; "%n" is
// refused (its argument is skipped and nothing is stored). Numbers come from core/number_text: a
// long double prints with a double's precision, and "%a" (hexadecimal floating point) is not a
// conversion here, so it prints as it stands.
#pragma once

#include <cstdarg>
#include <cstdint>

namespace valdorine {

// Formats into `buffer`, which holds `capacity` characters including the terminator, cutting what
// does not fit; returns the length in characters that the whole text needs. A null buffer (with
// capacity 0) only measures.
int64_t FormatIntoV(char* buffer, int64_t capacity, const char* format, va_list args);
int64_t FormatIntoV(char16_t* buffer, int64_t capacity, const char16_t* format, va_list args);
int64_t FormatInto(char* buffer, int64_t capacity, const char* format, ...);

}  // namespace valdorine
