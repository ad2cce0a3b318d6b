#include "core/path_text.hpp"

#include <gtest/gtest.h>

#include "string_test_support.hpp"

namespace valdorine {
namespace {

String W(const char16_t* text) { return String::FromWide(text); }

TEST(PathText, WidePathFromNarrowReadsTheBarMarkerAsUtf8) {
  EXPECT_EQ(testing::WideOf(WidePathFromNarrow(String::FromNarrow("C:\\Temp\\a.txt"))), u"C:\\Temp\\a.txt");
  EXPECT_EQ(testing::WideOf(WidePathFromNarrow(String::FromNarrow("|C:\\\xD0\x96.txt"))), u"C:\\\u0416.txt");
  EXPECT_EQ(testing::WideOf(WidePathFromNarrow(NarrowPath(W(u"C:\\\u0416\u00E9.txt")))), u"C:\\\u0416\u00E9.txt");
}

TEST(PathText, ValidFileNames) {
  struct Row {
    const char16_t* path;
    bool valid;
  };
  const Row rows[] = {
      {u"C:\\dir\\file.txt", true},  {u"relative\\file", true},   {u"\\\\server\\share\\f", true},
      {u"\\\\?\\C:\\long\\path", true}, {u"", false},              {u"C:\\a<b", false},
      {u"C:\\a>b", false},           {u"C:\\a\"b", false},        {u"C:\\a|b", false},
      {u"C:\\a?b", false},           {u"C:\\*.txt", false},       {u"C:\\a\tb", false},
      {u"C:\\dir\\file:stream", false}, {u"1:\\file", false},     {u"\\\\?\\", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::NarrowOf(NarrowFromWide(W(row.path), code_page::kUtf8)));
    EXPECT_EQ(IsValidFileName(W(row.path)), row.valid);
  }
}

TEST(PathText, RootsParentsAndDriveLetters) {
  struct Row {
    const char16_t* path;
    int root_length;
    const char16_t* parent;
    char16_t drive;
  };
  const Row rows[] = {
      {u"C:\\dir\\file", 3, u"C:\\dir", u'C'},
      {u"c:\\file", 3, u"c:\\", u'C'},
      {u"C:\\dir\\sub\\\\", 3, u"C:\\dir", u'C'},
      {u"C:file", 2, u"C:", u'C'},
      {u"\\dir\\file", 1, u"\\dir", 0},
      {u"\\\\server\\share\\dir\\file", 15, u"\\\\server\\share\\dir", 0},
      {u"\\\\server\\share\\file", 15, u"\\\\server\\share\\", 0},
      {u"\\\\?\\C:\\dir\\file", 7, u"\\\\?\\C:\\dir", 0},
      {u"\\\\?\\UNC\\server\\share\\f", 21, u"\\\\?\\UNC\\server\\share\\", 0},
      {u"file.txt", 0, u"", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::NarrowOf(NarrowFromWide(W(row.path), code_page::kUtf8)));
    EXPECT_EQ(PathRootLength(W(row.path)), row.root_length);
    EXPECT_EQ(testing::WideOf(ParentFolder(W(row.path))), row.parent);
    EXPECT_EQ(DriveLetter(W(row.path)), row.drive);
  }
}

TEST(PathText, DevicePrefixes) {
  EXPECT_EQ(testing::WideOf(WithoutDevicePrefix(W(u"\\\\?\\C:\\Windows"))), u"C:\\Windows");
  EXPECT_EQ(testing::WideOf(WithoutDevicePrefix(W(u"\\\\.\\C:\\Windows"))), u"C:\\Windows");
  EXPECT_EQ(testing::WideOf(WithoutDevicePrefix(W(u"\\\\?\\UNC\\server\\share\\f"))), u"\\\\server\\share\\f");
  EXPECT_EQ(testing::WideOf(WithoutDevicePrefix(W(u"C:\\plain"))), u"C:\\plain");
}

TEST(PathText, TrailingSeparatorsGoExceptTheRoots) {
  EXPECT_EQ(testing::WideOf(WithoutTrailingSeparators(W(u"C:\\dir\\\\"))), u"C:\\dir");
  EXPECT_EQ(testing::WideOf(WithoutTrailingSeparators(W(u"C:\\dir/"))), u"C:\\dir");
  EXPECT_EQ(testing::WideOf(WithoutTrailingSeparators(W(u"C:\\"))), u"C:\\");
  EXPECT_EQ(testing::WideOf(WithoutTrailingSeparators(W(u"\\\\server\\share\\"))), u"\\\\server\\share\\");
}

}  // namespace
}  // namespace valdorine
