// PNG, GIF, BMP, icons, PSD, PSP and CPT over crafted files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media_analyser_test.h"
#include "raw/analysers_pictures.h"

namespace {

using qm::test::Carve;
using qm::test::CarveOn;
using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::size_t at, std::string_view s) {
  if (b.size() < at + s.size()) b.resize(at + s.size());
  std::copy(s.begin(), s.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}
void PutBe(Bytes& b, std::size_t at, std::uint32_t v, int n = 4) {
  if (b.size() < at + n) b.resize(at + n);
  for (int i = 0; i < n; ++i)
    b[at + i] = static_cast<std::uint8_t>(v >> (8 * (n - 1 - i)));
}
void PutLe(Bytes& b, std::size_t at, std::uint32_t v, int n = 4) {
  if (b.size() < at + n) b.resize(at + n);
  for (int i = 0; i < n; ++i)
    b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

int Header(IRawFileAnalyser& a, const Bytes& sector, CRawFileInfo& record) {
  Bytes s = sector;
  s.resize(std::max<std::size_t>(512, s.size()));
  return a.CheckHeader(qm::ByteView(s.data(), s.size()), &record);
}

// ---------------------------------------------------------------- PNG

void PngChunk(Bytes& b, std::uint32_t length, std::string_view type, std::size_t bodyBytes) {
  const std::size_t at = b.size();
  PutBe(b, at, length);
  Put(b, at + 4, type);
  b.resize(at + 8 + bodyBytes + 4);
}

Bytes PngStart(std::uint32_t width = 4, std::uint32_t height = 4) {
  Bytes b;
  Put(b, 0, std::string_view("\x89PNG\r\n\x1a\n", 8));
  PngChunk(b, 13, "IHDR", 13);
  PutBe(b, 16, width);
  PutBe(b, 20, height);
  return b;
}

TEST(PngAnalyser, ChunkWalkEndsAtTheEndChunkOrAtDamage) {
  FilePNGAnalyser png;
  Bytes whole = PngStart();
  PngChunk(whole, 100, "IDAT", 100);
  PngChunk(whole, 0, "IEND", 0);
  EXPECT_EQ(Carve(png, whole).length, whole.size());

  // A wild chunk length after the picture data keeps what was walked.
  Bytes damaged = PngStart();
  PngChunk(damaged, 100, "IDAT", 100);
  const std::size_t good = damaged.size();
  PngChunk(damaged, 0x1400001, "tEXt", 0);
  EXPECT_EQ(Carve(png, damaged).length, good);

  // Before any data it is no picture.
  Bytes early = PngStart();
  PngChunk(early, 0x1400001, "IDAT", 0);
  EXPECT_EQ(Carve(png, early).sized, 0);

  for (auto [w, h] : {std::pair{0u, 4u}, std::pair{4u, 0u}}) {
    EXPECT_EQ(Carve(png, PngStart(w, h)).sized, 0);
  }

  // Chunks that run off the device, and a file without its end chunk.
  Bytes cut = PngStart();
  PngChunk(cut, 0x100000, "IDAT", 0);
  auto device = std::make_unique<qm::MemoryDevice>(cut, 512);
  device->bytes().resize(1024);
  EXPECT_EQ(CarveOn(png, *device, 0).sized, 0);
}

// ---------------------------------------------------------------- GIF

TEST(GifAnalyser, BlocksAreWalkedToTheTrailer) {
  // GIF89a without a global colour table: an extension, an image with a
  // local colour table, the trailer.
  Bytes b;
  Put(b, 0, "GIF89a");
  PutLe(b, 6, 4, 2), PutLe(b, 8, 4, 2);
  b.resize(13); // flags 0: no global table
  b.insert(b.end(), {'!', 0xF9, 4, 0, 0, 0, 0, 0});
  const Bytes image = {',', 0, 0, 0, 0, 4, 0, 4, 0, 0x81};
  b.insert(b.end(), image.begin(), image.end());
  b.insert(b.end(), 12, 0x33); // local colour table of 4 entries
  b.insert(b.end(), {2, 3, 1, 2, 3, 2, 9, 9, 0, ';'});
  FileGIFAnalyser gif;
  const auto r = Carve(gif, b);
  EXPECT_EQ(r.type, 28);
  EXPECT_EQ(r.length, b.size());

  // Stray bytes before a block are passed over, but not more than 1 KiB.
  Bytes stray = b;
  stray.insert(stray.begin() + 13, 1000, 0x20);
  EXPECT_EQ(Carve(gif, stray).length, stray.size());
  stray.insert(stray.begin() + 13, 100, 0x20);
  EXPECT_EQ(Carve(gif, stray).sized, 0);

  // A chain of sub-blocks with no end, bounded by the maximum.
  Bytes endless = b;
  endless.resize(13);
  endless.insert(endless.end(), {'!', 0x01});
  endless.insert(endless.end(), 50000, 0x10);
  qm::MaxRawFileSizeGuard guard(20000);
  EXPECT_EQ(Carve(gif, endless).sized, 0);
}

// ---------------------------------------------------------------- BMP / ICO

TEST(BmpAnalyser, InfoHeaderSizeDecides) {
  struct Case {
    std::uint32_t infoSize;
    std::uint16_t reserved;
    int match, type;
  };
  const Case cases[] = {{40, 0, 1, 9}, {124, 0, 1, 9}, {12, 0, 0, 9}, {108, 0, 0, 9}, {40, 1, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.infoSize);
    Bytes s;
    Put(s, 0, "BM");
    PutLe(s, 2, 70000);
    PutLe(s, 6, c.reserved, 2);
    PutLe(s, 14, c.infoSize);
    FileBMPAnalyser bmp;
    CRawFileInfo record;
    EXPECT_EQ(Header(bmp, s, record), c.match);
    EXPECT_EQ(record.GetType(), c.type); // an OS/2 header is typed, then refused
    EXPECT_EQ(record.GetLength(), c.match ? 70000u : 0u);
  }
}

Bytes Icon(int kind, int count, std::uint32_t imageSize) {
  Bytes s = {0, 0, static_cast<std::uint8_t>(kind), 0};
  PutLe(s, 4, static_cast<std::uint32_t>(count), 2);
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(count);
  for (int i = 0; i < count; ++i) {
    const std::size_t e = 6 + 16 * static_cast<std::size_t>(i);
    s.resize(e + 16);
    s[e] = 16, s[e + 1] = 16;
    PutLe(s, e + 4, 1, 2);
    PutLe(s, e + 6, 32, 2);
    PutLe(s, e + 8, imageSize);
    PutLe(s, e + 12, offset);
    offset += imageSize;
  }
  return s;
}

TEST(IcoAnalyser, DirectoryGivesTheLength) {
  FileICOAnalyser ico;
  CRawFileInfo record;
  ASSERT_EQ(Header(ico, Icon(1, 3, 1000), record), 1);
  EXPECT_EQ(record.GetType(), 32);
  EXPECT_EQ(record.GetLength(), 6 + 3 * 16 + 3000u); // all three images and their directory
  CRawFileInfo cursor;
  ASSERT_EQ(Header(ico, Icon(2, 1, 500), cursor), 1);
  EXPECT_EQ(cursor.GetType(), 18);
  EXPECT_EQ(cursor.GetLength(), 22 + 500u);

  CRawFileInfo refused;
  EXPECT_EQ(Header(ico, Icon(1, 17, 100), refused), 0);
  EXPECT_EQ(refused.GetType(), 32);
  EXPECT_EQ(Header(ico, Icon(1, 0, 100), refused), 0);
  EXPECT_EQ(Header(ico, Icon(1, 2, 0x80000), refused), 0);       // over 1 MiB
  EXPECT_EQ(Header(ico, Icon(1, 1, 0x100000 - 22), refused), 1); // exactly 1 MiB
  Bytes reserved = Icon(1, 2, 100);
  reserved[6 + 16 + 3] = 1;
  EXPECT_EQ(Header(ico, reserved, refused), 0);
  Bytes bits = Icon(1, 1, 100);
  bits[6 + 6] = 7;
  EXPECT_EQ(Header(ico, bits, refused), 0);
  Bytes inside = Icon(1, 2, 100);
  PutLe(inside, 6 + 12, 10); // an image inside the directory
  EXPECT_EQ(Header(ico, inside, refused), 0);
}

// ---------------------------------------------------------------- PSD

Bytes Psd(std::uint16_t channels, std::uint32_t height, std::uint32_t width, std::uint16_t compression) {
  Bytes b;
  Put(b, 0, "8BPS");
  PutBe(b, 4, 1, 2);
  PutBe(b, 12, channels, 2);
  PutBe(b, 14, height);
  PutBe(b, 18, width);
  PutBe(b, 22, 8, 2);
  PutBe(b, 24, 3, 2);
  PutBe(b, 26, 0);  // colour mode data
  PutBe(b, 30, 10); // image resources
  PutBe(b, 44, 6);  // layer and mask information
  PutBe(b, 54, compression, 2);
  return b;
}

TEST(PsdAnalyser, RawAndPackedImageData) {
  FilePSDAnalyser psd;
  EXPECT_EQ(Carve(psd, Psd(3, 10, 20, 0)).length, 56 + 3 * 10 * 20u);
  Bytes packed = Psd(2, 3, 100, 1);
  std::uint32_t sum = 0;
  for (int row = 0; row < 6; ++row) {
    PutBe(packed, 56 + 2 * static_cast<std::size_t>(row), 40u + row, 2);
    sum += 40 + row;
  }
  EXPECT_EQ(Carve(psd, packed).length, 56 + 12 + sum);

  Bytes version2 = Psd(3, 10, 20, 0);
  PutBe(version2, 4, 2, 2);
  EXPECT_EQ(Carve(psd, version2).sized, 0);
  EXPECT_EQ(Carve(psd, Psd(3, 10, 20, 2)).sized, 0);
  // Field values no writer makes, whose product would overflow.
  EXPECT_EQ(Carve(psd, Psd(65535, 0xFFFFFFFF, 0xFFFFFFFF, 0)).sized, 0);
}

TEST(PsdAnalyser, RowTableIsBoundedByTheMaximum) {
  qm::MaxRawFileSizeGuard guard(4000);
  Bytes packed = Psd(4, 30000, 10, 1);
  for (std::size_t i = 56; i < 8000; i += 2)
    PutBe(packed, i, 1, 2);
  FilePSDAnalyser psd;
  const auto r = Carve(psd, packed);
  EXPECT_EQ(r.sized, 1);
  EXPECT_GT(r.length, 4000u);
  EXPECT_LT(r.length, 80000u);
}

// ---------------------------------------------------------------- PSP

TEST(PspAnalyser, BlocksAreChainedFromTheHeader) {
  Bytes b;
  Put(b, 0, std::string_view("Paint Shop Pro Image File\n\x1a", 27));
  b.resize(36);
  std::size_t at = 36;
  for (std::uint32_t length : {200u, 300u, 100u}) {
    PutLe(b, at, 0x004B427E);
    PutLe(b, at + 6, length);
    at += 10 + length;
    b.resize(at);
  }
  FilePSPAnalyser psp;
  EXPECT_EQ(Carve(psp, b).length, at);

  Bytes small = b;
  PutLe(small, 36 + 6, 20);
  PutLe(small, 66, 0); // no second block: 66 bytes are too few
  EXPECT_EQ(Carve(psp, small).sized, 0);

  Bytes badHeader = b;
  badHeader[30] = 1;
  CRawFileInfo record;
  EXPECT_EQ(Header(psp, badHeader, record), 0);

  // Zero-length blocks back to back still advance; a huge one stops at
  // the maximum.
  qm::MaxRawFileSizeGuard guard(100000);
  Bytes huge = b;
  PutLe(huge, 36 + 6, 0x7FFFFFF0);
  EXPECT_EQ(Carve(psp, huge).length, 36 + 10 + 0x7FFFFFF0u);
}

// ---------------------------------------------------------------- CPT

TEST(CptAnalyser, OffsetChainGivesTheLength) {
  Bytes b;
  Put(b, 0, "CPT9FILE");
  PutLe(b, 40, 2);         // n
  PutLe(b, 52, 316);       // d0
  PutLe(b, 316 + 8, 1000); // d at d0 + 8n - 8
  PutLe(b, 1000 + 32, 0);
  PutLe(b, 1060, 2000); // x
  PutLe(b, 1064, 7);    // y
  PutLe(b, 1992, 3000);
  PutLe(b, 1996, 1234);
  b.resize(4300);
  FileCPTAnalyser cpt;
  const auto r = Carve(cpt, b);
  EXPECT_EQ(r.type, 15);
  EXPECT_EQ(r.length, 4234u);

  Bytes noImage = b;
  PutLe(noImage, 1064, 0);
  EXPECT_EQ(Carve(cpt, noImage).length, 1000u);

  Bytes before = b;
  PutLe(before, 1060, 4); // x - 8 lies before the file
  EXPECT_EQ(Carve(cpt, before).sized, 0);

  Bytes beyond = b;
  PutLe(beyond, 316 + 8, 0xFFFFFF00);
  EXPECT_EQ(Carve(cpt, beyond).sized, 0);

  Bytes wrong = b;
  PutLe(wrong, 52, 317);
  CRawFileInfo record;
  EXPECT_EQ(Header(cpt, wrong, record), 0);
}

} // namespace
