// Whether a file entry's name stays inside the folder it is installed into. The installer checks
// every name it reads before the entry is written; the builder checks the names it makes.
#pragma once

#include <string_view>

namespace valdorine {

enum class EntryNameFault {
  kNone,
  kEmpty,            // no name, or an empty component ("a\\\\b", a leading or trailing separator)
  kDriveOrStream,    // a ':' (drive letter, alternate data stream)
  kParentOrCurrent,  // a "." or ".." component
  kTrailingDotOrSpace,
  kReservedCharacter,  // a control character or one of < > " | ? *
  kDeviceName,         // CON, NUL, COM1, LPT1, ... with or without an extension
};

// Checks a relative name whose components are separated by "\" or "/" (UTF-8 bytes). An absolute
// name, a UNC or "\\?\" prefix has an empty first component and is refused as kEmpty.
EntryNameFault CheckEntryName(std::string_view name);

// A short English reason for a fault, for the builder's messages.
const char* EntryNameFaultText(EntryNameFault fault);

}  // namespace valdorine
