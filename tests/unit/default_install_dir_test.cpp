// The default installation folder's rules: registry and required-product locations, and making a
// plain value absolute below the Program Files folder.
#include <gtest/gtest.h>

#include "format/default_install_dir.hpp"

namespace valdorine {
namespace {

String Wide(const char16_t* text) { return String::FromWide(text); }

TEST(DefaultInstallDir, RelativeValuesGoBelowProgramFilesAndOthersStay) {
  struct Case {
    const char16_t* stored;
    const char16_t* resolved;
  };
  const Case cases[] = {
      {u"Vendor\\App", u"C:\\Program Files\\Vendor\\App"},
      {u"", u"C:\\Program Files\\Hello"},  // the product name
      {u"hkcu\\Software\\Vendor,Path", u"hkcu\\Software\\Vendor,Path"},
      {u"HKLM\\Software\\Vendor", u"HKLM\\Software\\Vendor"},
      {u"<MASTER>", u"<MASTER>"},
      {u"D:\\Apps\\Hello", u"D:\\Apps\\Hello"},
      {u"\\\\server\\share\\Hello", u"\\\\server\\share\\Hello"},
      {u"HKLMSoftware", u"C:\\Program Files\\HKLMSoftware"},
      {u"<master>\\sub", u"C:\\Program Files\\<master>\\sub"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AbsoluteInstallDir(Wide(c.stored), Wide(u"Hello"), Wide(u"C:\\Program Files")), Wide(c.resolved));
  }
}

TEST(DefaultInstallDir, RegistryLocationsAreRecognisedInAnyCase) {
  EXPECT_TRUE(NamesRegistryFolder(Wide(u"hkcu\\Software\\X")));
  EXPECT_TRUE(NamesRegistryFolder(Wide(u"HkLm\\Software\\X")));
  EXPECT_FALSE(NamesRegistryFolder(Wide(u"HKCR\\X")));
  EXPECT_FALSE(NamesRegistryFolder(Wide(u"HKCU")));
  EXPECT_TRUE(NamesMasterFolder(Wide(u"<Master>")));
}

}  // namespace
}  // namespace valdorine
