#include "core/win32/file_search.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../string_test_support.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::ScratchFolder;
using testing::W;
using testing::WideOf;
using testing::WriteBytes;

TEST(FindMatchingFiles, MatchesLongNamesOfFilesOnly) {
  ScratchFolder folder;
  for (const char16_t* name : {u"a.htm", u"b.html", u"README", u"c.TXT", u"ab.htm"}) {
    ASSERT_TRUE(WriteBytes(folder.Join(name), "x"));
  }
  ASSERT_TRUE(CreateFolderTree(folder.Join(u"d.htm")));
  const struct {
    const char16_t* pattern;
    std::vector<std::u16string> names;
  } cases[] = {
      {u"*.htm", {u"a.htm", u"ab.htm"}},
      {u"*.*", {u"README", u"a.htm", u"ab.htm", u"b.html", u"c.TXT"}},
      {u"*", {u"README", u"a.htm", u"ab.htm", u"b.html", u"c.TXT"}},
      {u"?.txt", {u"c.TXT"}},
      {u"a*.HTM", {u"a.htm", u"ab.htm"}},
      {u"B.HTML", {u"b.html"}},
      {u"*.dll", {}},
      {u"missing\\*.htm", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern, c.pattern + std::char_traits<char16_t>::length(c.pattern)));
    std::vector<std::u16string> found;
    for (const String& path : FindMatchingFiles(folder.Join(c.pattern))) {
      const std::u16string full = WideOf(path);
      const std::u16string prefix = WideOf(folder.Path()) + u"\\";
      ASSERT_EQ(full.substr(0, prefix.size()), prefix);
      found.push_back(full.substr(prefix.size()));
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, c.names);
  }
}

}  // namespace
}  // namespace valdorine
