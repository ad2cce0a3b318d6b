#include <gtest/gtest.h>

#include <string>

#include "core/hash_list.hpp"
#include "core/string.hpp"
#include "core/type_name.hpp"
#include "core/vector.hpp"
#include "fatal_capture.hpp"
#include "string_test_support.hpp"

namespace valdorine {

struct DeclaredStruct {};
template <>
inline constexpr bool kDeclaredAsStruct<DeclaredStruct> = true;
enum class Colour { kRed };

}  // namespace valdorine

namespace other_library {
class Widget {};
}  // namespace other_library

namespace valdorine {
namespace {

using testing::NarrowOf;

Array<int> Numbers(std::initializer_list<int> items) { return Array<int>(items); }

std::vector<int> Items(const Array<int>& a) { return std::vector<int>(a.begin(), a.end()); }

// --- Vector / Array ---

TEST(Vector, InsertsAndRemovesByIndex) {
  Array<int> a = Numbers({1, 2, 3});
  a.Insert(1, 9);
  EXPECT_EQ(Items(a), (std::vector<int>{1, 9, 2, 3}));
  a.Insert(a.Count(), 4);
  a.Insert(0, 0);
  EXPECT_EQ(Items(a), (std::vector<int>{0, 1, 9, 2, 3, 4}));
  a.RemoveAt(2);
  EXPECT_EQ(Items(a), (std::vector<int>{0, 1, 2, 3, 4}));
  a.RemoveRange(1, 3);
  EXPECT_EQ(Items(a), (std::vector<int>{0, 4}));
  a.RemoveRange(1, 0);
  EXPECT_EQ(a.Count(), 2);
  EXPECT_EQ(a.First(), 0);
  EXPECT_EQ(a.Last(), 4);
}

TEST(Vector, SwapsReversesAndSortsBothWays) {
  Array<int> a = Numbers({3, 1, 2});
  a.Swap(0, 2);
  EXPECT_EQ(Items(a), (std::vector<int>{2, 1, 3}));
  a.Reverse();
  EXPECT_EQ(Items(a), (std::vector<int>{3, 1, 2}));
  const auto compare = [](int x, int y) { return x - y; };
  a.Sort(compare);
  EXPECT_EQ(Items(a), (std::vector<int>{1, 2, 3}));
  a.Sort(compare, true);
  EXPECT_EQ(Items(a), (std::vector<int>{3, 2, 1}));
}

TEST(Vector, HoldsStringsByValue) {
  Array<String> names;
  String name = String::FromNarrow("first");
  names.Append(name);
  names.Append(String::FromNarrow("second"));
  name.AppendNarrow(" changed");
  for (int i = 0; i < 100; ++i) names.Append(String::FromNarrow("more"));
  EXPECT_EQ(NarrowOf(names[0]), "first");
  EXPECT_EQ(NarrowOf(names[1]), "second");
}

void ReadElement(const Array<String>& names, int index) { (void)names[index].Length(); }

TEST(VectorDeathTest, IndexOutOfRangeIsFatalAndNamesTypeIndexAndHighestIndex) {
  Array<String> names;
  for (int i = 0; i < 3; ++i) names.Append(String::FromNarrow("name"));
  EXPECT_EXIT(
      {
        testing::ShowFatalTextVisibly();
        ReadElement(names, 5);
      },
      ::testing::ExitedWithCode(1), "^Vector<class String>\\[5\\]<CR><LF>max_index = 2$");
  EXPECT_EXIT(
      {
        testing::ShowFatalTextVisibly();
        Array<int> numbers = Numbers({1});
        numbers[-1] = 0;
      },
      ::testing::ExitedWithCode(1), "^Vector<int>\\[-1\\]<CR><LF>max_index = 0$");
  EXPECT_EXIT(
      {
        testing::ShowFatalTextVisibly();
        Array<int> empty;
        empty.Last();
      },
      ::testing::ExitedWithCode(1), "^Vector<int>\\[-1\\]<CR><LF>max_index = -1$");
}

TEST(TypeName, SpellsTypesAsWindowsRunTimeTypeInformationDoes) {
  EXPECT_STREQ(TypeName<String>(), "class String");
  EXPECT_STREQ(TypeName<int>(), "int");
  EXPECT_STREQ(TypeName<unsigned char>(), "unsigned char");
  EXPECT_STREQ(TypeName<long long>(), "__int64");
  EXPECT_STREQ(TypeName<unsigned long long>(), "unsigned __int64");
  EXPECT_STREQ(TypeName<unsigned short>(), "unsigned short");
  EXPECT_STREQ(TypeName<long>(), "long");
  EXPECT_STREQ(TypeName<Vector<int>>(), "class Vector<int>");
  EXPECT_STREQ(TypeName<DeclaredStruct>(), "struct DeclaredStruct");
  EXPECT_STREQ(TypeName<Colour>(), "enum Colour");
  EXPECT_STREQ(TypeName<other_library::Widget>(), "class other_library::Widget");
}

// --- List<Bucket<V, K>> ---

using StringMap = List<Bucket<String, String>>;
using StringSet = List<Bucket<bool, String>>;

String Key(const char* text) { return String::FromNarrow(text); }

TEST(HashList, BucketCountIsExpectedEntriesPlusOneTimesOneAndAQuarter) {
  struct Case {
    int expected_entries;
    int buckets;
  };
  const Case cases[] = {{-5, 0}, {-1, 0}, {0, 1}, {3, 5}, {10, 13}, {100, 126}};
  for (const Case& c : cases) {
    StringSet set;
    set.SetBucketCount(c.expected_entries);
    EXPECT_EQ(set.BucketCount(), c.buckets) << c.expected_entries;
  }
}

TEST(HashList, FindsNothingWithoutBuckets) {
  StringMap map;
  EXPECT_EQ(map.Find(Key("a")), nullptr);
  map.SetBucketCount(-1);
  EXPECT_EQ(map.Find(Key("a")), nullptr);
}

TEST(HashList, FindOrInsertAddsTheDefaultOnceAndFindReturnsIt) {
  StringMap map;
  map.SetBucketCount(4);
  map.FindOrInsert(Key("InstallDir")) = Key("C:\\Product");
  String& again = map.FindOrInsert(Key("InstallDir"), Key("ignored"));
  EXPECT_EQ(NarrowOf(again), "C:\\Product");
  EXPECT_EQ(NarrowOf(map.FindOrInsert(Key("Other"), Key("default"))), "default");
  EXPECT_EQ(map.Count(), 2);
  ASSERT_NE(map.Find(Key("InstallDir")), nullptr);
  EXPECT_EQ(NarrowOf(*map.Find(Key("InstallDir"))), "C:\\Product");
}

TEST(HashList, KeysMatchOnlyByteForByte) {
  StringSet set;
  set.SetBucketCount(8);
  set.FindOrInsert(Key("Name")) = true;
  EXPECT_TRUE(set.Contains(Key("Name")));
  EXPECT_FALSE(set.Contains(Key("name")));
  EXPECT_FALSE(set.Contains(String::FromWide(u"Name")));
  EXPECT_FALSE(set.Contains(Key("Name ")));
}

TEST(HashList, ManyEntriesShareFewBucketsAndIterateNewestFirst) {
  StringMap map;
  map.SetBucketCount(2);
  for (int i = 0; i < 500; ++i) map.FindOrInsert(String::FormatNarrow("key%d", i)) = String::FormatNarrow("%d", i);
  EXPECT_EQ(map.Count(), 500);
  for (int i = 0; i < 500; ++i) {
    const String* value = map.Find(String::FormatNarrow("key%d", i));
    ASSERT_NE(value, nullptr) << i;
    EXPECT_EQ(NarrowOf(*value), std::to_string(i));
  }
  int expected = 499;
  for (const auto& entry : map) EXPECT_EQ(NarrowOf(entry.value), std::to_string(expected--));
  EXPECT_EQ(expected, -1);
}

TEST(HashList, SettingTheBucketCountEmptiesTheTable) {
  StringSet set;
  set.SetBucketCount(10);
  set.FindOrInsert(Key("a"));
  set.SetBucketCount(20);
  EXPECT_EQ(set.Count(), 0);
  EXPECT_FALSE(set.Contains(Key("a")));
  EXPECT_EQ(set.begin(), set.end());
}

// The uninstall list clears its folder set between runs: nothing cleared may still be found.
TEST(HashList, ClearForgetsEveryEntryAndKeepsTheBuckets) {
  StringMap map;
  map.SetBucketCount(3);
  map.FindOrInsert(Key("a")) = Key("old");
  map.FindOrInsert(Key("b")) = Key("old");
  map.Clear();
  EXPECT_EQ(map.Count(), 0);
  EXPECT_EQ(map.BucketCount(), 5);
  EXPECT_EQ(map.Find(Key("a")), nullptr);
  EXPECT_EQ(map.begin(), map.end());
  EXPECT_EQ(NarrowOf(map.FindOrInsert(Key("a"), Key("new"))), "new");
  EXPECT_EQ(map.Count(), 1);
}

TEST(HashList, InsertingIntoATableWithoutBucketsSizesItFirst) {
  StringSet set;
  set.FindOrInsert(Key("a")) = true;
  EXPECT_EQ(set.BucketCount(), 21);
  EXPECT_TRUE(set.Contains(Key("a")));
}

}  // namespace
}  // namespace valdorine
