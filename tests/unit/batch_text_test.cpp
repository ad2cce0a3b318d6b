#include "paths/batch_text.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "string_test_support.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;

// The batch file's text with every variable's value "v" except the ones given.
std::string BatchText(const std::string& commands, std::map<PathVariable, std::u16string> values = {},
                      bool drop_pause = false, bool utf8_allowed = true) {
  const BatchTextRequest request{String::FromNarrow(commands.c_str()), false, drop_pause, utf8_allowed};
  return NarrowOf(BatchFileText(request, [&values](PathVariable variable) {
    const auto found = values.find(variable);
    return String::FromWide(found == values.end() ? u"v" : found->second.c_str());
  }));
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? text.size() : end + 2;
  }
  return lines;
}

// The text after the definitions: what the commands became.
std::string CommandsPart(const std::string& text) { return text.substr(text.find("SET OSServer=v\r\n") + 16); }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(BatchText, DefinesTheVariablesInTheirOrderQuotedThenPlain) {
  const std::vector<std::string> lines = Lines(BatchText("echo done", {{PathVariable::kInstallDir, u"C:\\P"}}));
  const std::vector<std::string> expected_start = {"@chcp 1252 >nul", "@echo off", "SET Automatic=0",
                                                   "SET \"InstallDir=C:\\P\"", "SET \"Bits=v\""};
  ASSERT_GE(lines.size(), 55u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5), expected_start);
  EXPECT_EQ(lines[39], "SET \"AppDataAllDir=v\"");  // the last quoted one
  EXPECT_EQ(lines[40], "SET InstallDrive=v");       // the first plain one
  EXPECT_EQ(lines[53], "SET OSServer=v");
  EXPECT_EQ(lines[54], "echo done");
  EXPECT_EQ(lines.size(), 55u);
  EXPECT_FALSE(Contains(BatchText(""), "Temp=")) << "%Temp% is not defined by the batch";
  EXPECT_FALSE(Contains(BatchText(""), "WinDir="));
}

TEST(BatchText, ValuesReachTheInterpreterUnchanged) {
  struct Case {
    PathVariable variable;
    std::u16string value;
    std::string line;
  };
  const Case cases[] = {
      {PathVariable::kProductName, u"Salt & Pepper", "SET \"ProductName=Salt & Pepper\""},
      {PathVariable::kProductName, u"100% Tool", "SET \"ProductName=100%% Tool\""},
      {PathVariable::kProductName, u"Say \"Hi\" & go", "SET \"ProductName=Say \"Hi\" & go\""},
      {PathVariable::kProductName, u"5\" Disk & Co", "SET \"ProductName=5\" Disk ^& Co\""},
      {PathVariable::kProductName, u"Two\r\nLines", "SET \"ProductName=Two  Lines\""},
      {PathVariable::kVersion, u"1.0 & <beta>|^", "SET Version=1.0 ^& ^<beta^>^|^^"},
      {PathVariable::kOldVersion, u"", "SET OldVersion="},
      {PathVariable::kOldVersionMajor, u"", "SET OldVersionMajor="},
      {PathVariable::kOldVersionMinor, u"", "SET OldVersionMinor="},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Contains(BatchText("echo", {{c.variable, c.value}}), c.line + "\r\n")) << c.line;
  }
}

TEST(BatchText, PauseLinesAreDroppedOnlyWhenNoOneCanPressAKey) {
  const std::string commands = "echo one\r\n@pause\r\n  PAUSE \t\necho pause\r\npause now\rPause";
  EXPECT_EQ(CommandsPart(BatchText(commands, {}, true)), "echo one\r\necho pause\r\npause now\r\n");
  EXPECT_EQ(CommandsPart(BatchText(commands, {}, false)),
            "echo one\r\n@pause\r\n  PAUSE \t\r\necho pause\r\npause now\r\nPause\r\n");
}

TEST(BatchText, EveryLineBreakBecomesCrLfAndTheTextEndsWithOne) {
  EXPECT_EQ(CommandsPart(BatchText("a\nb\rc\n\rd\r\ne")), "a\r\nb\r\nc\r\nd\r\ne\r\n");
  EXPECT_EQ(CommandsPart(BatchText("a\r\n\r\nb\r\n")), "a\r\n\r\nb\r\n");
}

// Windows-1252 for ASCII text or where UTF-8 cannot be read, else UTF-8; no look-alikes.
TEST(BatchText, EncodingIs1252ForAsciiOrOldSystemsElseUtf8) {
  const struct {
    const char16_t* text;
    bool utf8_allowed;
    std::string bytes;
  } cases[] = {
      {u"rd \"C:\\App\"\r\n", true, "@chcp 1252 >nul\r\nrd \"C:\\App\"\r\n"},
      {u"rd \"C:\\Caf\u00E9\"\r\n", true, "@chcp 65001 >nul\r\nrd \"C:\\Caf\xC3\xA9\"\r\n"},
      {u"rd \"C:\\Caf\u00E9\"\r\n", false, "@chcp 1252 >nul\r\nrd \"C:\\Caf\xE9\"\r\n"},
      {u"rd \"C:\\\u20AC\u4E2D\u03A9\"\r\n", false, "@chcp 1252 >nul\r\nrd \"C:\\\x80??\"\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    const String encoded = EncodedBatchText(String::FromWide(c.text), c.utf8_allowed);
    EXPECT_EQ(std::string(encoded.Narrow(), static_cast<size_t>(encoded.Length())), c.bytes);
  }
}

// The commands are Windows-1252 whatever the file's encoding: "\xE9" stays one character.
TEST(BatchText, CommandsAndValuesShareTheFilesEncoding) {
  struct Case {
    std::u16string folder;
    bool utf8_allowed;
    std::string first_line;
    std::string folder_line;
  };
  const Case cases[] = {
      {u"C:\\Caf\u00E9", true, "@chcp 65001 >nul", "SET \"InstallDir=C:\\Caf\xC3\xA9\""},
      {u"C:\\\u03A9mega", false, "@chcp 1252 >nul", "SET \"InstallDir=C:\\?mega\""},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> lines =
        Lines(BatchText("echo \xE9", {{PathVariable::kInstallDir, c.folder}}, false, c.utf8_allowed));
    EXPECT_EQ(lines[0], c.first_line) << c.folder_line;
    EXPECT_EQ(lines[3], c.folder_line);
    EXPECT_EQ(lines.back(), c.first_line == "@chcp 65001 >nul" ? "echo \xC3\xA9" : "echo \xE9");
  }
}

TEST(BatchText, BlankCommandsAreRecognised) {
  EXPECT_TRUE(IsBlankCommands(String()));
  EXPECT_TRUE(IsBlankCommands(String::FromNarrow(" \t\r\n\r\n  ")));
  EXPECT_FALSE(IsBlankCommands(String::FromNarrow("\r\n:\r\n")));
}

TEST(BatchText, CommandLineAdditionsFollowTheScriptOnTheirOwnLine) {
  struct Case {
    const char* script;
    const char* additions;
    const char* joined;
  };
  const Case cases[] = {
      {"echo a", "echo b", "echo a\r\necho b"},
      {"echo a\n", "echo b", "echo a\necho b"},
      {"", "echo b", "echo b"},
      {"echo a", "", "echo a"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NarrowOf(WithCommandLineAdditions(String::FromNarrow(c.script), String::FromNarrow(c.additions))),
              c.joined);
  }
}

}  // namespace
}  // namespace valdorine
