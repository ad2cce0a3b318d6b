// The operating-system description ("Windows 10 Professional x64 2009", "Windows XP Home Service
// Pack 3", ...) built from the facts of the system's version information. The facts are gathered
// on Windows (core/win32/system_info.hpp); naming them is plain text work, kept here.
#pragma once

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

// The system's product types.
namespace os_product_type {
inline constexpr int kWorkstation = 1;
inline constexpr int kDomainController = 2;
inline constexpr int kServer = 3;
}  // namespace os_product_type

// The suite bits of the version information that name releases and editions.
namespace os_suite {
inline constexpr uint32_t kEnterprise = 0x2;
inline constexpr uint32_t kEmbedded = 0x40;
inline constexpr uint32_t kDatacenter = 0x80;
inline constexpr uint32_t kPersonal = 0x200;
inline constexpr uint32_t kWebEdition = 0x400;
inline constexpr uint32_t kStorageServer = 0x2000;
inline constexpr uint32_t kComputeServer = 0x4000;
inline constexpr uint32_t kHomeServer = 0x8000;
}  // namespace os_suite

// Facts that tell releases apart beyond the version number.
namespace os_release {
inline constexpr int kFirstWindows11Build = 22000;  // Windows 10 and 11 share version 10.0
inline constexpr int kFirstServer2019Build = 17733;
inline constexpr int kFirstServer2022Build = 20298;
inline constexpr uint32_t kHomeServer2011Edition = 0x22;  // the product-information number
}  // namespace os_release

struct OsVersionInfo {
  bool nt_platform = true;  // false for the 9x family
  int major = 0;
  int minor = 0;
  int build = 0;
  int product_type = os_product_type::kWorkstation;
  uint32_t suite_mask = 0;  // os_suite bits
  uint32_t edition = 0;     // the product-information number (Vista on); 0 when unknown
  bool server_r2 = false;   // the second-release system metric (Server 2003 R2)
  bool media_center = false;
  bool starter = false;
  bool tablet_pc = false;
  bool second_edition = false;  // 9x: Windows 98 Second Edition
  bool is_64bit_windows = false;
  String service_pack;  // wide, such as "Service Pack 3"; empty without one
  String release_id;    // wide, the release identifier of Windows 10 and later; may be empty
  String wine_version;  // wide; empty unless running under Wine

  // Servers and domain controllers.
  bool IsServer() const { return product_type != os_product_type::kWorkstation; }
};

namespace os_description {
inline constexpr uint32_t kNoServicePack = 0x1;
inline constexpr uint32_t kShort = 0x2;     // without edition words and " x64"
inline constexpr uint32_t kNameOnly = 0x4;  // the release name alone: "10", "Server 2019"
}  // namespace os_description

// The description, wide. With kNameOnly: the release name (servers by year alone) and the service
// pack unless kNoServicePack ("10", "Server 2019", "XP Service Pack 3"). Otherwise: under Wine
// "WINE <version> reporting as ", then "Windows ", the release name, the edition words and " x64"
// (unless kShort), the service pack (unless kNoServicePack) and, on Windows 10 and 11
// workstations, the release identifier.
String DescribeOs(const OsVersionInfo& os, uint32_t flags);

}  // namespace valdorine
