#include "uninstall/folder_removal.hpp"

#include <windows.h>

#include <initializer_list>

#include "core/string.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {

void RemoveFolderIfEmpty(const String& folder) {
  if (folder.WideLength() < 4) return;
  for (const char16_t* name : {u"thumbs.db", u"desktop.ini"}) {
    const String path = JoinPath(folder, String::FromWide(name));
    SetFileAttributesW(WinText(path), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(WinText(path));
  }
  RemoveDirectoryW(WinText(folder));
}

}  // namespace valdorine
