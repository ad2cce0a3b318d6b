#include "format/xz_codec.hpp"

#include <lzma.h>

#include <algorithm>

#include "core/clock.hpp"

namespace valdorine {
namespace {

constexpr size_t kSliceSize = 0x4000;
constexpr size_t kWindowSize = 0x4000;
constexpr uint64_t kProgressIntervalMs = 201;

}  // namespace

struct XzDecoder::Stream {
  lzma_stream stream = LZMA_STREAM_INIT;
  ~Stream() { lzma_end(&stream); }
};

XzDecoder::XzDecoder(std::span<const uint8_t> input) : input_(input), stream_(std::make_unique<Stream>()) {
  // The package's own checksums cover every block and every entry's data, so xz's check of the same
  // bytes is skipped.
  failed_ = lzma_stream_decoder(&stream_->stream, UINT64_MAX, LZMA_CONCATENATED | LZMA_IGNORE_CHECK) != LZMA_OK;
}

XzDecoder::~XzDecoder() = default;

uint64_t XzDecoder::Consumed() const { return fed_ - stream_->stream.avail_in; }

XzDecoder::Step XzDecoder::Decode(std::span<uint8_t> output, size_t& produced) {
  produced = 0;
  if (failed_) return Step::kFailed;
  lzma_stream& stream = stream_->stream;
  stream.next_out = output.data();
  stream.avail_out = output.size();
  while (stream.avail_out > 0) {
    if (stream.avail_in == 0 && fed_ < input_.size()) {
      const size_t slice = std::min(kSliceSize, input_.size() - fed_);
      stream.next_in = input_.data() + fed_;
      stream.avail_in = slice;
      fed_ += slice;
    }
    const lzma_ret result = lzma_code(&stream, fed_ == input_.size() ? LZMA_FINISH : LZMA_RUN);
    produced = output.size() - stream.avail_out;
    if (result == LZMA_STREAM_END) return Step::kEnd;
    if (result != LZMA_OK) {
      failed_ = true;
      return Step::kFailed;
    }
  }
  return Step::kMore;
}

bool Decode(std::span<const uint8_t> input, std::vector<uint8_t>& output, size_t max_output,
            const XzProgress& progress) {
  XzDecoder decoder(input);
  output.clear();
  output.reserve(static_cast<size_t>(std::min<uint64_t>(3 * uint64_t{input.size()} + 1024, max_output)));
  uint64_t last_report = MonotonicMilliseconds();
  for (;;) {
    // One window more than the limit allows tells a stream that goes on beyond it.
    const size_t room = max_output - output.size();
    const size_t window = room < kWindowSize ? room + 1 : kWindowSize;
    const size_t start = output.size();
    output.resize(start + window);
    size_t produced = 0;
    const XzDecoder::Step step = decoder.Decode(std::span(output).subspan(start), produced);
    output.resize(start + produced);
    if (step == XzDecoder::Step::kFailed || output.size() > max_output) return false;
    if (step == XzDecoder::Step::kEnd) return true;
    if (progress) {
      const uint64_t now = MonotonicMilliseconds();
      if (now - last_report >= kProgressIntervalMs) {
        last_report = now;
        if (progress(decoder.Consumed(), input.size(), 8 * static_cast<uint64_t>(output.size()))) return false;
      }
    }
  }
}

bool Decode(std::vector<uint8_t>& buffer, size_t max_output, const XzProgress& progress) {
  std::vector<uint8_t> output;
  if (!Decode(buffer, output, max_output, progress)) return false;
  buffer = std::move(output);
  return true;
}

}  // namespace valdorine
