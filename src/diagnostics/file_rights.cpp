#include "diagnostics/file_rights.hpp"

#include <windows.h>
#include <aclapi.h>

#include <vector>

#include "core/win32/unique_handle.hpp"

namespace valdorine {
namespace {

struct LocalMemory {  // memory that the security functions allocated
  using Handle = HLOCAL;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle memory) { ::LocalFree(memory); }
};
using UniqueLocalMemory = UniqueResource<LocalMemory>;

// Read-only, hidden and system go; the other attributes and the times stay.
void ClearProtectiveAttributes(HANDLE file) {
  FILE_BASIC_INFO basic{};
  if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof(basic))) return;
  basic.FileAttributes &= ~DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM};
  if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof(basic));
}

// With the take-ownership privilege that the installer enables at start-up this succeeds even for
// a file that another user owns.
void TakeOwnership(HANDLE file) {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return;
  DWORD size = 0;
  GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  if (size == 0 || !GetTokenInformation(token.Get(), TokenUser, user.data(), size, &size)) return;
  PSID owner = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  SetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, owner, nullptr, nullptr, nullptr);
}

void GrantEveryoneFullControl(HANDLE file) {
  PACL access_list = nullptr;
  UniqueLocalMemory descriptor;
  if (GetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &access_list, nullptr,
                      reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Receive())) != ERROR_SUCCESS) {
    return;
  }
  BYTE everyone[SECURITY_MAX_SID_SIZE] = {};
  DWORD sid_size = sizeof(everyone);
  if (!CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sid_size)) return;
  EXPLICIT_ACCESSW entry{};
  entry.grfAccessPermissions = GENERIC_ALL;
  entry.grfAccessMode = GRANT_ACCESS;
  entry.grfInheritance = NO_INHERITANCE;
  entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  entry.Trustee.ptstrName = reinterpret_cast<wchar_t*>(everyone);
  UniqueLocalMemory extended_list;
  if (SetEntriesInAclW(1, &entry, access_list, reinterpret_cast<PACL*>(extended_list.Receive())) != ERROR_SUCCESS) return;
  SetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                  static_cast<PACL>(extended_list.Get()), nullptr);
}

}  // namespace

void OpenFileToEveryone(HANDLE file) {
  ClearProtectiveAttributes(file);
  TakeOwnership(file);
  GrantEveryoneFullControl(file);
}

}  // namespace valdorine
