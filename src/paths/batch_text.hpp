// The text of SETUPBAT.BAT: the code-page line, the path variables defined as environment
// variables, and the author's commands, as the bytes that go to disk. Portable, so the assembly is
// tested natively; writing and running the file is paths/batch_files.hpp.
#pragma once

#include <functional>

#include "core/string.hpp"
#include "paths/variable_tokens.hpp"

namespace valdorine {

struct BatchTextRequest {
  String commands;            // 8-bit, Windows-1252; lines separated by any kind of line break
  bool automatic_mode = false;
  bool drop_pause = false;    // no one is there to press a key: "pause" lines are left out
  bool utf8_allowed = false;  // the command interpreter reads UTF-8 batches (Windows 7 and later)
};

// True when the 8-bit commands hold nothing but blanks, tabs and line breaks.
bool IsBlankCommands(const String& commands);

// The script's commands followed by the command line's additions (both 8-bit); the script's text
// first gets a closing CR LF when it does not end with a line break.
String WithCommandLineAdditions(const String& commands, const String& additions);

// The wide commands without the lines that, trimmed and without one leading "@", say "pause" in
// any case.
String WithoutPauseLines(const String& wide_commands);

// A batch file's bytes for its wide text: "@chcp 1252 >nul" and Windows-1252 when the text is
// 7-bit ASCII or the command interpreter cannot read UTF-8 (`utf8_allowed` false; characters the
// code page lacks become "?", never a look-alike), otherwise "@chcp 65001 >nul" and UTF-8.
String EncodedBatchText(const String& wide_text, bool utf8_allowed);

// The whole file, encoded as EncodedBatchText says: "@echo off", "SET Automatic=", the variables from
// `value_of` and the commands. Every line break is CR LF, the last line included. Values are
// written so that the interpreter reads them back unchanged: percent signs are doubled, the
// characters that would end or redirect the SET command are escaped where they stand outside
// quotes, and line breaks inside a value become blanks.
String BatchFileText(const BatchTextRequest& request, const std::function<String(PathVariable)>& value_of);

}  // namespace valdorine
