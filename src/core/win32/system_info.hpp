// Facts about the running system: its version and description, and the local time.
#pragma once

#include <cstdint>

#include "core/date_time_format.hpp"
#include "core/os_description.hpp"
#include "core/string.hpp"

namespace valdorine {

// The version facts (the real version, whatever the program's compatibility manifest says),
// gathered once per process. wine_version is set when running under Wine.
const OsVersionInfo& OsVersion();

// DescribeOs of OsVersion() with os_description flags: "WINE 8.0 reporting as Windows 10
// Professional x64" under Wine.
String OsDescription(uint32_t flags);

// True on 64-bit Windows (this 32-bit program then runs under WOW64).
bool Is64BitWindows();

DateTime CurrentLocalTime();

}  // namespace valdorine
