#include "installer/desktop_shell_start.hpp"

#include <gtest/gtest.h>

#include "core/win32/system_folders.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::ScratchFolder;
using testing::W;

TEST(SplitProgramAndArguments, SplitsAtTheQuoteOrAtTheBlankAfterAnExistingFile) {
  ScratchFolder folder;
  const String program = folder.Join(u"my app.exe");
  ASSERT_TRUE(testing::WriteBytes(program, "MZ"));
  const String unquoted = ConcatWide(program.Wide(), u"  -x \"a b\"", nullptr);
  struct Case {
    String command;
    String program;
    String arguments;
  } cases[] = {
      {W(u"\"C:\\Program Files\\a.exe\" -x"), W(u"C:\\Program Files\\a.exe"), W(u"-x")},
      {W(u"  \"C:\\a.exe\""), W(u"C:\\a.exe"), W(u"")},
      {W(u"\"C:\\unterminated.exe -x"), W(u"C:\\unterminated.exe -x"), W(u"")},
      {unquoted, program, W(u"-x \"a b\"")},
      {W(u"C:\\missing folder\\b.exe -y "), W(u"C:\\missing folder\\b.exe -y"), W(u"")},
      {W(u"   "), W(u""), W(u"")},
  };
  for (const Case& c : cases) {
    const ProgramAndArguments split = SplitProgramAndArguments(c.command);
    EXPECT_EQ(split.program, c.program) << c.command.Narrow();
    EXPECT_EQ(split.arguments, c.arguments) << c.command.Narrow();
  }
}

// The desktop shell (Explorer's desktop window, which Wine provides too) starts the program: it
// writes a marker file into its working folder.
TEST(StartThroughDesktopShell, StartsTheProgramInTheWorkingFolder) {
  ScratchFolder folder;
  const String marker = folder.Join(u"started.txt");
  ASSERT_TRUE(StartThroughDesktopShell(JoinPath(SystemFolder(), W(u"cmd.exe")), W(u"/c echo started> started.txt"),
                                       folder.Path()));
  std::string written;
  for (int waited = 0; waited < 200 && written.empty(); ++waited) {
    Sleep(50);
    written = testing::ReadBytes(marker);
  }
  EXPECT_EQ(written, "started\r\n");
}

}  // namespace
}  // namespace valdorine
