#include "installer/command_line.hpp"

namespace valdorine {
namespace {

bool IsWhitespace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// Reads one atom starting at `pos`; returns the position after it.
int ReadAtom(const char16_t* text, int length, int pos, String& atom) {
  atom.Release();
  while (pos < length && !IsWhitespace(text[pos])) {
    if (text[pos] != u'"') {
      atom.AppendWideChar(text[pos++]);
      continue;
    }
    atom.AppendWideChar(u'"');  // the run keeps its opening quote...
    for (++pos; pos < length; ++pos) {
      if (text[pos] != u'"') {
        atom.AppendWideChar(text[pos]);
      } else if (pos + 1 < length && text[pos + 1] == u'"') {
        atom.AppendWideChar(u'"');  // a doubled quote inside a run stands for one
        ++pos;
      } else {
        break;
      }
    }
    if (pos < length) {
      atom.AppendWideChar(u'"');  // ...and its closing one
      ++pos;
    }
  }
  return pos;
}

int SkipWhitespace(const char16_t* text, int length, int pos) {
  while (pos < length && IsWhitespace(text[pos])) ++pos;
  return pos;
}

// Removes one pair of enclosing quotes, only when the text both begins and ends with one.
String WithoutEnclosingQuotes(String text) {
  int n = text.WideLength();
  if (n >= 2 && text.WideAt(0) == u'"' && text.WideAt(n - 1) == u'"') {
    text.RemoveBytes((n - 1) * 2, 2);
    text.RemoveBytes(0, 2);
  }
  return text;
}

String WithoutFinalQuote(String text) {
  text.RemoveTrailing(u'"');
  return text;
}

String Rest(const String& body, int prefix_chars) { return body.Substring(prefix_chars); }

void SetInstallationPath(const String& body, RunSwitches& switches) {
  String path = WithoutEnclosingQuotes(Rest(body, 2));
  path.RemoveTrailing(u'\\');
  switches.installation_path_override_narrow = NarrowPath(path);
  switches.installation_path_override = std::move(path);
}

void SetUninstall(const String& body, RunSwitches& switches) {
  switches.uninstall_request = true;
  if (body.WideAt(1) == u':') switches.product_to_uninstall = WithoutEnclosingQuotes(Rest(body, 2));
}

void SetRunAfter(const String& body, RunSwitches& switches) {
  String command = WithoutFinalQuote(Rest(body, 3));
  command.ReplaceAll(u"`", u"\"");
  switches.run_after_command = std::move(command);
}

// Batch additions travel as ANSI text; "~~" separates commands and backquotes stand for quotes.
void SetBatchAddition(const String& body, int index, RunSwitches& switches) {
  String commands = NarrowFromWide(Rest(body, 4), code_page::kAnsi);
  if (commands.Length() > 0 && commands.NarrowAt(commands.Length() - 1) == '"') {
    commands.SetLength(commands.Length() - 1);
  }
  commands.ReplaceAllNarrow("`", "\"");
  commands.ReplaceAllNarrow("~~", "\r\n");
  switches.batch_additions[index] = std::move(commands);
}

// Interprets one atom without its leading switch character; false when the atom is illegal.
bool ApplySwitch(const String& body, RunSwitches& switches) {
  if (EqualsIgnoreCase(body.Wide(), u"A")) {
    switches.automatic_mode = true;
  } else if (body.StartsWithIgnoreCase(u"D:")) {
    SetInstallationPath(body, switches);
  } else if (body.StartsWithIgnoreCase(u"N:")) {
    switches.product_name_override = WithoutEnclosingQuotes(Rest(body, 2));
  } else if (body.StartsWithIgnoreCase(u"U")) {
    SetUninstall(body, switches);
  } else if (body.StartsWithIgnoreCase(u"R:\"")) {
    SetRunAfter(body, switches);
  } else if (body.StartsWithIgnoreCase(u"B1:\"") || body.StartsWithIgnoreCase(u"B2:\"") ||
             body.StartsWithIgnoreCase(u"B3:\"")) {
    SetBatchAddition(body, body.WideAt(1) - u'1', switches);
  } else if (EqualsIgnoreCase(body.Wide(), u"Silent")) {
    switches.automatic_mode = true;
    switches.silent_mode = true;
  } else if (EqualsIgnoreCase(body.Wide(), u"MIN")) {
    switches.minimised_start = true;
  } else if (EqualsIgnoreCase(body.Wide(), u"ExitCodes")) {
    switches.deployment_exit_codes = true;
  } else {
    return false;
  }
  return true;
}

}  // namespace

Array<String> SplitCommandLine(const String& command_line) {
  const char16_t* text = command_line.Wide();
  const int length = command_line.WideLength();
  Array<String> atoms;
  String atom;
  int pos = ReadAtom(text, length, SkipWhitespace(text, length, 0), atom);  // the program path
  while (atoms.Count() < kMaxCommandLineAtoms) {
    pos = ReadAtom(text, length, SkipWhitespace(text, length, pos), atom);
    if (atom.IsEmpty()) break;
    atoms.Append(atom);
  }
  return atoms;
}

String ApplyCommandLine(const Array<String>& atoms, RunSwitches& switches) {
  for (const String& atom : atoms) {
    char16_t lead = atom.WideAt(0);
    if (lead != u'/' && lead != u'-') {
      return ConcatWide(u"Unexpected command line parameter:\r\n", atom.Wide(), nullptr);
    }
    if (!ApplySwitch(atom.Substring(1), switches)) {
      return ConcatWide(u"Illegal command line atom:\r\n", atom.Wide(), nullptr);
    }
  }
  return String();
}

String UsageText(const String& reason, const String& program_file_name) {
  return String::FormatWide(
      u"%s\r\n\r\nUsage:\r\n%s [/a] [/b1:\"commands\"] [/b2:\"commands\"] [/b3:\"commands\"] "
      u"[/d:\"dir\"] [/n:\"name\"] [/u:\"name\"] [/r:\"program\"] [/silent]\r\n\r\n"
      u"/a                  \tAutomatic mode.\r\n"
      u"/d:\"dir\"        \tOverride installation path.\r\n"
      u"/b1:\"commands\"\tAdd commands to the end of the Pre-Installation Batch.\r\n"
      u"/b2:\"commands\"\tAdd commands to the end of the Post-Installation Batch.\r\n"
      u"/b3:\"commands\"\tAdd commands to the end of the Installation-Exit Batch.\r\n"
      u"/n:\"name\"\tOverride product name.\r\n"
      u"/u:\"name\"\tUninstall product by name.\r\n"
      u"/r:\"program\"\tRun the specified program after a successful installation.\r\n"
      u"/silent\tDisplay no user interface.",
      reason.Wide(), program_file_name.Wide());
}

}  // namespace valdorine
