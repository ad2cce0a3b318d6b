// Helpers for death tests of the fatal-error path: a displayer that writes the fatal text to the
// standard error stream with CR, LF and bytes from 0x80 up spelled out ("<CR>", "<LF>", "<E9>"),
// so that expectations can match the exact text with the regular expressions of every platform.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/fatal.hpp"

namespace valdorine::testing {

inline std::string Visible(const char* text) {
  std::string visible;
  for (const char* p = text; *p; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    if (byte == '\r') {
      visible += "<CR>";
    } else if (byte == '\n') {
      visible += "<LF>";
    } else if (byte >= 0x80) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "<%02X>", byte);
      visible += hex;
    } else {
      visible += static_cast<char>(byte);
    }
  }
  return visible;
}

inline void PrintVisibly(const char* text) {
  std::fputs(Visible(text).c_str(), stderr);
  std::fflush(stderr);
}

[[noreturn]] inline void PrintVisiblyAndExit(const char* text) {
  PrintVisibly(text);
  std::_Exit(1);
}

// Registers the visible displayer; call it inside the death test's statement.
inline void ShowFatalTextVisibly() { SetFatalDisplayers(&PrintVisiblyAndExit, nullptr); }

}  // namespace valdorine::testing
