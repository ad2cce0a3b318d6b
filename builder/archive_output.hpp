// Writes the packed blocks of the archive to the output file with their length and checksum, and
// keeps the archive's length and checksum for the header. An archive that lies after the section
// must reach at least to the end of the section's raw data; when it would be shorter, a padding
// block (an empty xz stream with stream padding, which decodes to nothing) goes first.
#pragma once

#include <cstdint>
#include <vector>

#include "format/archive_writer.hpp"
#include "format/checksum_accumulator.hpp"
#include "output_file.hpp"

namespace valdorine::builder {

struct ArchiveSummary {
  uint64_t length = 0;
  uint32_t checksum = 0;
};

class ArchiveOutput {
 public:
  ArchiveOutput(OutputFile& out, uint64_t minimum_length, const BlockPacking& packing);

  void Add(std::vector<uint8_t> stored);
  ArchiveSummary Finish();

 private:
  void Emit(const std::vector<uint8_t>& framed);
  std::vector<uint8_t> PaddingBlock(uint64_t at_least) const;

  OutputFile& out_;
  uint64_t minimum_length_;
  BlockPacking packing_;
  std::vector<std::vector<uint8_t>> held_;  // framed blocks waiting until the minimum is known to be met
  uint64_t held_length_ = 0;
  ChecksumAccumulator checksum_;
};

}  // namespace valdorine::builder
