#include "core/win32/system_errors.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include "../string_test_support.hpp"

namespace valdorine {
namespace {

using testing::WideOf;

TEST(SystemErrorText, BuiltInTexts) {
  EXPECT_EQ(WideOf(SystemErrorText(86)), u"Incorrect password.");
  EXPECT_TRUE(SystemErrorText(0).IsEmpty());
}

TEST(SystemErrorText, SystemMessagesAreTrimmed) {
  const std::u16string text = WideOf(SystemErrorText(ERROR_FILE_NOT_FOUND));
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.substr(0, 8), u"Error 0x");
  EXPECT_NE(text.back(), u'\n');
  EXPECT_NE(text.back(), u' ');
}

TEST(SystemErrorText, CodesWithoutAMessageAreShownInHexadecimal) {
  EXPECT_EQ(WideOf(SystemErrorText(0x2000ABCD)), u"Error 0x2000ABCD");
}

TEST(SystemErrorText, LeavesTheLastErrorAlone) {
  SetLastError(ERROR_SHARING_VIOLATION);
  SystemErrorText(ERROR_ACCESS_DENIED);
  SystemErrorTextWithEnglish(ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

TEST(SystemErrorText, LogVariantAddsNothingWhenTheUserReadsEnglish) {
  EXPECT_TRUE(SystemErrorTextWithEnglish(ERROR_ACCESS_DENIED) == SystemErrorText(ERROR_ACCESS_DENIED));
  EXPECT_EQ(WideOf(SystemErrorTextWithEnglish(86)), u"Incorrect password.");
}

TEST(SystemErrorCode, DecimalOrHexadecimalForNegativeCodes) {
  EXPECT_EQ(WideOf(SystemErrorCode(0)), u"0");
  EXPECT_EQ(WideOf(SystemErrorCode(1392)), u"1392");
  EXPECT_EQ(WideOf(SystemErrorCode(0x7FFFFFFF)), u"2147483647");
  EXPECT_EQ(WideOf(SystemErrorCode(0x80004005)), u"0x80004005");
  EXPECT_EQ(WideOf(SystemErrorCode(0xFFFFFFFF)), u"0xFFFFFFFF");
}

}  // namespace
}  // namespace valdorine
