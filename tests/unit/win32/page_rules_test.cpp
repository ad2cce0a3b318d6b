#include "ui/page_rules.hpp"

#include <gtest/gtest.h>

namespace valdorine {
namespace {

String Wide(const char16_t* text) { return String::FromWide(text); }

Array<String> Names(std::initializer_list<const char16_t*> names) {
  Array<String> list;
  for (const char16_t* name : names) list.Append(Wide(name));
  return list;
}

TEST(StartMenuNameAllowed, RefusesForbiddenCharactersALeadingBackslashAndDoubledBackslashes) {
  const struct {
    const char16_t* name;
    bool allowed;
  } cases[] = {
      {u"Tools\\Utilities", true}, {u"", true},          {u"Caf\u00e9 & Co", true},  {u"Tools\\\\Utilities", false},
      {u"\\Tools", false},         {u"A:B", false},      {u"a/b", false},            {u"x\"y", false},
      {u"<x>", false},             {u"a|b", false},      {u"star*", false},          {u"Why?", false},
      {u"a;b", false},             {u"Tools\\", true},
  };
  for (const auto& c : cases) EXPECT_EQ(StartMenuNameAllowed(Wide(c.name)), c.allowed) << Wide(c.name).Narrow();
}

TEST(PreselectedLanguage, TakesTheLocaleNameBeforeItsParenthesisThenEnglishThenTheFirst) {
  const Array<String> names = Names({u"Fran\u00e7ais", u"English", u"Deutsch (Schweiz)"});
  const struct {
    const char16_t* locale;
    int index;
  } cases[] = {
      {u"Deutsch (Deutschland)", 2},  // cut at "(", trimmed, then a prefix of an entry
      {u"deutsch", 2},                // case does not count
      {u"FRAN\u00c7AIS (France)", 0},
      {u"Espa\u00f1ol (Espa\u00f1a)", 1},  // not listed: English
      {u"", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(PreselectedLanguage(names, Wide(c.locale)), c.index) << Wide(c.locale).Narrow();
  EXPECT_EQ(PreselectedLanguage(Names({u"Deutsch", u"Fran\u00e7ais"}), Wide(u"Italiano (Italia)")), 0);
}

TEST(ScrolledToEnd, PositionPlusPageReachingTheMaximum) {
  EXPECT_FALSE(ScrolledToEnd(0, 10, 100));
  EXPECT_FALSE(ScrolledToEnd(89, 10, 100));
  EXPECT_TRUE(ScrolledToEnd(90, 10, 100));
  EXPECT_TRUE(ScrolledToEnd(0, 0, 0));  // nothing to scroll
}

TEST(GreetingLinkMarkup, OpeningAnchorGetsTheAddress) {
  EXPECT_EQ(GreetingLinkMarkup(Wide(u"More: <a>the site</a>"), Wide(u"https://example.com/x")),
            Wide(u"More: <a href=\"https://example.com/x\">the site</a>"));
}

TEST(IsRichTextBytes, SignatureWithOrWithoutByteOrderMark) {
  const struct {
    const char* bytes;
    bool rich;
  } cases[] = {{"{\\rtf1 x}", true}, {"\xEF\xBB\xBF{\\rtf1 x}", true}, {"{\\rt", false},
               {"\xEF\xBB\xBF", false}, {"plain {\\rtf", false}, {"", false}};
  for (const auto& c : cases) EXPECT_EQ(IsRichTextBytes(String::FromNarrow(c.bytes)), c.rich) << c.bytes;
  EXPECT_EQ(WithoutByteOrderMark(String::FromNarrow("\xEF\xBB\xBF{\\rtf1}")), String::FromNarrow("{\\rtf1}"));
  EXPECT_EQ(WithoutByteOrderMark(String::FromNarrow("{\\rtf1}")), String::FromNarrow("{\\rtf1}"));
}

}  // namespace
}  // namespace valdorine
