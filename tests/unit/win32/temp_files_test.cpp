#include "core/win32/temp_files.hpp"

#include <gtest/gtest.h>

#include "../string_test_support.hpp"
#include "core/path_text.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;
using testing::W;
using testing::WideOf;

String NameOf(const String& path) { return path.Substring(ParentFolder(path).WideLength() + 1); }

TEST(TempFolder, IsAnExistingFolderEndingWithABackslash) {
  const String& folder = TempFolder();
  EXPECT_EQ(folder.WideAt(folder.WideLength() - 1), u'\\');
  EXPECT_TRUE(FolderExists(folder));
  EXPECT_EQ(&TempFolder(), &folder);  // computed once
}

TEST(MakeTempName, WithAnExtensionCreatesSgtAndFourCharacters) {
  testing::ScratchFolder scratch;
  const String path = MakeTempName(scratch.Path(), W(u".log"));
  const std::u16string name = WideOf(NameOf(path));
  ASSERT_EQ(name.size(), 11u) << NarrowOf(NarrowPath(path));
  EXPECT_EQ(name.substr(0, 3), u"SGT");
  EXPECT_EQ(name.substr(7), u".log");
  EXPECT_TRUE(EqualsIgnoreCase(ParentFolder(path), scratch.Path()));
  EXPECT_TRUE(FileExists(path));  // created, so that no one else takes the name
  EXPECT_NE(MakeTempName(scratch.Path(), W(u"log")), path);
}

TEST(MakeTempName, WithoutAnExtensionTheSystemMakesTheFile) {
  testing::ScratchFolder scratch;
  const String path = MakeTempName(scratch.Path(), String());
  EXPECT_EQ(WideOf(NameOf(path)).substr(0, 3), u"SGT");
  EXPECT_TRUE(FileExists(path));
}

TEST(MakeTempName, DefaultsToTheTemporaryFolder) {
  const String path = MakeTempName(String(), W(u"log"));
  EXPECT_TRUE(EqualsIgnoreCase(ParentFolder(path), WithoutTrailingSeparators(TempFolder())));
  EXPECT_TRUE(DeleteFileAt(path));
}

TEST(MakeTempName, MissingFolderIsCreatedAndAnUncreatableOneGivesNothing) {
  testing::ScratchFolder scratch;
  const String folder = scratch.Join(u"new\\deeper");
  const String path = MakeTempName(folder, W(u"dat"));
  EXPECT_TRUE(FolderExists(folder));
  EXPECT_TRUE(EqualsIgnoreCase(ParentFolder(path), folder));

  const String blocker = scratch.Join(u"file");
  ASSERT_TRUE(testing::WriteBytes(blocker, "x"));
  EXPECT_TRUE(MakeTempName(JoinPath(blocker, W(u"sub")), W(u"dat")).IsEmpty());
}

}  // namespace
}  // namespace valdorine
