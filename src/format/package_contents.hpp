// The steps from a read header to the usable contents, shared by the installer and the tests: the
// script unpacked, its checksum, where the archive lies, and the stub checksum of integrity mode 1.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "format/archive_reader.hpp"
#include "format/blowfish.hpp"
#include "format/package_header.hpp"
#include "format/pe_image.hpp"

namespace valdorine {

// The stored form of an install script: xz-compressed at `preset`, then encrypted with `cipher`
// or, without one, scrambled with `script_key`. False when the encoder fails. Defined in
// script_packing.cpp, which the installer does not link.
bool PackScript(std::span<const uint8_t> script, uint32_t script_key, uint32_t preset, const Blowfish* cipher,
                std::vector<uint8_t>& stored);

// Unscrambles (key XOR) or decrypts (Blowfish, flag 0x1000) a copy of the stored script and
// decompresses it; a script that does not decrypt or decompress, or that would expand beyond
// kMaxScriptLength bytes, fails with 47.
PackageError UnpackScript(const PackageView& package, std::vector<uint8_t>& script);

// The package checksum of the decompressed script must equal the script key (25).
PackageError CheckScriptChecksum(std::span<const uint8_t> script, uint32_t script_key);

// The archive inside the section: package length - archive offset must equal the archive length,
// and the archive must lie inside the mapped section (46).
PackageError ArchiveInSection(std::span<const uint8_t> section, const PackageView& package,
                              std::span<const uint8_t>& archive);

// The archive after the section: the bytes from section offset + archive offset to the end of
// the file must number exactly the archive length (46). In a signed file the archive ends where
// the signature starts (`signature_start`, see SignatureStart), up to the 7 bytes of padding with
// which signing aligns the signature to 8 bytes; without a signature it is the file's size.
PackageError CheckArchiveInFile(uint64_t file_size, const SetupSection& section, const PackageView& package,
                                uint64_t signature_start);
uint64_t ArchiveFileOffset(const SetupSection& section, const PackageView& package);

// The installer's bytes that its uninstaller image keeps after the stub's sections: from the end
// of the package (the section, or the archive behind it) up to the installer's own signature,
// which belongs to the setup and not to the uninstaller. A signed stub's certificate table, which
// the builder places there, is what such bytes hold.
struct FileRange {
  uint64_t offset = 0;
  uint64_t length = 0;
};
FileRange UninstallerTail(const SetupSection& section, const PackageView& package, bool archive_in_file,
                          uint64_t file_size, uint64_t signature_start);

// Integrity mode 1: the package checksum of the file before the section, from the PE header + 92
// on, must equal the header's stub checksum (40). The certificate directory counts as zeros, so
// signing the finished file (which sets it and the PE checksum before it) keeps the check passing
// while an unsigned file is checked exactly as before.
uint32_t StubChecksum(std::span<const uint8_t> before_section, uint32_t pe_offset);
PackageError CheckStubChecksum(std::span<const uint8_t> before_section, const SetupSection& section,
                               uint32_t expected);

// The cipher of an encrypted package, keyed from its header.
std::optional<Blowfish> PackageCipher(const PackageHeader& header);

}  // namespace valdorine
