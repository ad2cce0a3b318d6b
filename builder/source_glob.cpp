#include "source_glob.hpp"

#include <algorithm>
#include <system_error>

namespace valdorine::builder {
namespace {

namespace fs = std::filesystem;

bool HasWildcard(const std::string& component) { return component.find_first_of("*?") != std::string::npos; }

std::vector<std::string> Components(const std::string& pattern) {
  std::vector<std::string> components;
  std::string current;
  for (char c : pattern) {
    if (c == '/' || c == '\\') {
      if (!current.empty()) components.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) components.push_back(current);
  return components;
}

std::string Utf8Name(const fs::path& path) {
  const std::u8string name = path.filename().u8string();
  return std::string(name.begin(), name.end());
}

std::string Joined(const std::string& folder, const std::string& name) {
  return folder.empty() ? name : folder + "\\" + name;
}

bool IsFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

// The entries of a folder; an unreadable folder has none.
std::vector<fs::path> Children(const fs::path& folder) {
  std::vector<fs::path> children;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    children.push_back(it->path());
  }
  return children;
}

void AddAllBelow(const fs::path& folder, const std::string& relative, std::vector<MatchedFile>& out) {
  for (const fs::path& child : Children(folder)) {
    const std::string name = Joined(relative, Utf8Name(child));
    if (IsFile(child)) out.push_back({child, name});
    else if (IsFolder(child)) AddAllBelow(child, name, out);
  }
}

void Match(const fs::path& folder, const std::vector<std::string>& components, size_t at, const std::string& relative,
           std::vector<MatchedFile>& out) {
  if (at == components.size()) return;
  const std::string& component = components[at];
  const bool last = at + 1 == components.size();
  if (component == "**") {
    if (last) {
      AddAllBelow(folder, relative, out);
      return;
    }
    Match(folder, components, at + 1, relative, out);  // no folder at all
    for (const fs::path& child : Children(folder)) {
      if (IsFolder(child)) Match(child, components, at, Joined(relative, Utf8Name(child)), out);
    }
    return;
  }
  for (const fs::path& child : Children(folder)) {
    const std::string name = Utf8Name(child);
    if (!MatchesWildcard(component, name)) continue;
    if (last && IsFile(child)) out.push_back({child, Joined(relative, name)});
    if (!last && IsFolder(child)) Match(child, components, at + 1, Joined(relative, name), out);
  }
}

}  // namespace

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p, ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<MatchedFile> MatchSources(const fs::path& base, const std::string& pattern) {
  const fs::path path(std::u8string(pattern.begin(), pattern.end()));
  const std::u8string relative_part = path.relative_path().u8string();
  const std::vector<std::string> components = Components(std::string(relative_part.begin(), relative_part.end()));
  fs::path fixed = path.is_absolute() ? path.root_path() : base;
  size_t at = 0;
  for (; at < components.size() && !HasWildcard(components[at]); ++at) {
    fixed /= fs::path(std::u8string(components[at].begin(), components[at].end()));
  }
  std::vector<MatchedFile> found;
  if (at == components.size()) {
    if (IsFile(fixed)) found.push_back({fixed, Utf8Name(fixed)});
    else if (IsFolder(fixed)) AddAllBelow(fixed, "", found);
  } else {
    Match(fixed, components, at, "", found);
  }
  std::sort(found.begin(), found.end(),
            [](const MatchedFile& a, const MatchedFile& b) { return a.relative < b.relative; });
  return found;
}

}  // namespace valdorine::builder
