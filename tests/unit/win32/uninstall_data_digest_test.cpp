// The digest of Uninstall.DAT in the product key: a data file changed after the installation, or a
// key without a digest, is not accepted.
#include "uninstall/uninstall_data_digest.hpp"

#include <gtest/gtest.h>

#include "../string_test_support.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;


TEST(UninstallDataDigest, IsTheSha256OfTheBytes) {
  EXPECT_EQ(NarrowOf(NarrowFromWide(UninstallDataDigest(String::FromNarrow("abc")), code_page::kUtf8)),
            "sha256:ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(UninstallDataDigest, OnlyTheRecordedFileMatches) {
  const String subkey = String::FromWide(u"Software\\ValdorineTests\\Digest");
  RegKey key;
  ASSERT_NE(key.OpenKey(HKEY_CURRENT_USER, subkey, reg_key::kDefaultSecurity, KEY_ALL_ACCESS),
            open_key_result::kFailed);
  const String recorded = String::FromNarrow("C:\\App\\a.txt\r\n~C:\\App\r\n");
  EXPECT_FALSE(MatchesRecordedDigest(key, recorded));  // no digest yet
  ASSERT_TRUE(RecordUninstallDataDigest(key, recorded));
  EXPECT_TRUE(MatchesRecordedDigest(key, recorded));
  EXPECT_FALSE(MatchesRecordedDigest(key, String::FromNarrow("C:\\App\\a.txt\r\n~C:\\App\r\nC:\\Windows\\win.ini\r\n")));
  EXPECT_FALSE(MatchesRecordedDigest(key, String::FromNarrow("C:\\App\\a.txt\r\n~C:\\App\n")));
  key.Close();
  RegDeleteKeyW(HKEY_CURRENT_USER, WinText(subkey));
}

}  // namespace
}  // namespace valdorine
