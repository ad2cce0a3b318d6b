// Readable texts for the system's error codes, as the log and the messages quote them beside the
// number.
#pragma once

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

// The system's message for `code` in the user's language (else the default language), with
// trailing spaces and line breaks removed; "Error 0x%08X" when the system has none. Code 0 gives
// an empty text and code 86 "Incorrect password.". Leaves the thread's last error unchanged.
String SystemErrorText(uint32_t code);

// The text for the log: SystemErrorText, followed by CR LF and the English message when that
// differs from the user's.
String SystemErrorTextWithEnglish(uint32_t code);

// The code as text: decimal, or "0x" and eight upper-case hexadecimal digits when the code is
// negative as a signed 32-bit number (HRESULT failures).
String SystemErrorCode(uint32_t code);

}  // namespace valdorine
