// Shared files: files that several products use, counted in the machine's SharedDLLs key. The
// uninstaller lowers each count and removes a file only when no product uses it any more.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

enum class SharedFileKind {
  kPlain,        // deleted when its count reaches zero
  kComServer,    // unregistered, then deleted
  kTypeLibrary,  // unregistered, then deleted
  kCountedOnly,  // only counted: never unregistered or deleted
};

struct SharedFile {
  String path;  // wide
  SharedFileKind kind = SharedFileKind::kPlain;
};

// The entries of the SharedFiles value (8-bit): double-quoted path texts separated by ";", each
// followed by its mark ("^" COM server, a blank counted only, 0xA9 type library, none plain).
Array<SharedFile> ParseSharedFiles(const String& value);

// Lowers the count of each file that SharedDLLs lists; a file whose count reaches zero is
// unregistered and deleted unless it is counted only (`ask` asks first, language strings 59 and
// 35). A file that SharedDLLs does not list is left alone. False when SharedDLLs cannot be opened.
bool ReleaseSharedFiles(const Array<SharedFile>& files, bool ask);

}  // namespace valdorine
