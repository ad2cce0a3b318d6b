#include "core/win32/key_security.hpp"

namespace valdorine {

bool SharedWriteKeySecurity::Build() {
  DWORD sid_size = sizeof(everyone_);
  if (!CreateWellKnownSid(WinWorldSid, nullptr, everyone_, &sid_size)) return false;
  if (!InitializeAcl(Acl(), sizeof(acl_), ACL_REVISION)) return false;
  if (!AddAccessAllowedAce(Acl(), ACL_REVISION, KEY_ALL_ACCESS, everyone_)) return false;
  if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION)) return false;
  if (!SetSecurityDescriptorDacl(&descriptor_, TRUE, Acl(), FALSE)) return false;
  attributes_ = {sizeof(attributes_), &descriptor_, FALSE};
  return true;
}

}  // namespace valdorine
