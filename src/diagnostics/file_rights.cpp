#include "diagnostics/file_rights.hpp"

#include <windows.h>
#include <aclapi.h>

#include <vector>

#include "core/win32/everyone_access.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

// The security functions take the path as a writable pointer but do not change it.
wchar_t* PathArgument(const String& path) { return const_cast<wchar_t*>(WinText(path)); }

// With the take-ownership privilege that the installer enables at start-up this succeeds even for
// a file that another user owns.
void TakeOwnership(const String& path) {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return;
  DWORD size = 0;
  GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  if (size == 0 || !GetTokenInformation(token.Get(), TokenUser, user.data(), size, &size)) return;
  PSID owner = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  SetNamedSecurityInfoW(PathArgument(path), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, owner, nullptr, nullptr, nullptr);
}

}  // namespace

void OpenFileToEveryone(const String& path) {
  ClearProtectiveAttributes(path);
  TakeOwnership(path);
  GrantEveryoneFullAccess(path, NO_INHERITANCE);
}

}  // namespace valdorine
