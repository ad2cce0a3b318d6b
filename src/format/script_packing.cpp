// PackScript of format/package_contents.hpp, in a unit of its own: only the builder and the tests
// pack a script, and the installer, which links units from a static library only as it needs
// them, so carries no xz encoder.
#include "format/package_contents.hpp"

#include "format/script_cipher.hpp"
#include "format/xz_codec.hpp"

namespace valdorine {

bool PackScript(std::span<const uint8_t> script, uint32_t script_key, uint32_t preset, const Blowfish* cipher,
                std::vector<uint8_t>& stored) {
  if (!Encode(script, preset, stored)) return false;
  if (cipher) {
    stored = Seal(stored, *cipher);
  } else {
    Scramble(stored, script_key);
  }
  return true;
}

}  // namespace valdorine
