#include "operations/file_destination.hpp"

#include <gtest/gtest.h>

#include "operations/entry_kinds.hpp"
#include "string_test_support.hpp"

namespace valdorine {
namespace {

using valdorine::testing::WideOf;

String W(const char16_t* text) { return String::FromWide(text); }

DestinationFolders Folders() {
  return {W(u"C:\\Program Files\\Product"), W(u"D:\\Common\\Shared"), W(u"C:\\Program Files\\Product\\uninstall"),
          W(u"C:\\Windows\\Fonts"), W(u"C:\\Windows\\system32")};
}

struct DestinationCase {
  uint32_t kind;
  uint32_t flags;
  const char16_t* name;
  const char16_t* explicit_destination;  // already expanded
  const char16_t* expected;
  bool create_folder;
};

TEST(ResolveDestination, ExplicitDestinationsUninstallFolderAndKindFolders) {
  const DestinationCase cases[] = {
      // By kind.
      {0, 0, u"bin\\app.exe", u"", u"C:\\Program Files\\Product\\bin\\app.exe", true},
      {5, 0, u"app.exe", u"", u"C:\\Program Files\\Product\\app.exe", true},
      {12, 0, u"applet.cpl", u"", u"C:\\Program Files\\Product\\applet.cpl", true},
      {1, 0, u"lib.dll", u"", u"D:\\Common\\Shared\\lib.dll", false},
      {4, 0, u"face.ttf", u"", u"C:\\Windows\\Fonts\\face.ttf", false},
      {6, 0, u"sys.dll", u"", u"C:\\Windows\\system32\\sys.dll", false},
      {8, 0, u"types.tlb", u"", u"C:\\Windows\\system32\\types.tlb", false},
      // The uninstall folder, unless an explicit destination is given.
      {0, entry_flag::kInUninstallFolder, u"help.txt", u"", u"C:\\Program Files\\Product\\uninstall\\help.txt", false},
      {6, entry_flag::kInUninstallFolder, u"help.txt", u"D:\\x\\", u"D:\\x\\help.txt", true},
      // Explicit folders take the last component of the name.
      {0, 0, u"sub\\a.txt", u"docs\\", u"C:\\Program Files\\Product\\docs\\a.txt", true},
      {0, 0, u"sub\\a.txt", u"docs\\\\", u"C:\\Program Files\\Product\\docs\\a.txt", true},
      {1, 0, u"sub\\a.dll", u"extra\\", u"D:\\Common\\Shared\\extra\\a.dll", true},
      {0, 0, u"a.txt", u"\\Data\\", u"C:\\Data\\a.txt", true},
      {1, 0, u"a.txt", u"\\Data\\", u"D:\\Data\\a.txt", true},
      {0, 0, u"a.txt", u"E:\\Elsewhere\\", u"E:\\Elsewhere\\a.txt", true},
      // Explicit file paths: the name was replaced by the destination itself.
      {0, 0, u"conf\\b.ini", u"conf\\b.ini", u"C:\\Program Files\\Product\\conf\\b.ini", true},
      {0, 0, u"\\b.ini", u"\\b.ini", u"C:\\b.ini", true},
      {9, 0, u"E:\\Tools\\b.exe", u"E:\\Tools\\b.exe", u"E:\\Tools\\b.exe", true},
  };
  for (const DestinationCase& c : cases) {
    const FileDestination destination =
        ResolveDestination(c.kind, c.flags, W(c.name), W(c.explicit_destination), Folders());
    EXPECT_EQ(WideOf(destination.path), c.expected) << "kind " << c.kind;
    EXPECT_EQ(destination.create_folder, c.create_folder) << "kind " << c.kind;
  }
}

TEST(ResolveDestination, NameReplacementAndLastComponent) {
  EXPECT_TRUE(NamesTheFile(W(u"%InstallDir%\\b.ini")));
  EXPECT_FALSE(NamesTheFile(W(u"%InstallDir%\\")));
  EXPECT_FALSE(NamesTheFile(String()));
  EXPECT_EQ(WideOf(LastPathComponent(W(u"a\\b/c.txt"))), u"c.txt");
  EXPECT_EQ(WideOf(LastPathComponent(W(u"plain.txt"))), u"plain.txt");
}

}  // namespace
}  // namespace valdorine
