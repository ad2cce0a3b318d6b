#include "core/win32/file_system.hpp"

#include <gtest/gtest.h>

#include "../string_test_support.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::W;
using testing::WriteBytes;

TEST(CreateFolderTree, CreatesEveryMissingLevel) {
  testing::ScratchFolder scratch;
  const String deep = scratch.Join(u"a\\b\\c\\");
  EXPECT_TRUE(CreateFolderTree(deep));
  EXPECT_TRUE(FolderExists(scratch.Join(u"a\\b\\c")));
  EXPECT_TRUE(CreateFolderTree(deep));  // already there
}

TEST(CreateFolderTree, FailsWhereALevelCannotBeMade) {
  testing::ScratchFolder scratch;
  ASSERT_TRUE(WriteBytes(scratch.Join(u"file"), "x"));
  EXPECT_FALSE(CreateFolderTree(scratch.Join(u"file\\sub")));
  EXPECT_FALSE(CreateFolderTree(String()));
  EXPECT_FALSE(CreateFolderTree(String::FormatWide(u"%c:\\folder", testing::AbsentDriveLetter())));
}

TEST(SameFile, EqualPathsOrTheSameFileOnDisk) {
  testing::ScratchFolder scratch;
  const String a = scratch.Join(u"a.txt");
  const String b = scratch.Join(u"b.txt");
  ASSERT_TRUE(WriteBytes(a, "same"));
  ASSERT_TRUE(WriteBytes(b, "same"));
  ASSERT_TRUE(CreateFolderTree(scratch.Join(u"sub")));
  struct Row {
    const char* label;
    String first;
    String second;
    bool same;
  };
  const Row rows[] = {
      {"other letter case", a, scratch.Join(u"A.TXT"), true},
      {"through ..", a, scratch.Join(u"sub\\..\\a.txt"), true},
      {"different files of the same size", a, b, false},
      {"missing file", a, scratch.Join(u"missing.txt"), false},
      {"equal missing paths", scratch.Join(u"missing.txt"), scratch.Join(u"missing.txt"), true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    EXPECT_EQ(SameFile(row.first, row.second), row.same);
  }
}

TEST(FinalPath, ExistingPathsAsTheSystemResolvesThem) {
  testing::ScratchFolder scratch;
  ASSERT_TRUE(CreateFolderTree(scratch.Join(u"Sub")));
  const String final_path = FinalPath(scratch.Join(u"sub\\..\\SUB"));
  EXPECT_EQ(testing::WideOf(final_path).substr(0, 4), u"\\\\?\\");
  EXPECT_TRUE(SameFile(final_path, scratch.Join(u"Sub")));
  EXPECT_TRUE(FinalPath(scratch.Join(u"missing")).IsEmpty());
}

TEST(FullPath, ResolvesDotsAgainstTheCurrentFolder) {
  EXPECT_EQ(testing::WideOf(FullPath(W(u"C:\\a\\b\\..\\c\\.\\d"))), u"C:\\a\\c\\d");
  EXPECT_EQ(FullPath(W(u"relative")).WideAt(1), u':');
}

}  // namespace
}  // namespace valdorine
