// The encoding half of format/xz_codec.hpp, in a unit of its own: the installer only decodes, and
// linking from a static library takes whole units, so it carries no part of liblzma's encoder.
#include "format/xz_codec.hpp"

#include <lzma.h>

namespace valdorine {

bool Encode(std::span<const uint8_t> input, uint32_t preset, std::vector<uint8_t>& output) {
  output.resize(lzma_stream_buffer_bound(input.size()));
  size_t written = 0;
  const lzma_ret result = lzma_easy_buffer_encode(preset, LZMA_CHECK_CRC32, nullptr, input.data(), input.size(),
                                                  output.data(), &written, output.size());
  output.resize(result == LZMA_OK ? written : 0);
  return result == LZMA_OK;
}

}  // namespace valdorine
