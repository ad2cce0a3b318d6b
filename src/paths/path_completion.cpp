#include "paths/path_completion.hpp"

#include "core/path_text.hpp"

namespace valdorine {
namespace {

bool StartsWith(const String& text, const char16_t* prefix) { return text.FindWide(prefix) == 0; }

// "C:" for "C:\dir", "\\server\share" for "\\server\share\dir".
String RootWithoutSeparator(const String& folder) {
  String root = folder.Substring(0, PathRootLength(folder));
  root.RemoveTrailing(u'\\');
  return root;
}

// "\dir\sub" for "C:\dir\sub"; "\" for a root.
String FoldersBelowRoot(const String& folder) {
  String below = folder.Substring(PathRootLength(folder));
  below.PrependUnless(u'\\');
  return below;
}

}  // namespace

String CompletePath(const String& path, const String& base) {
  if (StartsWith(path, u"\\\\")) return path;
  String rest = path;
  String folder = base;
  while (StartsWith(rest, u"..\\")) {
    rest = rest.Substring(3);
    folder = ParentFolder(folder);
  }
  if (rest.WideAt(0) == u'\\') {
    String completed = RootWithoutSeparator(folder);
    completed.Append(rest);
    return completed;
  }
  if (DriveLetter(rest) == 0) return JoinPath(folder, rest);
  if (rest.WideAt(2) == u'\\') return rest;
  String completed = rest.Substring(0, 2);
  completed.Append(JoinPath(FoldersBelowRoot(folder), rest.Substring(2)));
  return completed;
}

}  // namespace valdorine
