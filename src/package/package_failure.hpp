// How a damaged or missing package ends the run: the corrupt-package message (language string 13,
// or the built-in text) with the error code, the messages without a code, and the fatal display.
#pragma once

#include <cstdint>

#include "core/string.hpp"
#include "format/package_layout.hpp"
#include "package/package_reader.hpp"

namespace valdorine {

// Told the final message of a numbered failure before it is shown: the install log makes it the
// failure summary and the error notification goes out. Later modules register themselves here.
using PackageFailureListener = void (*)(const String& message);
void SetPackageFailureListener(PackageFailureListener listener);

// The corrupt-package message for `code`; a non-zero `system_error` adds its line.
String CorruptPackageMessage(int code, uint32_t system_error);

// Ends the run with the message that belongs to `error` (which must not be kNone).
[[noreturn]] void FailPackage(PackageError error, const InstallPackage& package);

// Ends the run when `error` is not kNone.
inline void RequirePackage(PackageError error, const InstallPackage& package) {
  if (error != PackageError::kNone) FailPackage(error, package);
}

}  // namespace valdorine
