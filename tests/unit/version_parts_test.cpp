#include "paths/version_parts.hpp"

#include <gtest/gtest.h>

#include "string_test_support.hpp"

namespace valdorine {
namespace {

using testing::WideOf;

TEST(VersionParts, MajorAndMinor) {
  struct Row {
    const char16_t* version;
    const char16_t* major;
    const char16_t* minor;
  };
  const Row rows[] = {
      {u"3.10.2", u"3", u"10"},
      {u"7", u"7", u""},
      {u"", u"", u""},
      {u"1..4", u"1", u""},
      {u".5", u"", u"5"},
  };
  for (const Row& row : rows) {
    const String version = String::FromWide(row.version);
    EXPECT_EQ(WideOf(VersionPart(version, 0)), row.major);
    EXPECT_EQ(WideOf(VersionPart(version, 1)), row.minor);
  }
}

}  // namespace
}  // namespace valdorine
