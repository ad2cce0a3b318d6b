// Bridges the wide text of String (char16_t) and the system's wide text (wchar_t): both are
// UTF-16 on Windows, so the bridge is a pointer cast.
#pragma once

#include <windows.h>

#include "core/string.hpp"

namespace valdorine {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

// The wide text of a String for a system call; never null.
inline const wchar_t* WinText(const String& wide) { return reinterpret_cast<const wchar_t*>(wide.Wide()); }

// A wide String from the system's text, at most `limit` characters.
inline String FromWinText(const wchar_t* text, int limit = String::kUpToTerminator) {
  return String::FromWide(reinterpret_cast<const char16_t*>(text), limit);
}

// A String filled by a system call of the usual shape: `query(buffer, size)` with the size in
// characters returns the text's length without the terminator, or the size needed (terminator
// included) when the buffer is too small, or 0 on failure. Empty on failure.
template <typename Query>
String TextFromSystem(Query query) {
  DWORD size = query(nullptr, 0);
  for (int attempt = 0; attempt < 3 && size > 0; ++attempt) {  // the text may grow meanwhile
    String text;
    text.SetLength(static_cast<int>(size) * 2);
    const DWORD length = query(reinterpret_cast<wchar_t*>(text.MutableWide()), size);
    if (length < size) {
      text.SetLength(static_cast<int>(length) * 2);
      return text;
    }
    size = length;
  }
  return {};
}

}  // namespace valdorine
