// Fuzzes the archive reader. The first bytes choose the reading: how many entries the header
// declares and their sizes, whether blocks are compressed or encrypted, and whether the rest is
// taken as the archive itself or as a record stream that the harness frames into valid blocks
// (so that the record and entry parsing is reached without forging checksums).
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "format/archive_reader.hpp"
#include "format/archive_writer.hpp"
#include "format/byte_reader.hpp"

namespace {

constexpr uint8_t kKey[8] = {1, 2, 3, 4, 5, 6, 7, 8};

std::vector<uint8_t> FrameAsBlocks(std::span<const uint8_t> stream, size_t block_size) {
  std::vector<uint8_t> archive;
  for (size_t at = 0; at < stream.size(); at += block_size) {
    const std::vector<uint8_t> framed = valdorine::FrameBlock(stream.subspan(at, std::min(block_size, stream.size() - at)));
    archive.insert(archive.end(), framed.begin(), framed.end());
  }
  return archive;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  valdorine::ByteReader input(std::span<const uint8_t>(data, size));
  const uint8_t mode = input.ReadU8().value_or(0);
  const uint8_t block_size = input.ReadU8().value_or(0);
  const uint8_t entry_count = input.ReadU8().value_or(0) % 8;
  std::vector<int32_t> sizes;
  for (uint8_t i = 0; i < entry_count; ++i) sizes.push_back(static_cast<int16_t>(input.ReadU16().value_or(0)));

  const bool framed = mode & 1;
  const std::vector<uint8_t> archive =
      framed ? FrameAsBlocks(input.Rest(), block_size + 1u) : std::vector<uint8_t>(input.Rest().begin(), input.Rest().end());
  static const valdorine::Blowfish cipher(kKey);  // its key schedule once, not per input
  const valdorine::ArchiveSettings settings{!framed && (mode & 2), !framed && (mode & 4) ? &cipher : nullptr, sizes};

  valdorine::ArchiveReader reader(archive, settings);
  while (reader.HasNextEntry()) {
    valdorine::FileEntry entry;
    if (reader.NextEntry(entry) != valdorine::PackageError::kNone) return 0;
  }
  reader.Finish();
  return 0;
}
