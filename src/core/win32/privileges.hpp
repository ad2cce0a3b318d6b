// Privileges of the process's token.
#pragma once

#include <windows.h>

namespace valdorine {

// Enables the named privilege (SE_..._NAME) in the process's token; false when the token cannot
// be opened or the privilege is unknown. A privilege the token does not hold stays off.
bool EnablePrivilege(const wchar_t* name);

}  // namespace valdorine
