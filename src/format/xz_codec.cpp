#include "format/xz_codec.hpp"

#include <lzma.h>

#include <algorithm>
#include <array>
#include <chrono>

namespace valdorine {
namespace {

constexpr size_t kSliceSize = 0x4000;
constexpr std::chrono::milliseconds kProgressInterval{201};

class DecoderStream {
 public:
  DecoderStream() = default;
  DecoderStream(const DecoderStream&) = delete;
  DecoderStream& operator=(const DecoderStream&) = delete;
  ~DecoderStream() { lzma_end(&stream_); }
  lzma_stream* operator->() { return &stream_; }
  lzma_stream* Get() { return &stream_; }

 private:
  lzma_stream stream_ = LZMA_STREAM_INIT;
};

}  // namespace

bool Decode(std::span<const uint8_t> input, std::vector<uint8_t>& output, const XzProgress& progress) {
  DecoderStream stream;
  if (lzma_stream_decoder(stream.Get(), UINT64_MAX, LZMA_CONCATENATED) != LZMA_OK) return false;

  output.clear();
  output.reserve(3 * input.size() + 1024);
  std::array<uint8_t, kSliceSize> window;
  size_t fed = 0;
  auto last_report = std::chrono::steady_clock::now();

  stream->next_out = window.data();
  stream->avail_out = window.size();
  for (;;) {
    if (stream->avail_in == 0 && fed < input.size()) {
      const size_t slice = std::min(kSliceSize, input.size() - fed);
      stream->next_in = input.data() + fed;
      stream->avail_in = slice;
      fed += slice;
    }
    const lzma_action action = fed == input.size() ? LZMA_FINISH : LZMA_RUN;
    const lzma_ret result = lzma_code(stream.Get(), action);
    if (result != LZMA_OK && result != LZMA_STREAM_END) return false;

    if (stream->avail_out == 0 || result == LZMA_STREAM_END) {
      output.insert(output.end(), window.data(), window.data() + (window.size() - stream->avail_out));
      stream->next_out = window.data();
      stream->avail_out = window.size();
    }
    if (result == LZMA_STREAM_END) break;

    if (progress) {
      const auto now = std::chrono::steady_clock::now();
      if (now - last_report >= kProgressInterval) {
        last_report = now;
        const uint64_t consumed = fed - stream->avail_in;
        if (progress(consumed, input.size(), 8 * static_cast<uint64_t>(output.size()))) return false;
      }
    }
  }
  return true;
}

bool Decode(std::vector<uint8_t>& buffer, const XzProgress& progress) {
  std::vector<uint8_t> output;
  if (!Decode(buffer, output, progress)) return false;
  buffer = std::move(output);
  return true;
}

bool Encode(std::span<const uint8_t> input, uint32_t preset, std::vector<uint8_t>& output) {
  output.resize(lzma_stream_buffer_bound(input.size()));
  size_t written = 0;
  const lzma_ret result = lzma_easy_buffer_encode(preset, LZMA_CHECK_CRC32, nullptr, input.data(), input.size(),
                                                  output.data(), &written, output.size());
  output.resize(result == LZMA_OK ? written : 0);
  return result == LZMA_OK;
}

}  // namespace valdorine
