// The installer's command line: splitting it into atoms and interpreting each atom as a switch.
// Portable, so the tests and the fuzz target run it natively.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"
#include "run/run_switches.hpp"

namespace valdorine {

// At most this many atoms are examined; the rest of the line is ignored without a message.
inline constexpr int kMaxCommandLineAtoms = 19;

// Splits a wide command line into atoms after dropping the first one (the program path).
// Whitespace is space, tab, CR and LF. A quoted run may hold whitespace, keeps its quotes in the
// atom, and stands for one quote where it holds a doubled quote. An empty atom ends the scan.
Array<String> SplitCommandLine(const String& command_line);

// Interprets the atoms in order into `switches`. Returns an empty text when every atom was
// understood, else the reason for the usage message; the switches of the atoms before the
// offending one stay set (so a /silent earlier on the line keeps the message quiet).
String ApplyCommandLine(const Array<String>& atoms, RunSwitches& switches);

// The usage message for `reason`, naming the program by its file name.
String UsageText(const String& reason, const String& program_file_name);

}  // namespace valdorine
