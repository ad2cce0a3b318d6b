// xz compression as the package uses it. Decoding follows one fixed procedure for the script and
// every archive block: a stream decoder without memory limit that accepts concatenated streams,
// 16 KiB input slices, a 16 KiB output window, and any decoder error is a failure.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace valdorine {

// Receives the input bytes consumed so far, the total input length and eight times the output
// bytes produced so far; returns true to abort the decoding.
using XzProgress = std::function<bool(uint64_t consumed, uint64_t total, uint64_t eight_times_output)>;

// Decodes `input` into `output`. The progress callback, when given, is called at most every
// 201 ms.
bool Decode(std::span<const uint8_t> input, std::vector<uint8_t>& output, const XzProgress& progress = nullptr);
// Decodes `buffer` and on success replaces its content by the output. On failure `buffer` is
// left as it was.
bool Decode(std::vector<uint8_t>& buffer, const XzProgress& progress = nullptr);

// One xz stream of `input` at the given preset (0..9), single-threaded, so that equal input always
// gives equal output. Returns false only when the encoder fails.
bool Encode(std::span<const uint8_t> input, uint32_t preset, std::vector<uint8_t>& output);

}  // namespace valdorine
