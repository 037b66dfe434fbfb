// Round trips through every codec, fed the way real callers feed them.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "codecs/codec.h"
#include "codecs/codec_driver.h"

namespace qm::test {
namespace {

struct Case {
  const char* name;
  Bytes (*make)();
  std::size_t largestChunk;
  std::size_t outputRoom;
};

const Bytes& TenMegabytesRandom() {
  static const Bytes bytes = RandomBytes(10u << 20, 7);
  return bytes;
}

const Case kCases[] = {
    {"Empty", [] { return Bytes(); }, 1, 1},
    {"FewBytes", [] { return Bytes{'a', 'b', 'c', 0, 0xFF}; }, 2, 1},
    {"Random10MB", [] { return TenMegabytesRandom(); }, 1u << 20, 4093},
    {"Repetitive10MB", [] { return RepetitiveBytes(10u << 20); }, 1u << 20, 777},
};

class CodecRoundTrip : public ::testing::TestWithParam<std::tuple<int, Case>> {};

TEST_P(CodecRoundTrip, DecodesToTheInput) {
  const auto& [type, c] = GetParam();
  const Bytes input = c.make();

  std::unique_ptr<ICompressor> compressor = MakeCompressor(type);
  ASSERT_NE(compressor, nullptr);
  // The parameters the result stream and the image writer pass.
  ASSERT_EQ(compressor->Init(5, 0x800000), 0);
  const CodecRun packed = CompressAll(*compressor, input, c.largestChunk, c.outputRoom);
  ASSERT_EQ(packed.result, 1);
  EXPECT_EQ(compressor->End(), 0);
  if (input.size() > 1000) {
    EXPECT_LT(packed.output.size(), input.size() + input.size() / 50 + 1024);
  }

  std::unique_ptr<IDecompressor> decompressor = MakeDecompressor(type);
  ASSERT_NE(decompressor, nullptr);
  ASSERT_EQ(decompressor->Init(), 0);
  const CodecRun unpacked = DecompressAll(*decompressor, packed.output, c.largestChunk, c.outputRoom);
  EXPECT_EQ(unpacked.result, 1);
  EXPECT_TRUE(unpacked.output == input) << "decoded " << unpacked.output.size() << " of " << input.size();
  // The end stays the end.
  EXPECT_EQ(decompressor->Decompress(), 1);
  EXPECT_EQ(decompressor->End(), 0);
}

class CodecReuse : public ::testing::TestWithParam<int> {};

TEST_P(CodecReuse, ReinitialisedObjectsStartAFreshStream) {
  const int type = GetParam();
  std::unique_ptr<ICompressor> compressor = MakeCompressor(type);
  std::unique_ptr<IDecompressor> decompressor = MakeDecompressor(type);
  const Bytes first = RepetitiveBytes(5000);
  const Bytes second = RandomBytes(3000, 1);
  int dictionary = 1 << 16;
  for (const Bytes* input : {&first, &second, &first}) {
    // A new dictionary size on the second stream, the same on the third.
    ASSERT_EQ(compressor->Init(9, dictionary), 0);
    dictionary = 1 << 20;
    const CodecRun packed = CompressAll(*compressor, *input, 1000, 100);
    ASSERT_EQ(packed.result, 1);
    ASSERT_EQ(decompressor->Init(), 0);
    const CodecRun unpacked = DecompressAll(*decompressor, packed.output, 1000, 100);
    EXPECT_EQ(unpacked.result, 1);
    EXPECT_TRUE(unpacked.output == *input);
    // A damaged stream in between leaves nothing behind for the next one.
    Bytes damaged = packed.output;
    for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 8 && i < damaged.size(); ++i) damaged[i] ^= 0x5A;
    ASSERT_EQ(decompressor->Init(), 0);
    DecompressAll(*decompressor, damaged, 1000, 100);
  }
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<int, Case>>& info) {
  static const char* const kNames[] = {"", "Bzip2", "Zlib", "Lzma"};
  return std::string(kNames[std::get<0>(info.param)]) + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(AllCodecs, CodecRoundTrip,
                         ::testing::Combine(::testing::Values(kCodecBzip2, kCodecZlib, kCodecLzma),
                                            ::testing::ValuesIn(kCases)),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(AllCodecs, CodecReuse, ::testing::Values(kCodecBzip2, kCodecZlib, kCodecLzma));

} // namespace
} // namespace qm::test
