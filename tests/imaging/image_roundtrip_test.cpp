// Images written by the writer and read back through the image device:
// every compression type over random, zero and file-system data; short
// last blocks and clipped reads; raw-stored blocks whose bytes look like a
// codec's stream; a codec that fails once; cancels, split parts, new-part
// requests and relocated parts, the part limit, and unreadable sources.
#include <gtest/gtest.h>

#include <bzlib.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "codecs/codec.h"
#include "image_test_support.h"
#include "imaging/compress_controller.h"
#include "imaging/image_device.h"
#include "imaging/image_file.h"
#include "ntfs/ntfs_fixture.h"
#include "platform/byte_view.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"
#include "support/sha256.h"

namespace fs = std::filesystem;

namespace qm {
namespace {

using image::CImageFile;
using image::kBlockSectors;

std::vector<std::uint8_t> RandomBytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(n);
  for (auto& b : bytes) {
    b = static_cast<std::uint8_t>(random());
  }
  return bytes;
}

struct Written {
  int result = 0;
  std::string index;
  std::unique_ptr<CCompressController> writer;
};

Written WriteImage(IStorageDevice& source, const fs::path& folder, std::uint32_t type, std::uint64_t first,
                   std::uint64_t count, test::RecordingCompressCallback& callback,
                   std::uint32_t split = image::kSplit4G, std::int32_t level = 6) {
  Written out;
  out.index = (folder / "disk.qmi").string();
  out.writer = std::make_unique<CCompressController>();
  out.writer->SetSource(&source, "Disk  Test  (NTFS)", first, count, 12);
  out.writer->SetCompression(type, level, split);
  out.writer->SetTargetPath(out.index);
  out.result = out.writer->Run(&callback);
  return out;
}

// The sectors [first, first + count) of a byte vector.
std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, std::uint64_t first,
                                std::uint64_t count, std::uint32_t sectorSize = 512) {
  return {bytes.begin() + static_cast<std::ptrdiff_t>(first * sectorSize),
          bytes.begin() + static_cast<std::ptrdiff_t>((first + count) * sectorSize)};
}

std::vector<std::uint8_t> Zlib(const std::vector<std::uint8_t>& in) {
  uLongf size = compressBound(in.size());
  std::vector<std::uint8_t> out(size);
  compress2(out.data(), &size, in.data(), in.size(), 9);
  out.resize(size);
  return out;
}

std::vector<std::uint8_t> Bzip2(const std::vector<std::uint8_t>& in) {
  unsigned size = static_cast<unsigned>(in.size() * 1.02 + 600);
  std::vector<std::uint8_t> out(size);
  BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &size,
                           const_cast<char*>(reinterpret_cast<const char*>(in.data())),
                           static_cast<unsigned>(in.size()), 9, 0, 30);
  out.resize(size);
  return out;
}

TEST(ImageRoundTrip, EveryTypeOverRandomZeroAndFileSystemData) {
  // 1,000 sectors: three full blocks and one of 232. Random data that no
  // codec can shrink, zeros that every codec can, and the NTFS fixture.
  std::vector<std::uint8_t> mixed = RandomBytes(1000 * 512, 7);
  std::memset(mixed.data() + 300 * 512, 0, 400 * 512);
  // A block whose raw bytes are a complete stream of each codec: stored
  // raw (it does not shrink), it must never be run through a decoder.
  const std::vector<std::uint8_t> inner = RandomBytes(120000, 9);
  const auto zlibStream = Zlib(inner);
  const auto bzipStream = Bzip2(inner);
  std::memcpy(mixed.data() + 512 * 512, zlibStream.data(), std::min<std::size_t>(zlibStream.size(), 131072));
  std::memcpy(mixed.data() + 768 * 512, bzipStream.data(),
              std::min<std::size_t>(bzipStream.size(), 232 * 512));
  struct Source {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Source> sources;
  sources.push_back({"mixed", mixed});
  sources.push_back({"zeros", std::vector<std::uint8_t>(700 * 512)});
  const auto& ntfs = test::NtfsBasicImage();
  sources.push_back(
      {"ntfs", std::vector<std::uint8_t>(ntfs.begin(),
                                         ntfs.begin() + std::min<std::size_t>(ntfs.size(), 4096 * 512))});

  for (const Source& source : sources) {
    for (std::uint32_t type : {0u, 1u, 2u, 3u}) {
      SCOPED_TRACE(std::string(source.what) + " type " + std::to_string(type));
      MemoryDevice device(source.bytes, 512);
      const std::uint64_t sectors = device.GetSectorCount();
      const auto folder = test::FreshFolder("image_roundtrip");
      test::RecordingCompressCallback callback;
      Written w = WriteImage(device, folder, type, 0, sectors, callback);
      ASSERT_EQ(w.result, 1) << w.writer->LastError();
      const std::uint64_t blocks = (sectors + 255) / 256;
      EXPECT_EQ(callback.startFirst, 0u);
      EXPECT_EQ(callback.startTotal, blocks);
      EXPECT_EQ(callback.done, blocks);
      EXPECT_EQ(callback.pumps, blocks);

      CImageFileDeviceWithDecompress image(w.index);
      ASSERT_TRUE(image.CheckPartFiles());
      // The device has the source's sectors, not whole blocks.
      EXPECT_EQ(image.GetSectorCount(), sectors);
      EXPECT_EQ(image.GetSourceDeviceType(), 12u);
      EXPECT_EQ(image.GetSourceDescription(), "Disk  Test  (NTFS)");
      auto back = test::ReadAll(image);
      ASSERT_EQ(back.size(), sectors * 512);
      EXPECT_TRUE(std::equal(source.bytes.begin(), source.bytes.end(), back.begin()));
      // The last sector, and a zero-filled one after it.
      std::vector<std::uint8_t> tail(2 * 512, 0xEE);
      ASSERT_EQ(image.ReadSectors(tail.data(), sectors - 1, 2), 1);
      EXPECT_TRUE(std::equal(tail.begin(), tail.begin() + 512, source.bytes.end() - 512));
      EXPECT_TRUE(std::all_of(tail.begin() + 512, tail.end(), [](std::uint8_t b) { return b == 0; }));
      // Type 0 stores every block raw, sectors in order after 512 bytes.
      if (type == 0) {
        const auto part = ReadFileBytes(image::MakePartFileName(w.index, 0));
        ASSERT_EQ(part.size(), 512 + source.bytes.size());
        EXPECT_TRUE(std::equal(source.bytes.begin(), source.bytes.end(), part.begin() + 512));
      }
      if (std::string(source.what) == "zeros" && type != 0) {
        EXPECT_LT(ReadFileBytes(image::MakePartFileName(w.index, 0)).size(), 20000u);
      }
    }
  }
}

TEST(ImageDevice, ShortImageReadsClippedAndAcrossBlocks) {
  const auto bytes = MakePatternBytes(1000, 512);
  MemoryDevice device(bytes, 512);
  const auto folder = test::FreshFolder("image_clipped");
  test::RecordingCompressCallback callback;
  Written w = WriteImage(device, folder, 2, 0, 1000, callback);
  ASSERT_EQ(w.result, 1);
  CImageFileDeviceWithDecompress image(w.index);
  ASSERT_TRUE(image.CheckPartFiles());
  // Four blocks in the header, but the device has the source's 1,000
  // sectors: nothing of the short last block's padding is shown.
  CImageFile header(w.index);
  ASSERT_EQ(header.OpenIndex(CPlainFile::kRead), 1);
  EXPECT_EQ(header.GetTotalBlocks(), 4u);
  EXPECT_EQ(image.GetSectorCount(), 1000u);
  EXPECT_EQ(image.GetSectorSize(), 512);

  std::vector<std::uint8_t> buffer(1025 * 512, 0xEE);
  // Sectors 996 to 1,005: 4 read, 6 zero-filled.
  ASSERT_EQ(image.ReadSectors(buffer.data(), 996, 10), 1);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 4 * 512, bytes.begin() + 996 * 512));
  EXPECT_TRUE(std::all_of(buffer.begin() + 4 * 512, buffer.begin() + 10 * 512,
                          [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(buffer[10 * 512], 0xEE);
  std::fill(buffer.begin(), buffer.end(), 0xEE);
  ASSERT_EQ(image.ReadSectors(buffer.data(), 1000, 1), 1);
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + 512, [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(image.ReadSectors(buffer.data(), 1001, 1), 0);
  EXPECT_EQ(image.ReadSectors(buffer.data(), 0, 1001), 0);
  // 250 to 261: six sectors from the end of block 0, six from block 1.
  ASSERT_EQ(image.ReadSectors(buffer.data(), 250, 12), 1);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 12 * 512, bytes.begin() + 250 * 512));
  // The same sector twice in a row, and out of order, from the kept block.
  for (std::uint64_t s : {999u, 3u, 999u, 255u, 256u}) {
    ASSERT_EQ(image.ReadSectors(buffer.data(), s, 1), 1);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 512,
                           bytes.begin() + static_cast<std::ptrdiff_t>(s * 512)));
  }
}

TEST(ImageDevice, SectorCountIsTheSourcesForEveryTypeAndSize) {
  // The last block's length, raw or decompressed, gives the count.
  const struct {
    std::uint64_t sectors;
    std::uint32_t sectorSize;
  } sizes[] = {{1000, 512}, {1, 512}, {256, 512}, {257, 512}, {511, 512}, {300, 4096}};
  for (const auto& size : sizes) {
    const auto bytes = MakePatternBytes(size.sectors, static_cast<std::int32_t>(size.sectorSize));
    for (std::uint32_t type : {0u, 1u, 2u, 3u}) {
      SCOPED_TRACE(std::to_string(size.sectors) + " x " + std::to_string(size.sectorSize) + ", type " +
                   std::to_string(type));
      MemoryDevice device(bytes, size.sectorSize);
      const auto folder = test::FreshFolder("image_count");
      test::RecordingCompressCallback callback;
      Written w = WriteImage(device, folder, type, 0, size.sectors, callback);
      ASSERT_EQ(w.result, 1);
      CImageFileDeviceWithDecompress image(w.index);
      ASSERT_TRUE(image.CheckPartFiles());
      EXPECT_EQ(image.GetSectorCount(), size.sectors);
      EXPECT_EQ(test::ReadAll(image), bytes);
    }
  }
}

TEST(ImageDevice, LargeSectorsGiveLargeBlocks) {
  const auto bytes = MakePatternBytes(300, 4096);
  MemoryDevice device(bytes, 4096);
  const auto folder = test::FreshFolder("image_4k");
  test::RecordingCompressCallback callback;
  Written w = WriteImage(device, folder, 3, 0, 300, callback);
  ASSERT_EQ(w.result, 1);
  CImageFileDeviceWithDecompress image(w.index);
  ASSERT_TRUE(image.CheckPartFiles());
  EXPECT_EQ(image.GetSectorSize(), 4096);
  EXPECT_EQ(image.GetSectorCount(), 300u);
  const auto back = test::ReadAll(image);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), back.begin()));
}

// A zlib compressor that fails its n-th stream.
class FailingOnce : public ICompressor {
public:
  explicit FailingOnce(int failAt) : failAt_(failAt), inner_(MakeCompressor(kCodecZlib)) {}
  int Init(int level, int dictionary) override {
    return ++inits_ == failAt_ ? -2 : inner_->Init(level, dictionary);
  }
  int End() override { return inner_->End(); }
  int Compress(bool finish) override { return inner_->Compress(finish); }
  void SetInput(const std::uint8_t* d, std::uint32_t n) override { inner_->SetInput(d, n); }
  void SetOutput(std::uint8_t* b, std::uint32_t n) override { inner_->SetOutput(b, n); }
  std::uint8_t* GetNextOut() override { return inner_->GetNextOut(); }
  std::uint32_t GetAvailIn() override { return inner_->GetAvailIn(); }
  std::uint32_t GetAvailOut() override { return inner_->GetAvailOut(); }
  const char* GetName() override { return "failing"; }
  const char* GetErrorString(int) override { return "failed"; }

private:
  int failAt_;
  int inits_ = 0;
  std::unique_ptr<ICompressor> inner_;
};

// A compressor that never completes its stream: it takes all input and
// keeps answering "call again".
class NeverFinishing : public FailingOnce {
public:
  NeverFinishing() : FailingOnce(-1) {}
  int Compress(bool finish) override {
    const int r = FailingOnce::Compress(false);
    return finish ? 0 : r;
  }
};

TEST(ImageWriter, ACodecFailureStoresOneBlockRawAndTheNextCompressed) {
  std::vector<std::uint8_t> bytes(1024 * 512);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(i / 512);
  MemoryDevice device(bytes, 512);
  for (int variant = 0; variant < 2; ++variant) {
    SCOPED_TRACE(variant);
    const auto folder = test::FreshFolder("image_codec_failure");
    CCompressController writer;
    writer.SetSource(&device, "d", 0, 1024, 255);
    writer.SetCompression(2, 6, image::kSplit4G);
    // One compressing thread: the codec counts the streams it is given.
    writer.SetThreads(1);
    if (variant == 0) {
      writer.SetCompressorFactory([] { return std::make_unique<FailingOnce>(2); });
    } else {
      writer.SetCompressorFactory([] { return std::make_unique<NeverFinishing>(); });
    }
    writer.SetTargetPath((folder / "f.qmi").string());
    test::RecordingCompressCallback callback;
    ASSERT_EQ(writer.Run(&callback), 1);
    ASSERT_EQ(callback.stored.size(), 4u);
    if (variant == 0) {
      EXPECT_LT(callback.stored[0], 131072u);
      EXPECT_EQ(callback.stored[1], 131072u); // raw
      EXPECT_LT(callback.stored[2], 131072u);
    } else {
      for (std::uint32_t s : callback.stored)
        EXPECT_EQ(s, 131072u);
    }
    CImageFileDeviceWithDecompress image((folder / "f.qmi").string());
    ASSERT_TRUE(image.CheckPartFiles());
    EXPECT_EQ(test::ReadAll(image), bytes);
  }
}

TEST(ImageWriter, CancelAfterBlockNineLeavesAUsableImageOfTenBlocks) {
  const auto bytes = MakePatternBytes(100 * 256, 512);
  MemoryDevice device(bytes, 512);
  const auto folder = test::FreshFolder("image_cancel");
  test::RecordingCompressCallback callback;
  callback.cancelAfter = 10;
  Written w = WriteImage(device, folder, 2, 0, 100 * 256, callback);
  EXPECT_EQ(w.result, 1);
  EXPECT_TRUE(w.writer->WasCancelled());
  CImageFile header(w.index);
  ASSERT_TRUE(header.OpenIndex(CPlainFile::kRead));
  EXPECT_EQ(header.GetTotalBlocks(), 10u);
  CImageFileDeviceWithDecompress image(w.index);
  ASSERT_TRUE(image.CheckPartFiles());
  EXPECT_EQ(image.GetSectorCount(), 2560u);
  EXPECT_EQ(test::ReadAll(image), Slice(bytes, 0, 2560));
}

TEST(ImageWriter, SplitPartsNewPartRequestsAndARelocatedPart) {
  // A region from sector 100 on, zeros then random data, so that block
  // sizes differ: the relocated part's first block (random, stored raw)
  // is longer than all of part 1 before it, which the drop of the table
  // value cannot tell but the part table can.
  std::vector<std::uint8_t> bytes = RandomBytes(3000 * 512, 3);
  std::memset(bytes.data(), 0, 1380 * 512);
  MemoryDevice device(bytes, 512);
  const auto folder = test::FreshFolder("image_split");
  const auto elsewhere = test::FreshFolder("image_split_moved");
  CCompressController writer;
  writer.SetSource(&device, "split", 100, 2900, 255);
  // Split size of 600 KiB: four raw blocks make a part full.
  writer.SetCompression(2, 1, 1200);
  const std::string index = (folder / "s.qmi").string();
  writer.SetTargetPath(index);
  test::RecordingCompressCallback callback;
  // Block 2 is asked to begin a new part; before block 5 the rest moves
  // to another folder (the progress page does this when a disk fills).
  callback.newPartBefore = {2, 5};
  callback.onBlockDone = [&](std::uint64_t i) {
    if (i == 4) writer.SetTargetPath((elsewhere / "moved.qmi").string());
  };
  ASSERT_EQ(writer.Run(&callback), 1) << writer.LastError();
  // Blocks 0-1 | 2-4 | 5-8 (raw from 5 on: 4 per part) | 9-11.
  CImageFile header(index);
  ASSERT_TRUE(header.OpenIndex(CPlainFile::kRead));
  EXPECT_EQ(header.GetPartCount(), 4u);
  EXPECT_EQ(header.GetTotalBlocks(), 12u);
  EXPECT_EQ(header.GetPartBlockCounts(4), (std::vector<std::uint32_t>{2, 3, 4, 3}));
  EXPECT_TRUE(fs::exists(elsewhere / "moved.part2.qmf"));
  EXPECT_TRUE(fs::exists(elsewhere / "moved.part3.qmf"));
  EXPECT_FALSE(fs::exists(folder / "s.part2.qmf"));
  for (int p = 0; p < 4; ++p) {
    std::uint64_t size = 0;
    const std::string part =
        p < 2 ? image::MakePartFileName(index, static_cast<std::uint32_t>(p))
              : image::MakePartFileName((elsewhere / "moved.qmi").string(), static_cast<std::uint32_t>(p));
    size = fs::file_size(part);
    EXPECT_LT(size, 1200u * 512) << part;
  }
  CImageFileDeviceWithDecompress image(index);
  ASSERT_TRUE(image.CheckPartFiles());
  EXPECT_EQ(image.PartCount(), 4u);
  const auto back = test::ReadAll(image);
  EXPECT_TRUE(std::equal(bytes.begin() + 100 * 512, bytes.end(), back.begin()));
}

TEST(ImageWriter, TheFiftyEighthPartIsTheLast) {
  // One raw block per part: the 59th block would need a 59th part.
  const auto bytes = RandomBytes(60 * 256 * 512, 5);
  MemoryDevice device(bytes, 512);
  const auto folder = test::FreshFolder("image_58_parts");
  test::RecordingCompressCallback callback;
  Written w = WriteImage(device, folder, 0, 0, 60 * 256, callback, 257);
  EXPECT_EQ(w.result, 0);
  EXPECT_NE(w.writer->LastError().find("larger split"), std::string::npos) << w.writer->LastError();
  CImageFile header(w.index);
  ASSERT_TRUE(header.OpenIndex(CPlainFile::kRead));
  EXPECT_EQ(header.GetPartCount(), 58u);
  EXPECT_EQ(header.GetTotalBlocks(), 58u);
  CImageFileDeviceWithDecompress image(w.index);
  ASSERT_TRUE(image.CheckPartFiles());
  EXPECT_EQ(test::ReadAll(image), Slice(bytes, 0, 58 * 256));
}

TEST(ImageWriter, UnreadableSourceBlocksAreCountedAndImagedAsZeros) {
  auto bytes = MakePatternBytes(1024, 512);
  MemoryDevice device(bytes, 512);
  device.AddFailingRange(300, 301);
  const auto folder = test::FreshFolder("image_unreadable");
  test::RecordingCompressCallback callback;
  Written w = WriteImage(device, folder, 2, 0, 1024, callback);
  ASSERT_EQ(w.result, 1);
  EXPECT_EQ(w.writer->UnreadableBlocks(), 1u);
  std::fill(bytes.begin() + 256 * 512, bytes.begin() + 512 * 512, 0);
  CImageFileDeviceWithDecompress image(w.index);
  EXPECT_EQ(test::ReadAll(image), bytes);
}

TEST(ImageWriter, AnIndexThatCannotBeCreatedFailsTheRun) {
  MemoryDevice device(256, 512);
  CCompressController writer;
  writer.SetSource(&device, "d", 0, 256, 255);
  writer.SetCompression(2, 1, image::kSplit4G);
  writer.SetTargetPath("/proc/no_such_folder/y.qmi");
  test::RecordingCompressCallback callback;
  EXPECT_EQ(writer.Run(&callback), 0);
  EXPECT_FALSE(writer.LastError().empty());
}

} // namespace
} // namespace qm
