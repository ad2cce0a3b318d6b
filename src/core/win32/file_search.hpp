// Wildcard search: the files that a path pattern names.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

// The files (folders left out) that match `pattern` (wide), whose last component may hold the
// wildcards "*" (any run of characters) and "?" (one character), ignoring case, each as the
// pattern's folder joined with the file's name. Only the long names count: the system's search
// alone would also match the short (8.3) names. A pattern ending in ".*" also takes names without
// an extension. Empty when nothing matches or the folder cannot be read.
Array<String> FindMatchingFiles(const String& pattern);

}  // namespace valdorine
