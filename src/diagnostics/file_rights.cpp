#include "diagnostics/file_rights.hpp"

#include <windows.h>
#include <aclapi.h>

#include <vector>

#include "core/win32/everyone_access.hpp"
#include "core/win32/unique_handle.hpp"

namespace valdorine {
namespace {

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

}  // namespace

void OpenFileToEveryone(HANDLE file) {
  ClearProtectiveAttributes(file);
  TakeOwnership(file);
  GrantEveryoneFullAccess(file, NO_INHERITANCE);
}

}  // namespace valdorine
