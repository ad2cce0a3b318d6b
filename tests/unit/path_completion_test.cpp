#include "paths/path_completion.hpp"

#include <gtest/gtest.h>

#include "string_test_support.hpp"

namespace valdorine {
namespace {

using testing::WideOf;

TEST(PathCompletion, MakesScriptPathsAbsoluteAgainstTheBase) {
  struct Row {
    const char16_t* path;
    const char16_t* base;
    const char16_t* expected;
  };
  const Row rows[] = {
      {u"Vendor\\Shared", u"C:\\Program Files\\Common Files", u"C:\\Program Files\\Common Files\\Vendor\\Shared"},
      {u"..\\Shared", u"C:\\Program Files\\Common Files", u"C:\\Program Files\\Shared"},
      {u"..\\..\\..\\Shared", u"C:\\Program Files\\Common Files", u"C:\\Shared"},  // never above the root
      {u"\\Shared", u"C:\\Program Files\\Common Files", u"C:\\Shared"},
      {u"\\Shared", u"\\\\server\\share\\Common", u"\\\\server\\share\\Shared"},
      {u"D:Shared", u"C:\\Program Files\\Common Files", u"D:\\Program Files\\Common Files\\Shared"},
      {u"D:Shared", u"C:\\", u"D:\\Shared"},
      {u"D:\\Shared", u"C:\\Program Files", u"D:\\Shared"},
      {u"\\\\server\\share\\Shared", u"C:\\Program Files", u"\\\\server\\share\\Shared"},
      {u"", u"C:\\ProgramData", u"C:\\ProgramData"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(WideOf(CompletePath(String::FromWide(row.path), String::FromWide(row.base))), row.expected);
  }
}

}  // namespace
}  // namespace valdorine
