#include "paths/os_code.hpp"

namespace valdorine {
namespace {

constexpr int kFirstWindows11Build = 22000;
constexpr int kFirstServer2019Build = 17733;
constexpr int kFirstServer2022Build = 20298;
// The product-information number of Home Server 2011.
constexpr uint32_t kHomePremiumServerEdition = 0x22;

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
      if (os.edition == kHomePremiumServerEdition) return 38;
      return server ? 34 : 36;
    case 2: return server ? 42 : 40;
    case 3: return server ? 46 : 44;
    case 4: return 48;
    default: return 0;
  }
}

int Code10(const OsVersionInfo& os) {
  if (!os.IsServer()) return os.build < kFirstWindows11Build ? 48 : 56;
  if (os.build < kFirstServer2019Build) return 50;
  return os.build < kFirstServer2022Build ? 52 : 60;
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
