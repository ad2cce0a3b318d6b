// The crash dialog "ExceptionDlg": the apology, the crash report, the user's e-mail address and
// comments, and the buttons Inform Us, Copy Report and Exit.
#pragma once

#include <windows.h>

#include "core/string.hpp"

namespace valdorine {

struct ExceptionDialogAnswer {
  bool inform_us = false;  // "Inform Us" was chosen; otherwise "Exit" or the window was closed
  String email;            // wide, as entered
  String comments;         // wide, as entered
};

// Shows the dialog modally without an owner, centred on the screen. `report` (wide) fills the
// report box, `maker` the apology; `can_inform` enables "Inform Us".
ExceptionDialogAnswer ShowExceptionDialog(HINSTANCE instance, const String& report, const String& maker, bool can_inform);

}  // namespace valdorine
