#include "core/win32/file_search.hpp"

#include <windows.h>

#include "core/path_text.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

bool SameCharacterIgnoringCase(char16_t a, char16_t b) {
  const char16_t left[] = {a, 0};
  const char16_t right[] = {b, 0};
  return a == b || EqualsIgnoreCase(left, right);
}

// Whether the whole `name` matches `pattern`: "*" stands for any run of characters, "?" for one.
bool MatchesWildcards(const char16_t* name, const char16_t* pattern) {
  const char16_t* last_star = nullptr;
  const char16_t* name_at_star = nullptr;
  while (*name) {
    if (*pattern == u'*') {
      last_star = pattern++;
      name_at_star = name;
    } else if (*pattern == u'?' || (*pattern && SameCharacterIgnoringCase(*pattern, *name))) {
      ++pattern;
      ++name;
    } else if (last_star) {
      pattern = last_star + 1;  // the star takes one more character
      name = ++name_at_star;
    } else {
      return false;
    }
  }
  while (*pattern == u'*') ++pattern;
  return *pattern == 0;
}

// The system also matches the short (8.3) names, so that "*.htm" finds "page.html" through
// "PAGE~1.HTM"; only long names that match the pattern themselves count. As with the system's own
// search, a pattern ending in ".*" also takes names without an extension.
bool LongNameMatches(const String& name, const String& pattern) {
  if (MatchesWildcards(name.Wide(), pattern.Wide())) return true;
  const int length = pattern.WideLength();
  if (length < 2 || pattern.WideAt(length - 2) != u'.' || pattern.WideAt(length - 1) != u'*') return false;
  return MatchesWildcards(ConcatWide(name.Wide(), u".", nullptr).Wide(), pattern.Wide());
}

// The pattern's last component.
String NamePattern(const String& pattern) {
  int start = pattern.WideLength();
  while (start > 0 && pattern.WideAt(start - 1) != u'\\' && pattern.WideAt(start - 1) != u'/') --start;
  return pattern.Substring(start);
}

}  // namespace

Array<String> FindMatchingFiles(const String& pattern) {
  Array<String> files;
  WIN32_FIND_DATAW entry{};
  UniqueFindHandle find(
      FindFirstFileExW(WinText(pattern), FindExInfoStandard, &entry, FindExSearchNameMatch, nullptr, 0));
  if (!find) return files;
  const String folder = ParentFolder(pattern);
  const String name_pattern = NamePattern(pattern);
  do {
    const String name = FromWinText(entry.cFileName);
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && LongNameMatches(name, name_pattern)) {
      files.Append(JoinPath(folder, name));
    }
  } while (FindNextFileW(find.Get(), &entry));
  return files;
}

}  // namespace valdorine
