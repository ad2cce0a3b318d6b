#include "uninstall/uninstall_data_text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/path_text.hpp"
#include "string_test_support.hpp"
#include "uninstall/uninstall_list.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;
using testing::WideOf;

String W(const char16_t* text) { return String::FromWide(text); }
String N(const std::string& bytes) { return String::FromBytes(bytes.data(), static_cast<int>(bytes.size())); }

constexpr int kStringCount = static_cast<int>(std::size(kUninstallerStringNumbers));

// The [Strings] section of a file whose texts are all empty.
std::string EmptyStringsSection() {
  std::string section = "\r\n\r\n[Strings]\r\n";
  for (const int number : kUninstallerStringNumbers) section += "~" + std::to_string(number) + "\r\n\r\n";
  return section + "~999\r\n\r\n";
}

// A file's content with every part filled, texts beyond ASCII and fields that need quotes included.
UninstallDataContent FullContent() {
  UninstallDataContent content;
  content.uninstall_list = UninstallListLine(W(u"C:\\App\\Caf\u00E9\\a.txt"), uninstall_entry::kFile);
  content.uninstall_list.Append(UninstallListLine(W(u"C:\\App"), uninstall_entry::kFolder));
  for (int i = 0; i < kStringCount; ++i) content.strings.Append(String::FormatWide(u"Text %d \u00E9", i));
  content.strings[3] = W(u"First line\r\nsecond line");
  content.strings[4] = W(u"Ends with a break\r\n");
  content.special_string = W(u"Title \u0416\r\nsecond line");
  content.auto_close.Append({W(u"*Class, \u00E9"), N(" lead blank"), N("Program \"quoted\""), 2, 0x2});
  content.auto_close.Append({W(u"Plain"), N(""), N("Tool"), 3, 0x2});
  content.sections.associations = N(".abc~!~Valdorine.Doc~!~open~!~C:\\App\\icon.ico,1\r\n");
  content.sections.firewall = N("8080;Web;1;\r\n");
  content.sections.inf = N("C:\\Windows\\INF\\oem1.inf\r\n");
  content.sections.msi = N("\"C:\\App\\setup.msi\",3\r\n");
  content.sections.registry2 = W(u"\\HKLM\\Software\\Caf\u00E9\r\n");
  content.conditional_deletes.Append({N("%InstallDir%\\old,copy\\*.dll"), 1, N("1.2.3,4"), 0x8});
  content.conditional_deletes.Append({N("C:\\Caf\xE9\\x.txt"), 0, N("\xE9t\xE9"), 0x9});
  content.conditional_deletes.Append({N("||x*"), 0, N("1"), 0});  // starts with the UTF-8 form's marker
  return content;
}

TEST(UninstallData, ListLinesMarkTheKindAndKeepAsciiPathsPlain) {
  struct Row {
    int kind;
    const char16_t* path;
    const char* line;
  };
  const Row rows[] = {
      {uninstall_entry::kFile, u"C:\\App\\a.txt", "C:\\App\\a.txt\r\n"},
      {uninstall_entry::kFolder, u"C:\\App", "~C:\\App\r\n"},
      {uninstall_entry::kRegistryValue, u"\\HKLM\\Software\\App\\Value", "!\\HKLM\\Software\\App\\Value\r\n"},
      {uninstall_entry::kRegistryKey, u"\\HKCU\\Software\\App", "^\\HKCU\\Software\\App\r\n"},
      {uninstall_entry::kRegistryKey64, u"\\HKLM\\Software\\App", "*\\HKLM\\Software\\App\r\n"},
      {uninstall_entry::kFile, u"C:\\Caf\u00E9\\a.txt", "|C:\\Caf\xC3\xA9\\a.txt\r\n"},
      {uninstall_entry::kFolder, u"C:\\\u0416", "~|C:\\\xD0\x96\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const String line = UninstallListLine(W(row.path), row.kind);
    EXPECT_EQ(NarrowOf(line), row.line);
    const UninstallRecords records = ReadUninstallData(line);
    ASSERT_EQ(records.entries.Count(), 1);
    const String& entry = records.entries[0];
    const int mark = row.kind == uninstall_entry::kFile ? 0 : 1;
    EXPECT_EQ(WideOf(WidePathFromNarrow(String::FromBytes(entry.Bytes() + mark, entry.Length() - mark))), row.path);
  }
}

TEST(UninstallData, EmptyContentWritesOnlyTheStringsSection) {
  EXPECT_EQ(NarrowOf(UninstallDataText({})), EmptyStringsSection());
  const UninstallRecords records = ReadUninstallData(UninstallDataText({}));
  EXPECT_EQ(records.string_numbers.Count(), kStringCount);
  EXPECT_TRUE(records.has_special_string);
  for (const String& text : records.string_texts) EXPECT_TRUE(text.IsEmpty());
  EXPECT_TRUE(records.special_string.IsEmpty());
}

TEST(UninstallData, SectionsAppearInOrderAndOnlyWithContent) {
  const std::string text = NarrowOf(UninstallDataText(FullContent()));
  const char* headers[] = {"[Strings]", "[AutoClose]", "[Associations]", "[Firewall]",
                           "[INF]",     "[MSI]",       "[Registry2]",    "[ConditionalDelete]"};
  size_t previous = 0;
  for (const char* header : headers) {
    const size_t at = text.find("\r\n\r\n" + std::string(header) + "\r\n");
    ASSERT_NE(at, std::string::npos) << header;
    EXPECT_GT(at, previous) << header;
    previous = at;
  }
  EXPECT_TRUE(text.starts_with("|C:\\App\\Caf\xC3\xA9\\a.txt\r\n~C:\\App\r\n\r\n\r\n[Strings]\r\n~10\r\n"));
  EXPECT_NE(text.find("[Registry2]\r\n\\HKLM\\Software\\Caf\xC3\xA9\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"*Class, \xC3\xA9\",\" lead blank\",\"Program \"\"quoted\"\"\",2\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"%InstallDir%\\old,copy\\*.dll\",1,\"1.2.3,4\",8\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"|C:\\Caf\xC3\xA9\\x.txt\",0,\xE9t\xE9,9\r\n"), std::string::npos);

  UninstallDataContent without_associations = FullContent();
  without_associations.sections.associations.Release();
  EXPECT_EQ(NarrowOf(UninstallDataText(without_associations)).find("[Associations]"), std::string::npos);
}

TEST(UninstallData, EverythingWrittenReadsBackEqual) {
  const UninstallDataContent content = FullContent();
  const UninstallRecords records = ReadUninstallData(UninstallDataText(content));

  ASSERT_EQ(records.entries.Count(), 2);
  EXPECT_EQ(WideOf(WidePathFromNarrow(records.entries[0])), u"C:\\App\\Caf\u00E9\\a.txt");
  EXPECT_EQ(NarrowOf(records.entries[1]), "~C:\\App");

  ASSERT_EQ(records.string_numbers.Count(), kStringCount);
  for (int i = 0; i < kStringCount; ++i) {
    EXPECT_EQ(records.string_numbers[i], kUninstallerStringNumbers[i]);
    EXPECT_EQ(WideOf(records.string_texts[i]), WideOf(content.strings[i])) << kUninstallerStringNumbers[i];
  }
  EXPECT_TRUE(records.has_special_string);
  EXPECT_EQ(WideOf(records.special_string), u"Title \u0416\r\nsecond line");

  ASSERT_EQ(records.auto_close.Count(), 2);
  for (int i = 0; i < 2; ++i) {
    const AutoCloseEntry& expected = content.auto_close[i];
    EXPECT_EQ(WideOf(records.auto_close[i].window_class), WideOf(expected.window_class));
    EXPECT_EQ(NarrowOf(records.auto_close[i].window_title), NarrowOf(expected.window_title));
    EXPECT_EQ(NarrowOf(records.auto_close[i].program_name), NarrowOf(expected.program_name));
    EXPECT_EQ(records.auto_close[i].action, expected.action);
    EXPECT_EQ(records.auto_close[i].flags, kAutoCloseForUninstaller);
  }

  ASSERT_EQ(records.associations.Count(), 1);
  const char* association[] = {".abc", "Valdorine.Doc", "open", "C:\\App\\icon.ico,1"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(NarrowOf(records.associations[0][i]), association[i]);
  ASSERT_EQ(records.firewall.Count(), 1);
  EXPECT_EQ(NarrowOf(records.firewall[0]), "8080;Web;1;");
  ASSERT_EQ(records.inf.Count(), 1);
  EXPECT_EQ(NarrowOf(records.inf[0]), "C:\\Windows\\INF\\oem1.inf");
  ASSERT_EQ(records.msi.Count(), 1);
  EXPECT_EQ(NarrowOf(records.msi[0]), "\"C:\\App\\setup.msi\",3");
  EXPECT_EQ(NarrowOf(records.registry2), "\\HKLM\\Software\\Caf\xC3\xA9\r\n");

  ASSERT_EQ(records.conditional_deletes.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    const FileDeletion& expected = content.conditional_deletes[i];
    EXPECT_EQ(NarrowOf(records.conditional_deletes[i].pattern), NarrowOf(expected.pattern));
    EXPECT_EQ(records.conditional_deletes[i].condition_kind, expected.condition_kind);
    EXPECT_EQ(NarrowOf(records.conditional_deletes[i].condition_value), NarrowOf(expected.condition_value));
    EXPECT_EQ(records.conditional_deletes[i].flags, expected.flags);
  }
}

TEST(UninstallData, AnUpgradeCarriesWhatOnlyTheEarlierInstallationRecorded) {
  // The earlier installation recorded a file, its folder and one line in every section; the new
  // run records the same file (other ASCII letter case), a new file, the same association and
  // the same [Registry2] key.
  const UninstallRecords earlier = ReadUninstallData(UninstallDataText(FullContent()));
  const String same_file = UninstallListLine(W(u"C:\\app\\CAF\u00E9\\A.TXT"), uninstall_entry::kFile);
  UninstallDataContent content;
  content.uninstall_list = same_file;
  content.uninstall_list.Append(UninstallListLine(W(u"C:\\App\\new.dll"), uninstall_entry::kFile));
  content.sections.associations = N(".abc~!~Valdorine.Doc~!~open~!~C:\\App\\icon.ico,1\r\n");
  content.sections.registry2 = W(u"\\HKLM\\Software\\Caf\u00E9\r\n");
  CarryEarlierRecords(earlier, content);

  EXPECT_EQ(NarrowOf(content.uninstall_list), NarrowOf(same_file) + "C:\\App\\new.dll\r\n~C:\\App\r\n");
  EXPECT_EQ(NarrowOf(content.sections.associations), ".abc~!~Valdorine.Doc~!~open~!~C:\\App\\icon.ico,1\r\n");
  EXPECT_EQ(NarrowOf(content.sections.firewall), "8080;Web;1;\r\n");
  EXPECT_EQ(NarrowOf(content.sections.inf), "C:\\Windows\\INF\\oem1.inf\r\n");
  EXPECT_EQ(NarrowOf(content.sections.msi), "\"C:\\App\\setup.msi\",3\r\n");
  EXPECT_EQ(WideOf(content.sections.registry2), u"\\HKLM\\Software\\Caf\u00E9\r\n");
  // Carrying once more changes nothing.
  const std::string once = NarrowOf(UninstallDataText(content));
  CarryEarlierRecords(earlier, content);
  EXPECT_EQ(NarrowOf(UninstallDataText(content)), once);
}

// The mark of a class that existed before the product: read back with its facts, kept through an
// upgrade when the class was there before the earlier installation too, dropped when the earlier
// installation made the class (it recorded verbs for it and no mark).
TEST(UninstallData, MarksOfExistingClassesSurviveUpgradesOnlyWhereTheProductDidNotMakeTheClass) {
  const struct {
    ExistingClassFacts facts;
    const char* line;
  } marks[] = {{{false, false}, ".a~!~Old.Class~!~~!~"}, {{true, false}, ".a~!~Old.Class~!~~!~D"},
               {{false, true}, ".a~!~Old.Class~!~~!~E"}, {{true, true}, ".a~!~Old.Class~!~~!~DE"}};
  for (const auto& mark : marks) {
    SCOPED_TRACE(mark.line);
    EXPECT_EQ(NarrowOf(NarrowFromWide(ExistingClassMarkLine(W(u".a"), W(u"Old.Class"), mark.facts), code_page::kUtf8)),
              mark.line);
    const UninstallRecords read = ReadUninstallData(N((std::string("[Associations]\r\n") + mark.line + "\r\n").c_str()));
    ASSERT_EQ(read.associations.Count(), 1);
    ASSERT_TRUE(IsExistingClassMark(read.associations[0]));
    EXPECT_EQ(ExistingClassFactsOf(read.associations[0]).had_default, mark.facts.had_default);
    EXPECT_EQ(ExistingClassFactsOf(read.associations[0]).named_by_extension, mark.facts.named_by_extension);
  }
  const char* new_run = ".a~!~Made.Class~!~~!~D\r\n.a~!~Made.Class~!~open~!~\r\n"
                        ".b~!~Old.Class~!~~!~\r\n.b~!~Old.Class~!~open~!~\r\n";
  const UninstallRecords earlier = ReadUninstallData(N(
      "[Associations]\r\n.a~!~MADE.CLASS~!~open~!~\r\n.b~!~Old.Class~!~~!~\r\n.b~!~Old.Class~!~open~!~\r\n"));
  UninstallDataContent content;
  content.sections.associations = N(new_run);
  CarryEarlierRecords(earlier, content);
  EXPECT_EQ(NarrowOf(content.sections.associations),
            ".a~!~Made.Class~!~open~!~\r\n.b~!~Old.Class~!~~!~\r\n.b~!~Old.Class~!~open~!~\r\n");
  // A first installation has no earlier records: its marks stay.
  UninstallDataContent first;
  first.sections.associations = N(new_run);
  CarryEarlierRecords(UninstallRecords{}, first);
  EXPECT_EQ(NarrowOf(first.sections.associations), new_run);
}

TEST(UninstallData, StringLineBreaksAreWrittenAsCrLf) {
  UninstallDataContent content;
  content.strings = {W(u"one\ntwo\n"), W(u"one\rtwo"), W(u"one\n\rtwo\r\n")};
  content.special_string = W(u"title\n");
  const UninstallRecords records = ReadUninstallData(UninstallDataText(content));
  ASSERT_GE(records.string_texts.Count(), 3);
  EXPECT_EQ(WideOf(records.string_texts[0]), u"one\r\ntwo\r\n");
  EXPECT_EQ(WideOf(records.string_texts[1]), u"one\r\ntwo");
  EXPECT_EQ(WideOf(records.string_texts[2]), u"one\r\ntwo\r\n");
  EXPECT_EQ(WideOf(records.special_string), u"title\r\n");
}

TEST(UninstallData, CsvFieldsAreQuotedWhereAReaderWouldMisreadThem) {
  struct Row {
    const char* field;
    const char* written;
  };
  const Row rows[] = {
      {"plain", "plain"},           {"", ""},                       {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""}, {"a\tb", "\"a\tb\""},   {"a\rb", "\"a\rb\""},
      {"a\nb", "\"a\nb\""},         {"a;b", "\"a;b\""},             {"|C:\\x", "\"|C:\\x\""},
      {" lead", "\" lead\""},       {"'quote", "\"'quote\""},       {"#hash", "\"#hash\""},
      {"trail ", "\"trail \""},     {"in ner", "in ner"},           {"a#'", "a#'"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.field);
    EXPECT_EQ(NarrowOf(CsvField(N(row.field))), row.written);
    String line = CsvField(N(row.field));
    line.AppendNarrow(",next,");
    line.Append(CsvField(N(row.field)));
    const Array<String> fields = SplitCsv(line);
    ASSERT_EQ(fields.Count(), 3);
    EXPECT_EQ(NarrowOf(fields[0]), row.field);
    EXPECT_EQ(NarrowOf(fields[1]), "next");
    EXPECT_EQ(NarrowOf(fields[2]), row.field);
  }
}

TEST(UninstallData, CsvReaderAcceptsDamagedQuotes) {
  struct Row {
    const char* line;
    std::vector<std::string> fields;
  };
  const Row rows[] = {
      {"", {""}},
      {",", {"", ""}},
      {"\"unterminated,field", {"unterminated,field"}},
      {"\"quoted\"tail,x", {"quotedtail", "x"}},
      {"mid\"quote,x", {"mid\"quote", "x"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const Array<String> fields = SplitCsv(N(row.line));
    ASSERT_EQ(fields.Count(), static_cast<int>(row.fields.size()));
    for (int i = 0; i < fields.Count(); ++i) EXPECT_EQ(NarrowOf(fields[i]), row.fields[i]);
  }
}

TEST(UninstallData, ReaderAcceptsEveryLineBreakAndAMissingLastOne) {
  const char* breaks[] = {"\r\n", "\n\r", "\r", "\n"};
  for (const char* line_break : breaks) {
    SCOPED_TRACE(::testing::PrintToString(std::string(line_break)));
    const std::string b = line_break;
    const std::string text = "C:\\App\\a.txt" + b + "  ~C:\\App  " + b + b + b + "[Strings]" + b + "~10" + b +
                             "two" + b + "lines" + b + "~999" + b + "Title" + b + b + b + "[INF]" + b +
                             "C:\\x.inf";
    const UninstallRecords records = ReadUninstallData(N(text));
    ASSERT_EQ(records.entries.Count(), 2);
    EXPECT_EQ(NarrowOf(records.entries[1]), "~C:\\App");
    ASSERT_EQ(records.string_numbers.Count(), 1);
    EXPECT_EQ(WideOf(records.string_texts[0]), u"two" + WideOf(WideFromNarrow(N(b), code_page::kUtf8)) + u"lines");
    EXPECT_EQ(WideOf(records.special_string), u"Title");
    ASSERT_EQ(records.inf.Count(), 1);
    EXPECT_EQ(NarrowOf(records.inf[0]), "C:\\x.inf");
  }
}

TEST(UninstallData, StringNumbersOutsideTheRangeAreSkippedWithTheirText) {
  const UninstallRecords records = ReadUninstallData(N(
      "\r\n\r\n[Strings]\r\nbefore any number\r\n~0\r\nzero\r\n~1\r\none\r\n~1001\r\ntoo high\r\n"
      "~abc\r\nnot a number\r\n~\r\nno number\r\n~1000\r\nlast\r\n~1\r\nagain\r\n~99999999999\r\nhuge\r\n"));
  ASSERT_EQ(records.string_numbers.Count(), 2);
  EXPECT_EQ(records.string_numbers[0], 1);
  EXPECT_EQ(WideOf(records.string_texts[0]), u"again");
  EXPECT_EQ(records.string_numbers[1], 1000);
  EXPECT_EQ(WideOf(records.string_texts[1]), u"last");
  EXPECT_FALSE(records.has_special_string);
  EXPECT_TRUE(records.entries.IsEmpty());
}

TEST(UninstallData, StringTextEndsAtALineThatBeginsWithAnotherHeader) {
  const UninstallRecords records =
      ReadUninstallData(N("\r\n\r\n[Strings]\r\n~10\r\ntext\r\n[MSI] trailing words\r\n[MSI]\r\nC:\\a.msi,1\r\n"));
  ASSERT_EQ(records.string_texts.Count(), 1);
  EXPECT_EQ(WideOf(records.string_texts[0]), u"text");
  ASSERT_EQ(records.msi.Count(), 1);
  EXPECT_EQ(NarrowOf(records.msi[0]), "C:\\a.msi,1");
}

TEST(UninstallData, RecordsWithTheWrongShapeAreDropped) {
  const UninstallRecords records = ReadUninstallData(N(
      "[AutoClose]\r\n"
      "Class,Title,Program,1\r\n"
      "Class,Title,Program\r\n"
      "Class,Title,Program,1,extra\r\n"
      "Class,Title,Program,close\r\n"
      "Class,Title,Program,256\r\n"
      "[Associations]\r\n"
      ".a~!~Prog~!~open~!~icon~!~more\r\n"
      ".b~!~Prog~!~open\r\n"
      ".c~!~Prog~!~~!~icon\r\n"
      "~!~Prog~!~open~!~icon\r\n"
      ".d~!~Prog\r\n"
      ".e~!~Prog~!~open~!\r\n"
      "[ConditionalDelete]\r\n"
      "C:\\a.txt,1,2.0,8\r\n"
      "C:\\a.txt,1,2.0\r\n"
      "C:\\a.txt,x,2.0,8\r\n"
      "C:\\a.txt,1,2.0,-8\r\n"
      "[Firewall]\r\n"
      "   \r\n"
      "1;2;3;4\r\n"));
  ASSERT_EQ(records.auto_close.Count(), 1);
  EXPECT_EQ(records.auto_close[0].action, 1);
  // Without a verb a whole record is a mark of a class that existed before; a shorter one, one
  // without a class, or one whose verb would run into the next separator when written back (and so
  // read back as a mark) is nothing.
  ASSERT_EQ(records.associations.Count(), 3);
  EXPECT_EQ(NarrowOf(records.associations[0][3]), "icon~!~more");
  EXPECT_EQ(NarrowOf(records.associations[1][0]), ".b");
  EXPECT_TRUE(records.associations[1][3].IsEmpty());
  EXPECT_TRUE(IsExistingClassMark(records.associations[2]));
  ASSERT_EQ(records.conditional_deletes.Count(), 1);
  EXPECT_EQ(NarrowOf(records.conditional_deletes[0].condition_value), "2.0");
  ASSERT_EQ(records.firewall.Count(), 1);
  EXPECT_TRUE(records.entries.IsEmpty());
}

}  // namespace
}  // namespace valdorine
