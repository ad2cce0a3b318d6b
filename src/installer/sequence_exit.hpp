// The install sequence's ways of stopping early, each ending in the orderly exit with the exit
// code of a cancellation or a failure.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// The user cancelled: the cancel notification, the cancellation notice (language string 98 with
// caption 111, not in automatic mode), then exit.
[[noreturn]] void CancelInstallation();

// The cancel notification without the notice (a page closed with Cancel), then exit.
[[noreturn]] void CancelQuietly();

// The installation cannot go on: `message` in the error box, then exit.
[[noreturn]] void RefuseInstallation(const String& message);

}  // namespace valdorine
