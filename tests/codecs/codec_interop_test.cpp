// Streams of our codecs against the real command-line tools, so that a
// reader or writer that only agrees with itself cannot pass.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "codecs/codec.h"
#include "codecs/codec_driver.h"
#include "platform/byte_view.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

class CodecInterop : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/qm_codec_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    // Text-like data with runs and noise, large enough for several bzip2
    // blocks at block size 1 and for long LZMA matches.
    input_ = RepetitiveBytes(250000);
    const Bytes noise = RandomBytes(120000, 3);
    input_.insert(input_.end(), noise.begin(), noise.end());
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Path(const char* name) const { return dir_ / name; }

  static void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  static Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static int Run(const std::string& command) { return std::system(command.c_str()); }

  fs::path dir_;
  Bytes input_;
};

Bytes Compress(int type, const Bytes& input) {
  auto compressor = MakeCompressor(type);
  EXPECT_EQ(compressor->Init(5, 0x800000), 0);
  CodecRun run = CompressAll(*compressor, input, 70000, 5000);
  EXPECT_EQ(run.result, 1);
  return run.output;
}

CodecRun Decompress(int type, const Bytes& stream) {
  auto decompressor = MakeDecompressor(type);
  EXPECT_EQ(decompressor->Init(), 0);
  return DecompressAll(*decompressor, stream, 70000, 5000);
}

TEST_F(CodecInterop, Bzip2ToolOutputDecodesAndOursDecodesWithTheTool) {
  WriteFile(Path("in"), input_);
  ASSERT_EQ(Run("bzip2 -1 -c " + Path("in").string() + " > " + Path("in.bz2").string()), 0);
  const CodecRun fromTool = Decompress(kCodecBzip2, ReadFile(Path("in.bz2")));
  EXPECT_EQ(fromTool.result, 1);
  EXPECT_TRUE(fromTool.output == input_);

  WriteFile(Path("ours.bz2"), Compress(kCodecBzip2, input_));
  ASSERT_EQ(Run("bzip2 -d -c " + Path("ours.bz2").string() + " > " + Path("ours").string()), 0);
  EXPECT_TRUE(ReadFile(Path("ours")) == input_);
}

TEST_F(CodecInterop, XzLzmaOutputWithoutItsSizeFieldDecodes) {
  WriteFile(Path("in"), input_);
  ASSERT_EQ(Run("xz --format=lzma -c " + Path("in").string() + " > " + Path("in.lzma").string()), 0);
  Bytes stream = ReadFile(Path("in.lzma"));
  ASSERT_GT(stream.size(), 13u);
  // The tool's 8-byte uncompressed size sits at bytes 5 to 12; our streams
  // have none.
  EXPECT_EQ(ByteView(stream.data(), stream.size()).le64(5), ~0ull);
  stream.erase(stream.begin() + 5, stream.begin() + 13);
  const CodecRun run = Decompress(kCodecLzma, stream);
  EXPECT_EQ(run.result, 1);
  EXPECT_TRUE(run.output == input_);
}

TEST_F(CodecInterop, OurLzmaWithAnUnknownSizeFieldDecodesWithXz) {
  Bytes stream = Compress(kCodecLzma, input_);
  ASSERT_GT(stream.size(), 5u);
  const ByteView header(stream.data(), stream.size());
  EXPECT_EQ(header.u8(0), 0x5D);
  EXPECT_EQ(header.le32(1), 0x800000u);
  stream.insert(stream.begin() + 5, 8, 0xFF);
  WriteFile(Path("ours.lzma"), stream);
  ASSERT_EQ(Run("xz -d --format=lzma -c " + Path("ours.lzma").string() + " > " + Path("ours").string()), 0);
  EXPECT_TRUE(ReadFile(Path("ours")) == input_);
}

std::uint32_t Adler32(const Bytes& bytes) {
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : bytes) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

std::uint32_t Crc32Gzip(const Bytes& bytes) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::uint8_t byte : bytes) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

TEST_F(CodecInterop, OurZlibStreamInflatesWithGzip) {
  const Bytes stream = Compress(kCodecZlib, input_);
  ASSERT_GT(stream.size(), 6u);
  const ByteView view(stream.data(), stream.size());
  // The zlib format: deflate method, header check, Adler-32 trailer.
  EXPECT_EQ(view.u8(0) & 0x0F, 8);
  EXPECT_EQ(view.be16(0) % 31, 0);
  EXPECT_EQ(view.be32(stream.size() - 4), Adler32(input_));

  // gzip carries its own inflater. Rewrap the deflate data as a gzip member.
  Bytes member = {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3};
  member.insert(member.end(), stream.begin() + 2, stream.end() - 4);
  std::uint8_t trailer[8];
  StoreLe32(trailer, Crc32Gzip(input_));
  StoreLe32(trailer + 4, static_cast<std::uint32_t>(input_.size()));
  member.insert(member.end(), trailer, trailer + 8);
  WriteFile(Path("ours.gz"), member);
  ASSERT_EQ(Run("gzip -d -c " + Path("ours.gz").string() + " > " + Path("ours").string()), 0);
  EXPECT_TRUE(ReadFile(Path("ours")) == input_);
}

} // namespace
} // namespace qm::test
