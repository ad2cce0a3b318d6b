#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/firewall_list.hpp"

namespace valdorine {
namespace {

std::vector<std::string> Texts(const Array<String>& list) {
  std::vector<std::string> texts;
  for (const String& text : list) texts.emplace_back(text.Narrow(), static_cast<size_t>(text.Length()));
  return texts;
}

TEST(FirewallListTest, LinesEndWithAnyLineBreakAndFieldsSplitAtEverySemicolon) {
  EXPECT_EQ(Texts(FirewallListLines(String::FromNarrow("1;a;1;0\r\n2;b;2;0\n3;c;3;0\r4;d;1;1\n\r5;e;1;0"))),
            (std::vector<std::string>{"1;a;1;0", "2;b;2;0", "3;c;3;0", "4;d;1;1", "5;e;1;0"}));
  EXPECT_EQ(Texts(FirewallListLines(String::FromNarrow("8080;;3;\r\n"))), (std::vector<std::string>{"8080;;3;"}));
  EXPECT_EQ(Texts(FirewallFields(String::FromNarrow("8080;;3;"))), (std::vector<std::string>{"8080", "", "3", ""}));
  EXPECT_EQ(FirewallFields(String::FromNarrow("a;b;c")).Count(), 3);
  EXPECT_EQ(FirewallFields(String::FromNarrow("a;b;c;d;e")).Count(), 5);
}

TEST(FirewallListTest, PortsAreDigitsOnlyAndOptionsWithAOneKeepTheRule) {
  struct Case {
    const char* text;
    bool port;
    int number;
  } const cases[] = {
      {"8080", true, 8080}, {"0", true, 0}, {"", false, 0}, {"80a", false, 80}, {"-1", false, 0},
      {"C:\\app.exe", false, 0}, {"99999999999", true, 0},  // beyond an int: no port number
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsFirewallPort(String::FromNarrow(c.text)), c.port) << c.text;
    EXPECT_EQ(FirewallNumber(String::FromNarrow(c.text)), c.number) << c.text;
  }
  EXPECT_TRUE(KeepsFirewallRule(String::FromNarrow("1")));
  EXPECT_TRUE(KeepsFirewallRule(String::FromNarrow("021")));
  EXPECT_FALSE(KeepsFirewallRule(String::FromNarrow("0")));
  EXPECT_FALSE(KeepsFirewallRule(String()));
}

}  // namespace
}  // namespace valdorine
