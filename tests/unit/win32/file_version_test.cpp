#include "operations/file_version.hpp"

#include <gtest/gtest.h>

#include "core/win32/system_folders.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::ScratchFolder;
using testing::W;
using testing::WriteBytes;

TEST(FileVersionText, ReadsTheVersionResourceOfASystemLibrary) {
  const std::optional<std::string> version = FileVersionText(JoinPath(SystemFolder(), W(u"kernel32.dll")));
  ASSERT_TRUE(version.has_value());
  EXPECT_FALSE(version->empty());
  EXPECT_TRUE(version->front() >= '0' && version->front() <= '9') << *version;
  EXPECT_EQ(version->find(','), std::string::npos) << *version;
  EXPECT_NE(version->back(), ' ');
}

TEST(FileVersionText, FilesWithoutVersionResourceHaveNone) {
  ScratchFolder scratch;
  const String text_file = scratch.Join(u"plain.dll");
  ASSERT_TRUE(WriteBytes(text_file, "not a program"));
  EXPECT_FALSE(FileVersionText(text_file).has_value());
  EXPECT_FALSE(FileVersionText(scratch.Join(u"missing.dll")).has_value());
}

}  // namespace
}  // namespace valdorine
