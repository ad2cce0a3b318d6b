// The byte-level codecs of the package: checksum pieces, script scrambling, sealing with a length
// trailer, and xz decoding.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "core/string.hpp"
#include "format/checksum_accumulator.hpp"
#include "format/script_cipher.hpp"
#include "format/xz_codec.hpp"

namespace valdorine {
namespace {

std::vector<uint8_t> Sample(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 5));
  return bytes;
}

TEST(ChecksumAccumulator, EqualsTheWholeRangeChecksumForAnySplit) {
  const std::vector<uint8_t> data = Sample(103);  // a tail of 3 bytes, some above 0x7F
  const uint32_t whole = PackageChecksum(data.data(), static_cast<int64_t>(data.size()));
  for (size_t piece : {1u, 3u, 5u, 64u, 103u}) {
    ChecksumAccumulator accumulator;
    for (size_t at = 0; at < data.size(); at += piece) {
      accumulator.Add(std::span(data).subspan(at, std::min(piece, data.size() - at)));
    }
    EXPECT_EQ(accumulator.Result(), whole) << "pieces of " << piece;
  }
  EXPECT_EQ(ChecksumAccumulator().Result(), 0x79E2BC9Du);
  ChecksumAccumulator abc;
  abc.Add(std::vector<uint8_t>{'a', 'b', 'c'});
  EXPECT_EQ(abc.Result(), 0x79E2BDC6u);
}

TEST(Scramble, XorsWordsAndTailBytesWithTheKeysLowBytes) {
  std::vector<uint8_t> bytes(7, 0);
  Scramble(bytes, 0x44332211);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44, 0x11, 0x22, 0x33}));
  Scramble(bytes, 0x44332211);
  EXPECT_EQ(bytes, std::vector<uint8_t>(7, 0));
}

TEST(Seal, RoundTripsEveryLengthAroundABlock) {
  const Blowfish cipher(std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8});
  for (size_t length = 0; length <= 17; ++length) {
    std::vector<uint8_t> sealed = Seal(Sample(length), cipher);
    EXPECT_EQ(sealed.size() % 8, 0u);
    ASSERT_TRUE(Open(sealed, cipher)) << length;
    EXPECT_EQ(sealed, Sample(length));
  }
}

TEST(Seal, OpenRefusesBadLengthsAndLeavesNothing) {
  const Blowfish cipher(std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8});
  auto sealed_with_trailer = [&](uint32_t trailer, size_t size) {
    std::vector<uint8_t> plain(size, 0);
    for (int i = 0; i < 4; ++i) plain[size - 4 + i] = static_cast<uint8_t>(trailer >> (8 * i));
    cipher.EncryptCbc(plain);
    return plain;
  };
  struct Case {
    std::vector<uint8_t> buffer;
    bool opens;
  };
  const Case cases[] = {
      {{}, false},                              // empty
      {std::vector<uint8_t>(12, 0), false},     // not a multiple of 8
      {sealed_with_trailer(4, 16), true},       // length - 12: the shortest accepted
      {sealed_with_trailer(3, 16), false},      // below length - 12
      {sealed_with_trailer(12, 16), true},      // length - 4: the longest accepted
      {sealed_with_trailer(13, 16), false},     // beyond length - 4
      {sealed_with_trailer(0xFFFFFFF8, 16), false},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> buffer = c.buffer;
    EXPECT_EQ(Open(buffer, cipher), c.opens) << c.buffer.size();
    if (!c.opens) EXPECT_TRUE(buffer.empty());
  }
}

TEST(Xz, RoundTripsAndAcceptsConcatenatedStreamsWithPadding) {
  const std::vector<uint8_t> first = Sample(100000), second = Sample(10);
  std::vector<uint8_t> stream, other;
  ASSERT_TRUE(Encode(first, 6, stream));
  ASSERT_TRUE(Encode(second, 0, other));
  stream.insert(stream.end(), 4, 0);  // stream padding between streams
  stream.insert(stream.end(), other.begin(), other.end());
  ASSERT_TRUE(Decode(stream, SIZE_MAX));
  std::vector<uint8_t> expected = first;
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(stream, expected);
}

TEST(Xz, EveryDecoderErrorFailsAndKeepsTheInput) {
  std::vector<uint8_t> valid;
  ASSERT_TRUE(Encode(Sample(5000), 6, valid));
  std::vector<uint8_t> truncated(valid.begin(), valid.end() - 20);
  std::vector<uint8_t> corrupted = valid;
  corrupted[valid.size() / 2] ^= 0x55;
  std::vector<uint8_t> trailing_garbage = valid;
  trailing_garbage.push_back(1);
  for (const auto& input : {std::vector<uint8_t>{}, Sample(64), truncated, corrupted, trailing_garbage}) {
    std::vector<uint8_t> buffer = input;
    EXPECT_FALSE(Decode(buffer, SIZE_MAX));
    EXPECT_EQ(buffer, input);
  }
}

TEST(Xz, OutputBeyondTheLimitFailsWhereverTheLimitFalls) {
  // Limits around the decoded size and around the 16 KiB window: the exact size passes, one byte
  // less fails, and a stream that goes on long after the limit fails without growing on.
  const std::vector<uint8_t> plain = Sample(3 * 0x4000 + 5);
  std::vector<uint8_t> stream;
  ASSERT_TRUE(Encode(plain, 6, stream));
  struct Case {
    size_t limit;
    bool decodes;
  };
  for (const Case c : {Case{plain.size(), true}, Case{plain.size() - 1, false}, Case{SIZE_MAX, true},
                       Case{0x4000, false}, Case{0x4000 - 1, false}, Case{0, false}}) {
    std::vector<uint8_t> output;
    EXPECT_EQ(Decode(stream, output, c.limit), c.decodes) << "limit " << c.limit;
    if (c.decodes) EXPECT_EQ(output, plain);
    EXPECT_LE(output.size(), std::max(c.limit, plain.size())) << "limit " << c.limit;
  }
}

TEST(Xz, DecoderHandsOutAStreamPieceByPiece) {
  const std::vector<uint8_t> plain = Sample(100000);
  std::vector<uint8_t> stream;
  ASSERT_TRUE(Encode(plain, 1, stream));
  XzDecoder decoder(stream);
  std::vector<uint8_t> joined, piece(7777);
  XzDecoder::Step step = XzDecoder::Step::kMore;
  while (step == XzDecoder::Step::kMore) {
    size_t produced = 0;
    step = decoder.Decode(piece, produced);
    joined.insert(joined.end(), piece.begin(), piece.begin() + static_cast<ptrdiff_t>(produced));
  }
  EXPECT_EQ(step, XzDecoder::Step::kEnd);
  EXPECT_EQ(joined, plain);
  EXPECT_EQ(decoder.Consumed(), stream.size());
}

}  // namespace
}  // namespace valdorine
