#include "core/win32/system_info.hpp"

#include <gtest/gtest.h>

#include "../string_test_support.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;

std::string Description(uint32_t flags) { return NarrowOf(NarrowFromWide(OsDescription(flags), code_page::kUtf8)); }

// The test prefix reports Windows 10 on a 64-bit system.
TEST(SystemInfo, WineReportingAsWindows10) {
  const OsVersionInfo& os = OsVersion();
  EXPECT_EQ(os.major, 10);
  EXPECT_EQ(os.minor, 0);
  EXPECT_FALSE(os.IsServer());
  EXPECT_TRUE(os.is_64bit_windows);
  ASSERT_FALSE(os.wine_version.IsEmpty());

  const std::string description = Description(0);
  EXPECT_EQ(description.rfind("WINE ", 0), 0u) << description;
  EXPECT_NE(description.find(" reporting as Windows 10"), std::string::npos) << description;
  EXPECT_NE(description.find(" x64"), std::string::npos) << description;
  EXPECT_EQ(Description(os_description::kNameOnly), "10");
}

TEST(SystemInfo, LocalTimeIsBrokenDown) {
  const DateTime now = CurrentLocalTime();
  EXPECT_GE(now.year, 2024);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_LE(now.day_of_week, 6);
  EXPECT_LE(now.hour, 23);
}

}  // namespace
}  // namespace valdorine
