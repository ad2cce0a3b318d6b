#include "paths/os_code.hpp"

#include <gtest/gtest.h>

namespace valdorine {
namespace {

struct Row {
  const char* label;
  int major;
  int minor;
  int build;
  int product_type;
  int expected;
  uint32_t suite_mask = 0;
  bool is_64bit = false;
  bool server_r2 = false;
  uint32_t edition = 0;
};

constexpr int kWorkstation = os_product_type::kWorkstation;
constexpr int kServer = os_product_type::kServer;
constexpr int kDomainController = os_product_type::kDomainController;

TEST(OsCode, EveryReleaseOfTheTable) {
  const Row rows[] = {
      {"2000", 5, 0, 2195, kWorkstation, 0},
      {"XP", 5, 1, 2600, kWorkstation, 20},
      {"XP x64", 5, 2, 3790, kWorkstation, 24, 0, true},
      {"XP on 5.2, 32-bit", 5, 2, 3790, kWorkstation, 20},
      {"Home Server", 5, 2, 3790, kServer, 28, os_suite::kHomeServer},
      {"Server 2003 R2", 5, 2, 3790, kServer, 26, 0, false, true},
      {"Server 2003", 5, 2, 3790, kServer, 22},
      {"Vista", 6, 0, 6002, kWorkstation, 30},
      {"Server 2008", 6, 0, 6002, kServer, 32},
      {"7", 6, 1, 7601, kWorkstation, 36},
      {"Server 2008 R2", 6, 1, 7601, kServer, 34},
      {"Home Server 2011", 6, 1, 7601, kServer, 38, 0, false, false, 0x22},
      {"8", 6, 2, 9200, kWorkstation, 40},
      {"Server 2012", 6, 2, 9200, kServer, 42},
      {"8.1", 6, 3, 9600, kWorkstation, 44},
      {"Server 2012 R2", 6, 3, 9600, kServer, 46},
      {"10 preview on 6.4", 6, 4, 9841, kServer, 48},
      {"10", 10, 0, 19045, kWorkstation, 48},
      {"11", 10, 0, 22000, kWorkstation, 56},
      {"Server 2016", 10, 0, 14393, kServer, 50},
      {"Server 2019", 10, 0, 17733, kServer, 52},
      {"Server 2019, last build", 10, 0, 20297, kServer, 52},
      {"Server 2022 domain controller", 10, 0, 20348, kDomainController, 60},
      {"unknown 6.5", 6, 5, 10000, kWorkstation, 0},
      {"unknown 11.0", 11, 0, 30000, kWorkstation, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    OsVersionInfo os;
    os.major = row.major;
    os.minor = row.minor;
    os.build = row.build;
    os.product_type = row.product_type;
    os.suite_mask = row.suite_mask;
    os.is_64bit_windows = row.is_64bit;
    os.server_r2 = row.server_r2;
    os.edition = row.edition;
    EXPECT_EQ(OsCode(os), row.expected);
  }
}

TEST(OsCode, NineXFamilyHasNoCode) {
  OsVersionInfo os;
  os.nt_platform = false;
  os.major = 4;
  os.minor = 10;
  EXPECT_EQ(OsCode(os), 0);
}

}  // namespace
}  // namespace valdorine
