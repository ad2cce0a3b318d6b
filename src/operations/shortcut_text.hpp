// The texts of a shortcut before it is made: its "Start In" folder, a program carried inside its
// arguments, a command split into program and arguments, and the default name. All wide.
#pragma once

#include "core/string.hpp"

namespace valdorine {

struct ProgramAndArguments {
  String program;
  String arguments;
};

// Surrounding blanks trimmed and one trailing backslash removed; a bare drive ("C:") keeps its
// backslash ("C:\"), since "C:" alone means the drive's current folder.
String StartInFolder(const String& folder);

// Arguments that begin with a tilde and a double quote carry their own program: the text up to the
// next double quote (blanks trimmed) is the program and the rest, leading blanks removed, the
// arguments. False, with `result` untouched, for any other arguments.
bool TakeOwnProgram(const String& arguments, ProgramAndArguments& result);

// A command's first item (up to a blank, or a double-quoted text) without its double quotes, and
// the rest with leading blanks removed.
ProgramAndArguments SplitCommand(const String& command);

// The name of a shortcut that has none: `pattern` (a language string) with its first "%s"
// replaced by `file_name`; the pattern is never used as a format, so that any other "%" stays text.
String DefaultShortcutName(const String& pattern, const String& file_name);

}  // namespace valdorine
