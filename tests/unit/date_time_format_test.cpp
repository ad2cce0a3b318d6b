#include "core/date_time_format.hpp"

#include <gtest/gtest.h>

#include <string>

#include "string_test_support.hpp"

namespace valdorine {
namespace {

// Tuesday, 8 December 2026.
constexpr DateTime kJustAfterMidnight{2026, 12, 8, 2, 0, 8, 32};
constexpr DateTime kAfternoon{2026, 12, 8, 2, 13, 5, 9};
constexpr DateTime kNoon{2026, 3, 1, 0, 12, 0, 0};

std::string Ascii(const char16_t* text) {
  std::string ascii;
  for (; *text != 0; ++text) ascii += static_cast<char>(*text);
  return ascii;
}

struct PatternRow {
  DateTime time;
  const char16_t* pattern;
  const char16_t* expected;
};

TEST(FormatDateTime, EveryTokenOfThePatternTable) {
  const PatternRow rows[] = {
      {kJustAfterMidnight, u"yy/mm/dd HH:ii:ss", u"2026/12/08 00:08:32"},
      {kJustAfterMidnight, u"yymmdd", u"20261208"},
      {kJustAfterMidnight, u"y-m-d H:i:s", u"26-12-8 0:8:32"},
      {kJustAfterMidnight, u"hh:ii ap|h AP", u"12:08 a|12 a.m."},
      {kAfternoon, u"h:ii ap AP hh HH", u"1:05 p p.m. 01 13"},
      {kNoon, u"h ap AP", u"12 p p.m."},
      {kNoon, u"m/d", u"3/1"},
      {kJustAfterMidnight, u"MM M WW W", u"December Dec Tuesday Tue"},
      {kNoon, u"WW, MM", u"Sunday, March"},
  };
  for (const PatternRow& row : rows) {
    SCOPED_TRACE(Ascii(row.pattern));
    EXPECT_EQ(testing::WideOf(FormatDateTime(row.time, row.pattern)), row.expected);
  }
}

TEST(FormatDateTime, OtherCharactersAreCopied) {
  // 'a' without 'p' and 'A' without 'P' are plain letters; so is every letter outside the table.
  EXPECT_EQ(testing::WideOf(FormatDateTime(kJustAfterMidnight, u"Date: dd (at A.Q.)")), u"Date: 08 (at A.Q.)");
}

TEST(FormatDateTime, EmptyPatternUsesTheDefault) {
  EXPECT_EQ(testing::WideOf(FormatDateTime(kJustAfterMidnight, u"")), u"2026/12/08 00:08:32");
  EXPECT_EQ(testing::WideOf(FormatDateTime(kJustAfterMidnight, nullptr)), u"2026/12/08 00:08:32");
}

TEST(FormatDateTime, NamesOutOfRangeAreLeftOut) {
  const DateTime broken{2026, 13, 8, 7, 0, 0, 0};
  EXPECT_EQ(testing::WideOf(FormatDateTime(broken, u"[MM][W]")), u"[][]");
}

}  // namespace
}  // namespace valdorine
