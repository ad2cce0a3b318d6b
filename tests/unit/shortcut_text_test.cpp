#include "operations/shortcut_text.hpp"

#include <gtest/gtest.h>

#include "string_test_support.hpp"

namespace valdorine {
namespace {

using testing::WideOf;

String W(const char16_t* text) { return String::FromWide(text); }

TEST(ShortcutText, StartInFolderKeepsABareDrivesBackslash) {
  struct Row {
    const char16_t* folder;
    const char16_t* expected;
  };
  const Row rows[] = {
      {u"  C:\\Program Files\\Tool\\  ", u"C:\\Program Files\\Tool"},
      {u"D:", u"D:\\"},
      {u"D:\\", u"D:\\"},
      {u" D:\\ ", u"D:\\"},
      {u"\\\\server\\share\\", u"\\\\server\\share"},
      {u"   ", u""},
  };
  for (const Row& row : rows) EXPECT_EQ(WideOf(StartInFolder(W(row.folder))), row.expected);
}

TEST(ShortcutText, ArgumentsCarryingTheirOwnProgram) {
  struct Row {
    const char16_t* arguments;
    bool taken;
    const char16_t* program;
    const char16_t* rest;
  };
  const Row rows[] = {
      {u"~\" C:\\Tools\\run.exe \"   -a \"b c\"", true, u"C:\\Tools\\run.exe", u"-a \"b c\""},
      {u"~\"notepad.exe\"", true, u"notepad.exe", u""},
      {u"~\"C:\\no end -x", true, u"C:\\no end -x", u""},  // no closing quote: all of it is the program
      {u"~notepad.exe", false, u"", u""},
      {u"\"~\"x\"", false, u"", u""},
      {u"", false, u"", u""},
  };
  for (const Row& row : rows) {
    ProgramAndArguments result;
    EXPECT_EQ(TakeOwnProgram(W(row.arguments), result), row.taken);
    EXPECT_EQ(WideOf(result.program), row.program);
    EXPECT_EQ(WideOf(result.arguments), row.rest);
  }
}

TEST(ShortcutText, CommandsSplitIntoProgramAndArguments) {
  struct Row {
    const char16_t* command;
    const char16_t* program;
    const char16_t* arguments;
  };
  const Row rows[] = {
      {u"E:\\app\\run.exe /portable  x", u"E:\\app\\run.exe", u"/portable  x"},
      {u"\"E:\\my app\\run.exe\" /p", u"E:\\my app\\run.exe", u"/p"},
      {u"  run.exe", u"run.exe", u""},
      {u"run.exe", u"run.exe", u""},
      {u"", u"", u""},
  };
  for (const Row& row : rows) {
    const ProgramAndArguments result = SplitCommand(W(row.command));
    EXPECT_EQ(WideOf(result.program), row.program);
    EXPECT_EQ(WideOf(result.arguments), row.arguments);
  }
}

// The language string is the package's text: a "%n" or a second "%s" in it must stay text.
TEST(ShortcutText, DefaultNameUsesOnlyTheFirstPlaceholder) {
  EXPECT_EQ(WideOf(DefaultShortcutName(W(u"%s"), W(u"tool.exe"))), u"tool.exe");
  EXPECT_EQ(WideOf(DefaultShortcutName(W(u"Start %s now %s%n"), W(u"tool.exe"))), u"Start tool.exe now %s%n");
  EXPECT_EQ(WideOf(DefaultShortcutName(W(u"Tool"), W(u"tool.exe"))), u"Tool");
}

}  // namespace
}  // namespace valdorine
