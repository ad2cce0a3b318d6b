// Fuzzes the decoding paths for packed data: xz decoding, and Blowfish-CBC opening with its
// length trailer followed by xz decoding, as the script and every archive block go through them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "format/script_cipher.hpp"
#include "format/xz_codec.hpp"

constexpr size_t kMaxOutput = 64 << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> plain(data, data + size);
  valdorine::Decode(plain, kMaxOutput);

  static const uint8_t kKey[8] = {0x13, 0x57, 0x9B, 0xDF, 0x02, 0x46, 0x8A, 0xCE};
  static const valdorine::Blowfish cipher(kKey);
  std::vector<uint8_t> sealed(data, data + size);
  if (valdorine::Open(sealed, cipher)) valdorine::Decode(sealed, kMaxOutput);
  return 0;
}
