#include "filemodel/lznt1.h"
#include "support/lznt1_compress.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes CompressUnit(const Bytes& input) { return qm::Lznt1CompressUnit(input); }

// The unit decoded into a buffer of limit bytes; nothing when it fails.
std::optional<Bytes> Decode(const Bytes& unit, std::size_t limit) {
  Bytes out(limit);
  const auto produced = qm::Lznt1DecompressUnit(qm::ByteView(unit), out);
  if (!produced) return std::nullopt;
  out.resize(*produced);
  return out;
}

TEST(Lznt1, DecodesAHandMadeChunk) {
  // "abc" as literals, then one copy of 9 bytes from 3 back.
  const Bytes unit = {0x05, 0xB0, 0x08, 'a', 'b', 'c', 0x06, 0x20};
  const auto out = Decode(unit, 1 << 16);
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
  const auto out = Decode(unit, input.size());
  ASSERT_TRUE(out);
  EXPECT_EQ(*out, input);
  // The caller's limit cuts the output inside a chunk.
  const auto partial = Decode(unit, 5000);
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
    const auto out = Decode(row.unit, 1 << 16);
    EXPECT_EQ(out.has_value(), row.ok) << row.what;
    if (out) {
      EXPECT_EQ(out->size(), row.produced) << row.what;
    }
  }
}

TEST(Lznt1, EveryChunkAfterAShortOneStartsAtItsOwn4096Bytes) {
  // Each chunk stands for 4096 bytes of output: one that decodes shorter is
  // followed by zeros up to the next chunk's place.
  Bytes unit = CompressUnit(Bytes(100, 'a'));
  const Bytes plain = {0x02, 0x30, 'x', 'y', 'z'};
  unit.insert(unit.end(), plain.begin(), plain.end());
  const auto out = Decode(unit, 1 << 16);
  ASSERT_TRUE(out);
  Bytes expected(100, 'a');
  expected.resize(4096, 0);
  expected.insert(expected.end(), {'x', 'y', 'z'});
  EXPECT_EQ(*out, expected);
  // The limit cuts the chunk after the zeros.
  const auto cut = Decode(unit, 4098);
  ASSERT_TRUE(cut);
  EXPECT_EQ(*cut, Bytes(expected.begin(), expected.begin() + 4098));
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
