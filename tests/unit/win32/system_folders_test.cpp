#include "core/win32/system_folders.hpp"

#include <gtest/gtest.h>

#include "../string_test_support.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/system_info.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;
using testing::W;

// Under the 64-bit prefix a 32-bit program sees the "(x86)" folders as its default ones, a 64-bit
// program the others.
TEST(SystemFolders, ProgramAndCommonFilesByKind) {
  ASSERT_TRUE(Is64BitWindows());
  const char16_t* own_program_files = sizeof(void*) == 4 ? u"C:\\Program Files (x86)" : u"C:\\Program Files";
  const char16_t* own_common_files =
      sizeof(void*) == 4 ? u"C:\\Program Files (x86)\\Common Files" : u"C:\\Program Files\\Common Files";
  struct Row {
    const char* label;
    String folder;
    const char16_t* expected;
  };
  const Row rows[] = {
      {"Program Files, default", ProgramFilesFolder(folder_kind::kDefault), own_program_files},
      {"Program Files, 32-bit", ProgramFilesFolder(folder_kind::k32Bit), u"C:\\Program Files (x86)"},
      {"Program Files, 64-bit", ProgramFilesFolder(folder_kind::k64Bit), u"C:\\Program Files"},
      {"Common Files, default", CommonFilesFolder(folder_kind::kDefault), own_common_files},
      {"Common Files, 32-bit", CommonFilesFolder(folder_kind::k32Bit), u"C:\\Program Files (x86)\\Common Files"},
      {"Common Files, 64-bit", CommonFilesFolder(folder_kind::k64Bit), u"C:\\Program Files\\Common Files"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    EXPECT_TRUE(EqualsIgnoreCase(row.folder, W(row.expected))) << NarrowOf(NarrowPath(row.folder));
  }
}

TEST(SystemFolders, WindowsAndSystemFolders) {
  EXPECT_TRUE(EqualsIgnoreCase(WindowsFolder(), W(u"C:\\windows"))) << NarrowOf(NarrowPath(WindowsFolder()));
  EXPECT_TRUE(EqualsIgnoreCase(SystemFolder(), JoinPath(WindowsFolder(), W(u"system32"))))
      << NarrowOf(NarrowPath(SystemFolder()));
}

}  // namespace
}  // namespace valdorine
