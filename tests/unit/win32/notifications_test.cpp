#include "diagnostics/notifications.hpp"

#include <gtest/gtest.h>

#include <string>

#include "../string_test_support.hpp"
#include "core/win32/system_info.hpp"
#include "diagnostics/failure_summary.hpp"
#include "paths/path_variables.hpp"
#include "recorded_notifications.hpp"
#include "run/installer_process.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;

String N(const char* text) { return String::FromNarrow(text); }

TEST(PercentEncode, EncodesControlHighAndReservedBytesOnly) {
  struct Row {
    const char* in;
    const char* out;
  };
  const Row rows[] = {
      {"Windows 10", "Windows%2010"},
      {"AZaz09-_.,$`{}", "AZaz09-_.,$`{}"},
      {"/%?&\"#<>()[];:=+\\|~^'*!@", "%2F%25%3F%26%22%23%3C%3E%28%29%5B%5D%3B%3A%3D%2B%5C%7C%7E%5E%27%2A%21%40"},
      {"\x01\x1F\x7F\x80\xC3\xA9", "%01%1F%7F%80%C3%A9"},
  };
  for (const Row& row : rows) EXPECT_EQ(NarrowOf(PercentEncode(N(row.in))), row.out) << row.in;
}

TEST(FillNotificationAddress, ReplacesEveryTokenOnceWithItsEncodedValue) {
  NotificationValues values;
  values.version = N("2.0 beta");
  values.session = 0x0123456789ABCDEFull;
  values.os = N("48");
  values.os_major = N("10");
  values.os_minor = N("0");
  values.os_name = N("%version%");  // a value is never searched for tokens again
  values.os_description = N("Windows 10 x64");
  values.os_server = true;
  const String filled = FillNotificationAddress(
      N("http://h/n?v=%version%&s=%SESSION%&o=%OS%&ma=%OSMajor%&mi=%OSMinor%&n=%OSName%&d=%OSDescription%"
        "&srv=%OSServer%&keep=%Other%&pct=100%"),
      values);
  EXPECT_EQ(NarrowOf(filled),
            "http://h/n?v=2.0%20beta&s=0123456789ABCDEF&o=48&ma=10&mi=0&n=%25version%25&d=Windows%2010%20x64"
            "&srv=1&keep=%Other%&pct=100%");
}

class Notifications : public ::testing::Test {
 protected:
  void SetUp() override {
    RunPathVariables().product_name = String::FromWide(u"Demo \u00C9");
    RunPathVariables().version = String::FromWide(u"3.1");
    Process().session_number = 0x1F;
  }
  void TearDown() override {
    RunPathVariables() = PathVariableSources();
    Process().session_number = 0;
    FailureSummary() = String();
  }
  testing::RecordedNotifications notifications_;
};

TEST_F(Notifications, PlainRequestsAreGetsWithTheTokensFilledInOrder) {
  SendNotification(N("http://127.0.0.1/start?v=%version%"), false);
  SendNotification(String(), false);  // an empty address sends nothing
  SendNotification(N("http://127.0.0.1/end?s=%Session%"), false);
  const auto sent = notifications_.Take();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_STREQ(sent[0].verb, "GET");
  EXPECT_EQ(NarrowOf(sent[0].url), "http://127.0.0.1/start?v=3.1");
  EXPECT_TRUE(sent[0].body.IsEmpty());
  EXPECT_EQ(NarrowOf(sent[1].url), "http://127.0.0.1/end?s=000000000000001F");
}

TEST_F(Notifications, PostedRequestCarriesTheProblemDescriptionAsUtf8Form) {
  FailureSummary() = String::FromWide(u"Failed to install caf\u00E9.dll\r\n");
  SendNotification(N("http://127.0.0.1/error"), true);
  const auto sent = notifications_.Take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_STREQ(sent[0].verb, "POST");
  const std::string os = NarrowOf(NarrowFromWide(OsDescription(0), code_page::kUtf8));
  const std::string body =
      "--AaB03x\r\nContent-Disposition: form-data; name=\"problems\"\r\n\r\n"
      "Demo \xC3\x89 3.1\r\nInstaller version: 42.1.2\r\n" + os + "\r\nFailed to install caf\xC3\xA9.dll\r\n"
      "\r\n--AaB03x--\r\n";
  EXPECT_EQ(NarrowOf(sent[0].body), body);
  EXPECT_EQ(NarrowOf(sent[0].headers), "Content-Type: multipart/form-data; boundary=AaB03x\r\nContent-Length: " +
                                           std::to_string(body.size()) + "\r\n");
}

TEST_F(Notifications, SenderStartsAgainAfterFinishing) {
  SendNotification(N("http://127.0.0.1/a"), false);
  EXPECT_EQ(notifications_.Take().size(), 1u);
  SendNotification(N("http://127.0.0.1/b"), false);
  const auto sent = notifications_.Take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(NarrowOf(sent[0].url), "http://127.0.0.1/b");
}

}  // namespace
}  // namespace valdorine
