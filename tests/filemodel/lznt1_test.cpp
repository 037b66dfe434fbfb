#include "filemodel/lznt1.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A plain greedy LZNT1 compressor, enough to produce valid units with
// copies at every position split.
Bytes CompressChunk(const std::uint8_t* data, std::size_t size) {
  Bytes out;
  std::size_t pos = 0;
  while (pos < size) {
    const std::size_t flagsAt = out.size();
    out.push_back(0);
    for (int bit = 0; bit < 8 && pos < size; ++bit) {
      unsigned shift = 12;
      std::size_t lengthMax = 0x0FFF;
      for (std::size_t p = pos - (pos > 0 ? 1 : 0); p >= 0x10; p >>= 1) {
        --shift;
        lengthMax >>= 1;
      }
      lengthMax += 3;
      const std::size_t offsetMax = std::size_t{1} << (16 - shift);
      std::size_t bestLength = 0, bestOffset = 0;
      for (std::size_t offset = 1; offset <= pos && offset <= offsetMax; ++offset) {
        std::size_t length = 0;
        while (pos + length < size && length < lengthMax && data[pos + length] == data[pos + length - offset])
          ++length;
        if (length > bestLength) bestLength = length, bestOffset = offset;
      }
      if (bestLength >= 3) {
        const std::uint16_t token =
            static_cast<std::uint16_t>(((bestOffset - 1) << shift) | (bestLength - 3));
        out[flagsAt] |= static_cast<std::uint8_t>(1u << bit);
        out.push_back(static_cast<std::uint8_t>(token));
        out.push_back(static_cast<std::uint8_t>(token >> 8));
        pos += bestLength;
      } else {
        out.push_back(data[pos++]);
      }
    }
  }
  return out;
}

Bytes CompressUnit(const Bytes& input) {
  Bytes unit;
  for (std::size_t at = 0; at < input.size(); at += 4096) {
    const std::size_t size = std::min<std::size_t>(4096, input.size() - at);
    Bytes data = CompressChunk(input.data() + at, size);
    bool compressed = true;
    if (data.size() >= size) { // store it plainly, as the format allows
      data.assign(input.begin() + static_cast<long>(at), input.begin() + static_cast<long>(at + size));
      compressed = false;
    }
    const std::uint16_t header = static_cast<std::uint16_t>((compressed ? 0x8000 : 0) | 0x3000 | (data.size() - 1));
    unit.push_back(static_cast<std::uint8_t>(header));
    unit.push_back(static_cast<std::uint8_t>(header >> 8));
    unit.insert(unit.end(), data.begin(), data.end());
  }
  return unit;
}

TEST(Lznt1, DecodesAHandMadeChunk) {
  // "abc" as literals, then one copy of 9 bytes from 3 back.
  const Bytes unit = {0x05, 0xB0, 0x08, 'a', 'b', 'c', 0x06, 0x20};
  const auto out = qm::Lznt1DecompressUnit(qm::ByteView(unit), 1 << 16);
  ASSERT_TRUE(out);
  EXPECT_EQ(std::string(out->begin(), out->end()), "abcabcabcabc");
}

TEST(Lznt1, RoundTripsTextRunsAndNoiseAcrossChunks) {
  std::mt19937 random(7);
  Bytes input;
  for (int i = 0; i < 3000; ++i) input.push_back(static_cast<std::uint8_t>("the quick brown fox "[i % 20]));
  input.insert(input.end(), 5000, 0x00);
  for (int i = 0; i < 6000; ++i) input.push_back(static_cast<std::uint8_t>(random() % 7)); // low entropy
  for (int i = 0; i < 2384; ++i) input.push_back(static_cast<std::uint8_t>(random()));    // noise: stored chunk
  ASSERT_EQ(input.size(), 16384u);
  const Bytes unit = CompressUnit(input);
  EXPECT_LT(unit.size(), input.size());
  const auto out = qm::Lznt1DecompressUnit(qm::ByteView(unit), input.size());
  ASSERT_TRUE(out);
  EXPECT_EQ(*out, input);
  // The caller's limit cuts the output inside a chunk.
  const auto partial = qm::Lznt1DecompressUnit(qm::ByteView(unit), 5000);
  ASSERT_TRUE(partial);
  EXPECT_EQ(*partial, Bytes(input.begin(), input.begin() + 5000));
}

TEST(Lznt1, HostileChunksFailWithoutReadingOrWritingOutOfBounds) {
  struct Row { const char* what; Bytes unit; bool ok; std::size_t produced; };
  const Row rows[] = {
      {"copy as the first item", {0x02, 0xB0, 0x01, 0x00, 0x00}, false, 0},
      {"offset past the output", {0x04, 0xB0, 0x02, 'a', 0x00, 0x10}, false, 0},
      {"stored size past the unit", {0xFF, 0xBF, 0x00, 'a'}, false, 0},
      {"token cut in half", {0x02, 0xB0, 0x02, 'a', 0x00}, false, 0},
      {"zero header ends the unit", {0x00, 0x00, 0x05, 0xB0}, true, 0},
      {"single trailing byte ends the unit", {0x05}, true, 0},
      {"plain chunk", {0x02, 0x30, 'x', 'y', 'z'}, true, 3},
  };
  for (const Row& row : rows) {
    const auto out = qm::Lznt1DecompressUnit(qm::ByteView(row.unit), 1 << 16);
    EXPECT_EQ(out.has_value(), row.ok) << row.what;
    if (out) {
      EXPECT_EQ(out->size(), row.produced) << row.what;
    }
  }
}

TEST(Lznt1, OutputOfAChunkStopsAt4096Bytes) {
  std::uint8_t out[qm::kLznt1ChunkSize];
  // 'a', then a copy of 4095 bytes from 1 back: exactly a full chunk.
  const Bytes full = {0x02, 'a', 0xFC, 0x0F};
  const auto produced = qm::Lznt1DecompressChunk(qm::ByteView(full), out);
  ASSERT_TRUE(produced);
  EXPECT_EQ(*produced, 4096u);
  EXPECT_EQ(out[4095], 'a');
  // One byte more, by a longer copy or by a literal after it, is refused.
  const Bytes longer = {0x02, 'a', 0xFD, 0x0F};
  EXPECT_FALSE(qm::Lznt1DecompressChunk(qm::ByteView(longer), out));
  const Bytes literalAfter = {0x02, 'a', 0xFC, 0x0F, 'b'};
  EXPECT_FALSE(qm::Lznt1DecompressChunk(qm::ByteView(literalAfter), out));
}

} // namespace
