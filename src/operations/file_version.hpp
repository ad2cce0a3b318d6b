// The version an existing file declares in its version resource.
#pragma once

#include <optional>
#include <string>

#include "core/string.hpp"

namespace valdorine {

// The "FileVersion" text of the file's version resource (path wide) as UTF-8, with commas made
// full stops and surrounding blanks trimmed; nullopt when the file has none. The version library
// is loaded from the system folder only.
std::optional<std::string> FileVersionText(const String& path);

}  // namespace valdorine
