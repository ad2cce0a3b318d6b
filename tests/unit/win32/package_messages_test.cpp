// The package's failure texts and the reduction of signature results to outcome codes.
#include <windows.h>

#include <gtest/gtest.h>
#include <wintrust.h>

#include "package/language_strings.hpp"
#include "package/package_failure.hpp"
#include "package/signature_check.hpp"

namespace valdorine {
namespace {

std::u16string Text(const String& s) { return std::u16string(s.Wide(), static_cast<size_t>(s.WideLength())); }

TEST(CorruptPackageMessage, BuiltInTextWithTheCode) {
  SetLanguageStrings({});
  const std::u16string message = Text(CorruptPackageMessage(62, 0));
  EXPECT_EQ(message.rfind(u"This installation program is corrupt.  This is usually caused", 0), 0u);
  EXPECT_TRUE(message.ends_with(u"\r\n\r\nError code: 62"));
}

TEST(CorruptPackageMessage, AuthorsTextIsNotAFormat) {
  Array<String> strings;
  for (int i = 0; i < 13; ++i) strings.Append(String());
  strings.Append(String::FromWide(u"Broken (%s%n) code %d, again %d"));
  SetLanguageStrings(std::move(strings));
  EXPECT_EQ(Text(CorruptPackageMessage(47, 0)), u"Broken (%s%n) code 47, again 47");
  SetLanguageStrings({});
}

TEST(CorruptPackageMessage, SignatureFailuresCarryTheSystemError) {
  SetLanguageStrings({});
  const std::u16string message = Text(CorruptPackageMessage(1001, static_cast<uint32_t>(TRUST_E_NOSIGNATURE)));
  EXPECT_NE(message.find(u"Error code: 1001\r\nSystem error, code 0x800B0100: "), std::u16string::npos);
}

TEST(SignatureOutcome, ReducesResultsToTheirCodes) {
  struct Case {
    uint32_t result;
    uint32_t last_error;
    int outcome;
    bool passes;
  };
  const auto hr = [](long value) { return static_cast<uint32_t>(value); };
  const Case cases[] = {
      {0, 0, 0, true},
      {hr(TRUST_E_NOSIGNATURE), hr(TRUST_E_NOSIGNATURE), 1, false},
      {hr(TRUST_E_NOSIGNATURE), ERROR_FILE_NOT_FOUND, 7, true},
      {hr(TRUST_E_NOSIGNATURE), ERROR_SHARING_VIOLATION, 7, true},
      {hr(TRUST_E_NOSIGNATURE), ERROR_ACCESS_DENIED, 8, true},
      {hr(TRUST_E_NOSIGNATURE), ERROR_NOT_ENOUGH_MEMORY, 14, false},
      {hr(TRUST_E_NOSIGNATURE), hr(TRUST_E_SUBJECT_FORM_UNKNOWN), 9, true},
      {hr(TRUST_E_EXPLICIT_DISTRUST), 0, 2, false},
      {hr(TRUST_E_BAD_DIGEST), 0, 3, false},
      {hr(CERT_E_UNTRUSTEDROOT), 0, 3, false},
      {hr(CERT_E_CHAINING), hr(CERT_E_CHAINING), 3, true},  // the chaining exception
      {hr(CRYPT_E_SECURITY_SETTINGS), 0, 4, true},
      {hr(CERT_E_REVOKED), 0, 10, true},
      {hr(CERT_E_EXPIRED), 0, 11, true},
      {hr(TRUST_E_TIME_STAMP), 0, 12, false},
      {hr(TRUST_E_CERT_SIGNATURE), 0, 13, true},
      {hr(TRUST_E_PROVIDER_UNKNOWN), 0, 16, false},
      {0x80070005, 0, 8, true},  // access denied as an HRESULT
      {0x8009FFFF, 0, 6, true},
  };
  for (const Case& c : cases) {
    const int outcome = SignatureOutcome(c.result, c.last_error);
    EXPECT_EQ(outcome, c.outcome) << std::hex << c.result << " / " << c.last_error;
    EXPECT_EQ(SignatureOutcomePasses(outcome, c.last_error), c.passes) << std::hex << c.result;
  }
}

}  // namespace
}  // namespace valdorine
