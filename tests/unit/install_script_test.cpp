// The install script: its stream primitives, the reader against a hand-laid script, the writer as
// the reader's inverse, the range checks, and the reader's steps (silent mode, /n:, defaults, the
// background-window hook).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "format/byte_writer.hpp"
#include "format/install_script.hpp"
#include "format/language_text.hpp"
#include "format/script_stream.hpp"
#include "support/sample_script.hpp"

namespace valdorine {
namespace {

using testing::Narrow;
using testing::Wide;

std::vector<uint8_t> Written(const InstallScript& script) {
  std::vector<uint8_t> bytes;
  EXPECT_EQ(WriteScript(script, bytes), 0);
  return bytes;
}

int Read(const std::vector<uint8_t>& bytes, InstallScript& script, const ScriptReadEnvironment& environment = {}) {
  return ReadScript(bytes, script, environment);
}

String Repeated(char c, int count) {
  String text;
  for (int i = 0; i < count; ++i) text.AppendNarrowChar(c);
  return text;
}

TEST(ScriptStream, VTextPicksTheShortestLengthForm) {
  struct Case {
    int length;
    std::vector<uint8_t> prefix;
  };
  const Case cases[] = {
      {0, {0x00}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00}},  // 0x00FF has the low byte 0xFF too
      {256, {0xFF, 0x00, 0x01}},
      {511, {0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00}},  // low byte 0xFF: the u32 form
      {0xFFFE, {0xFF, 0xFE, 0xFF}},
      {0x10000, {0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    ScriptWriter writer;
    writer.Text(TextForm::kV, Repeated('x', c.length));
    std::vector<uint8_t> bytes = writer.Take();
    ASSERT_EQ(bytes.size(), c.prefix.size() + static_cast<size_t>(c.length)) << c.length;
    EXPECT_TRUE(std::equal(c.prefix.begin(), c.prefix.end(), bytes.begin())) << c.length;
    ScriptReader reader(bytes);
    EXPECT_EQ(reader.Text(TextForm::kV).Length(), c.length);
    EXPECT_FALSE(reader.Broken());
  }
}

TEST(ScriptStream, EveryFormRoundTrips) {
  const String text = Narrow("abc");
  const String wide = Wide(u"w\u00e9");
  ScriptWriter writer;
  for (TextForm form : {TextForm::kV, TextForm::k8, TextForm::k16, TextForm::k32, TextForm::kZero}) {
    writer.Text(form, text);
  }
  writer.Text(TextForm::kZeroWide, wide);
  writer.F64(-2.5);
  std::vector<uint8_t> bytes = writer.Take();
  ScriptReader reader(bytes);
  for (TextForm form : {TextForm::kV, TextForm::k8, TextForm::k16, TextForm::k32, TextForm::kZero}) {
    EXPECT_EQ(reader.Text(form), text);
  }
  EXPECT_EQ(reader.Text(TextForm::kZeroWide), wide);
  EXPECT_EQ(reader.F64(), -2.5);
  EXPECT_FALSE(reader.Broken());
  EXPECT_EQ(reader.Position(), bytes.size());
}

TEST(ScriptStream, RefusedLengthsAndReadsPastTheEndYieldNothingFromThenOn) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    TextForm form;
  };
  const Case cases[] = {
      {"vtext above 0x40000000", {0xFF, 0xFF, 0x01, 0x00, 0x00, 0x40, 'a', 'b', 'c', 'd'}, TextForm::kV},
      {"negative text32", {0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c', 'd'}, TextForm::k32},
      {"text16 longer than the rest", {0x09, 0x00, 'a', 'b', 'c', 'd'}, TextForm::k16},
      {"ztext without terminator", {'a', 'b', 'c', 'd'}, TextForm::kZero},
      {"zwtext without terminator", {'a', 0, 'b', 0, 0}, TextForm::kZeroWide},
  };
  for (const Case& c : cases) {
    ScriptReader reader(c.bytes);
    EXPECT_TRUE(reader.Text(c.form).IsEmpty()) << c.what;
    EXPECT_TRUE(reader.Broken()) << c.what;
    EXPECT_EQ(reader.U8(), 0) << c.what;  // bytes remain, but the reader is done
    EXPECT_TRUE(reader.Text(TextForm::k8).IsEmpty()) << c.what;
  }
}

TEST(ScriptStream, WriterRecordsTextsThatDoNotFitTheirForm) {
  struct Case {
    TextForm form;
    String text;
  };
  const Case cases[] = {
      {TextForm::k8, Repeated('x', 256)},
      {TextForm::k16, Repeated('x', 0x10000)},
      {TextForm::kZero, String::FromBytes("a\0b", 3)},
      {TextForm::kZeroWide, String::FromBytes("a\0\0\0b\0", 6)},
      {TextForm::kZeroWide, Narrow("odd")},
  };
  for (const Case& c : cases) {
    ScriptWriter writer;
    writer.Text(c.form, c.text);
    EXPECT_FALSE(writer.Intact()) << static_cast<int>(c.form);
  }
  ScriptWriter fits;
  fits.Text(TextForm::k8, Repeated('x', 255));
  EXPECT_TRUE(fits.Intact());
}

// The smallest script, laid out by hand field by field, with a marker value in the fields whose
// position matters most; the reader must find each one where the layout puts it.
std::vector<uint8_t> HandLaidScript() {
  ByteWriter w;
  w.U32(option1::kProductRegistration);  // 1: word 1
  w.U32(option2::kProgressPage);         //    word 2
  w.U8(1);                               // 2 AutomaticMode
  w.U8(4), w.Wide(u"TB");                // 3 TaskbarText
  w.U8(0);                               // 4 DisplayTitle
  w.U64(0x3FF8000000000000ull);          // 5 TitleSize 1.5
  w.U32(27);                             // 6 ProgressPosition
  w.U16(500);                            // 7 StageDelay
  w.U8(1);                               // 8 ShortcutMode
  for (int32_t v : {2020, 1, 2, 3, 4, 5}) w.I32(v);  // 9 UninstallerTime
  w.U8(0);                               // 10 Publisher
  w.U8(4), w.Wide(u"PN");                // 11 ProductName
  w.U8(0);                               // 12 ProductDescription
  w.U8(1);                               // 13 Bitness
  w.U8(2);                               // 14 SharedBase
  w.U8(0), w.U8(0), w.U8(0);             // 15..17
  w.U8(3), w.Text("1.0");                // 18 DisplayVersion
  w.U8(0), w.U8(0);                      // 19, 20
  w.I32(0);                              // 21 RegistryText
  w.U8(0);                               // 22 RegistryMerge
  w.U32(50), w.U32(3);                   // 23 BitmapSize, 24 StretchMode
  w.U16(0);                              // 25 GreetingLink
  w.I32(1), w.I32(3), w.Text("lic");     // 26 one licence
  w.I32(0);                              // 27 readmes
  w.U8(0);                               // 28 UninstallSubdir
  w.U8(2), w.Wide(u"u");                 // 29 UninstallerName
  w.U8(0);                               // 30 UninstallKey
  w.CStr("IPK");                         // 31 InstallPathKey
  w.U8(0);                               // 32 WindowTitle
  w.U32(1), w.U8(2), w.U32(3), w.U8(4), w.U8(5);  // 33..37
  w.U16(0);                              // 38 TitleFont
  w.U32(6), w.U32(7);                    // 39, 40
  w.I32(2), w.Text("BM"), w.U32(9);      // 41 picture and its value
  w.U8(0);                               // 42 no copyright line; no required product
  for (int i = 50; i <= 51; ++i) w.U8(0);
  w.I32(0);                              // 52 DesktopFolderIcon
  for (int i = 53; i <= 59; ++i) w.U8(0);
  w.Zeros(20);                           // 60 reserved
  w.U32(0x100);                          // 61 ExcludedSystems
  w.U8(1);                               // 62 ArchiveInFile
  for (int i = 63; i <= 75; ++i) w.U8(0);
  w.CStr("");                            // 76 OldVersionBelow
  w.U8(0);                               // 77 NoDowngradeBelow
  w.U8(2), w.Text("pw");                 // 78 Password
  w.U8(0), w.U8(0), w.U8(0);             // 79..81
  w.U64(7);                              // 82 display settings
  for (uint32_t style : {0u, 1u, 2u, 3u, 0u, 1u, 2u, 3u}) w.U32(style);
  w.U32(2);                              //    integrity mode
  w.I32(0);                              // 83 UninstallerIcon (word 1 has 0x4)
  w.CStr("~~THE END~~");                 // 84
  w.I32(0), w.I32(0);                    // 85, 86
  w.U8(0), w.U8(0);                      // 87, 88
  w.WCStr(u"pin"), w.WCStr(u"");         // 89, 90
  w.I32(0);                              // 91
  w.U16(0), w.I32(0);                    // 92, 93
  w.U16(22), w.Wide(u"~~THE~END~~");     // 94
  w.U8(1), w.I32(2);                     // 95, 96
  w.WCStr(u"English");                   // 97
  w.WCStr(u"zero"), w.WCStr(u"one\nline");  // 98
  w.U32(kScriptEndMarker);               // 99
  return w.Take();
}

TEST(ReadScript, FindsEachFieldOfAHandLaidScript) {
  InstallScript s;
  ASSERT_EQ(Read(HandLaidScript(), s), 0);
  EXPECT_EQ(s.ProductFlags.Value(), (uint64_t{option2::kProgressPage} << 32) | option1::kProductRegistration);
  EXPECT_EQ(s.AutomaticMode, 1);
  EXPECT_EQ(s.TaskbarText, Wide(u"TB"));
  EXPECT_EQ(s.TitleSize, 1.5);
  EXPECT_EQ(s.StageDelay, 500);
  EXPECT_EQ(s.UninstallerTime.year, 2020);
  EXPECT_EQ(s.UninstallerTime.second, 5);
  EXPECT_EQ(s.ProductName, Wide(u"PN"));
  EXPECT_EQ(s.SharedBase, 2);
  EXPECT_EQ(s.DisplayVersion, Narrow("1.0"));
  EXPECT_EQ(s.BitmapSize, 50u);
  EXPECT_EQ(s.StretchMode, 3u);
  ASSERT_EQ(s.LicenseTexts.Count(), 1);
  EXPECT_EQ(s.LicenseTexts[0], Narrow("lic"));
  EXPECT_EQ(s.UninstallerName, Wide(u"u"));
  EXPECT_EQ(s.InstallPathKey, Narrow("IPK"));
  EXPECT_EQ(s.TitlePosition, 5);
  EXPECT_EQ(s.BottomColor, 7u);
  EXPECT_EQ(s.BackgroundPicture, Narrow("BM"));
  EXPECT_EQ(s.BitmapTPI, 9);
  EXPECT_EQ(s.ExcludedSystems, 0x100u);
  EXPECT_EQ(s.ArchiveInFile, 1);
  EXPECT_EQ(s.Password, Narrow("pw"));
  EXPECT_EQ(s.Display.ExtraSizeEstimate, 7u);
  EXPECT_EQ(s.Display.LicensePageStyle, 2u);
  EXPECT_EQ(s.Display.SummaryPageStyle, 3u);
  EXPECT_EQ(s.Display.IntegrityMode, 2u);
  EXPECT_EQ(s.TaskbarPinCommand, Wide(u"pin"));
  EXPECT_EQ(s.Languages.string_count, 2);
  EXPECT_EQ(s.Languages.Text(1, 0), Wide(u"one\r\nline"));
}

TEST(ReadScript, AppliesDefaultsFromTheProductNameAndPublisher) {
  InstallScript s;
  ASSERT_EQ(Read(HandLaidScript(), s), 0);
  for (const String* field : {&s.ProductDescription, &s.SharedPath, &s.ProductStartMenu, &s.UninstallKey,
                              &s.TaskbarPinName}) {
    EXPECT_EQ(*field, Wide(u"PN"));
  }
  EXPECT_TRUE(s.MasterKey.IsEmpty());  // no required product

  InstallScript with_publisher = testing::MinimalScript();
  with_publisher.Publisher = Wide(u"Vendor");
  with_publisher.ProductFlags.word1 = option1::kRequiredProduct;
  ASSERT_EQ(Read(Written(with_publisher), s), 0);
  EXPECT_EQ(s.SharedPath, Wide(u"Vendor"));
  EXPECT_EQ(s.MasterKey, Wide(u"Hello"));
  EXPECT_EQ(s.MasterName, Wide(u"Hello"));
}

// With every defaulted text set, nothing the reader adds can hide a field that the writer lost.
TEST(WriteScript, IsTheReadersExactInverse) {
  const std::vector<uint8_t> bytes = Written(testing::FullScript());
  InstallScript read;
  ASSERT_EQ(Read(bytes, read), 0);
  EXPECT_EQ(Written(read), bytes);
  EXPECT_EQ(read.CopyrightFont, Narrow("Tahoma"));
  EXPECT_EQ(read.MasterMinVersion, Narrow("3.0"));
  EXPECT_EQ(read.UninstallerIcon, Narrow("icon bytes 2"));
  EXPECT_EQ(read.AutoClose[0].program_name, Narrow("The App"));
  EXPECT_EQ(read.Shortcuts[0].extra_folder, Narrow("Tools"));
  EXPECT_EQ(read.Associations[0].language, Wide(u"English"));
}

TEST(WriteScript, LeavesOutTheConditionalFieldsWithTheirSwitch) {
  InstallScript s = testing::FullScript();
  const size_t full = Written(s).size();
  s.CopyrightPos = 0;
  s.ProductFlags.word1 &= ~(option1::kRequiredProduct | option1::kProductRegistration);
  const size_t without = Written(s).size();
  const size_t copyright = 4 + 8 + (1 + 20) + (1 + 6);  // colour, size, "(c) Vendor" wide, "Tahoma"
  const size_t master = (1 + 14) + (1 + 22) + (1 + 3);  // "Runtime", "The Runtime" wide, "3.0"
  const size_t icon = 4 + 12;
  EXPECT_EQ(full - without, copyright + master + icon);
}

// The offset of the first byte that `change` alters in the full script's stream.
size_t OffsetOfChange(const std::function<void(InstallScript&)>& change) {
  InstallScript changed = testing::FullScript();
  change(changed);
  const std::vector<uint8_t> a = Written(testing::FullScript());
  const std::vector<uint8_t> b = Written(changed);
  size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  return at;
}

void StoreLittleEndian(std::vector<uint8_t>& bytes, size_t at, size_t width, uint32_t value) {
  for (size_t i = 0; i < width; ++i) bytes.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
}

TEST(ReadScript, NumberAndCountLimitsAcceptTheEdgeAndRefuseOnePast) {
  struct Case {
    const char* field;
    std::function<void(InstallScript&)> set_edge;  // the largest accepted value
    size_t width;                                   // of the stored number
    uint32_t one_past;
    int code;
  };
  // Each edge differs from the full script's value in the number's low byte, so the first
  // changed byte is where the number starts. A count is refused before its items are read.
  const Case cases[] = {
      {"StageDelay", [](InstallScript& s) { s.StageDelay = 9999; }, 2, 10000, 19},
      {"BitmapSize", [](InstallScript& s) { s.BitmapSize = 100; }, 4, 101, 39},
      {"licence count", [](InstallScript& s) { s.LicenseTexts.Resize(20); }, 4, 21, 24},
      {"readme count", [](InstallScript& s) { s.ReadmeTexts.Resize(20); }, 4, 21, 26},
      {"association count", [](InstallScript& s) { s.Associations.Resize(1000); }, 4, 1001, 36},
      {"shortcut count", [](InstallScript& s) { s.Shortcuts.Resize(1000); }, 4, 1001, 48},
      {"uninstall value count", [](InstallScript& s) { s.UninstallKeyValues.Resize(1000); }, 4, 1001, 37},
      {"negative licence count", [](InstallScript& s) { s.LicenseTexts.Resize(20); }, 4, 0xFFFFFFFF, 24},
  };
  for (const Case& c : cases) {
    InstallScript edge = testing::FullScript();
    c.set_edge(edge);
    std::vector<uint8_t> bytes = Written(edge);
    InstallScript read;
    EXPECT_EQ(Read(bytes, read), 0) << c.field;
    StoreLittleEndian(bytes, OffsetOfChange(c.set_edge), c.width, c.one_past);
    EXPECT_EQ(Read(bytes, read), c.code) << c.field;
  }
}

TEST(WriteScript, RefusesWhatTheReaderWouldRefuse) {
  struct Case {
    const char* what;
    std::function<void(InstallScript&)> change;
    int code;
  };
  const Case cases[] = {
      {"StageDelay", [](InstallScript& s) { s.StageDelay = 10000; }, 19},
      {"BitmapSize", [](InstallScript& s) { s.BitmapSize = 101; }, 39},
      {"licences", [](InstallScript& s) { s.LicenseTexts.Resize(21); }, 24},
      {"auto-close entries", [](InstallScript& s) { s.AutoClose.Resize(1001); }, 41},
      {"no language", [](InstallScript& s) { s.Languages.names.Clear(); }, 30},
      {"string table size", [](InstallScript& s) { s.Languages.texts.Append(String()); }, 32},
      {"an entry reading as the end record",
       [](InstallScript& s) { s.ConditionalDeletes.Append({Narrow("~~THE END~~"), 0, String(), 0}); }, 32},
      {"a text too long for its form", [](InstallScript& s) { s.UninstallerName = Repeated('x', 256); }, 32},
  };
  for (const Case& c : cases) {
    InstallScript s = testing::FullScript();
    c.change(s);
    std::vector<uint8_t> bytes{1};
    EXPECT_EQ(WriteScript(s, bytes), c.code) << c.what;
    EXPECT_TRUE(bytes.empty()) << c.what;
  }
}

// A script whose list of `count` items is followed by one more item, inserted before the list's
// end record.
std::vector<uint8_t> WithExtraItem(std::vector<uint8_t> bytes, const std::vector<uint8_t>& end_record,
                                   const std::vector<uint8_t>& item) {
  auto at = std::search(bytes.begin(), bytes.end(), end_record.begin(), end_record.end());
  EXPECT_NE(at, bytes.end());
  bytes.insert(at, item.begin(), item.end());
  return bytes;
}

TEST(ReadScript, EndMarkedListsAcceptTheirLimitAndRefuseOneMore) {
  const std::vector<uint8_t> delete_end = {'~', '~', 'T', 'H', 'E', ' ', 'E', 'N', 'D', '~', '~', 0};
  ByteWriter close_end;
  close_end.U16(22);
  close_end.Wide(u"~~THE~END~~");
  const std::vector<uint8_t> delete_item = {'x', 0, 1, 0, 4};
  const std::vector<uint8_t> close_item = {2, 0, 'w', 0, 0, 0, 1, 0};

  InstallScript s = testing::MinimalScript();
  s.ConditionalDeletes.Resize(1001);
  for (FileDeletion& d : s.ConditionalDeletes) d.pattern = Narrow("p");
  s.AutoClose.Resize(1000);
  for (AutoCloseEntry& a : s.AutoClose) a.window_class = Wide(u"c");
  std::vector<uint8_t> bytes = Written(s);
  InstallScript read;
  ASSERT_EQ(Read(bytes, read), 0);
  EXPECT_EQ(read.ConditionalDeletes.Count(), 1001);
  EXPECT_EQ(read.AutoClose.Count(), 1000);
  EXPECT_EQ(Read(WithExtraItem(bytes, delete_end, delete_item), read), 38);
  EXPECT_EQ(Read(WithExtraItem(bytes, close_end.Bytes(), close_item), read), 41);

  s.ConditionalDeletes.Resize(1002);
  EXPECT_EQ(WriteScript(s, bytes), 38);
}

TEST(ReadScript, LanguageTableLimits) {
  const InstallScript minimal = testing::MinimalScript();
  const std::vector<uint8_t> bytes = Written(minimal);
  // The table closes the script: counts, "English", "Hello title", end marker.
  const size_t table = bytes.size() - (1 + 4 + 16 + 24 + 4);
  struct Case {
    size_t at, width;
    uint32_t value;
    int code;
  };
  const Case cases[] = {
      {table, 1, 0, 30}, {table, 1, 201, 30}, {table + 1, 4, 0, 31}, {table + 1, 4, 10001, 31},
      {table + 1, 4, 0xFFFFFFFF, 31},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> patched = bytes;
    StoreLittleEndian(patched, c.at, c.width, c.value);
    InstallScript read;
    EXPECT_EQ(Read(patched, read), c.code) << c.value;
  }

  InstallScript largest = minimal;
  largest.Languages.names.Resize(200);
  largest.Languages.string_count = 10000;
  largest.Languages.texts.Resize(200 * 10000);
  InstallScript read;
  EXPECT_EQ(Read(Written(largest), read), 0);
  EXPECT_EQ(read.Languages.texts.Count(), 2000000);
}

TEST(ReadScript, EveryTruncationEndsAtTheEndMarkerCheck) {
  const std::vector<uint8_t> bytes = Written(testing::FullScript());
  for (size_t length = 0; length < bytes.size(); ++length) {
    InstallScript read;
    ASSERT_EQ(ReadScript(std::span(bytes).first(length), read), 32) << "length " << length;
  }
  std::vector<uint8_t> wrong_marker = bytes;
  wrong_marker.back() ^= 1;
  InstallScript read;
  EXPECT_EQ(Read(wrong_marker, read), 32);
}

TEST(SilentMode, RewritesBothOptionWords) {
  struct Case {
    uint32_t word1, word2, silent1, silent2;
  };
  const Case cases[] = {
      {0, 0, 0x30600000, 0x800},
      {0xFFFFFFFF, 0xFFFFFFFF, 0x7FFFFF7F, 0xFFF7EDE3},
      {option1::kChooseDirPage | option1::kInstallLog, option2::kStartMenuPage | option2::kKeepInstallLog,
       option1::kInstallLog | 0x30600000, option2::kKeepInstallLog | option2::kNoGreeting},
  };
  for (const Case& c : cases) {
    uint32_t word1 = c.word1, word2 = c.word2;
    ApplySilentMode(word1, word2);
    EXPECT_EQ(word1, c.silent1);
    EXPECT_EQ(word2, c.silent2);
  }
  InstallScript s = testing::FullScript();
  InstallScript read;
  ScriptReadEnvironment silent;
  silent.silent_mode = true;
  ASSERT_EQ(Read(Written(s), read, silent), 0);
  ApplySilentMode(s.ProductFlags.word1, s.ProductFlags.word2);
  EXPECT_EQ(read.ProductFlags.Value(), s.ProductFlags.Value());
  // The rewrite comes before the conditional fields are decided: the required product stays.
  EXPECT_EQ(read.MasterName, Wide(u"The Runtime"));
}

TEST(AutomaticMode, ScriptSwitchesItOnOrOffUnlessSilent) {
  struct Case {
    uint8_t field;
    bool command_line, silent, automatic;
  };
  const Case cases[] = {
      {1, false, false, true}, {2, true, false, false}, {2, true, true, true},
      {0, true, false, true},  {3, false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AutomaticModeAfterScript(c.field, c.command_line, c.silent), c.automatic) << int{c.field};
  }
}

TEST(ReadScript, ProductNameOverrideReplacesTheNameAndFeedsTheDefaults) {
  InstallScript s = testing::MinimalScript();
  ScriptReadEnvironment environment;
  environment.product_name_override = Wide(u"Renamed");
  String name_seen_by_folder_hook;
  environment.resolve_install_dir = [&](InstallScript& script) {
    name_seen_by_folder_hook = script.ProductName;
    script.DefaultInstallDir = Wide(u"C:\\Resolved");
  };
  InstallScript read;
  ASSERT_EQ(Read(Written(s), read, environment), 0);
  EXPECT_EQ(read.ProductName, Wide(u"Renamed"));
  EXPECT_EQ(read.ProductDescription, Wide(u"Renamed"));
  EXPECT_EQ(read.UninstallKey, Wide(u"Renamed"));
  EXPECT_EQ(name_seen_by_folder_hook, Wide(u"Renamed"));
  EXPECT_EQ(read.DefaultInstallDir, Wide(u"C:\\Resolved"));
}

TEST(ReadScript, AppearanceHookRunsAfterFieldSixAndItsCodeStops) {
  InstallScript s = testing::FullScript();
  ScriptReadEnvironment environment;
  int calls = 0;
  environment.after_appearance = [&](const InstallScript& script) {
    ++calls;
    EXPECT_EQ(script.ProgressPosition, 27u);
    EXPECT_EQ(script.StageDelay, 0);  // field 7 is not read yet
    return 25;
  };
  InstallScript read;
  EXPECT_EQ(Read(Written(s), read, environment), 25);
  EXPECT_EQ(calls, 1);
}

TEST(LanguageText, LineBreaksBecomeCrLf) {
  struct Case {
    const char16_t* stored;
    const char16_t* shown;
  };
  const Case cases[] = {
      {u"a\nb", u"a\r\nb"}, {u"a\rb", u"a\r\nb"},   {u"a\r\nb", u"a\r\nb"},
      {u"\n\r", u"\r\n\r\n"}, {u"a\r\n\nb", u"a\r\n\r\nb"}, {u"none", u"none"},
  };
  for (const Case& c : cases) EXPECT_EQ(WithCrLf(Wide(c.stored)), Wide(c.shown));
}

TEST(LanguageText, EnglishIsCurrentFirstElseTheFirstLanguage) {
  LanguageTable table;
  for (const char16_t* name : {u"Deutsch", u"english", u"English"}) table.names.Append(Wide(name));
  EXPECT_EQ(DefaultLanguage(table), 2);
  table.names.RemoveAt(2);
  EXPECT_EQ(DefaultLanguage(table), 0);  // the comparison is exact
}

TEST(LanguageText, LookUpReplacesPlaceholdersAndMissingStringsAreEmpty) {
  LanguageTable table;
  table.names.Append(Wide(u"English"));
  table.string_count = 1;
  table.texts.Append(Wide(u"<product> (<description>) on <os>, <product>"));
  const Placeholders values{Wide(u"Hello"), Wide(u"Greeter"), Wide(u"Windows 10")};
  EXPECT_EQ(LookUpLanguageString(table, 0, 0, values), Wide(u"Hello (Greeter) on Windows 10, Hello"));
  EXPECT_TRUE(LookUpLanguageString(table, 0, 1, values).IsEmpty());
  EXPECT_TRUE(LookUpLanguageString(table, 1, 0, values).IsEmpty());
  EXPECT_TRUE(LookUpLanguageString(table, 0, -1, values).IsEmpty());
}

}  // namespace
}  // namespace valdorine
