#include "core/path_text.hpp"

namespace valdorine {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool IsForbiddenInName(char16_t c) {
  return c < 32 || c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'?' || c == u'*';
}

bool StartsWith(const String& path, const char16_t* prefix) {
  const char16_t* text = path.Wide();
  for (; *prefix != 0; ++prefix, ++text) {
    if (*text != *prefix) return false;
  }
  return true;
}

// The length of the device prefix "\\?\" or "\\.\" at the start of a path, else 0.
int DevicePrefixLength(const String& path) {
  return StartsWith(path, u"\\\\?\\") || StartsWith(path, u"\\\\.\\") ? 4 : 0;
}

// The end of "server\share\" that starts at `at`: past the separator after the share.
int UncRootEnd(const String& path, int at) {
  const int length = path.WideLength();
  for (int parts = 0; parts < 2 && at < length; ++parts) {
    while (at < length && !IsSeparator(path.WideAt(at))) ++at;
    if (at < length) ++at;
  }
  return at;
}

}  // namespace

String WidePathFromNarrow(const String& narrow_path) {
  if (narrow_path.NarrowAt(0) == '|') {
    return WideFromNarrow(String::FromBytes(narrow_path.Bytes() + 1, narrow_path.Length() - 1), code_page::kUtf8);
  }
  return WideFromNarrow(narrow_path, code_page::kAnsi);
}

bool IsValidFileName(const String& path) {
  const int start = DevicePrefixLength(path);
  const int length = path.WideLength();
  if (length <= start) return false;
  for (int i = start; i < length; ++i) {
    const char16_t c = path.WideAt(i);
    if (IsForbiddenInName(c)) return false;
    if (c == u':' && !(i == start + 1 && IsAsciiLetter(path.WideAt(start)))) return false;
  }
  return true;
}

int PathRootLength(const String& path) {
  if (StartsWith(path, u"\\\\?\\UNC\\")) return UncRootEnd(path, 8);
  const int start = DevicePrefixLength(path);
  if (start == 0 && IsSeparator(path.WideAt(0)) && IsSeparator(path.WideAt(1))) return UncRootEnd(path, 2);
  if (IsAsciiLetter(path.WideAt(start)) && path.WideAt(start + 1) == u':') {
    return start + (IsSeparator(path.WideAt(start + 2)) ? 3 : 2);
  }
  if (start == 0 && IsSeparator(path.WideAt(0))) return 1;
  return start;
}

String WithoutDevicePrefix(const String& path) {
  if (StartsWith(path, u"\\\\?\\UNC\\")) {
    String unc = String::FromWide(u"\\\\");
    unc.Append(path.Substring(8));
    return unc;
  }
  return path.Substring(DevicePrefixLength(path));
}

String WithoutTrailingSeparators(const String& path) {
  const int root = PathRootLength(path);
  int end = path.WideLength();
  while (end > root && IsSeparator(path.WideAt(end - 1))) --end;
  return path.Substring(0, end);
}

String ParentFolder(const String& path) {
  const String trimmed = WithoutTrailingSeparators(path);
  const int root = PathRootLength(trimmed);
  int at = trimmed.WideLength();
  while (at > root && !IsSeparator(trimmed.WideAt(at - 1))) --at;
  if (at <= root) return trimmed.Substring(0, root);
  return WithoutTrailingSeparators(trimmed.Substring(0, at - 1));
}

String FileNamePart(const String& path) {
  int at = path.WideLength();
  while (at > 0 && !IsSeparator(path.WideAt(at - 1))) --at;
  return path.Substring(at);
}

char16_t DriveLetter(const String& path) {
  const char16_t first = path.WideAt(0);
  if (!IsAsciiLetter(first) || path.WideAt(1) != u':') return 0;
  return first >= u'a' ? static_cast<char16_t>(first - u'a' + u'A') : first;
}

}  // namespace valdorine
