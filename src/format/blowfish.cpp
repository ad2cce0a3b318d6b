#include "format/blowfish.hpp"

#include <cstring>

#include "format/blowfish_tables.hpp"

namespace valdorine {
namespace {

uint32_t LoadBigEndian(const uint8_t* bytes) {
  return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
         (static_cast<uint32_t>(bytes[2]) << 8) | static_cast<uint32_t>(bytes[3]);
}

void StoreBigEndian(uint8_t* bytes, uint32_t value) {
  bytes[0] = static_cast<uint8_t>(value >> 24);
  bytes[1] = static_cast<uint8_t>(value >> 16);
  bytes[2] = static_cast<uint8_t>(value >> 8);
  bytes[3] = static_cast<uint8_t>(value);
}

}  // namespace

Blowfish::Blowfish(std::span<const uint8_t> key) {
  std::memcpy(p_, blowfish_tables::kInitialP, sizeof p_);
  std::memcpy(s_, blowfish_tables::kInitialS, sizeof s_);
  // The key, repeated cyclically, is XORed into the P-array...
  size_t next = 0;
  for (uint32_t& subkey : p_) {
    uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
      word = (word << 8) | (key.empty() ? 0u : key[next]);
      if (!key.empty()) next = (next + 1) % key.size();
    }
    subkey ^= word;
  }
  // ...then the all-zero block is encrypted repeatedly, each result replacing the next two
  // subkeys of the P-array and then of the S-boxes.
  uint32_t left = 0, right = 0;
  for (size_t i = 0; i < 18; i += 2) {
    EncryptBlock(left, right);
    p_[i] = left;
    p_[i + 1] = right;
  }
  for (auto& box : s_) {
    for (size_t i = 0; i < 256; i += 2) {
      EncryptBlock(left, right);
      box[i] = left;
      box[i + 1] = right;
    }
  }
}

uint32_t Blowfish::Round(uint32_t x) const {
  return ((s_[0][x >> 24] + s_[1][(x >> 16) & 0xFF]) ^ s_[2][(x >> 8) & 0xFF]) + s_[3][x & 0xFF];
}

void Blowfish::EncryptBlock(uint32_t& left, uint32_t& right) const {
  uint32_t l = left, r = right;
  for (int i = 0; i < 16; i += 2) {
    l ^= p_[i];
    r ^= Round(l);
    r ^= p_[i + 1];
    l ^= Round(r);
  }
  l ^= p_[16];
  r ^= p_[17];
  left = r;
  right = l;
}

void Blowfish::DecryptBlock(uint32_t& left, uint32_t& right) const {
  uint32_t l = left, r = right;
  for (int i = 17; i > 1; i -= 2) {
    l ^= p_[i];
    r ^= Round(l);
    r ^= p_[i - 1];
    l ^= Round(r);
  }
  l ^= p_[1];
  r ^= p_[0];
  left = r;
  right = l;
}

void Blowfish::EncryptCbc(std::span<uint8_t> data) const {
  uint32_t chain_left = 0, chain_right = 0;
  for (size_t at = 0; at + kBlockSize <= data.size(); at += kBlockSize) {
    uint8_t* block = data.data() + at;
    uint32_t left = LoadBigEndian(block) ^ chain_left;
    uint32_t right = LoadBigEndian(block + 4) ^ chain_right;
    EncryptBlock(left, right);
    StoreBigEndian(block, left);
    StoreBigEndian(block + 4, right);
    chain_left = left;
    chain_right = right;
  }
}

void Blowfish::DecryptCbc(std::span<uint8_t> data) const {
  uint32_t chain_left = 0, chain_right = 0;
  for (size_t at = 0; at + kBlockSize <= data.size(); at += kBlockSize) {
    uint8_t* block = data.data() + at;
    const uint32_t cipher_left = LoadBigEndian(block);
    const uint32_t cipher_right = LoadBigEndian(block + 4);
    uint32_t left = cipher_left, right = cipher_right;
    DecryptBlock(left, right);
    StoreBigEndian(block, left ^ chain_left);
    StoreBigEndian(block + 4, right ^ chain_right);
    chain_left = cipher_left;
    chain_right = cipher_right;
  }
}

}  // namespace valdorine
