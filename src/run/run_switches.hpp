// The run-time switches: what the command line asked for. Written while the command line is parsed
// (automatic mode once more by the install script) and read by the rest of the run.
#pragma once

#include "core/string.hpp"

namespace valdorine {

struct RunSwitches {
  bool automatic_mode = false;   // /a or /silent: no wizard questions, defaults taken
  bool silent_mode = false;      // /silent: no user interface at all
  bool minimised_start = false;  // /min: the background window starts minimised
  bool uninstall_request = false;           // /u
  String product_to_uninstall;              // /u:"name" (wide)
  String installation_path_override;        // /d:"dir" (wide)
  String installation_path_override_narrow; // its 8-bit form for batch files ("|" + UTF-8 if needed)
  String product_name_override;             // /n:"name" (wide)
  String run_after_command;                 // /r:"program" (wide)
  String batch_additions[3];                // /b1: /b2: /b3: (ANSI code page, CR LF between commands)
  bool deployment_exit_codes = false;       // /exitcodes: 0, 3010, 1602, 1603 instead of always 1
};

// The process's switches.
RunSwitches& Switches();

}  // namespace valdorine
