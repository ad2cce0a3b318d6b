#include "archive_output.hpp"

#include "build_error.hpp"
#include "format/script_cipher.hpp"
#include "format/xz_codec.hpp"

namespace valdorine::builder {

ArchiveOutput::ArchiveOutput(OutputFile& out, uint64_t minimum_length, const BlockPacking& packing)
    : out_(out), minimum_length_(minimum_length), packing_(packing) {}

void ArchiveOutput::Emit(const std::vector<uint8_t>& framed) {
  out_.Write(framed);
  checksum_.Add(framed);
}

void ArchiveOutput::Add(std::vector<uint8_t> stored) {
  std::vector<uint8_t> framed = FrameBlock(stored);
  if (checksum_.Length() >= minimum_length_) {
    Emit(framed);
    return;
  }
  held_length_ += framed.size();
  held_.push_back(std::move(framed));
  if (held_length_ < minimum_length_) return;
  for (const auto& block : held_) Emit(block);
  held_.clear();
}

std::vector<uint8_t> ArchiveOutput::PaddingBlock(uint64_t at_least) const {
  std::vector<uint8_t> empty_stream;
  if (!Encode({}, packing_.preset, empty_stream)) throw BuildError("the xz encoder failed");
  for (;;) {
    std::vector<uint8_t> stored = packing_.cipher ? Seal(empty_stream, *packing_.cipher) : empty_stream;
    std::vector<uint8_t> framed = FrameBlock(stored);
    if (framed.size() >= at_least) return framed;
    empty_stream.resize(empty_stream.size() + 4, 0);  // xz stream padding comes in 4-byte steps
  }
}

ArchiveSummary ArchiveOutput::Finish() {
  if (!held_.empty()) {
    Emit(PaddingBlock(minimum_length_ - held_length_));
    for (const auto& block : held_) Emit(block);
    held_.clear();
  }
  return {checksum_.Length(), checksum_.Result()};
}

}  // namespace valdorine::builder
