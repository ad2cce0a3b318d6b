#include "operations/file_destination.hpp"

#include <utility>

#include "operations/entry_kinds.hpp"
#include "paths/path_completion.hpp"

namespace valdorine {
namespace {

bool EndsWithBackslash(const String& path) {
  return !path.IsEmpty() && path.WideAt(path.WideLength() - 1) == u'\\';
}

FileDestination FromExplicitDestination(uint32_t kind, const String& name, const String& destination,
                                        const DestinationFolders& folders) {
  String text = destination;
  if (text.WideLength() >= 2 && text.WideAt(text.WideLength() - 2) == u'\\' && EndsWithBackslash(text)) {
    text.RemoveTrailing(u'\\');
  }
  String path = CompletePath(text, kind == entry_kind::kSharedFile ? folders.shared : folders.install);
  if (EndsWithBackslash(path)) path.Append(LastPathComponent(name));
  return {std::move(path), true};
}

FileDestination FromKind(uint32_t kind, const String& name, const DestinationFolders& folders) {
  switch (kind) {
    case entry_kind::kSharedFile:
      return {JoinPath(folders.shared, name), false};
    case entry_kind::kFont:
      return {JoinPath(folders.fonts, name), false};
    case entry_kind::kSystemFile:
    case entry_kind::kComServer:
    case entry_kind::kTypeLibrary:
      return {JoinPath(folders.system, name), false};
    default:
      return {JoinPath(folders.install, name), true};
  }
}

}  // namespace

String LastPathComponent(const String& path) {
  for (int i = path.WideLength() - 1; i >= 0; --i) {
    const char16_t c = path.WideAt(i);
    if (c == u'\\' || c == u'/') return path.Substring(i + 1);
  }
  return path;
}

bool NamesTheFile(const String& explicit_destination) {
  return !explicit_destination.IsEmpty() && !EndsWithBackslash(explicit_destination);
}

FileDestination ResolveDestination(uint32_t kind, uint32_t flags, const String& name, const String& explicit_destination,
                                   const DestinationFolders& folders) {
  if (!explicit_destination.IsEmpty()) return FromExplicitDestination(kind, name, explicit_destination, folders);
  if ((flags & entry_flag::kInUninstallFolder) != 0) return {JoinPath(folders.uninstall, name), false};
  return FromKind(kind, name, folders);
}

}  // namespace valdorine
