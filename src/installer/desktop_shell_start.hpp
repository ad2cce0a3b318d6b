// Starting a program through the desktop shell, so that it runs as the desktop's user with the
// desktop's rights instead of inheriting the installer's (possibly elevated) ones.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// The program and the arguments of a command line (wide). A quoted program ends at its closing
// quote; an unquoted one at the first blank after which the text so far names an existing file
// (so "C:\Program Files\app.exe -x" keeps its blanks), else at the end.
struct ProgramAndArguments {
  String program;
  String arguments;
};
ProgramAndArguments SplitProgramAndArguments(const String& command_line);

// Asks the desktop's shell (the Explorer window of the desktop) to start `program` with
// `arguments` in `working_folder`. False when there is no desktop shell to ask or it refuses.
bool StartThroughDesktopShell(const String& program, const String& arguments, const String& working_folder);

}  // namespace valdorine
