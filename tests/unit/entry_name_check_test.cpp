// Entry names: what stays inside its base folder, what would leave it or name a device, and the
// record check that refuses such a name and trailing bytes after the data checksum.
#include <gtest/gtest.h>

#include "core/string.hpp"

#include "format/byte_writer.hpp"
#include "format/entry_name_check.hpp"
#include "format/file_entry.hpp"

namespace valdorine {
namespace {

TEST(EntryNameCheck, RefusesEveryWayOutOfTheFolder) {
  struct Case {
    const char* name;
    EntryNameFault expected;
  };
  const Case cases[] = {
      {"readme.txt", EntryNameFault::kNone},
      {"bin\\tool.exe", EntryNameFault::kNone},
      {"b/0@+", EntryNameFault::kNone},  // the builder's hidden-name marker
      {"..a\\b..c\\.profile", EntryNameFault::kNone},
      {"console.txt", EntryNameFault::kNone},
      {"COM10", EntryNameFault::kNone},
      {"\xC3\xA9t\xC3\xA9.txt", EntryNameFault::kNone},
      {"..\\..\\x.txt", EntryNameFault::kParentOrCurrent},
      {"../../x.txt", EntryNameFault::kParentOrCurrent},
      {"sub\\..\\..\\..\\x.txt", EntryNameFault::kParentOrCurrent},
      {"sub\\..", EntryNameFault::kParentOrCurrent},
      {".\\x.txt", EntryNameFault::kParentOrCurrent},
      {"...\\x.txt", EntryNameFault::kTrailingDotOrSpace},
      {"x.txt.", EntryNameFault::kTrailingDotOrSpace},
      {"dir \\x.txt", EntryNameFault::kTrailingDotOrSpace},
      {"\\Windows\\x.txt", EntryNameFault::kEmpty},
      {"/etc/x", EntryNameFault::kEmpty},
      {"\\\\server\\share\\x.txt", EntryNameFault::kEmpty},
      {"\\\\?\\C:\\x.txt", EntryNameFault::kReservedCharacter},  // the "?" comes first
      {"a\\\\b", EntryNameFault::kEmpty},
      {"sub\\", EntryNameFault::kEmpty},
      {"C:\\x.txt", EntryNameFault::kDriveOrStream},
      {"C:x.txt", EntryNameFault::kDriveOrStream},
      {"x.txt:hidden", EntryNameFault::kDriveOrStream},
      {"NUL", EntryNameFault::kDeviceName},
      {"sub\\nul.txt", EntryNameFault::kDeviceName},
      {"Com1", EntryNameFault::kDeviceName},
      {"lpt9.log", EntryNameFault::kDeviceName},
      {"CON .txt", EntryNameFault::kDeviceName},
      {"COM\xC2\xB9", EntryNameFault::kDeviceName},
      {"conout$", EntryNameFault::kDeviceName},
      {"a*.txt", EntryNameFault::kReservedCharacter},
      {"what?.txt", EntryNameFault::kReservedCharacter},
      {"a\tb", EntryNameFault::kReservedCharacter},
      {"a|b", EntryNameFault::kReservedCharacter},
  };
  for (const Case& c : cases) EXPECT_EQ(CheckEntryName(c.name), c.expected) << c.name;
}

std::vector<uint8_t> Record(const FileEntry& entry, const std::vector<uint8_t>& data) {
  ByteWriter writer;
  writer.Bytes(EncodeEntryFields(entry));
  writer.Bytes(data);
  writer.U32(PackageChecksum(data.data(), static_cast<int64_t>(data.size())));
  return writer.Take();
}

TEST(EntryNameCheck, RecordsWithAnEscapingNameOrTrailingBytesAreRefused) {
  const std::vector<uint8_t> data = {1, 2, 3};
  FileEntry entry;
  entry.name = "ok.txt";
  FileEntry read;
  EXPECT_EQ(ParseFileEntry(Record(entry, data), 3, read), PackageError::kNone);

  std::vector<uint8_t> trailing = Record(entry, data);
  trailing.push_back(0);
  EXPECT_EQ(ParseFileEntry(trailing, 3, read), PackageError::kEntryDataChecksum);

  entry.name = "..\\..\\x.txt";
  EXPECT_EQ(ParseFileEntry(Record(entry, data), 3, read), PackageError::kEntryNameUnsafe);
}

}  // namespace
}  // namespace valdorine
