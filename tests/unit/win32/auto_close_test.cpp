#include "installer/auto_close.hpp"

#include <gtest/gtest.h>

namespace valdorine {
namespace {

AutoCloseEntry Record(const char16_t* window_class, const char* title) {
  AutoCloseEntry record;
  record.window_class = String::FromWide(window_class);
  record.window_title = String::FromNarrow(title);
  return record;
}

TEST(AutoCloseMatches, PatternsAreExactOrContainedAndCaseCounts) {
  struct Case {
    const char16_t* class_pattern;
    const char* title_pattern;
    bool matches;
  } cases[] = {
      {u"Notepad", "", true},                 // empty title pattern matches any title
      {u"", "Untitled - Notepad", true},      // empty class pattern matches any class
      {u"", "", false},                       // both empty: matches nothing
      {u"notepad", "", false},                // letter case counts
      {u"Note", "", false},                   // without "*" the whole class must be equal
      {u"*tepa", "", true},                   // "*" then a part of the class
      {u"Notepad", "*Notepad", true},
      {u"Notepad", "*notepad", false},
      {u"Notepad", "Untitled", false},
      {u"*", "", true},                       // "*" alone: contains the empty text
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AutoCloseMatches(Record(c.class_pattern, c.title_pattern), String::FromWide(u"Notepad"),
                               String::FromNarrow("Untitled - Notepad")),
              c.matches)
        << String::FromWide(c.class_pattern).Narrow() << " / " << c.title_pattern;
  }
}

}  // namespace
}  // namespace valdorine
