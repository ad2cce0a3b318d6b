// Shows fatal errors to the user and ends the run.
#pragma once

namespace valdorine {

// Registers the installer's fatal-message displayer: unless silent mode is on, a message box with
// an error icon and language string 21 as caption ("Error" while that string is missing); then
// the orderly exit with exit code 1.
void RegisterFatalDisplay();

}  // namespace valdorine
