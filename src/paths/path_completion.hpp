// Making a path that the install script gives relative to a folder absolute.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// The wide `path` made absolute against the folder `base`:
// - a network path ("\\server\share...") stays as it is;
// - each leading "..\" is dropped while the base moves one folder up (never above its root);
// - "\dir" gets the base's root in front ("C:" + "\dir");
// - "dir" is joined to the base; "D:dir" becomes "D:" + the base's folders + "\dir";
// - a full path ("D:\dir") stays as it is.
String CompletePath(const String& path, const String& base);

}  // namespace valdorine
