// The files that a source pattern of the project names: "*" and "?" match within one path
// component, "**" matches any number of folders, and a pattern naming a folder takes every file
// below it. Both "/" and "\" separate components. Symbolic links are followed, or left out, as
// the caller asks; every link met is reported, and a link to a folder above it is never followed.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace valdorine::builder {

struct MatchedFile {
  std::filesystem::path path;
  std::string relative;  // UTF-8, components joined by "\", below the pattern's fixed leading folders
};

struct SourceMatches {
  std::vector<MatchedFile> files;        // sorted by their relative names
  std::vector<std::string> links;        // the symbolic links met, relative to `base`
  std::vector<std::string> loops;        // links to a folder above them, which were not followed
};

// The regular files matching `pattern` below `base`, through symbolic links when `follow_links`.
SourceMatches MatchSources(const std::filesystem::path& base, const std::string& pattern, bool follow_links = true);

// True when `name` matches `pattern` ("*" any run of characters, "?" any one character).
bool MatchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace valdorine::builder
