#include "paths/os_code.hpp"

namespace valdorine {
namespace {

// Version 5.2 covers XP x64, Server 2003 (R2) and Home Server.
int Code52(const OsVersionInfo& os) {
  if (os.suite_mask & os_suite::kHomeServer) return 28;
  if (!os.IsServer()) return os.is_64bit_windows ? 24 : 20;
  return os.server_r2 ? 26 : 22;
}

int Code6(const OsVersionInfo& os) {
  const bool server = os.IsServer();
  switch (os.minor) {
    case 0: return server ? 32 : 30;
    case 1:
      if (os.edition == os_release::kHomeServer2011Edition) return 38;
      return server ? 34 : 36;
    case 2: return server ? 42 : 40;
    case 3: return server ? 46 : 44;
    case 4: return 48;
    default: return 0;
  }
}

int Code10(const OsVersionInfo& os) {
  if (!os.IsServer()) return os.build < os_release::kFirstWindows11Build ? 48 : 56;
  if (os.build < os_release::kFirstServer2019Build) return 50;
  return os.build < os_release::kFirstServer2022Build ? 52 : 60;
}

}  // namespace

int OsCode(const OsVersionInfo& os) {
  if (!os.nt_platform) return 0;
  if (os.major == 5 && os.minor == 1) return 20;
  if (os.major == 5 && os.minor == 2) return Code52(os);
  if (os.major == 6) return Code6(os);
  if (os.major == 10 && os.minor == 0) return Code10(os);
  return 0;
}

}  // namespace valdorine
