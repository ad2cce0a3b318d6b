// Reading the archive: round trips through the writer, and each error the reader can raise.
#include <gtest/gtest.h>

#include <functional>

#include "format/archive_reader.hpp"
#include "format/byte_writer.hpp"
#include "format/xz_codec.hpp"
#include "support/entry_data_bytes.hpp"
#include "support/test_package.hpp"

namespace valdorine {
namespace {

using testing::EntrySizes;
using testing::JoinBlocks;
using testing::MakeEntry;
using testing::SplitBlocks;
using testing::TestEntry;
using testing::WriteTestArchive;

std::vector<TestEntry> SampleEntries() {
  // A record longer than the room the reader keeps before each chunk: split across blocks, it is
  // joined by copying.
  TestEntry long_record = MakeEntry("long.txt", 20);
  long_record.entry.extra_text = std::string(3 * ArchiveReader::kChunkHeadroom, 'x');
  return {MakeEntry("readme.txt", 300), MakeEntry("empty.dat", 0), MakeEntry("app\\tool.exe", 5000, 1, 0x1),
          long_record, MakeEntry("setup.msi", 70, kEntryKindMsiPackage), MakeEntry("last.bin", 1)};
}

// Reads every entry, keeping a copy of each entry's data (its view lives only until the next).
PackageError ReadAll(std::span<const uint8_t> archive, const ArchiveSettings& settings,
                     std::vector<TestEntry>* read = nullptr) {
  ArchiveReader reader(archive, settings);
  while (reader.HasNextEntry()) {
    FileEntry entry;
    const PackageError error = reader.NextEntry(entry);
    if (error != PackageError::kNone) return error;
    std::vector<uint8_t> data;
    if (const PackageError data_error = testing::ReadEntryData(reader.Data(), data); data_error != PackageError::kNone) {
      return data_error;
    }
    if (read) read->push_back({entry, data});
  }
  return reader.Finish();
}

TEST(Archive, RoundTripsWithRecordsSplitAcrossBlocks) {
  const Blowfish cipher{std::span<const uint8_t>(testing::kTestKey)};
  struct Setup {
    size_t block_size;
    BlockPacking packing;
  };
  for (const Setup& setup : {Setup{16, {true, 0, nullptr}}, Setup{1 << 20, {true, 1, &cipher}},
                             Setup{100, {false, 0, &cipher}}, Setup{7, {false, 0, nullptr}}}) {
    std::vector<TestEntry> entries = SampleEntries();
    const std::vector<uint8_t> archive = WriteTestArchive(entries, setup.block_size, setup.packing);
    const std::vector<int32_t> sizes = EntrySizes(entries);
    std::vector<TestEntry> read;
    ASSERT_EQ(ReadAll(archive, {setup.packing.compress, setup.packing.cipher, sizes}, &read), PackageError::kNone)
        << "block size " << setup.block_size;
    ASSERT_EQ(read.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      const FileEntry& expected = entries[i].entry;
      const FileEntry& got = read[i].entry;
      EXPECT_EQ(got.name, expected.name);
      EXPECT_EQ(got.kind, expected.kind);
      EXPECT_EQ(got.flags, expected.flags);
      EXPECT_EQ(got.date.second, expected.date.second);
      EXPECT_EQ(got.extra_text, expected.extra_text);
      EXPECT_EQ(got.shortcut_icon, expected.shortcut_icon);
      EXPECT_EQ(got.arguments, expected.arguments);
      EXPECT_EQ(got.destination, expected.destination);
      EXPECT_EQ(got.component_text, expected.component_text);
      EXPECT_EQ(got.ui_level, expected.ui_level);
      EXPECT_EQ(read[i].data, entries[i].data) << expected.name;
    }
  }
}

TEST(Archive, EmptyArchiveHasNoEntriesAndNothingLeft) {
  EXPECT_EQ(ReadAll({}, {true, nullptr, {}}), PackageError::kNone);
}

TEST(Archive, ADamagedBlockFailsOnlyTheEntryThatNeedsIt) {
  // Five entries, one block each. Blocks after the current one are read and decoded ahead, so
  // this checks that a damaged block's error waits until its entry is asked for, and that every
  // entry before it still reads whole.
  constexpr size_t kEntries = 5;
  std::vector<std::vector<uint8_t>> blocks;
  std::vector<int32_t> sizes;
  for (size_t i = 0; i < kEntries; ++i) {
    std::vector<TestEntry> one = {MakeEntry("entry" + std::to_string(i), 1000 + static_cast<int32_t>(i))};
    blocks.push_back(SplitBlocks(WriteTestArchive(one, 1 << 20, {true, 6, nullptr})).at(0));
    sizes.push_back(EntrySizes(one)[0]);
  }
  // Each damage changes the framed blocks from the damaged one on.
  struct Damage {
    const char* what;
    std::function<void(std::vector<uint8_t>& framed, size_t block_size)> apply;
    PackageError expected;
  };
  const Damage damages[] = {
      {"not xz",
       [](std::vector<uint8_t>& framed, size_t block_size) {
         framed[8] ^= 0xFF;
         StoreU32(std::span(framed).subspan(4), PackageChecksum(framed.data() + 8, static_cast<int64_t>(block_size)));
       },
       PackageError::kBlockDecode},
      {"checksum", [](std::vector<uint8_t>& framed, size_t) { framed[4] ^= 1; }, PackageError::kBlockChecksum},
      {"length 0", [](std::vector<uint8_t>& framed, size_t) { StoreU32(framed, 0); }, PackageError::kBlockLength},
      {"cut short", [](std::vector<uint8_t>& framed, size_t block_size) { framed.resize(8 + block_size / 2); },
       PackageError::kBlockBeyondArchive},
  };
  for (const Damage& damage : damages) {
    for (size_t damaged = 0; damaged < kEntries; ++damaged) {
      std::vector<uint8_t> archive = JoinBlocks({blocks.begin(), blocks.begin() + damaged});
      std::vector<uint8_t> framed = JoinBlocks({blocks.begin() + damaged, blocks.end()});
      damage.apply(framed, blocks[damaged].size());
      archive.insert(archive.end(), framed.begin(), framed.end());

      ArchiveReader reader(archive, {true, nullptr, sizes});
      FileEntry entry;
      for (size_t i = 0; i < damaged; ++i) {
        ASSERT_EQ(reader.NextEntry(entry), PackageError::kNone) << damage.what << " in block " << damaged;
        EXPECT_EQ(entry.data_size, sizes[i]);
      }
      EXPECT_EQ(reader.NextEntry(entry), damage.expected) << damage.what << " in block " << damaged;
    }
  }
}

TEST(Archive, EachDamageRaisesItsCode) {
  std::vector<TestEntry> entries = {MakeEntry("a.txt", 40), MakeEntry("b.txt", 40)};
  const std::vector<uint8_t> archive = WriteTestArchive(entries, 32, {false, 0, nullptr});
  const std::vector<int32_t> sizes = EntrySizes(entries);
  const std::vector<uint8_t> single_block = WriteTestArchive(entries, 1 << 20, {false, 0, nullptr});
  // A byte of the first entry's data in the record stream, as block and offset.
  const size_t data_byte = 4 + EncodeEntryFields(entries[0].entry).size() + 5;
  using Blocks = std::vector<std::vector<uint8_t>>;
  auto reframed = [&](std::function<void(Blocks&)> change) {
    Blocks blocks = SplitBlocks(archive);
    change(blocks);
    return JoinBlocks(blocks);
  };
  auto with_entry = [](TestEntry entry) {
    std::vector<TestEntry> one = {std::move(entry)};
    return WriteTestArchive(one, 1 << 20, {false, 0, nullptr});
  };
  auto header_u32 = [&](size_t at, uint32_t value) {
    std::vector<uint8_t> bytes = archive;
    StoreU32(std::span(bytes).subspan(at), value);
    return bytes;
  };
  TestEntry nameless = MakeEntry("", 4), escaping = MakeEntry("..\\x.txt", 4), kind_two = MakeEntry("k", 4, 2),
            kind_thirteen = MakeEntry("k", 4, 13);
  struct Case {
    const char* what;
    std::vector<uint8_t> archive;
    std::vector<int32_t> sizes;
    PackageError expected;
  };
  const std::vector<int32_t> four = {4};
  const Case cases[] = {
      {"block length 0", header_u32(0, 0), sizes, PackageError::kBlockLength},
      {"block length 0x80000000", header_u32(0, 0x80000000), sizes, PackageError::kBlockBeyondArchive},
      {"block beyond the archive", header_u32(0, 0x7FFFFFFF), sizes, PackageError::kBlockBeyondArchive},
      {"block checksum", header_u32(4, 0), sizes, PackageError::kBlockChecksum},
      {"missing last block", reframed([](Blocks& b) { b.pop_back(); }), sizes, PackageError::kBlockBeyondArchive},
      {"data changed", reframed([&](Blocks& b) { b[data_byte / 32][data_byte % 32] ^= 1; }), sizes, PackageError::kEntryDataChecksum},
      {"entry longer than its record", archive, {41, 40}, PackageError::kEntryDataChecksum},
      {"entry shorter than its record", archive, {39, 40}, PackageError::kEntryDataChecksum},
      {"entry size negative", archive, {-1, 40}, PackageError::kEntryDataSizeNegative},
      {"entry size above 1 GiB", archive, {0x40000001, 40}, PackageError::kEntryDataSizeTooLarge},
      {"no name", with_entry(nameless), four, PackageError::kEntryWithoutName},
      {"name leaving its folder", with_entry(escaping), four, PackageError::kEntryNameUnsafe},
      {"kind 2", with_entry(kind_two), four, PackageError::kEntryKind},
      {"kind 13", with_entry(kind_thirteen), four, PackageError::kEntryKind},
      {"a block after the last entry", reframed([](Blocks& b) { b.push_back({1}); }), sizes,
       PackageError::kArchiveBytesLeft},
      {"a record after the last entry", single_block, {40}, PackageError::kQueuedBytesLeft},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadAll(c.archive, {false, nullptr, c.sizes}), c.expected) << c.what;
  }
}

TEST(Archive, UndecodableBlocksRaise60) {
  const Blowfish cipher{std::span<const uint8_t>(testing::kTestKey)};
  std::vector<TestEntry> entries = {MakeEntry("a.txt", 40)};
  const std::vector<int32_t> sizes = EntrySizes(entries);
  const std::vector<uint8_t> compressed = WriteTestArchive(entries, 1 << 20, {true, 6, nullptr});
  const std::vector<uint8_t> encrypted = WriteTestArchive(entries, 1 << 20, {false, 0, &cipher});
  EXPECT_EQ(ReadAll(compressed, {true, &cipher, sizes}), PackageError::kBlockDecode);  // not encrypted
  EXPECT_EQ(ReadAll(JoinBlocks({{1, 2, 3, 4, 5}}), {true, nullptr, sizes}), PackageError::kBlockDecode);
  EXPECT_EQ(ReadAll(JoinBlocks({{1, 2, 3, 4, 5}}), {false, &cipher, sizes}), PackageError::kBlockDecode);
  EXPECT_EQ(ReadAll(encrypted, {false, &cipher, sizes}), PackageError::kNone);
}

TEST(Archive, ChecksumOfTheWholeArchive) {
  std::vector<TestEntry> entries = {MakeEntry("a.txt", 40)};
  std::vector<uint8_t> archive = WriteTestArchive(entries, 1 << 20, {true, 6, nullptr});
  const uint32_t checksum = PackageChecksum(archive.data(), static_cast<int64_t>(archive.size()));
  EXPECT_EQ(CheckArchiveChecksum(archive, checksum), PackageError::kNone);
  archive.back() ^= 1;
  EXPECT_EQ(CheckArchiveChecksum(archive, checksum), PackageError::kArchiveChecksum);
}


// An entry of more than two chunks between two small ones, in uncompressed blocks of 1 MiB so
// that a data byte can be changed in place.
struct LargeEntryArchive {
  static constexpr size_t kLargeSize = 2 * BlockStream::kChunkSize + 1000;
  std::vector<TestEntry> entries = {MakeEntry("a.txt", 100), MakeEntry("large.bin", kLargeSize),
                                    MakeEntry("c.txt", 50)};
  std::vector<uint8_t> archive = WriteTestArchive(entries, 1 << 20, {false, 0, nullptr});

  // Changes the large entry's last data byte.
  void DamageLargeData() {
    const size_t offset = 4 + EncodeEntryFields(entries[0].entry).size() + 100 + 4 + 4 +
                          EncodeEntryFields(entries[1].entry).size() + kLargeSize - 1;
    std::vector<std::vector<uint8_t>> blocks = SplitBlocks(archive);
    blocks[offset >> 20][offset & ((1 << 20) - 1)] ^= 1;
    archive = JoinBlocks(blocks);
  }
};

TEST(Archive, ALargeEntryIsHandedOutInChunksAndItsChecksumCheckedAtItsEnd) {
  struct Case {
    bool damaged;
    bool read;  // read piece by piece, or skipped by the next entry
  };
  for (const Case c : {Case{false, true}, Case{true, true}, Case{true, false}}) {
    LargeEntryArchive large;
    if (c.damaged) large.DamageLargeData();
    const std::vector<int32_t> sizes = EntrySizes(large.entries);
    ArchiveReader reader(large.archive, {false, nullptr, sizes});
    FileEntry entry;
    ASSERT_EQ(reader.NextEntry(entry), PackageError::kNone);
    ASSERT_EQ(reader.NextEntry(entry), PackageError::kNone);
    ASSERT_EQ(entry.data_size, sizes[1]);
    EXPECT_TRUE(reader.Data().Rewind());  // nothing delivered yet
    const PackageError expected = c.damaged ? PackageError::kEntryDataChecksum : PackageError::kNone;
    if (!c.read) {
      EXPECT_EQ(reader.NextEntry(entry), expected);
      continue;
    }
    std::vector<uint8_t> data;
    PackageError error = PackageError::kNone;
    for (;;) {
      std::span<const uint8_t> piece;
      error = reader.Data().NextPiece(piece);
      if (error != PackageError::kNone || piece.empty()) break;
      EXPECT_LE(piece.size(), BlockStream::kChunkSize);
      data.insert(data.end(), piece.begin(), piece.end());
      EXPECT_FALSE(reader.Data().Rewind());  // pieces that streamed past are gone
    }
    EXPECT_EQ(error, expected);
    if (c.damaged) continue;
    EXPECT_EQ(data, large.entries[1].data);
    ASSERT_EQ(reader.NextEntry(entry), PackageError::kNone);
    EXPECT_EQ(entry.name, "c.txt");
    EXPECT_EQ(testing::EntryDataBytes(reader.Data()), large.entries[2].data);
    EXPECT_EQ(reader.Finish(), PackageError::kNone);
  }
}

TEST(Archive, DataDecodedWholeCanBeDeliveredAgain) {
  std::vector<TestEntry> entries = {MakeEntry("a.txt", 300)};
  const std::vector<uint8_t> archive = WriteTestArchive(entries, 1 << 20, {true, 0, nullptr});
  const std::vector<int32_t> sizes = EntrySizes(entries);
  ArchiveReader reader(archive, {true, nullptr, sizes});
  FileEntry entry;
  ASSERT_EQ(reader.NextEntry(entry), PackageError::kNone);
  EXPECT_EQ(testing::EntryDataBytes(reader.Data()), entries[0].data);
  ASSERT_TRUE(reader.Data().Rewind());
  EXPECT_EQ(testing::EntryDataBytes(reader.Data()), entries[0].data);
  EXPECT_EQ(reader.Finish(), PackageError::kNone);
}

TEST(Archive, ABlockThatDecodesOnPastItsLastRecordFailsWith60) {
  // A few bytes after the last record are bytes left in the queue (83); a block that goes on
  // decoding for more than a chunk beyond it expands beyond what its records declare (60).
  struct Case {
    size_t tail;
    PackageError expected;
  };
  for (const Case c : {Case{3, PackageError::kQueuedBytesLeft},
                       Case{2 * BlockStream::kChunkSize, PackageError::kBlockDecode}}) {
    std::vector<TestEntry> entries = {MakeEntry("a.txt", 40)};
    std::vector<uint8_t> raw = SplitBlocks(WriteTestArchive(entries, 1 << 20, {false, 0, nullptr})).at(0);
    raw.resize(raw.size() + c.tail);
    std::vector<uint8_t> block;
    ASSERT_TRUE(Encode(raw, 0, block));
    EXPECT_EQ(ReadAll(JoinBlocks({block}), {true, nullptr, EntrySizes(entries)}), c.expected) << c.tail;
  }
}

}  // namespace
}  // namespace valdorine
