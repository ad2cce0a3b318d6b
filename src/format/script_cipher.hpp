// The two protections of packed data: the XOR scrambling of an unencrypted install script, and
// Blowfish-CBC with a length trailer for an encrypted script and every encrypted archive block.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "format/blowfish.hpp"

namespace valdorine {

// XORs each little-endian 32-bit word with `key`, and the 1..3 trailing bytes with the key's
// lowest bytes in order. Applying it twice gives the original.
void Scramble(std::span<uint8_t> bytes, uint32_t key);

// Encrypts `plain` into whole blocks whose last four plaintext bytes hold its length; the space
// between is zero padding.
std::vector<uint8_t> Seal(std::span<const uint8_t> plain, const Blowfish& cipher);

// Decrypts in place and cuts the buffer to the length in its trailer. The ciphertext must be a
// non-empty multiple of 8 bytes and the length within 4..12 bytes below it; otherwise the buffer
// is emptied and false returned.
bool Open(std::vector<uint8_t>& buffer, const Blowfish& cipher);

}  // namespace valdorine
