// xz compression as the package uses it. Decoding follows one fixed procedure for the script and
// every archive block: a stream decoder without memory limit that accepts concatenated streams,
// 16 KiB input slices, and any decoder error is a failure. Output that would grow beyond the limit
// the caller gives is a failure too, so that a small stream cannot expand without bound.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace valdorine {

// Receives the input bytes consumed so far, the total input length and eight times the output
// bytes produced so far; returns true to abort the decoding.
using XzProgress = std::function<bool(uint64_t consumed, uint64_t total, uint64_t eight_times_output)>;

// Decodes one stored stream piece by piece, so that its output never has to be held whole.
class XzDecoder {
 public:
  enum class Step { kMore, kEnd, kFailed };

  explicit XzDecoder(std::span<const uint8_t> input);
  XzDecoder(const XzDecoder&) = delete;
  XzDecoder& operator=(const XzDecoder&) = delete;
  ~XzDecoder();

  // Decodes into `output` until it is full or the stream ends; `produced` tells how many bytes
  // were written. kMore: output is full and the stream goes on.
  Step Decode(std::span<uint8_t> output, size_t& produced);
  uint64_t Consumed() const;
  uint64_t InputLength() const { return input_.size(); }

 private:
  struct Stream;
  std::span<const uint8_t> input_;
  size_t fed_ = 0;
  std::unique_ptr<Stream> stream_;
  bool failed_ = false;
};

// Decodes `input` into `output`, which may grow to `max_output` bytes at most. The progress
// callback, when given, is called at most every 201 ms.
bool Decode(std::span<const uint8_t> input, std::vector<uint8_t>& output, size_t max_output,
            const XzProgress& progress = nullptr);
// Decodes `buffer` and on success replaces its content by the output. On failure `buffer` is
// left as it was.
bool Decode(std::vector<uint8_t>& buffer, size_t max_output, const XzProgress& progress = nullptr);

// One xz stream of `input` at the given preset (0..9), single-threaded, so that equal input always
// gives equal output. Returns false only when the encoder fails. Defined in xz_encoder.cpp, which
// the installer does not link.
bool Encode(std::span<const uint8_t> input, uint32_t preset, std::vector<uint8_t>& output);

}  // namespace valdorine
