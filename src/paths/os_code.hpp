// The numeric code of a Windows release (%OS% of the path variables and the notifications).
#pragma once

#include "core/os_description.hpp"

namespace valdorine {

// 20 for XP, 30/32 for Vista / Server 2008, 36/34 for 7 / Server 2008 R2, ... 48 for Windows 10,
// 56 for Windows 11, 50/52/60 for Server 2016/2019/2022 (workstation / server); 0 for releases
// without a code, the 9x family included.
int OsCode(const OsVersionInfo& os);

}  // namespace valdorine
