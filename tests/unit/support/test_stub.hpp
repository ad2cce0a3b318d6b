// A minimal 32-bit PE image for tests of the section lookup, the uninstaller image and the
// builder: four sections of one file-alignment unit each, with room in the headers for more.
#pragma once

#include <cstdint>
#include <vector>

#include "format/byte_writer.hpp"
#include "format/pe_image.hpp"

namespace valdorine::testing {

inline constexpr uint32_t kTestPeOffset = 0x80;
inline constexpr uint32_t kTestHeadersSize = 0x400;
inline constexpr uint32_t kTestFileAlignment = 0x200;
inline constexpr uint32_t kTestSectionAlignment = 0x1000;
inline constexpr uint16_t kTestSectionCount = 4;

inline std::vector<uint8_t> MakeTestStub() {
  ByteWriter out;
  out.Text("MZ");
  out.Zeros(pe::kPeOffsetField - 2);
  out.U32(kTestPeOffset);
  out.Zeros(kTestPeOffset - out.Size());
  out.Text(std::string_view("PE\0\0", 4));
  out.U16(0x14C);                    // i386
  out.U16(kTestSectionCount);
  out.Zeros(12);                     // time stamp, symbols
  out.U16(0xE0);                     // optional header size
  out.U16(0x0102);                   // executable, 32-bit
  out.U16(0x10B);                    // PE32
  out.U16(0);                        // linker version
  out.U32(kTestFileAlignment);       // size of code
  out.U32(3 * kTestFileAlignment);   // size of initialised data
  out.U32(0);                        // size of uninitialised data
  out.U32(0x1000);                   // entry point
  out.U32(0x1000);                   // base of code
  out.U32(0x2000);                   // base of data
  out.U32(0x400000);                 // image base
  out.U32(kTestSectionAlignment);
  out.U32(kTestFileAlignment);
  out.Zeros(16);                     // versions
  out.U32((kTestSectionCount + 1) * kTestSectionAlignment);  // size of image
  out.U32(kTestHeadersSize);
  out.U32(0);                        // checksum
  out.U16(2);                        // GUI subsystem
  out.U16(0x140);                    // dynamic base, NX compatible
  out.U32(0x100000); out.U32(0x1000); out.U32(0x100000); out.U32(0x1000);  // stack and heap
  out.U32(0);                        // loader flags
  out.U32(16);                       // data directories
  out.Zeros(16 * 8);
  const char* names[kTestSectionCount] = {".text", ".data", ".rdata", ".rsrc"};
  for (uint32_t i = 0; i < kTestSectionCount; ++i) {
    out.Text(names[i]);
    out.Zeros(8 - std::string_view(names[i]).size());
    out.U32(0x100);                                   // virtual size
    out.U32((i + 1) * kTestSectionAlignment);         // virtual address
    out.U32(kTestFileAlignment);                      // raw size
    out.U32(kTestHeadersSize + i * kTestFileAlignment);  // raw offset
    out.Zeros(12);
    out.U32(i == 0 ? 0x60000020 : 0x40000040);
  }
  out.Zeros(kTestHeadersSize - out.Size());
  for (uint32_t i = 0; i < kTestSectionCount; ++i) {
    for (uint32_t b = 0; b < kTestFileAlignment; ++b) out.U8(static_cast<uint8_t>(i * 31 + b));
  }
  return out.Take();
}

// Signs `file` as a signing tool does: a certificate table (one WIN_CERTIFICATE entry holding
// `payload`, padded to 8 bytes) appended, the certificate directory pointing at it and the PE
// checksum recomputed over the result.
inline void SignTestFile(std::vector<uint8_t>& file, uint8_t payload) {
  const uint32_t table_offset = static_cast<uint32_t>(file.size());
  ByteWriter table;
  table.U32(8 + 13);  // header and payload, without the padding
  table.U16(0x0200);  // revision 2
  table.U16(0x0002);  // PKCS#7 signed data
  for (int i = 0; i < 13; ++i) table.U8(static_cast<uint8_t>(payload + i));
  table.Zeros(3);
  file.insert(file.end(), table.Bytes().begin(), table.Bytes().end());
  const uint32_t directory = *CertificateDirectory(file, kTestPeOffset);
  StoreU32(std::span(file).subspan(directory), table_offset);
  StoreU32(std::span(file).subspan(directory + 4), static_cast<uint32_t>(table.Size()));
  PeChecksum checksum(kTestPeOffset + pe::kChecksum);
  checksum.Add(file);
  StoreU32(std::span(file).subspan(kTestPeOffset + pe::kChecksum), checksum.Result());
}

}  // namespace valdorine::testing
