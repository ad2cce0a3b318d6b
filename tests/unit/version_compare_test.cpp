#include "core/version_compare.hpp"

#include <gtest/gtest.h>

namespace valdorine {
namespace {

struct VersionCase {
  const char* a;
  const char* b;
  int expected;  // sign of CompareVersions(a, b)
};

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(CompareVersions, OrdersAsAuthorsMeanThem) {
  const VersionCase cases[] = {
      {"1.2", "1.2", 0},          {"1.2", "1.2.0", -1},       {"1.2.0", "1.2", 1},
      {"1.10", "1.9", 1},         {"2.0", "10.0", -1},        {"1.2a", "1.2b", -1},
      {"1.2", "1.2a", -1},        {"1.2b", "1.2", 1},         {"v1.2 build 7", "1.2.7d", 0},
      {".5", "0.5", 0},           {".5", "5", -1},             {"", "", 0},
      {"", "0", -1},              {"1.9", "2.0", -1},         {"3.0 beta", "3.0 alpha", 0},  // only the last letter counts
      {"99999999999999999999999", "1", 1},                    {"1-2-3", "1.2.3", 0},
      {"18446744073709551616", "1", 1},  // 2^64: a part that wraps to 0 would read as smaller
  };
  for (const VersionCase& c : cases) {
    EXPECT_EQ(Sign(CompareVersions(c.a, c.b)), c.expected) << '"' << c.a << "\" vs \"" << c.b << '"';
    EXPECT_EQ(Sign(CompareVersions(c.b, c.a)), -c.expected) << "reversed: " << c.a << " / " << c.b;
  }
}

TEST(CompareVersions, NullReadsAsEmpty) {
  EXPECT_EQ(CompareVersions(nullptr, ""), 0);
  EXPECT_TRUE(VersionIsBelow(nullptr, "1"));
}

}  // namespace
}  // namespace valdorine
