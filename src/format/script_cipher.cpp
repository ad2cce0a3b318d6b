#include "format/script_cipher.hpp"

#include "format/byte_reader.hpp"
#include "format/byte_writer.hpp"

namespace valdorine {

void Scramble(std::span<uint8_t> bytes, uint32_t key) {
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] ^= static_cast<uint8_t>(key >> (8 * (i % 4)));
}

std::vector<uint8_t> Seal(std::span<const uint8_t> plain, const Blowfish& cipher) {
  const size_t sealed_size = (plain.size() + 4 + Blowfish::kBlockSize - 1) / Blowfish::kBlockSize * Blowfish::kBlockSize;
  std::vector<uint8_t> sealed(sealed_size, 0);
  std::copy(plain.begin(), plain.end(), sealed.begin());
  StoreU32(std::span(sealed).last(4), static_cast<uint32_t>(plain.size()));
  cipher.EncryptCbc(sealed);
  return sealed;
}

bool Open(std::vector<uint8_t>& buffer, const Blowfish& cipher) {
  const size_t size = buffer.size();
  if (size < Blowfish::kBlockSize || size % Blowfish::kBlockSize != 0) {
    buffer.clear();
    return false;
  }
  cipher.DecryptCbc(buffer);
  const uint64_t length = ByteReader::LoadU32(std::span<const uint8_t>(buffer).last(4));
  if (length + 12 < size || length + 4 > size) {
    buffer.clear();
    return false;
  }
  buffer.resize(static_cast<size_t>(length));
  return true;
}

}  // namespace valdorine
