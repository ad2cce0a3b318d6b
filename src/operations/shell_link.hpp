// Making one shell shortcut (.lnk file).
#pragma once

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

namespace shortcut_flag {
inline constexpr uint32_t kAllUsers = 0x1;   // placed for all users (carried, not used here)
inline constexpr uint32_t kMinimised = 0x2;  // starts minimised without activation
inline constexpr uint32_t kMaximised = 0x4;
}  // namespace shortcut_flag

// Saves a shortcut to `target` at `link_path` (".lnk" appended when missing), making its folders
// first. The icon is `icon`, or the target itself when empty, at index 0; `arguments` and
// `working_folder` (StartInFolder) are set when not empty; no description. False, with the system
// error set, when it cannot be made; a crash inside the shell's objects counts as a failure.
bool CreateShortcut(const String& link_path, const String& target, const String& arguments,
                    const String& working_folder, const String& icon, uint32_t flags);

// `link_path` with ".lnk" appended unless it already ends so (in any letter case).
String LinkFilePath(const String& link_path);

}  // namespace valdorine
