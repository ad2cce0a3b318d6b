#include "core/win32/everyone_access.hpp"

#include <aclapi.h>

#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

// `current` with an entry added that grants Everyone generic-all access with `inheritance`, in
// `extended`. The system's result code: 0 on success.
DWORD ListWithEveryone(PACL current, DWORD inheritance, UniqueLocalMemory& extended) {
  BYTE everyone[SECURITY_MAX_SID_SIZE] = {};
  DWORD sid_size = sizeof(everyone);
  if (!CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sid_size)) return GetLastError();
  EXPLICIT_ACCESSW entry{};
  entry.grfAccessPermissions = GENERIC_ALL;
  entry.grfAccessMode = GRANT_ACCESS;
  entry.grfInheritance = inheritance;
  entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  entry.Trustee.ptstrName = reinterpret_cast<wchar_t*>(everyone);
  return SetEntriesInAclW(1, &entry, current, reinterpret_cast<PACL*>(extended.Receive()));
}

}  // namespace

bool ClearProtectiveAttributes(const String& path) {
  const DWORD attributes = GetFileAttributesW(WinText(path));
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  constexpr DWORD kProtective = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  if (attributes & kProtective) SetFileAttributesW(WinText(path), attributes & ~kProtective);
  return true;
}

DWORD GrantEveryoneFullAccess(const String& path, DWORD inheritance) {
  PACL access_list = nullptr;
  UniqueLocalMemory descriptor;
  DWORD result = GetNamedSecurityInfoW(WinText(path), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                       &access_list, nullptr,
                                       reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Receive()));
  if (result != ERROR_SUCCESS) return result;
  UniqueLocalMemory extended_list;
  result = ListWithEveryone(access_list, inheritance, extended_list);
  if (result != ERROR_SUCCESS) return result;
  // The function takes the path as a writable pointer but does not change it.
  return SetNamedSecurityInfoW(const_cast<wchar_t*>(WinText(path)), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                               nullptr, nullptr, static_cast<PACL>(extended_list.Get()), nullptr);
}

DWORD GrantEveryoneFullAccess(HANDLE object, DWORD inheritance) {
  PACL access_list = nullptr;
  UniqueLocalMemory descriptor;
  DWORD result = GetSecurityInfo(object, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &access_list,
                                 nullptr, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Receive()));
  if (result != ERROR_SUCCESS) return result;
  UniqueLocalMemory extended_list;
  result = ListWithEveryone(access_list, inheritance, extended_list);
  if (result != ERROR_SUCCESS) return result;
  return SetSecurityInfo(object, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                         static_cast<PACL>(extended_list.Get()), nullptr);
}

}  // namespace valdorine
