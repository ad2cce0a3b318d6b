// The project file: the reference project through the installer's own reader, the defaults of a
// minimal project, the problems it reports with file, line and key, and its helpers (source
// patterns, nearest names, format conversions, the inspect report).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "../support/test_stub.hpp"
#include "build_error.hpp"
#include "format/install_script.hpp"
#include "inspect.hpp"
#include "nearest_name.hpp"
#include "project_build.hpp"
#include "project_file.hpp"
#include "project_reader.hpp"
#include "project_variables.hpp"
#include "report.hpp"
#include "script_report.hpp"
#include "source_glob.hpp"
#include "string_table.hpp"
#include "text_codec.hpp"
#include "toml_guard.hpp"

namespace valdorine::builder {
namespace {

const std::filesystem::path kExamples = std::filesystem::path(__FILE__).parent_path() / "../../../examples";

std::map<std::string, std::string> Lines(const InstallScript& script) {
  std::ostringstream out;
  WriteLines(DescribeScript(script), out);
  std::map<std::string, std::string> lines;
  std::istringstream in(out.str());
  for (std::string line; std::getline(in, line);) {
    const size_t equals = line.find('=');
    lines[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return lines;
}

// The problems that reading `text` reports, or "" when it reads.
std::string Problems(const std::string& text) {
  try {
    ParseProject(text, kExamples / "hello/test.toml");
  } catch (const BuildError& error) {
    return error.what();
  }
  return "";
}

const char kMinimal[] = "[product]\nname = \"Hello\"\nversion = \"1.0\"\n[[files]]\nsource = \"README.txt\"\n";

TEST(ProjectFile, ReferenceProjectReadsBackThroughTheInstallersReader) {
  const Project project = LoadProject(kExamples / "reference.toml");
  const std::vector<uint8_t> bytes = ProjectScriptBytes(project);
  InstallScript read;
  ASSERT_EQ(ReadScript(bytes, read), 0);
  std::vector<uint8_t> again;
  ASSERT_EQ(WriteScript(read, again), 0);
  EXPECT_EQ(again, bytes);
  EXPECT_EQ(Lines(read), Lines(project.script));
}

TEST(ProjectFile, ReferenceProjectSetsEveryFieldAwayFromItsDefault) {
  const Project project = LoadProject(kExamples / "reference.toml");
  const std::map<std::string, std::string> reference = Lines(project.script);
  for (const auto& [name, value] : Lines(InstallScript())) {
    if (name.starts_with("Languages.")) continue;
    ASSERT_TRUE(reference.contains(name)) << name;
    EXPECT_NE(reference.at(name), value) << name;
  }
}

TEST(ProjectFile, ReferenceProjectMapsNamesToTheirFieldsAndBits) {
  const Project project = LoadProject(kExamples / "reference.toml");
  const InstallScript& s = project.script;
  EXPECT_EQ(s.StageDelay, 250);
  EXPECT_EQ(s.Bitness, 1);
  EXPECT_EQ(s.TitleColor, 0x00CCFFu);  // "#FFCC00" as 0x00BBGGRR
  EXPECT_EQ(s.ProgressPosition, 2u | 16u);
  EXPECT_EQ(s.Display.GreetingPageStyle, 2u);
  EXPECT_EQ(s.Display.IntegrityMode, 1u);
  EXPECT_EQ(s.UninstallerTime.year, 2024);
  EXPECT_EQ(s.UninstallerTime.hour, 12);
  EXPECT_TRUE(s.ProductFlags.word1 & option1::kRequiredProduct);
  EXPECT_TRUE(s.ProductFlags.word1 & option1::kBackgroundPicture);
  EXPECT_FALSE(s.ProductFlags.word1 & option1::kSingleInstance);
  EXPECT_TRUE(s.ProductFlags.word2 & option2::kHiddenReinstallBatch);
  EXPECT_TRUE(project.package_flags & package_flag::kReinstallBatchOnlyForSameVersion);
  EXPECT_TRUE(project.package_flags & package_flag::kEncrypted);
  EXPECT_EQ(Utf8FromWide(s.RegistryText),
            "\\HKLM\\Software\\Example Software\\Reference\r\n"
            "\\HKCU\\Software\\Example Software\\Reference,Greeting,1,\"Hello, %ProductName%\",3\r\n"
            "\\HKAU\\Software\\Example Software\\Reference,Runs,4,0,6\r\n");
  EXPECT_EQ(std::string(s.FirewallList.Narrow()),
            "8080;Reference server;3;0\r\n%InstallDir%\\app.exe;Reference;0;1\r\n");
  EXPECT_EQ(s.ConditionalDeletes[0].flags, 0x4 | 0x8 | 0x2);
  EXPECT_EQ(std::string(s.Associations[0].verbs.Narrow()), "open,print");
  ASSERT_EQ(s.Languages.names.Count(), 3);  // English, the built-in French, the German file
  EXPECT_EQ(Utf8FromWide(s.Languages.names[1]), "Fran\u00E7ais");
  EXPECT_EQ(Utf8FromWide(s.Languages.Text(1, 2)), "Dieses Programm installiert <product> auf Ihrem Computer.");
  EXPECT_EQ(Utf8FromWide(s.Languages.Text(13, 2)),
            "Das Installationsprogramm ist beschädigt.\r\n\r\nFehlercode: %d");
  EXPECT_EQ(Utf8FromWide(s.Languages.Text(65, 0)), "Welcome to <product> <description>");
  EXPECT_EQ(Utf8FromWide(s.CopyrightText), "© Example Software");
  ASSERT_FALSE(project.warnings.empty());  // the German file leaves strings out
}

TEST(ProjectFile, ReferenceFilesBecomeEntriesOfEveryKind) {
  const Project project = LoadProject(kExamples / "reference.toml");
  std::map<uint32_t, const FileEntry*> by_kind;
  for (const ProjectFile& file : project.files) by_kind.emplace(file.entry.kind, &file.entry);
  for (uint32_t kind : {0u, 1u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 12u}) {
    EXPECT_TRUE(by_kind.contains(kind)) << kind;
  }
  const FileEntry& app = *by_kind.at(0);
  EXPECT_EQ(app.name, "app.exe");
  EXPECT_EQ(app.flags, 0x1u | 0x2u | (4u << 2));
  EXPECT_EQ(app.attributes, 0x21);
  EXPECT_EQ(app.extra_text, "Reference App");
  EXPECT_EQ(app.component_text, "%InstallDir%");
  EXPECT_EQ(by_kind.at(12)->component_text, "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}");
  EXPECT_EQ(by_kind.at(11)->ui_level, 3u);
  EXPECT_EQ(by_kind.at(5)->destination, u"%InstallDir%\\startup\\");
  EXPECT_EQ(by_kind.at(4)->extra_text, "Reference Sans (TrueType)");
  bool guide = false;
  for (const ProjectFile& file : project.files) guide = guide || file.entry.name == "docs\\guide.txt";
  EXPECT_TRUE(guide);
}

TEST(ProjectFile, MinimalProjectBuildsACompleteInteractiveInstaller) {
  const Project project = LoadProject(kExamples / "hello/project.toml");
  const InstallScript& s = project.script;
  EXPECT_EQ(Utf8FromWide(s.ProductName), "Hello");
  for (uint32_t bit : {option1::kProductRegistration, option1::kCompressedArchive, option1::kInstallLog,
                       option1::kChooseDirPage}) {
    EXPECT_TRUE(s.ProductFlags.word1 & bit) << bit;
  }
  EXPECT_TRUE(s.ProductFlags.word2 & option2::kProgressPage);
  EXPECT_TRUE(project.package_flags & package_flag::kUninstallerImage);
  EXPECT_TRUE(project.package_flags & package_flag::kLaunchProgramOption);
  EXPECT_EQ(s.LicenseTexts.Count(), 1);
  EXPECT_EQ(s.Languages.string_count, 115);
  EXPECT_NE(Utf8FromWide(s.Languages.Text(13, 0)).find("%d"), std::string::npos);
  EXPECT_TRUE(project.warnings.empty());
  std::vector<std::string> names;
  for (const ProjectFile& file : project.files) names.push_back(file.entry.name);
  EXPECT_EQ(names, (std::vector<std::string>{"bin\\hello.cmd", "docs\\guide.txt", "samples\\names.csv",
                                             "LICENSE.txt", "README.txt"}));
  EXPECT_EQ(project.files[0].entry.attributes, -1);
  EXPECT_TRUE(project.files[0].entry.date.IsSet());
}

TEST(ProjectFile, BuiltSetupShowsTheProjectThroughInspect) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("valdorine-project-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::vector<uint8_t> stub = valdorine::testing::MakeTestStub();
  std::ofstream(dir / "stub.exe", std::ios::binary)
      .write(reinterpret_cast<const char*>(stub.data()), static_cast<std::streamsize>(stub.size()));
  BuildOptions options;
  options.stub = dir / "stub.exe";
  options.output = dir / "setup.exe";
  ApplyProject(LoadProject(kExamples / "hello/project.toml"), options);
  BuildSetup(options);
  std::ostringstream out;
  EXPECT_EQ(InspectSetup({options.output, true, false, {}}, out), 0);
  fs::remove_all(dir);
  const std::string lines = out.str();
  for (const char* expected :
       {"\nscript.ProductName=Hello\n", "\nscript.DisplayVersion=1.2.0\n",
        "\nscript.LicenseTexts[0].text=Hello licence\\r\\n", "\nentries[0].name=bin\\\\hello.cmd\n",
        "\nentries[4].name=README.txt\n", "\nscript.Languages.strings[98].name=cancelled\n",
        "\nscript.Languages.strings[98].texts[0]=The installation was cancelled.\n"}) {
    EXPECT_NE(lines.find(expected), std::string::npos) << expected;
  }
  EXPECT_EQ(lines.find("error="), std::string::npos);
}

TEST(ProjectFile, ProblemsNameTheFileLineAndKey) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const std::string minimal = kMinimal;
  const Case cases[] = {
      {minimal + "[install]\nstage_dealy = 5\n",
       "test.toml:7:1: [install] unknown key \"stage_dealy\" (did you mean \"stage_delay\"?)"},
      {minimal + "[instal]\n", "unknown key \"instal\" (did you mean \"install\"?)"},
      {minimal + "[install]\nstage_delay = 10000\n", ":7:15: [install] stage_delay: must be between 0 and 9999"},
      {minimal + "[install]\nstage_delay = \"5\"\n", "[install] stage_delay: expected a whole number"},
      {minimal + "[install]\nmode = \"automatik\"\n", "(did you mean \"automatic\"?)"},
      {minimal + "[[files]]\nsource = \"missing/*.dll\"\n", "[files[1]] source: \"missing/*.dll\" matches no file"},
      {minimal + "[ui.background]\ntitle_color = \"red\"\n", "expected a colour such as \"#1E90FF\""},
      {minimal + "[ui]\nlicenses = [\"nowhere.txt\"]\n", "[ui] licenses: cannot read the file"},
      {minimal + "[notify]\nerror = \"https://example.com/\u0394\"\n", "Windows-1252 code page cannot represent"},
      {minimal + "[strings]\n13 = \"Broken: %s\"\n", "[strings] 13: must keep the conversions \"%d\""},
      {minimal + "[strings]\n12345 = \"x\"\n", "[strings] 12345: a string number must be a whole number"},
      {minimal + "[strings]\ncancelld = \"x\"\n",
       "test.toml:7:12: [strings] cancelld: unknown string name (did you mean \"cancelled\"?)"},
      {minimal + "[strings]\n98 = \"x\"\ncancelled = \"y\"\n", "string 98 is already given as \"98\""},
      {minimal + "[strings]\ndamaged_installer = \"Broken: %s\"\n",
       "[strings] damaged_installer: must keep the conversions \"%d\""},
      {minimal + "[languages]\nbuilt_in = [\"Germen\"]\n",
       "[languages] built_in: unknown language \"Germen\" (did you mean \"German\"?)"},
      {minimal + "[languages.Frensh]\ncancelled = \"x\"\n",
       "test.toml:6:1: [languages] Frensh: unknown language \"Frensh\" (did you mean \"French\"?)"},
      {minimal + "[languages.German]\nfolder_unusable = \"%d\"\n",
       "[languages.German] folder_unusable: must keep the conversions \"%s\""},
      {minimal + "[[files]]\nsource = \"README.txt\"\nversion = \"1.0\"\n",
       "[files[1]] version: only for the kinds"},
      {minimal + "[[files]]\nsource = \"payload/**\"\ntarget = 'C:\\x.txt'\n",
       "names one file, but \"payload/**\" matches several"},
      {minimal + "[[registry.entries]]\nkey = 'HKXX\\Software'\n", "must begin with HKLM"},
      {minimal + "[[firewall]]\nname = \"x\"\n", "give either a port or a program"},
      {"[product]\nversion = \"1\"\n", "[product] name: the product needs a name"},
      {"[product]\nname = \"A\"\nversion = \"one point oh\"\n",
       "test.toml:3:11: [product] version: \"one point oh\" is not a version"},
      {"[product]\nname = \"A\"\nversion = \"\"\n", "[product] version: \"\" is not a version"},
      {"[product]\nname = \"A\"\nversion = \"${version}\"\n",
       "[product] version: undefined variable ${version} (define it with -D version=...)"},
      {"[product]\nname = \"A ${\"\nversion = \"1\"\n", "[product] name: \"${\" without its closing \"}\""},
      {minimal + "[install\n", "test.toml:6:9: Error while parsing table header"},
      {minimal + "[ui]\nlicenses = [\xC2\xA9 \"x\"]\n", "test.toml:7:13: a character beyond ASCII outside a string"},
      {minimal + "[[files]]\nsource = \"README.txt\"\nfolder = '..\\up'\n",
       "[files[1]] folder: \"..\\up\\README.txt\" is not a name inside the installation's folder"},
      {minimal + "[uninstall]\nfile_name = \"\"\n", "[uninstall] file_name: must name a file"},
      {minimal + "[ui]\nlicenses = [\"README.txt\", 3]\n", "[ui] licenses: expected a text or an array of texts"},
      {minimal + "[uninstall]\nfile_name = \"" + std::string(200, 'x') + "\"\n",
       "installer's UninstallerName is too long"},
  };
  for (const Case& c : cases) {
    const std::string problems = Problems(c.text);
    EXPECT_NE(problems.find(c.expected), std::string::npos) << c.text << "\n--> " << problems;
  }
  EXPECT_EQ(Problems(kMinimal), "");
}

TEST(ProjectFile, BuiltInLanguagesAreSelectedByNameAndChangedByStringName) {
  const Project project = ParseProject(std::string(kMinimal) +
                                           "[strings]\ncancelled = \"Stopped.\"\n"
                                           "[languages]\nbuilt_in = [\"Japanese\"]\n"
                                           "[languages.German]\ncancelled = \"Abgebrochen!\"\n65 = \"Hallo\"\n",
                                       kExamples / "hello/test.toml");
  const LanguageTable& table = project.script.Languages;
  ASSERT_EQ(table.names.Count(), 3);
  EXPECT_EQ(Utf8FromWide(table.names[0]), "English");
  EXPECT_EQ(Utf8FromWide(table.names[1]), "\u65E5\u672C\u8A9E");
  EXPECT_EQ(Utf8FromWide(table.names[2]), "Deutsch");
  EXPECT_EQ(Utf8FromWide(table.Text(98, 0)), "Stopped.");
  EXPECT_EQ(Utf8FromWide(table.Text(98, 1)), "\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB\u306F\u4E2D\u6B62\u3055\u308C\u307E\u3057\u305F\u3002");
  EXPECT_EQ(Utf8FromWide(table.Text(98, 2)), "Abgebrochen!");
  EXPECT_EQ(Utf8FromWide(table.Text(65, 2)), "Hallo");
  EXPECT_EQ(Utf8FromWide(table.Text(1, 2)),
            "Dieses Programm installiert <product> auf Ihrem Computer.\r\n\r\n"
            "Schlie\u00DFen Sie alle anderen Programme, bevor Sie fortfahren.");
}

TEST(ProjectFile, VariablesFillTextsAndListsOfTheProject) {
  const Project project = ParseProject(
      "[product]\nname = \"${name} $$5\"\nversion = \"${version}\"\n[[files]]\nsource = [\"README${none}.txt\"]\n",
      kExamples / "hello/test.toml", {{"version", "2.4.1"}, {"name", "Tool"}, {"none", ""}});
  EXPECT_EQ(Utf8FromWide(project.script.ProductName), "Tool $5");
  EXPECT_EQ(std::string(project.script.DisplayVersion.Narrow()), "2.4.1");
  ASSERT_EQ(project.files.size(), 1u);
  EXPECT_EQ(project.files[0].source.filename(), "README.txt");
  EXPECT_NE(Problems("[product]\nname = \"A\"\nversion = \"1\"\n[[files]]\nsource = [\"${x}\"]\n")
                .find("[files[0]] source: undefined variable ${x}"),
            std::string::npos);
}

TEST(ProjectVariables, DefinitionsNeedANameAndAnEqualsSign) {
  struct Case {
    const char* definition;
    const char* problem;  // empty: accepted
  } cases[] = {
      {"version=1.2", ""}, {"a.b-c_d=", ""}, {"x=y=z", ""},
      {"version", "-D takes name=value"}, {"=1", "is not a variable name"}, {"a b=1", "is not a variable name"},
  };
  for (const Case& c : cases) {
    Variables variables;
    const std::string problem = DefineVariable(c.definition, variables);
    if (*c.problem == 0) {
      EXPECT_EQ(problem, "") << c.definition;
      EXPECT_EQ(variables.size(), 1u) << c.definition;
    } else {
      EXPECT_NE(problem.find(c.problem), std::string::npos) << c.definition << ": " << problem;
    }
  }
  Variables variables;
  DefineVariable("x=y=z", variables);
  EXPECT_EQ(variables["x"], "y=z");
}

TEST(ProjectFile, AllProblemsAreReportedAtOnce) {
  const std::string problems = Problems(std::string(kMinimal) + "[install]\nstage_delay = -1\nlog = 1\nfoo = 2\n");
  EXPECT_NE(problems.find("stage_delay"), std::string::npos);
  EXPECT_NE(problems.find("log: expected true or false"), std::string::npos);
  EXPECT_NE(problems.find("unknown key \"foo\""), std::string::npos);
}

TEST(SourceGlob, WildcardsMatchWithinOneComponent) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  };
  const Case cases[] = {
      {"*.txt", "guide.txt", true}, {"*.txt", "guide.txt.bak", false}, {"g?ide.*", "guide.txt", true},
      {"*", "", true},              {"a*b*c", "axxbyyc", true},         {"a*b*c", "axxbyy", false},
      {"?", "", false},             {"**", "x", true},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
}

TEST(SourceGlob, PatternsKeepSubfoldersBelowTheirFixedPart) {
  struct Case {
    const char* pattern;
    std::vector<std::string> relative;
  };
  const Case cases[] = {
      {"payload/**", {"bin\\hello.cmd", "docs\\guide.txt", "samples\\names.csv"}},
      {"payload", {"bin\\hello.cmd", "docs\\guide.txt", "samples\\names.csv"}},
      {"payload/*/*.txt", {"docs\\guide.txt"}},
      {"payload/**/*.c?d", {"bin\\hello.cmd"}},
      {"payload\\docs\\guide.txt", {"guide.txt"}},
      {"*.txt", {"LICENSE.txt", "README.txt"}},
      {"payload/none/*", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> relative;
    for (const MatchedFile& match : MatchSources(kExamples / "hello", c.pattern).files) relative.push_back(match.relative);
    EXPECT_EQ(relative, c.relative) << c.pattern;
  }
}

TEST(TomlGuard, FindsNonAsciiOnlyOutsideStringsAndComments) {
  struct Case {
    const char* text;
    std::optional<TextPosition> at;
  };
  const Case cases[] = {
      {"a = \"\xC3\xA9\" # \xC3\xA9\n", std::nullopt},
      {"a = '\xC3\xA9'\nb = \"\"\"\n\xC3\xA9\\\"\"\"\"\nc = '''\n\xC3\xA9'''\n", std::nullopt},
      {"a = \"x\\\"\xC3\xA9\"\n", std::nullopt},  // an escaped quote does not end the string
      {"a = [\xC2\xA9]\n", TextPosition{1, 6}},
      {"a = 'x\n\xC3\xA9", TextPosition{2, 1}},  // a single-line string ends at the line break
      {"# x\n\xC3\xA9 = 1\n", TextPosition{2, 1}},
  };
  for (const Case& c : cases) {
    const std::optional<TextPosition> at = NonAsciiOutsideStrings(c.text);
    ASSERT_EQ(at.has_value(), c.at.has_value()) << c.text;
    if (at) EXPECT_EQ(std::pair(at->line, at->column), std::pair(c.at->line, c.at->column)) << c.text;
  }
}

TEST(TomlGuard, FindsControlCharactersAnywhere) {
  EXPECT_FALSE(ControlCharacter("a = 1\r\n\tb = 'x'\n").has_value());
  const std::optional<TextPosition> at = ControlCharacter("a = 1\nb=50\x08'=\xEF\xB3\xBF");
  ASSERT_TRUE(at.has_value());
  EXPECT_EQ(std::pair(at->line, at->column), std::pair(size_t{2}, size_t{5}));
  EXPECT_TRUE(ControlCharacter("a = \"\x7F\"").has_value());
}

// Malformed documents with text beyond ASCII, found by fuzzing, that used to reach undefined
// behaviour inside toml++; each must end in an ordinary error.
TEST(TomlGuard, MalformedTextBeyondAsciiEndsInAnError) {
  const char* const texts[] = {
      "''=50\x08'=\xEF\xB3\xBF",
      "''=7p\"\"\"p\xCF\x81\xC2\xBF=====''=",
      "\"\"\".s\"\\\"g.sag\\\xCE\xA3*\"",
  };
  for (const char* text : texts) EXPECT_THROW(ParseToml(text, "fuzz.toml"), BuildError) << text;
}

TEST(NearestName, SuggestsOnlyLikelyTypos) {
  const std::vector<std::string> keys = {"stage_delay", "single_instance", "log", "folder"};
  EXPECT_EQ(NearestName("stage_dealy", keys), "stage_delay");
  EXPECT_EQ(NearestName("Folder", keys), "folder");
  EXPECT_EQ(NearestName("singel_instance", keys), "single_instance");
  EXPECT_EQ(NearestName("lg", keys), "log");
  EXPECT_EQ(NearestName("publisher", keys), "");
  EXPECT_EQ(NearestName("x", keys), "");
}

TEST(StringTable, FormatConversionsIgnoreLiteralPercentSigns) {
  struct Case {
    const char* text;
    const char* conversions;
  };
  const Case cases[] = {
      {"plain", ""},           {"100%% sure", ""},       {"%s and %d", "%s%d"}, {"%-10s|%05.2f", "%s%f"},
      {"%*d", "*%d"},          {"%I64d %ls", "%I64d%ls"}, {"ends in %", "%"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatConversions(c.text), c.conversions) << c.text;
}

TEST(Report, LinesAndJsonEscapeTheirTexts) {
  Report report = Report::Object();
  report.Add("text", Report::Text("a\r\n\"b\"\\ \xC3\xA9 \xFF"));
  Report& list = report.Add("list", Report::Array());
  list.Add("", Report::Number(int64_t{-1}));
  list.Add("", Report::Object()).Add("x", Report::Number(1.5));
  std::ostringstream lines, json;
  WriteLines(report, lines);
  WriteJson(report, json);
  EXPECT_EQ(lines.str(), "text=a\\r\\n\"b\"\\\\ \xC3\xA9 \\xFF\nlist[0]=-1\nlist[1].x=1.5\n");
  EXPECT_EQ(json.str(),
            "{\n  \"text\": \"a\\r\\n\\\"b\\\"\\\\ \xC3\xA9 \\ufffd\",\n"
            "  \"list\": [\n    -1,\n    {\n      \"x\": 1.5\n"
            "    }\n  ]\n}\n");
}

}  // namespace
}  // namespace valdorine::builder
