#include "core/string.hpp"

#include <gtest/gtest.h>

#include <cstring>

#include "core/path_text.hpp"

#include "string_test_support.hpp"

namespace valdorine {
namespace {

using testing::IsTerminated;
using testing::NarrowOf;
using testing::WideOf;

// --- Storage: growth, shrinking, terminator, ownership ---

TEST(StringStorage, EmptyValueOwnsNoBufferAndReadsAsEmptyText) {
  String s;
  EXPECT_EQ(s.Capacity(), 0);
  EXPECT_EQ(s.MutableNarrow(), nullptr);
  ASSERT_NE(s.Narrow(), nullptr);
  ASSERT_NE(s.Wide(), nullptr);
  EXPECT_EQ(s.Narrow()[0], 0);
  EXPECT_EQ(s.Wide()[0], 0);
  EXPECT_EQ(s.NarrowAt(0), 0);
}

TEST(StringStorage, GrowingFromEmptyKeepsSpareRoomByLength) {
  struct Case {
    int length;
    int capacity;
  };
  const Case cases[] = {{1, 3}, {10, 12}, {63, 65}, {64, 104}, {100, 140}, {16383, 16423}, {16384, 17408}, {20000, 21024}};
  for (const Case& c : cases) {
    String s;
    s.SetLength(c.length);
    EXPECT_EQ(s.Length(), c.length);
    EXPECT_EQ(s.Capacity(), c.capacity) << "length " << c.length;
    EXPECT_TRUE(IsTerminated(s)) << "length " << c.length;
  }
}

TEST(StringStorage, ShrinkingReallocatesOnlyWhenMoreThan1024BytesStayUnused) {
  String s;
  s.SetLength(5000);
  ASSERT_EQ(s.Capacity(), 5040);
  s.SetLength(4100);
  EXPECT_EQ(s.Capacity(), 5040);
  EXPECT_TRUE(IsTerminated(s));
  s.SetLength(4000);
  EXPECT_EQ(s.Capacity(), 4040);
  EXPECT_TRUE(IsTerminated(s));
}

TEST(StringStorage, GrowthWithinCapacityKeepsTheBufferAndTheText) {
  const std::string start(70, 'a');
  String s = String::FromNarrow(start.c_str());
  ASSERT_EQ(s.Capacity(), 110);
  const char* buffer = s.Narrow();
  s.AppendNarrowChar('b');
  s.AppendNarrow("cdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(s.Narrow(), buffer);
  EXPECT_EQ(s.Capacity(), 110);
  EXPECT_EQ(NarrowOf(s), start + "bcdefghijklmnopqrstuvwxyz");
  EXPECT_TRUE(IsTerminated(s));
}

TEST(StringStorage, ZeroOrNegativeLengthFreesTheBuffer) {
  for (int length : {0, -5}) {
    String s = String::FromNarrow("text");
    s.SetLength(length);
    EXPECT_EQ(s.Capacity(), 0);
    EXPECT_EQ(s.MutableNarrow(), nullptr);
  }
  String released = String::FromNarrow("text");
  released.Release();
  EXPECT_EQ(released.Capacity(), 0);
  EXPECT_TRUE(released.IsEmpty());
}

TEST(StringStorage, ExactLengthAllocatesTheTextAndItsTerminatorOnly) {
  String s;
  s.SetExactLength(1000);
  EXPECT_EQ(s.Capacity(), 1002);
  EXPECT_TRUE(IsTerminated(s));
  s.SetExactLength(10);
  EXPECT_EQ(s.Capacity(), 12);
}

TEST(StringStorage, CopiesDuplicateAndMovesEmptyTheSource) {
  String original = String::FromNarrow("value");
  String copy = original;
  EXPECT_EQ(copy, original);
  EXPECT_NE(copy.Narrow(), original.Narrow());

  String moved = std::move(original);
  EXPECT_EQ(NarrowOf(moved), "value");
  EXPECT_TRUE(original.IsEmpty());  // NOLINT(bugprone-use-after-move): the state after a move is specified
  EXPECT_EQ(original.Capacity(), 0);

  String assigned = String::FromNarrow("old");
  assigned = std::move(moved);
  EXPECT_EQ(NarrowOf(assigned), "value");
  EXPECT_TRUE(moved.IsEmpty());  // NOLINT(bugprone-use-after-move)
  const String& same = assigned;
  assigned = same;
  EXPECT_EQ(NarrowOf(assigned), "value");
}

// --- Assigning and editing ---

TEST(StringEditing, AssignsUpToTheTerminatorOrTheLimit) {
  String s;
  s.AssignNarrow("abcdef", 3);
  EXPECT_EQ(NarrowOf(s), "abc");
  s.AssignNarrow("abcdef", String::kUpToTerminator);
  EXPECT_EQ(NarrowOf(s), "abcdef");
  s.AssignWide(u"wide text", 4);
  EXPECT_EQ(WideOf(s), u"wide");
  EXPECT_EQ(s.Length(), 8);
  s.AssignNarrow(nullptr);
  EXPECT_TRUE(s.IsEmpty());
}

TEST(StringEditing, AppendsWideTextAndCharacters) {
  String s = String::FromWide(u"C:");
  s.AppendWideChar(u'\\');
  s.AppendWide(u"Program Files");
  EXPECT_EQ(WideOf(s), u"C:\\Program Files");
  EXPECT_EQ(s.WideAt(2), u'\\');
  EXPECT_EQ(s.WideAt(100), 0);
  EXPECT_EQ(s.WideAt(-1), 0);
}

TEST(StringEditing, InsertsAndRemovesByteRangesCutToTheText) {
  String s = String::FromNarrow("held");
  s.InsertBytes(2, "llo wor", 7);
  EXPECT_EQ(NarrowOf(s), "hello world");
  s.InsertBytes(-3, ">", 1);
  s.InsertBytes(1000, "<", 1);
  EXPECT_EQ(NarrowOf(s), ">hello world<");
  s.RemoveBytes(6, 6);
  EXPECT_EQ(NarrowOf(s), ">hello<");
  s.RemoveBytes(5, 1000);
  EXPECT_EQ(NarrowOf(s), ">hell");
  s.RemoveBytes(-10, 11);
  EXPECT_EQ(NarrowOf(s), "hell");
  s.RemoveBytes(2, -1);
  EXPECT_EQ(NarrowOf(s), "hell");
  EXPECT_TRUE(IsTerminated(s));
}

TEST(StringEditing, TextFromItsOwnBufferSurvivesReallocation) {
  String s = String::FromNarrow("abcdefgh");
  s.Append(s);
  EXPECT_EQ(NarrowOf(s), "abcdefghabcdefgh");
  s.InsertBytes(0, s.Narrow() + 8, 8);
  EXPECT_EQ(NarrowOf(s), "abcdefghabcdefghabcdefgh");
  s.AssignNarrow(s.Narrow() + 20);
  EXPECT_EQ(NarrowOf(s), "efgh");
  s.ReplaceAllNarrow(s.Narrow(), "x");
  EXPECT_EQ(NarrowOf(s), "x");
}

TEST(StringEditing, FindsTheFirstCharacterNotInASet) {
  struct Case {
    const char16_t* text;
    const char16_t* set;
    int start;
    int expected;
  };
  const Case cases[] = {
      {u"  \tvalue", u" \t", 0, 3}, {u"abc", u"abc", 0, -1}, {u"a b", u" ", 1, 2},
      {u"abc", u" ", 5, -1},         {u"abc", u" ", -4, 0},   {u"", u" ", 0, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(String::FromWide(c.text).FindFirstNotOf(c.set, c.start), c.expected) << "start " << c.start;
  }
}

TEST(StringEditing, FindsWideText) {
  const String s = String::FromWide(u"one two one");
  EXPECT_EQ(s.FindWide(u"one"), 0);
  EXPECT_EQ(s.FindWide(u"one", 1), 8);
  EXPECT_EQ(s.FindWide(u"three"), -1);
  EXPECT_EQ(s.FindWide(u"one", 9), -1);
}

TEST(StringEditing, TrimsTrailingBlanksAndTellsBlankTexts) {
  struct Case {
    const char16_t* text;
    const char16_t* trimmed;
    bool blank;
  };
  const Case cases[] = {
      {u"value \r\n\t ", u"value", false}, {u" \t\r\n", u"", true}, {u"", u"", true},
      {u" lead", u" lead", false},         {u"a\x00A0", u"a\x00A0", false},
  };
  for (const Case& c : cases) {
    String s = String::FromWide(c.text);
    EXPECT_EQ(s.IsBlank(), c.blank);
    s.TrimRight();
    EXPECT_EQ(WideOf(s), c.trimmed);
  }
  String narrow = String::FromNarrow("line\r\n");
  narrow.TrimRightNarrow();
  EXPECT_EQ(NarrowOf(narrow), "line");
}

TEST(StringEditing, RemovesOneTrailingCharacterAndPrependsOneLeading) {
  String s = String::FromWide(u"C:\\dir\\\\");
  s.RemoveTrailing(u'\\');
  EXPECT_EQ(WideOf(s), u"C:\\dir\\");
  s.RemoveTrailing(u'x');
  EXPECT_EQ(WideOf(s), u"C:\\dir\\");

  String name = String::FromWide(u"name");
  name.PrependUnless(u'\\');
  name.PrependUnless(u'\\');
  EXPECT_EQ(WideOf(name), u"\\name");
  String empty;
  empty.PrependUnless(u'\\');
  EXPECT_EQ(WideOf(empty), u"\\");
}

TEST(StringEditing, ReplacesEveryOccurrence) {
  struct Case {
    const char16_t* text;
    const char16_t* from;
    const char16_t* to;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"a.b.c", u".", u"--", u"a--b--c"}, {u"aaa", u"aa", u"b", u"ba"},      {u"abc", u"", u"x", u"abc"},
      {u"abcabc", u"bc", u"", u"aa"},     {u"abc", u"x", u"y", u"abc"},       {u"%x%", u"%", u"%%", u"%%x%%"},
  };
  for (const Case& c : cases) {
    String s = String::FromWide(c.text);
    s.ReplaceAll(c.from, c.to);
    EXPECT_EQ(WideOf(s), c.expected);
  }
  String narrow = String::FromNarrow("C:/a/b");
  narrow.ReplaceAllNarrow("/", "\\");
  EXPECT_EQ(NarrowOf(narrow), "C:\\a\\b");
}

TEST(StringEditing, SubstringIsCutToTheText) {
  const String s = String::FromWide(u"abcdef");
  EXPECT_EQ(WideOf(s.Substring(2, 3)), u"cde");
  EXPECT_EQ(WideOf(s.Substring(4)), u"ef");
  EXPECT_EQ(WideOf(s.Substring(-2, 2)), u"ab");
  EXPECT_TRUE(s.Substring(6).IsEmpty());
}

TEST(StringEditing, StartsWithIgnoringCase) {
  const String s = String::FromWide(u"HKEY_Local_Machine\\Software");
  EXPECT_TRUE(s.StartsWithIgnoreCase(u"hkey_local_machine\\"));
  EXPECT_TRUE(s.StartsWithIgnoreCase(u""));
  EXPECT_FALSE(s.StartsWithIgnoreCase(u"HKCU"));
  EXPECT_FALSE(String::FromWide(u"ab").StartsWithIgnoreCase(u"abc"));
}

TEST(StringEditing, EqualityIsByteForByte) {
  EXPECT_EQ(String::FromNarrow("A"), String::FromBytes("A", 1));
  EXPECT_NE(String::FromNarrow("A"), String::FromWide(u"A"));
  EXPECT_NE(String::FromNarrow("a"), String::FromNarrow("A"));
  EXPECT_EQ(String(), String::FromNarrow(""));
}

TEST(StringEditing, ConcatenatesUpToTheNullPointer) {
  EXPECT_EQ(WideOf(ConcatWide(u"a", u"", u"bc", u"d", nullptr)), u"abcd");
  EXPECT_TRUE(ConcatWide(nullptr).IsEmpty());
}

// --- Paths ---

TEST(StringPath, JoinsFolderAndName) {
  struct Case {
    const char16_t* folder;
    const char16_t* name;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"C:", u"x", u"C:x"},
      {u"C:\\dir\\", u"\\x", u"C:\\dir\\x"},
      {u"C:\\dir", u"x", u"C:\\dir\\x"},
      {u"C:\\dir\\", u"x", u"C:\\dir\\x"},
      {u"C:\\dir", u"\\x", u"C:\\dir\\x"},
      {u"C:\\dir\\\\", u"\\x", u"C:\\dir\\\\x"},
      {u"", u"x", u"x"},
      {u"C:\\dir", u"", u"C:\\dir"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WideOf(JoinPath(String::FromWide(c.folder), String::FromWide(c.name))), c.expected);
  }
}

TEST(StringPath, JoinsThreePartsFromTheRight) {
  EXPECT_EQ(WideOf(JoinPath(String::FromWide(u"C:\\a"), String::FromWide(u"b\\"), String::FromWide(u"\\c"))),
            u"C:\\a\\b\\c");
  EXPECT_EQ(WideOf(JoinPath(String::FromWide(u"C:"), String::FromWide(u""), String::FromWide(u"c"))), u"C:c");
}

TEST(StringPath, NarrowFormKeepsAsciiUsesTheCodePageWhenExactElseMarkedUtf8) {
  EXPECT_EQ(NarrowOf(NarrowPath(String::FromWide(u"C:\\Temp"), code_page::kWindows1252)), "C:\\Temp");
  EXPECT_EQ(NarrowOf(NarrowPath(String::FromWide(u"C:\\Temp"))), "C:\\Temp");
  EXPECT_EQ(NarrowOf(NarrowPath(String::FromWide(u"C:\\Caf\u00E9"), code_page::kWindows1252)), "C:\\Caf\xE9");
  EXPECT_EQ(NarrowOf(NarrowPath(String::FromWide(u"C:\\\u3042"), code_page::kWindows1252)), "|C:\\\xE3\x81\x82");
  EXPECT_EQ(NarrowOf(NarrowPath(String::FromWide(u"C:\\Caf\u00E9"))), "|C:\\Caf\xC3\xA9");
  EXPECT_TRUE(NarrowPath(String()).IsEmpty());
  // A leading "|" would be taken for the marker: the text is marked, and reads back whole.
  EXPECT_EQ(NarrowOf(NarrowPath(String::FromWide(u"|a"), code_page::kWindows1252)), "||a");
  EXPECT_EQ(WideOf(WidePathFromNarrow(NarrowPath(String::FromWide(u"||x*")))), u"||x*");
}

TEST(StringPath, JoinsNarrowPathsCarryingTheUtf8Marker) {
  struct Case {
    const char* folder;
    const char* name;
    const char* expected;
  };
  const Case cases[] = {
      {"C:\\dir", "file.txt", "C:\\dir\\file.txt"},
      {"C:\\Caf\xE9", "x", "C:\\Caf\xE9\\x"},
      {"|C:\\\xE3\x81\x82", "Caf\xE9", "|C:\\\xE3\x81\x82\\Caf\xC3\xA9"},
      {"C:\\Caf\xE9\\", "|\xE3\x81\x82", "|C:\\Caf\xC3\xA9\\\xE3\x81\x82"},
      {"|C:\\a", "|\\b", "|C:\\a\\b"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NarrowOf(JoinNarrowPath(String::FromNarrow(c.folder), String::FromNarrow(c.name), code_page::kWindows1252)),
              c.expected);
  }
}

// --- Checksum ---

TEST(StringChecksum, AddsWordsSignedTailBytesAndLengthToTheSeed) {
  struct Case {
    const char* bytes;
    int length;
    uint32_t expected;
  };
  const Case cases[] = {
      {"abc", 3, 0x79E2BDC6},
      {"abcd", 4, 0xDE461F02},
      {"\xFF", 1, 0x79E2BC9D},                      // the byte counts as -1, the length as +1
      {"\x01\x00\x00\x00\x80", 5, 0x79E2BC9D + 1 - 128 + 5},
      {"", 0, 0x79E2BC9D},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PackageChecksum(c.bytes, c.length), c.expected) << "length " << c.length;
    EXPECT_EQ(Hash(String::FromBytes(c.bytes, c.length)), c.expected) << "length " << c.length;
  }
}

TEST(StringChecksum, LengthsOutsideTheSupportedRangeGiveTheSeed) {
  const char bytes[] = "abc";
  for (int64_t length : {int64_t{-1}, int64_t{0}, int64_t{0x80000000}}) {
    EXPECT_EQ(PackageChecksum(bytes, length), 0x79E2BC9Du) << length;
  }
  EXPECT_EQ(PackageChecksum(nullptr, 4), 0x79E2BC9Du);
}

}  // namespace
}  // namespace valdorine
