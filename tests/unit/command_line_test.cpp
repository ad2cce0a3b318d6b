#include "installer/command_line.hpp"

#include <gtest/gtest.h>

#include <string>

namespace valdorine {
namespace {

std::u16string Text(const String& s) { return std::u16string(s.Wide(), static_cast<size_t>(s.WideLength())); }
std::string Bytes(const String& s) { return std::string(s.Narrow(), static_cast<size_t>(s.Length())); }

std::vector<std::u16string> Split(const char16_t* line) {
  std::vector<std::u16string> out;
  for (const String& atom : SplitCommandLine(String::FromWide(line))) out.push_back(Text(atom));
  return out;
}

struct SplitCase {
  const char16_t* line;
  std::vector<std::u16string> atoms;
};

TEST(SplitCommandLine, AtomsQuotesAndWhitespace) {
  const SplitCase cases[] = {
      {u"setup.exe", {}},
      {u"\"C:\\My Files\\setup.exe\" /a", {u"/a"}},
      {u"setup.exe \t\r\n/a   /silent  ", {u"/a", u"/silent"}},
      {u"setup.exe /d:\"C:\\Program Files\\Tool\\\"", {u"/d:\"C:\\Program Files\\Tool\\\""}},
      {u"setup.exe /n:\"A \"\"B\"\" C\"", {u"/n:\"A \"B\" C\""}},
      {u"setup.exe a\"b c\"d e", {u"a\"b c\"d", u"e"}},
      {u"setup.exe /n:\"unterminated run", {u"/n:\"unterminated run"}},
      {u"setup.exe \"\"", {u"\"\""}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(Split(c.line), c.atoms) << std::string(c.line, c.line + std::char_traits<char16_t>::length(c.line));
  }
}

TEST(SplitCommandLine, ExaminesAtMostNineteenAtoms) {
  std::u16string line = u"setup.exe";
  for (int i = 0; i < 25; ++i) line += u" /a";
  EXPECT_EQ(Split(line.c_str()).size(), 19u);
}

struct Outcome {
  RunSwitches switches;
  std::u16string reason;
};

Outcome Apply(const char16_t* line) {
  Outcome outcome;
  outcome.reason = Text(ApplyCommandLine(SplitCommandLine(String::FromWide(line)), outcome.switches));
  return outcome;
}

TEST(ApplyCommandLine, ModeSwitches) {
  struct Case {
    const char16_t* line;
    bool automatic, silent, minimised, exit_codes;
  } cases[] = {
      {u"s /a", true, false, false, false},          {u"s -A", true, false, false, false},
      {u"s /silent", true, true, false, false},      {u"s -SILENT", true, true, false, false},
      {u"s /Silent /min", true, true, true, false},  {u"s /MIN", false, false, true, false},
      {u"s /silent /exitcodes", true, true, false, true},  {u"s -ExitCodes", false, false, false, true},
      {u"s", false, false, false, false},
  };
  for (const Case& c : cases) {
    Outcome o = Apply(c.line);
    EXPECT_EQ(o.reason, u"");
    EXPECT_EQ(o.switches.automatic_mode, c.automatic);
    EXPECT_EQ(o.switches.silent_mode, c.silent);
    EXPECT_EQ(o.switches.minimised_start, c.minimised);
    EXPECT_EQ(o.switches.deployment_exit_codes, c.exit_codes);
  }
}

TEST(ApplyCommandLine, InstallationPathLosesQuotesAndOneTrailingBackslash) {
  Outcome o = Apply(u"s /D:\"C:\\Program Files\\Tool\\\"");
  EXPECT_EQ(o.reason, u"");
  EXPECT_EQ(Text(o.switches.installation_path_override), u"C:\\Program Files\\Tool");
  EXPECT_EQ(Bytes(o.switches.installation_path_override_narrow), "C:\\Program Files\\Tool");

  o = Apply(u"s /d:C:\\Tools\\\\");
  EXPECT_EQ(Text(o.switches.installation_path_override), u"C:\\Tools\\");
}

TEST(ApplyCommandLine, NarrowInstallationPathMarksNonAsciiAsUtf8) {
  Outcome o = Apply(u"s /d:\"C:\\Caf\u00e9\"");
  EXPECT_EQ(Bytes(o.switches.installation_path_override_narrow), "|C:\\Caf\xc3\xa9");
}

TEST(ApplyCommandLine, ProductNameKeepsInnerQuotes) {
  Outcome o = Apply(u"s /n:\"A \"\"B\"\" C\"");
  EXPECT_EQ(Text(o.switches.product_name_override), u"A \"B\" C");
}

TEST(ApplyCommandLine, UninstallRequests) {
  struct Case {
    const char16_t* line;
    std::u16string product;
  } cases[] = {
      {u"s /u:\"My Product\"", u"My Product"},
      {u"s /U:Tool", u"Tool"},
      {u"s /u", u""},
      {u"s /uninstall", u""},
  };
  for (const Case& c : cases) {
    Outcome o = Apply(c.line);
    EXPECT_EQ(o.reason, u"");
    EXPECT_TRUE(o.switches.uninstall_request);
    EXPECT_EQ(Text(o.switches.product_to_uninstall), c.product);
  }
}

TEST(ApplyCommandLine, RunAfterTurnsBackquotesIntoQuotes) {
  Outcome o = Apply(u"s /r:\"`C:\\Tool\\run.exe` --first\"");
  EXPECT_EQ(o.reason, u"");
  EXPECT_EQ(Text(o.switches.run_after_command), u"\"C:\\Tool\\run.exe\" --first");
}

TEST(ApplyCommandLine, BatchAdditionsBecomeAnsiLines) {
  Outcome o = Apply(u"s /b1:\"echo one~~echo `two`\" /B3:\"del x\" /b2:\"echo \u00e9\u4e00\"");
  EXPECT_EQ(o.reason, u"");
  EXPECT_EQ(Bytes(o.switches.batch_additions[0]), "echo one\r\necho \"two\"");
  EXPECT_EQ(Bytes(o.switches.batch_additions[1]), "echo \xe9?");
  EXPECT_EQ(Bytes(o.switches.batch_additions[2]), "del x");
}

TEST(ApplyCommandLine, LaterAtomOverridesEarlier) {
  Outcome o = Apply(u"s /n:first /n:second");
  EXPECT_EQ(Text(o.switches.product_name_override), u"second");
}

TEST(ApplyCommandLine, RejectedAtomsNameTheReason) {
  struct Case {
    const char16_t* line;
    std::u16string reason;
  } cases[] = {
      {u"s /x", u"Illegal command line atom:\r\n/x"},
      {u"s foo", u"Unexpected command line parameter:\r\nfoo"},
      {u"s /b1:echo", u"Illegal command line atom:\r\n/b1:echo"},
      {u"s /r:prog", u"Illegal command line atom:\r\n/r:prog"},
      {u"s /silentx", u"Illegal command line atom:\r\n/silentx"},
      {u"s /exitcode", u"Illegal command line atom:\r\n/exitcode"},
      {u"s /a /b4:\"x\"", u"Illegal command line atom:\r\n/b4:\"x\""},
  };
  for (const Case& c : cases) EXPECT_EQ(Apply(c.line).reason, c.reason);
}

TEST(ApplyCommandLine, SwitchesBeforeTheRejectedAtomStaySet) {
  Outcome o = Apply(u"s /silent /x");
  EXPECT_FALSE(o.reason.empty());
  EXPECT_TRUE(o.switches.silent_mode);
}

TEST(ApplyCommandLine, TwentiethAtomIsNeverInterpreted) {
  std::u16string line = u"s";
  for (int i = 0; i < 19; ++i) line += u" /a";
  line += u" /illegal";
  EXPECT_EQ(Apply(line.c_str()).reason, u"");
}

TEST(UsageText, NamesReasonAndProgram) {
  String text = UsageText(String::FromWide(u"Product name required"), String::FromWide(u"setup.exe"));
  std::u16string expected_start = u"Product name required\r\n\r\nUsage:\r\nsetup.exe [/a] [/b1:\"commands\"]";
  EXPECT_EQ(Text(text).substr(0, expected_start.size()), expected_start);
  EXPECT_NE(Text(text).find(u"/silent\tDisplay no user interface."), std::u16string::npos);
}

}  // namespace
}  // namespace valdorine
