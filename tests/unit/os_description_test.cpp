#include "core/os_description.hpp"

#include <gtest/gtest.h>

#include "string_test_support.hpp"

namespace valdorine {
namespace {

OsVersionInfo Nt(int major, int minor, int build, int product_type = os_product_type::kWorkstation) {
  OsVersionInfo os;
  os.major = major;
  os.minor = minor;
  os.build = build;
  os.product_type = product_type;
  return os;
}

OsVersionInfo Windows10ProUnderWine() {
  OsVersionInfo os = Nt(10, 0, 19045);
  os.edition = 0x30;
  os.is_64bit_windows = true;
  os.release_id = String::FromWide(u"2009");
  os.wine_version = String::FromWide(u"8.0");
  return os;
}

OsVersionInfo XpHomeSp3() {
  OsVersionInfo os = Nt(5, 1, 2600);
  os.suite_mask = os_suite::kPersonal;
  os.service_pack = String::FromWide(u"Service Pack 3");
  return os;
}

OsVersionInfo Server2003R2Enterprise() {
  OsVersionInfo os = Nt(5, 2, 3790, os_product_type::kServer);
  os.suite_mask = os_suite::kEnterprise;
  os.server_r2 = true;
  return os;
}

OsVersionInfo Server2019Standard() {
  OsVersionInfo os = Nt(10, 0, 17763, os_product_type::kServer);
  os.edition = 0x07;
  os.release_id = String::FromWide(u"1809");  // servers leave it out
  return os;
}

OsVersionInfo Server2008R2DatacenterCore() {
  OsVersionInfo os = Nt(6, 1, 7601, os_product_type::kDomainController);
  os.edition = 0x0C;
  os.service_pack = String::FromWide(u"Service Pack 1");
  return os;
}

OsVersionInfo Windows98SecondEdition() {
  OsVersionInfo os = Nt(4, 10, 2222);
  os.nt_platform = false;
  os.second_edition = true;
  return os;
}

OsVersionInfo Windows11() {
  OsVersionInfo os = Nt(10, 0, 22631);
  os.edition = 0x65;
  return os;
}

struct DescriptionRow {
  const char* label;
  OsVersionInfo os;
  uint32_t flags;
  const char16_t* expected;
};

TEST(DescribeOs, ReleaseEditionServicePackAndReleaseId) {
  using namespace os_description;
  const DescriptionRow rows[] = {
      {"wine", Windows10ProUnderWine(), 0, u"WINE 8.0 reporting as Windows 10 Professional x64 2009"},
      {"wine short", Windows10ProUnderWine(), kShort, u"WINE 8.0 reporting as Windows 10 2009"},
      {"wine name", Windows10ProUnderWine(), kNameOnly, u"10"},
      {"11", Windows11(), 0, u"Windows 11 Home"},
      {"xp", XpHomeSp3(), 0, u"Windows XP Home Service Pack 3"},
      {"xp no sp", XpHomeSp3(), kNoServicePack, u"Windows XP Home"},
      {"2003", Server2003R2Enterprise(), 0, u"Windows Server 2003 R2 Enterprise"},
      {"2019", Server2019Standard(), 0, u"Windows Server 2019 Server Standard"},
      {"2008 core", Server2008R2DatacenterCore(), 0, u"Windows Server 2008 R2 Datacenter (core) Service Pack 1"},
      {"2008 name", Server2008R2DatacenterCore(), kNameOnly | kNoServicePack, u"2008 R2"},
      {"xp name", XpHomeSp3(), kNameOnly, u"XP Service Pack 3"},
      {"98", Windows98SecondEdition(), 0, u"Windows 98 SE"},
      {"vista short", Nt(6, 0, 6002), kShort, u"Windows Vista"},
      {"server 2022", Nt(10, 0, 20348, os_product_type::kServer), 0, u"Windows Server 2022"},
      {"server 2016", Nt(10, 0, 14393, os_product_type::kServer), 0, u"Windows Server 2016"},
      {"unknown 6", Nt(6, 4, 9841), 0, u"Windows NT 6.4"},
      {"unknown 5", Nt(5, 3, 1), 0, u"Windows NT 5.3"},
      {"unknown", Nt(11, 2, 1), 0, u"Windows NT 11.2"},
  };
  for (const DescriptionRow& row : rows) {
    SCOPED_TRACE(row.label);
    EXPECT_EQ(testing::WideOf(DescribeOs(row.os, row.flags)), row.expected);
  }
}

TEST(DescribeOs, ServerFlagCoversDomainControllers) {
  EXPECT_FALSE(Nt(10, 0, 1).IsServer());
  EXPECT_TRUE(Nt(10, 0, 1, os_product_type::kDomainController).IsServer());
  EXPECT_TRUE(Nt(10, 0, 1, os_product_type::kServer).IsServer());
}

}  // namespace
}  // namespace valdorine
