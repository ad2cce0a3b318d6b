#include "paths/batch_text.hpp"

namespace valdorine {
namespace {

// Defined as SET "Name=value", so that the value may hold blanks and ampersands.
constexpr PathVariable kQuotedVariables[] = {
    PathVariable::kInstallDir,        PathVariable::kBits,           PathVariable::kUninstallDir,
    PathVariable::kSharedDir,         PathVariable::kInstallerFilepath, PathVariable::kInstallerDir,
    PathVariable::kInstallerFilename, PathVariable::kInstallerDrive, PathVariable::kSystemDir,
    PathVariable::kDeviceDir,         PathVariable::kMediaDir,       PathVariable::kFavoritesDir,
    PathVariable::kFavoritesAllDir,   PathVariable::kFontDir,        PathVariable::kDesktopDir,
    PathVariable::kDesktopAllDir,     PathVariable::kDesktopShortcuts, PathVariable::kDocumentDir,
    PathVariable::kDocumentAllDir,    PathVariable::kProductName,    PathVariable::kCompanyName,
    PathVariable::kProgramsDir,       PathVariable::kProgramsDir32,  PathVariable::kProgramsDir64,
    PathVariable::kStartMenuAllDir,   PathVariable::kStartMenuChosen, PathVariable::kStartMenuDir,
    PathVariable::kSMProgramsDir,     PathVariable::kSMProgramsAllDir, PathVariable::kStartupDir,
    PathVariable::kStartupAllDir,     PathVariable::kCommonDir,      PathVariable::kCommonDir32,
    PathVariable::kCommonDir64,       PathVariable::kInetpub,        PathVariable::kAppDataDir,
    PathVariable::kAppDataAllDir,
};

// Defined as SET Name=value.
constexpr PathVariable kPlainVariables[] = {
    PathVariable::kInstallDrive,    PathVariable::kBootDrive, PathVariable::kVersion,
    PathVariable::kOldVersion,      PathVariable::kPortable,  PathVariable::kExisting,
    PathVariable::kOldVersionMajor, PathVariable::kOldVersionMinor, PathVariable::kOS,
    PathVariable::kOSMajor,         PathVariable::kOSMinor,   PathVariable::kOSName,
    PathVariable::kOSDescription,   PathVariable::kOSServer,
};

bool IsLineBreak(char16_t c) { return c == u'\r' || c == u'\n'; }
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

String NameOf(PathVariable variable) {
  for (const PathVariableToken& token : kPathVariableTokens) {
    if (token.variable == variable) return PathVariableName(token);
  }
  return {};
}

// The value as the interpreter must read it to define exactly `value`. Percent signs are expanded
// before anything else, so they are doubled everywhere; outside quotes (the interpreter's view,
// which each quote in the value toggles) the command separators and redirections get a caret.
String EscapedValue(const String& value, bool inside_quotes) {
  String escaped;
  for (int i = 0; i < value.WideLength(); ++i) {
    const char16_t c = value.WideAt(i);
    if (c == u'"') inside_quotes = !inside_quotes;
    if (c == u'%') escaped.AppendWideChar(u'%');
    const bool special = c == u'&' || c == u'|' || c == u'<' || c == u'>' || c == u'^';
    if (special && !inside_quotes) escaped.AppendWideChar(u'^');
    escaped.AppendWideChar(IsLineBreak(c) ? u' ' : c);
  }
  return escaped;
}

String Definitions(bool automatic_mode, const std::function<String(PathVariable)>& value_of) {
  String text = String::FormatWide(u"@echo off\r\nSET Automatic=%d\r\n", automatic_mode ? 1 : 0);
  for (PathVariable variable : kQuotedVariables) {
    text.AppendFormatWide(u"SET \"%s=%s\"\r\n", NameOf(variable).Wide(), EscapedValue(value_of(variable), true).Wide());
  }
  for (PathVariable variable : kPlainVariables) {
    text.AppendFormatWide(u"SET %s=%s\r\n", NameOf(variable).Wide(), EscapedValue(value_of(variable), false).Wide());
  }
  return text;
}

// The length of the line break at `at`: 2 for CR LF or LF CR, 1 for a lone CR or LF, else 0.
int LineBreakLength(const String& text, int at) {
  const char16_t c = text.WideAt(at);
  if (!IsLineBreak(c)) return 0;
  const char16_t next = text.WideAt(at + 1);
  return IsLineBreak(next) && next != c ? 2 : 1;
}

bool IsPauseLine(const String& line) {
  int start = 0;
  int end = line.WideLength();
  while (start < end && IsBlank(line.WideAt(start))) ++start;
  while (end > start && IsBlank(line.WideAt(end - 1))) --end;
  if (start < end && line.WideAt(start) == u'@') ++start;
  return EqualsIgnoreCase(line.Substring(start, end - start), String::FromWide(u"pause"));
}

// Every line break (CR LF, LF CR, a lone CR or LF) as CR LF, and CR LF at the end.
String WithCrLfBreaks(const String& text) {
  String result;
  const int length = text.WideLength();
  for (int i = 0; i < length; ++i) {
    const int break_length = LineBreakLength(text, i);
    if (break_length == 0) {
      result.AppendWideChar(text.WideAt(i));
    } else {
      result.AppendWide(u"\r\n");
      i += break_length - 1;
    }
  }
  const int chars = result.WideLength();
  if (chars < 2 || result.WideAt(chars - 1) != u'\n') result.AppendWide(u"\r\n");
  return result;
}

String WithEncodingLine(const char* line, const String& body) {
  String encoded = String::FromNarrow(line);
  encoded.Append(body);
  return encoded;
}

bool IsAscii(const String& wide_text) {
  for (int i = 0; i < wide_text.WideLength(); ++i) {
    if (wide_text.WideAt(i) > 0x7F) return false;
  }
  return true;
}

}  // namespace

String EncodedBatchText(const String& wide_text, bool utf8_allowed) {
  if (utf8_allowed && !IsAscii(wide_text)) {
    return WithEncodingLine("@chcp 65001 >nul\r\n", NarrowFromWide(wide_text, code_page::kUtf8));
  }
  return WithEncodingLine("@chcp 1252 >nul\r\n", NarrowFromWide(wide_text, code_page::kWindows1252, '?', true));
}

bool IsBlankCommands(const String& commands) {
  for (int i = 0; i < commands.Length(); ++i) {
    const char c = commands.NarrowAt(i);
    if (!IsBlank(static_cast<unsigned char>(c)) && !IsLineBreak(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

String WithCommandLineAdditions(const String& commands, const String& additions) {
  if (additions.IsEmpty()) return commands;
  String joined = commands;
  if (!commands.IsEmpty() && !IsLineBreak(static_cast<unsigned char>(commands.NarrowAt(commands.Length() - 1)))) {
    joined.AppendNarrow("\r\n");
  }
  joined.Append(additions);
  return joined;
}

String WithoutPauseLines(const String& wide_commands) {
  String kept;
  const int length = wide_commands.WideLength();
  int start = 0;
  while (start < length) {
    int end = start;
    while (end < length && !IsLineBreak(wide_commands.WideAt(end))) ++end;
    const int next = end + LineBreakLength(wide_commands, end);
    if (!IsPauseLine(wide_commands.Substring(start, end - start))) kept.Append(wide_commands.Substring(start, next - start));
    start = next;
  }
  return kept;
}

String BatchFileText(const BatchTextRequest& request, const std::function<String(PathVariable)>& value_of) {
  String text = Definitions(request.automatic_mode, value_of);
  const String commands = WideFromNarrow(request.commands, code_page::kWindows1252);
  text.Append(request.drop_pause ? WithoutPauseLines(commands) : commands);
  return EncodedBatchText(WithCrLfBreaks(text), request.utf8_allowed);
}

}  // namespace valdorine
