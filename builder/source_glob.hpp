// The files that a source pattern of the project names: "*" and "?" match within one path
// component, "**" matches any number of folders, and a pattern naming a folder takes every file
// below it. Both "/" and "\" separate components.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace valdorine::builder {

struct MatchedFile {
  std::filesystem::path path;
  std::string relative;  // UTF-8, components joined by "\", below the pattern's fixed leading folders
};

// The regular files matching `pattern` below `base`, sorted by their relative names.
std::vector<MatchedFile> MatchSources(const std::filesystem::path& base, const std::string& pattern);

// True when `name` matches `pattern` ("*" any run of characters, "?" any one character).
bool MatchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace valdorine::builder
