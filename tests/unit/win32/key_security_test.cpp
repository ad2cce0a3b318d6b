#include "core/win32/key_security.hpp"

#include <gtest/gtest.h>

namespace valdorine {
namespace {

// Wine ignores the security given to RegCreateKeyExW, so the descriptor is checked itself.
TEST(SharedWriteKeySecurity, AccessListGivesEveryoneFullAccessOnly) {
  SharedWriteKeySecurity security;
  ASSERT_TRUE(security.Build());
  const SECURITY_ATTRIBUTES* attributes = security.Attributes();
  EXPECT_EQ(attributes->nLength, sizeof(SECURITY_ATTRIBUTES));
  EXPECT_FALSE(attributes->bInheritHandle);
  ASSERT_TRUE(IsValidSecurityDescriptor(attributes->lpSecurityDescriptor));

  BOOL present = FALSE;
  BOOL defaulted = TRUE;
  PACL acl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(attributes->lpSecurityDescriptor, &present, &acl, &defaulted));
  ASSERT_TRUE(present);
  EXPECT_FALSE(defaulted);
  ASSERT_NE(acl, nullptr);
  ASSERT_EQ(acl->AceCount, 1);
  void* ace = nullptr;
  ASSERT_TRUE(GetAce(acl, 0, &ace));
  auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
  EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
  EXPECT_EQ(allowed->Mask, static_cast<ACCESS_MASK>(KEY_ALL_ACCESS));
  BYTE everyone[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof(everyone);
  ASSERT_TRUE(CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size));
  EXPECT_TRUE(EqualSid(&allowed->SidStart, everyone));
}

}  // namespace
}  // namespace valdorine
