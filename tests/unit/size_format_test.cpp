#include "core/size_format.hpp"

#include <gtest/gtest.h>

#include "string_test_support.hpp"

namespace valdorine {
namespace {

struct SizeRow {
  int64_t bytes;
  const char16_t* expected;
};

TEST(FormatSize, UnitsByMagnitude) {
  const SizeRow rows[] = {
      {0, u"0 bytes"},
      {1023, u"1023 bytes"},
      {1024, u"1.00 KB"},
      {1536, u"1.50 KB"},
      {1048575, u"1024.00 KB"},  // still below 1 MiB
      {1048576, u"1.00 MB"},
      {(int64_t{1} << 30) - 1, u"1024.00 MB"},
      {int64_t{1} << 30, u"1.00 GB"},
      {(int64_t{1} << 40) - 1, u"1024.00 GB"},
      {int64_t{1} << 40, u"1.00 TB"},
      {int64_t{5} << 50, u"5120.00 TB"},
      {-5, u"-5 bytes"},
      {INT64_MIN, u"-9223372036854775808 bytes"},
  };
  for (const SizeRow& row : rows) {
    SCOPED_TRACE(row.bytes);
    EXPECT_EQ(testing::WideOf(FormatSize(row.bytes)), row.expected);
  }
}

}  // namespace
}  // namespace valdorine
