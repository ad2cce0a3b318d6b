// Facts about the running installer process, set once at start-up.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

struct InstallerProcess {
  HINSTANCE instance = nullptr;  // icons, dialogs and the package's memory image
  HICON large_icon = nullptr;    // application icon 1 in the system's large and small sizes
  HICON small_icon = nullptr;
  uint64_t session_number = 0;   // 63-bit random number naming this run in notifications
  String family_name;            // "Valdorine Setup", wide
  String family_name_narrow;     // the same, narrow
  String module_path;            // the installer's own file
};

InstallerProcess& Process();

// The program's file name: the name part of its module path.
String ProgramFileName();

}  // namespace valdorine
