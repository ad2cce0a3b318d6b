#include "operations/install_collections.hpp"

namespace valdorine {

InstallCollections& Collections() {
  static InstallCollections collections;
  return collections;
}

void AddSharedFile(const String& path, char16_t mark) {
  String entry = path;
  if (mark != shared_mark::kNone) entry.AppendWideChar(mark);
  Collections().shared_files.Append(std::move(entry));
}

void AddFont(const String& title, const String& name) {
  String& list = Collections().font_list;
  for (const String* text : {&title, &name}) {
    list.AppendNarrowChar('"');
    list.Append(NarrowFromWide(*text, code_page::kUtf8));
    list.AppendNarrow("\" ");
  }
}

void AddInstalledFile(const String& path) { Collections().installed_files.FindOrInsert(PathSetKey(path), true); }

}  // namespace valdorine
