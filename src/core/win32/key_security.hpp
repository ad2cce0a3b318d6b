// The security of registry keys created for shared write access: an access list that gives the
// Everyone group full access, so that any local user may change the key.
#pragma once

#include <windows.h>

namespace valdorine {

// A security descriptor whose access list gives the Everyone group full access to a key.
// Everything lives inside the object, so nothing needs freeing; it must not move once built.
class SharedWriteKeySecurity {
 public:
  SharedWriteKeySecurity() = default;
  SharedWriteKeySecurity(const SharedWriteKeySecurity&) = delete;
  SharedWriteKeySecurity& operator=(const SharedWriteKeySecurity&) = delete;

  // False when the system cannot build the descriptor.
  bool Build();
  // For RegCreateKeyExW; valid after a successful Build.
  SECURITY_ATTRIBUTES* Attributes() { return &attributes_; }

 private:
  PACL Acl() { return reinterpret_cast<PACL>(acl_); }

  alignas(DWORD) BYTE everyone_[SECURITY_MAX_SID_SIZE]{};
  alignas(DWORD) BYTE acl_[sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE]{};
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
};

}  // namespace valdorine
