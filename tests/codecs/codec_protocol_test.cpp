// The calling protocol shared by the codecs: factories, names, error texts,
// completion reports, and refusal of damaged streams.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include <zlib.h>

#include "codecs/codec.h"
#include "codecs/codec_driver.h"
#include "codecs/lzma_codec.h"
#include "platform/byte_view.h"

namespace qm::test {
namespace {

TEST(CodecFactory, MakesTheCodecOfEachTypeNumberAndNothingElse) {
  const struct {
    int type;
    const char* name;
  } kKnown[] = {{1, "bzip2"}, {2, "zlib"}, {3, "lzma"}};
  for (const auto& known : kKnown) {
    ICompressor* compressor = CreateCompressor(known.type);
    ASSERT_NE(compressor, nullptr);
    EXPECT_STREQ(compressor->GetName(), known.name);
    EXPECT_STREQ(compressor->GetErrorString(-7), "unknown error");
    DeleteCompressor(compressor);
    IDecompressor* decompressor = CreateDecompressor(known.type);
    EXPECT_NE(decompressor, nullptr);
    DeleteDecompressor(decompressor);
  }
  for (int type : {-1, 0, 4, 255}) {
    EXPECT_EQ(CreateCompressor(type), nullptr) << type;
    EXPECT_EQ(CreateDecompressor(type), nullptr) << type;
  }
  DeleteCompressor(nullptr);
  DeleteDecompressor(nullptr);
}

TEST(CodecFactory, ErrorTextsOfEachCodec) {
  const struct {
    int type;
    int code;
    const char* text;
  } kTexts[] = {
      {2, -2, "invalid stream - bad call"}, {2, -3, "data error"}, {2, -4, "not enough memory"},
      {2, -5, "buffer error - bad call"},   {2, -6, "version error"}, {1, -1, "sequence error - bad call"},
      {1, -2, "parameter error - bad call"}, {1, -3, "not enough memory"}, {1, -9, "config error"},
      {3, -1, "bad call"}, {3, -2, "initialization failed"}, {3, -3, "thread synchronization error"},
      {3, -4, "input/output error"}, {3, -5, "not enough memory"},
  };
  for (const auto& t : kTexts) {
    auto compressor = MakeCompressor(t.type);
    EXPECT_STREQ(compressor->GetErrorString(t.code), t.text) << t.type << " " << t.code;
  }
}

// How each compressor reports completion of an empty stream: zlib on the
// first finishing call, bzip2 on the call after the one that reached the
// end, LZMA once, after which finishing again returns 0 and going on -1.
TEST(CodecCompletion, EachCompressorReportsTheEndAsDefined) {
  std::uint8_t room[256];
  auto zlib = MakeCompressor(kCodecZlib);
  ASSERT_EQ(zlib->Init(5, 0), 0);
  zlib->SetInput(nullptr, 0);
  zlib->SetOutput(room, sizeof room);
  EXPECT_EQ(zlib->Compress(true), 1);

  auto bzip2 = MakeCompressor(kCodecBzip2);
  ASSERT_EQ(bzip2->Init(5, 0), 0);
  bzip2->SetInput(nullptr, 0);
  bzip2->SetOutput(room, sizeof room);
  EXPECT_EQ(bzip2->Compress(true), 0);
  const std::size_t produced = static_cast<std::size_t>(bzip2->GetNextOut() - room);
  EXPECT_GT(produced, 0u);
  EXPECT_EQ(bzip2->Compress(true), 1);
  EXPECT_EQ(bzip2->GetNextOut() - room, static_cast<std::ptrdiff_t>(produced));

  auto lzma = MakeCompressor(kCodecLzma);
  EXPECT_EQ(lzma->Compress(false), -1) << "before Init";
  ASSERT_EQ(lzma->Init(5, 0x800000), 0);
  lzma->SetInput(nullptr, 0);
  lzma->SetOutput(room, sizeof room);
  EXPECT_EQ(lzma->Compress(true), 1);
  EXPECT_EQ(lzma->Compress(true), 0);
  EXPECT_EQ(lzma->Compress(false), -1);
  EXPECT_EQ(lzma->End(), 0);
}

TEST(CodecCompletion, LzmaHeaderWaitsForOutputRoom) {
  auto lzma = MakeCompressor(kCodecLzma);
  ASSERT_EQ(lzma->Init(0, 1 << 20), 0);
  const Bytes input = RepetitiveBytes(1000);
  const CodecRun run = CompressAll(*lzma, input, 1000, 1); // one byte of room per call
  ASSERT_EQ(run.result, 1);
  ASSERT_GE(run.output.size(), kLzmaHeaderSize);
  EXPECT_EQ(run.output[0], 0x5D);
  EXPECT_EQ(run.output[3], 0x10); // 1 MiB, little-endian
}

Bytes Packed(int type, const Bytes& input) {
  auto compressor = MakeCompressor(type);
  EXPECT_EQ(compressor->Init(9, 1 << 16), 0);
  return CompressAll(*compressor, input, 1u << 20, 1u << 20).output;
}

CodecRun Unpacked(int type, const Bytes& stream) {
  auto decompressor = MakeDecompressor(type);
  EXPECT_EQ(decompressor->Init(), 0);
  return DecompressAll(*decompressor, stream, 1000, 4096);
}

TEST(CodecDamage, LzmaPropertiesByteOutsideTheValidRangeIsRefused) {
  Bytes stream = Packed(kCodecLzma, RepetitiveBytes(3000));
  for (std::uint8_t properties : {225, 240, 255}) {
    stream[0] = properties;
    EXPECT_EQ(Unpacked(kCodecLzma, stream).result, -1) << int(properties);
  }
  // A dictionary beyond what any encoder writes would only make the decoder
  // allocate gigabytes for a hostile header.
  stream[0] = 0x5D;
  for (std::uint32_t dictionary : {0xFFFFFFFFu, 0x60000001u}) {
    qm::StoreLe32(stream.data() + 1, dictionary);
    EXPECT_EQ(Unpacked(kCodecLzma, stream).result, -1) << dictionary;
  }
  stream[0] = 225;
  // Stays refused on later calls.
  auto decompressor = MakeDecompressor(kCodecLzma);
  decompressor->Init();
  std::uint8_t out[16];
  decompressor->SetInput(stream.data(), static_cast<std::uint32_t>(stream.size()));
  decompressor->SetOutput(out, sizeof out);
  EXPECT_EQ(decompressor->Decompress(), -1);
  EXPECT_EQ(decompressor->Decompress(), -1);
}

TEST(CodecDamage, LzmaHeaderSplitAcrossInputsAndTinyDictionaryDecode) {
  auto compressor = MakeCompressor(kCodecLzma);
  ASSERT_EQ(compressor->Init(0, 0), 0); // raised to the smallest dictionary
  const Bytes input = RandomBytes(20000, 9);
  const Bytes stream = CompressAll(*compressor, input, 1u << 20, 1u << 20).output;
  auto decompressor = MakeDecompressor(kCodecLzma);
  decompressor->Init();
  // Chunk sizes 1, 4093, 7, ... put a chunk edge inside the header.
  const CodecRun run = DecompressAll(*decompressor, stream, 1u << 20, 333);
  EXPECT_EQ(run.result, 1);
  EXPECT_TRUE(run.output == input);
}

TEST(CodecDamage, ZlibStreamNeedingAPresetDictionaryIsAnError) {
  const char dictionary[] = "preset dictionary";
  const Bytes input = RepetitiveBytes(2000);
  z_stream stream{};
  ASSERT_EQ(deflateInit(&stream, 6), Z_OK);
  ASSERT_EQ(deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(dictionary), sizeof dictionary), Z_OK);
  Bytes packed(4096);
  stream.next_in = const_cast<Bytef*>(input.data());
  stream.avail_in = static_cast<uInt>(input.size());
  stream.next_out = packed.data();
  stream.avail_out = static_cast<uInt>(packed.size());
  ASSERT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  packed.resize(stream.total_out);
  deflateEnd(&stream);
  EXPECT_LT(Unpacked(kCodecZlib, packed).result, 0);
}

// Damaged streams: an error or a stream that never ends, never a success
// with wrong content, never a crash.
TEST(CodecDamage, CorruptOrTruncatedStreamsNeverPassAsComplete) {
  const Bytes input = RandomBytes(50000, 5);
  for (int type : {kCodecBzip2, kCodecZlib, kCodecLzma}) {
    const Bytes good = Packed(type, input);
    ASSERT_GT(good.size(), 100u);

    Bytes truncated(good.begin(), good.end() - 10);
    EXPECT_NE(Unpacked(type, truncated).result, 1) << type;
    EXPECT_NE(Unpacked(type, Bytes(good.begin(), good.begin() + 3)).result, 1) << type;

    for (std::size_t at : {good.size() / 3, good.size() / 2, good.size() - 5}) {
      Bytes damaged = good;
      damaged[at] ^= 0x5A;
      const CodecRun run = Unpacked(type, damaged);
      if (run.result == 1) {
        // LZMA carries no checksum; a flipped byte can still decode to an
        // end marker, but then the content shows it.
        EXPECT_EQ(type, kCodecLzma) << "flip at " << at;
        EXPECT_FALSE(run.output == input) << "flip at " << at;
      }
    }
    EXPECT_LT(Unpacked(type, RandomBytes(5000, 11)).result, type == kCodecLzma ? 1 : 0) << type;
  }
}

} // namespace
} // namespace qm::test
