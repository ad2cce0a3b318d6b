// The platform half of the text conversions and of the case-insensitive comparison: the system's
// services on Windows, a hand-written equivalent for the code pages the builder needs on the host.
// Only code_page.cpp and string.cpp use this interface; the rest of the system calls the functions
// of string.hpp.
#pragma once

namespace valdorine::code_page_system {

// The number of the system's ANSI code page.
int AnsiCodePage();

// Converts `chars` UTF-16 code units to `code_page` into `out` of `out_bytes` bytes and returns
// the byte count; with `out_bytes` 0 it only measures. 0 means failure (an unknown code page, or
// an output buffer too small). Characters without an exact mapping become `default_char`;
// `forbid_best_fit` also refuses look-alike mappings.
int NarrowFromWide(int code_page, const char16_t* text, int chars, char* out, int out_bytes,
                   char default_char, bool forbid_best_fit);

// Converts `bytes` bytes of `code_page` text to UTF-16 into `out` of `out_chars` code units and
// returns the code unit count; with `out_chars` 0 it only measures. 0 means failure.
int WideFromNarrow(int code_page, const char* text, int bytes, char16_t* out, int out_chars);

// Equality ignoring case, independent of the user's locale. Narrow texts are in the ANSI code page.
bool EqualsIgnoreCase(const char16_t* a, int a_chars, const char16_t* b, int b_chars);
bool EqualsIgnoreCaseNarrow(const char* a, int a_bytes, const char* b, int b_bytes);

}  // namespace valdorine::code_page_system
