// Packages made in memory for the reader's tests: file entries with their data, written through
// the archive writer, and a section holding header, script and archive.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/string.hpp"
#include "format/archive_writer.hpp"
#include "format/byte_reader.hpp"
#include "format/package_contents.hpp"
#include "format/package_header.hpp"

namespace valdorine::testing {

// An entry together with the bytes its data view points at.
struct TestEntry {
  FileEntry entry;
  std::vector<uint8_t> data;
};

inline TestEntry MakeEntry(std::string name, size_t size, uint32_t kind = 0, uint32_t flags = 0) {
  TestEntry test;
  test.entry.name = std::move(name);
  test.entry.kind = kind;
  test.entry.flags = flags;
  test.entry.date = {2024, 5, 17, 13, 45, 10};
  test.entry.extra_text = "extra";
  test.entry.shortcut_icon = (flags & 3) ? u"icon.ico" : u"";
  test.entry.arguments = "/quiet";
  test.entry.destination = u"C:\\Dest";
  test.entry.component_text = "component";
  test.entry.ui_level = kind == kEntryKindMsiPackage ? 5 : 0;
  test.data.resize(size);
  for (size_t i = 0; i < size; ++i) test.data[i] = static_cast<uint8_t>(i * 13 + size);
  return test;
}

inline std::vector<uint8_t> WriteTestArchive(std::vector<TestEntry>& entries, size_t block_size,
                                             const BlockPacking& packing) {
  ArchiveWriter writer(block_size, packing);
  for (TestEntry& test : entries) {
    test.entry.data = test.data;
    writer.Add(test.entry);
  }
  std::vector<uint8_t> archive;
  writer.Finish(archive);
  return archive;
}

inline std::vector<int32_t> EntrySizes(const std::vector<TestEntry>& entries) {
  std::vector<int32_t> sizes;
  for (const TestEntry& test : entries) sizes.push_back(static_cast<int32_t>(test.data.size()));
  return sizes;
}

// The stored blocks of an archive, and the archive framed again from them.
inline std::vector<std::vector<uint8_t>> SplitBlocks(std::span<const uint8_t> archive) {
  std::vector<std::vector<uint8_t>> blocks;
  ByteReader reader(archive);
  while (!reader.AtEnd()) {
    const uint32_t length = *reader.ReadU32();
    reader.ReadU32();
    auto bytes = *reader.ReadBytes(length);
    blocks.emplace_back(bytes.begin(), bytes.end());
  }
  return blocks;
}

inline std::vector<uint8_t> JoinBlocks(const std::vector<std::vector<uint8_t>>& blocks) {
  std::vector<uint8_t> archive;
  for (const auto& block : blocks) {
    const std::vector<uint8_t> framed = FrameBlock(block);
    archive.insert(archive.end(), framed.begin(), framed.end());
  }
  return archive;
}

inline const std::vector<uint8_t>& TestScript() {
  static const std::vector<uint8_t> script = [] {
    std::vector<uint8_t> bytes(1001);  // not a multiple of 4: the scrambling has a tail
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>("install script "[i % 15]);
    return bytes;
  }();
  return script;
}

inline constexpr uint8_t kTestKey[kCipherKeyLength] = {0x13, 0x57, 0x9B, 0xDF, 0x02, 0x46, 0x8A, 0xCE};

// A section with header, script and archive (archive inside the section).
struct TestSection {
  std::vector<uint8_t> bytes;
  PackageHeader header;
  std::vector<uint8_t> archive;
};

inline TestSection MakeTestSection(std::vector<TestEntry>& entries, bool encrypted, size_t block_size = 64) {
  TestSection section;
  PackageHeader& header = section.header;
  header.builder_version = kBuilderVersion;
  header.flags = encrypted ? kPackageFlagEncrypted : 0;
  std::copy(std::begin(kTestKey), std::end(kTestKey), header.cipher_key.begin());
  const std::optional<Blowfish> cipher = PackageCipher(header);
  header.script_key = PackageChecksum(TestScript().data(), static_cast<int64_t>(TestScript().size()));
  header.entry_sizes = EntrySizes(entries);
  std::vector<uint8_t> script;
  PackScript(TestScript(), header.script_key, 6, cipher ? &*cipher : nullptr, script);
  section.archive = WriteTestArchive(entries, block_size, {true, 6, cipher ? &*cipher : nullptr});
  header.archive_length = static_cast<int32_t>(section.archive.size());
  header.archive_checksum = PackageChecksum(section.archive.data(), static_cast<int64_t>(section.archive.size()));
  const size_t header_size = WritePackageHeader(header, static_cast<uint32_t>(script.size())).size();
  header.package_length = static_cast<int32_t>(header_size + script.size() + section.archive.size());
  section.bytes = WritePackageHeader(header, static_cast<uint32_t>(script.size()));
  section.bytes.insert(section.bytes.end(), script.begin(), script.end());
  section.bytes.insert(section.bytes.end(), section.archive.begin(), section.archive.end());
  section.bytes.resize(section.bytes.size() + 300, 0);  // the loader maps whole pages
  return section;
}

}  // namespace valdorine::testing
