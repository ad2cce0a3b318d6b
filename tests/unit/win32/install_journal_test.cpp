// The install journal: which lines a later run takes over, and a killed run's journal completed
// into the next run's uninstall list.
#include "operations/install_journal.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include "../string_test_support.hpp"
#include "core/win32/win_text.hpp"
#include "run/run_state.hpp"
#include "scratch_folder.hpp"
#include "uninstall/uninstall_list.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::W;
using testing::WriteBytes;

TEST(InstallJournal, TakesOverOnlyPathsInsideTheInstallationFolder) {
  struct Case {
    const char* line;
    bool taken;
    int kind;
  };
  const Case cases[] = {
      {"FC:\\App\\bin\\tool.exe\r", true, uninstall_entry::kFile},
      {"Dc:\\app\\bin", true, uninstall_entry::kFolder},
      {"F|C:\\App\\caf\xC3\xA9.txt", true, uninstall_entry::kFile},
      {"FC:\\App", false, 0},
      {"FC:\\Apple\\x.txt", false, 0},
      {"FC:\\Windows\\system32\\x.dll", false, 0},
      {"FC:\\App\\..\\Windows\\x.dll", false, 0},
      {"FC:\\App\\sub\\nul", false, 0},
      {"FC:\\App\\x.txt:stream", false, 0},
      {"RC:\\App\\x.txt", false, 0},
      {"F", false, 0},
      {"", false, 0},
  };
  for (const Case& c : cases) {
    int kind = -1;
    String path;
    EXPECT_EQ(ParseJournalLine(String::FromNarrow(c.line), W(u"C:\\App"), kind, path), c.taken) << c.line;
    if (c.taken) EXPECT_EQ(kind, c.kind) << c.line;
  }
}

}  // namespace
}  // namespace valdorine
