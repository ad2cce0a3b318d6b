// The uninstaller's removal of Windows Installer packages and driver packages, from records and
// files that the tests prepare.
#include <gtest/gtest.h>

#include "core/win32/file_system.hpp"
#include "core/win32/system_folders.hpp"
#include "scratch_folder.hpp"
#include "uninstall/driver_removal.hpp"
#include "uninstall/installer_package_removal.hpp"

namespace valdorine {
namespace {

using testing::W;

// A package that cannot be removed keeps its line for the rewritten Uninstall.DAT, with a failure
// line that names it and the Windows Installer's code; a line with another field count is dropped.
TEST(UninstallerComponentsTest, PackagesThatCannotBeRemovedStayOnRecord) {
  testing::ScratchFolder folder;
  const String missing = folder.Join(u"missing.msi");
  const String line = String::FormatNarrow("\"%s\",2", NarrowFromWide(missing, code_page::kAnsi).Narrow());
  String failures;
  const Array<String> kept =
      RemoveInstallerPackages(Array<String>{line, String::FromNarrow("only-one-field")}, failures);
  ASSERT_EQ(kept.Count(), 1);
  EXPECT_EQ(kept[0], line);
  EXPECT_EQ(failures.FindWide(u"Failed to uninstall missing.msi, code "), 0) << failures.Narrow();
  EXPECT_GT(failures.FindWide(u"\r\n"), 0);
}

// An INF copied into the system's INF folder goes when its record is removed. (Windows also deletes
// the precompiled .pnf beside it; Wine's Setup API leaves that, so it is not checked here.)
TEST(UninstallerComponentsTest, DriverPackagesLeaveTheDriverStore) {
  const String inf_folder = JoinPath(WindowsFolder(), W(u"inf"));
  const String inf = JoinPath(inf_folder, W(u"oem9731.inf"));
  ASSERT_TRUE(testing::WriteBytes(inf, "[Version]\r\nSignature=\"$Windows NT$\"\r\n"));
  RemoveDriverPackages(Array<String>{NarrowFromWide(inf, code_page::kAnsi)});
  EXPECT_FALSE(FileExists(inf));
}

}  // namespace
}  // namespace valdorine
