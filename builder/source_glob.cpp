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

bool IsLink(const fs::path& path) {
  std::error_code error;
  return fs::is_symlink(path, error);
}

// True when the link `link` in `folder` leads to `folder` itself or to a folder above it.
bool LeadsUpward(const fs::path& link, const fs::path& folder) {
  std::error_code error;
  const std::string target = fs::canonical(link, error).string();
  if (error) return false;
  const std::string here = fs::canonical(folder, error).string();
  return !error && (here == target || here.starts_with(target + std::string(1, fs::path::preferred_separator)));
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

class Walk {
 public:
  Walk(const fs::path& base, bool follow_links) : base_(base), follow_links_(follow_links) {}

  // Whether to take `path`, met in `folder`: a symbolic link is noted, and taken only when links
  // are followed and it does not lead back up the tree.
  bool Admit(const fs::path& path, const fs::path& folder) {
    if (!IsLink(path)) return true;
    const std::u8string name = path.lexically_relative(base_).u8string();
    const std::string relative(name.begin(), name.end());
    found_.links.push_back(relative);
    if (!follow_links_) return false;
    if (IsFolder(path) && LeadsUpward(path, folder)) {
      found_.loops.push_back(relative);
      return false;
    }
    return true;
  }

  void AddAllBelow(const fs::path& folder, const std::string& relative) {
    for (const fs::path& child : Children(folder)) {
      if (!Admit(child, folder)) continue;
      const std::string name = Joined(relative, Utf8Name(child));
      if (IsFile(child)) found_.files.push_back({child, name});
      else if (IsFolder(child)) AddAllBelow(child, name);
    }
  }

  void Match(const fs::path& folder, const std::vector<std::string>& components, size_t at, const std::string& relative) {
    if (at == components.size()) return;
    const std::string& component = components[at];
    const bool last = at + 1 == components.size();
    if (component == "**") {
      if (last) {
        AddAllBelow(folder, relative);
        return;
      }
      Match(folder, components, at + 1, relative);  // no folder at all
      for (const fs::path& child : Children(folder)) {
        if (IsFolder(child) && Admit(child, folder)) Match(child, components, at, Joined(relative, Utf8Name(child)));
      }
      return;
    }
    for (const fs::path& child : Children(folder)) {
      const std::string name = Utf8Name(child);
      if (!MatchesWildcard(component, name) || !Admit(child, folder)) continue;
      if (last && IsFile(child)) found_.files.push_back({child, Joined(relative, name)});
      if (!last && IsFolder(child)) Match(child, components, at + 1, Joined(relative, name));
    }
  }

  void AddFixed(const fs::path& path) {
    if (!Admit(path, path.parent_path())) return;
    if (IsFile(path)) found_.files.push_back({path, Utf8Name(path)});
    else if (IsFolder(path)) AddAllBelow(path, "");
  }

  SourceMatches Result() {
    std::sort(found_.files.begin(), found_.files.end(),
              [](const MatchedFile& a, const MatchedFile& b) { return a.relative < b.relative; });
    return std::move(found_);
  }

 private:
  fs::path base_;
  bool follow_links_;
  SourceMatches found_;
};

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

SourceMatches MatchSources(const fs::path& base, const std::string& pattern, bool follow_links) {
  const fs::path path(std::u8string(pattern.begin(), pattern.end()));
  const std::u8string relative_part = path.relative_path().u8string();
  const std::vector<std::string> components = Components(std::string(relative_part.begin(), relative_part.end()));
  fs::path fixed = path.is_absolute() ? path.root_path() : base;
  size_t at = 0;
  for (; at < components.size() && !HasWildcard(components[at]); ++at) {
    fixed /= fs::path(std::u8string(components[at].begin(), components[at].end()));
  }
  Walk walk(base, follow_links);
  if (at == components.size()) walk.AddFixed(fixed);
  else walk.Match(fixed, components, at, "");
  return walk.Result();
}

}  // namespace valdorine::builder
