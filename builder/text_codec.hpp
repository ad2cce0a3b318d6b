// Conversions between the project's UTF-8 texts and the install script's encodings.
#pragma once

#include <string>
#include <string_view>

#include "core/string.hpp"

namespace valdorine::builder {

String WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(const String& wide);
std::string Utf8FromAnsi(const String& windows_1252);

}  // namespace valdorine::builder
