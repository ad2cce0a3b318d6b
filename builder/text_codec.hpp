// Conversions between the project's UTF-8 texts and the install script's encodings.
#pragma once

#include <string>
#include <string_view>

#include "core/string.hpp"

namespace valdorine::builder {

String WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(const String& wide);
std::string Utf8FromAnsi(const String& windows_1252);

// `text` with every letter in upper case, as Windows compares file names; characters outside the
// basic plane are kept as they are.
std::u16string FoldedCase(std::u16string_view text);

}  // namespace valdorine::builder
