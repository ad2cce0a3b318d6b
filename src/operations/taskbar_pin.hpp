// Pinning a program to the taskbar through the shell's "taskbarpin" verb, on the Windows versions
// that have the verb for programs (7 and 8); nothing is attempted elsewhere.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// Whether the system is Windows 7 or later but older than Windows 10 (version 6.1 up to 9.x).
bool TaskbarPinsSupported(int major, int minor);

// Pins `command` (program and arguments, variables expanded) under the shortcut name `name` when
// the running system supports it: a temporary shortcut is made, pinned and deleted; the pinned
// copy the shell keeps is recorded for removal. A crash becomes a line in the failure summary.
void PinToTaskbar(const String& command, const String& name);

}  // namespace valdorine
