// The image device's read-ahead: sequential reads of every size, reads
// that jump about, damaged images and two readers at once give the same
// sectors as reading the image one block at a time on the reading thread.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "image_test_support.h"
#include "imaging/compress_controller.h"
#include "imaging/image_device.h"
#include "imaging/image_file.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace qm {
namespace {

constexpr std::uint64_t kBlocks = 40;
constexpr std::uint64_t kSectors = kBlocks * 256 - 37; // a short last block

std::vector<std::uint8_t> SourceBytes() {
  std::vector<std::uint8_t> bytes = MakePatternBytes(kSectors, 512);
  std::mt19937 random(5);
  // Every third block random (stored raw), every fourth zeros.
  for (std::uint64_t b = 0; b < kBlocks; ++b) {
    const std::size_t at = b * 256 * 512;
    const std::size_t end = std::min(bytes.size(), at + 256 * 512);
    if (b % 3 == 1) {
      for (std::size_t i = at; i < end; ++i)
        bytes[i] = static_cast<std::uint8_t>(random());
    } else if (b % 4 == 2) {
      std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                bytes.begin() + static_cast<std::ptrdiff_t>(end), 0);
    }
  }
  return bytes;
}

// An image in three parts, the last one in another folder.
std::string WriteImage(const std::vector<std::uint8_t>& bytes, std::uint32_t type, const std::string& name) {
  const fs::path folder = test::FreshFolder(name);
  const fs::path moved = test::FreshFolder(name + "_moved");
  MemoryDevice source(bytes, 512);
  CCompressController writer;
  writer.SetThreads(2); // the writer is not what is measured here
  writer.SetSource(&source, "read ahead", 0, kSectors, 255);
  writer.SetCompression(type, 1, image::kSplit4G);
  const std::string index = (folder / "r.qmi").string();
  writer.SetTargetPath(index);
  test::RecordingCompressCallback callback;
  callback.newPartBefore = {13, 29};
  callback.onBlockDone = [&](std::uint64_t i) {
    if (i == 20) writer.SetTargetPath((moved / "m.qmi").string());
  };
  EXPECT_EQ(writer.Run(&callback), 1);
  return index;
}

// The image read one block at a time without any read-ahead.
std::vector<std::uint8_t> BlockByBlock(const std::string& index) {
  CImageFileDeviceWithDecompress device(index);
  device.SetReadAheadThreads(1);
  const std::uint64_t sectors = device.GetSectorCount();
  std::vector<std::uint8_t> bytes(sectors * 512);
  for (std::uint64_t s = 0; s < sectors; s += 256) {
    EXPECT_EQ(device.ReadSectors(bytes.data() + s * 512, s, std::min<std::uint64_t>(256, sectors - s)), 1);
  }
  return bytes;
}

// Reads the whole device in requests of `step` sectors.
std::vector<std::uint8_t> Sequential(IStorageDevice& device, std::uint64_t step) {
  const std::uint64_t sectors = device.GetSectorCount();
  std::vector<std::uint8_t> bytes(sectors * 512);
  for (std::uint64_t s = 0; s < sectors; s += step) {
    EXPECT_EQ(device.ReadSectors(bytes.data() + s * 512, s, std::min<std::uint64_t>(step, sectors - s)), 1);
  }
  return bytes;
}

TEST(ImageReadAhead, SequentialReadsOfEverySizeGiveTheSectorsOfABlockByBlockRead) {
  const auto bytes = SourceBytes();
  for (std::uint32_t type : {0u, 1u, 2u, 3u}) {
    SCOPED_TRACE("type " + std::to_string(type));
    const std::string index = WriteImage(bytes, type, "image_read_ahead_" + std::to_string(type));
    const auto reference = BlockByBlock(index);
    ASSERT_EQ(reference, bytes);
    for (unsigned threads : {1u, 2u, 8u}) {
      for (std::uint64_t step : std::initializer_list<std::uint64_t>{1, 7, 256, 300, 4096, kSectors}) {
        SCOPED_TRACE(std::to_string(threads) + " threads, " + std::to_string(step) + " sectors a read");
        CImageFileDeviceWithDecompress device(index);
        device.SetReadAheadThreads(threads);
        ASSERT_TRUE(device.CheckPartFiles());
        EXPECT_TRUE(Sequential(device, step) == reference);
      }
    }
  }
}

TEST(ImageReadAhead, ReadsThatJumpAboutAndRunOnAgainGiveTheSameSectors) {
  const auto bytes = SourceBytes();
  // Uncompressed and compressed images, on the reading thread alone and
  // with workers: whole blocks go straight into the buffer, the others
  // through the last block decoded or the read-ahead.
  const struct {
    std::uint32_t type;
    unsigned threads;
  } kCases[] = {{0, 1}, {0, 4}, {2, 1}, {2, 4}, {3, 2}};
  for (const auto& c : kCases) {
    SCOPED_TRACE("type " + std::to_string(c.type) + ", " + std::to_string(c.threads) + " threads");
    const std::string index = WriteImage(bytes, c.type, "image_read_ahead_jumps_" + std::to_string(c.type));
    CImageFileDeviceWithDecompress device(index);
    device.SetReadAheadThreads(c.threads);
    std::mt19937 random(17);
    std::vector<std::uint8_t> buffer(600 * 512);
    std::uint64_t at = 0;
    for (int round = 0; round < 400; ++round) {
      // Mostly runs of sequential reads, now and then a jump anywhere
      // (backwards too), and reads that run past the end and are clipped.
      if (random() % 8 == 0) at = random() % (kSectors + 1);
      const std::uint64_t count = 1 + random() % 600;
      ASSERT_EQ(device.ReadSectors(buffer.data(), at, count), 1);
      const std::uint64_t inside = std::min(count, kSectors - at);
      ASSERT_TRUE(std::equal(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(inside * 512),
                             bytes.begin() + static_cast<std::ptrdiff_t>(at * 512)))
          << "round " << round << " at " << at << " count " << count;
      ASSERT_TRUE(std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(inside * 512),
                              buffer.begin() + static_cast<std::ptrdiff_t>(count * 512),
                              [](std::uint8_t b) { return b == 0; }));
      at = std::min<std::uint64_t>(at + count, kSectors);
    }
  }
}

TEST(ImageReadAhead, DamagedImagesReadTheSameAsBlockByBlock) {
  const auto bytes = SourceBytes();
  struct Row {
    const char* what;
    std::function<void(const std::string& index)> damage;
  };
  const Row rows[] = {
      {"missing part", [](const std::string& index) { fs::remove(image::MakePartFileName(index, 1)); }},
      {"corrupt stored bytes",
       [](const std::string& index) {
         const std::string part = image::MakePartFileName(index, 0);
         auto stored = ReadFileBytes(part);
         for (std::size_t i = 600; i < stored.size(); i += 5)
           stored[i] ^= 0xA5;
         std::ofstream out(part, std::ios::binary | std::ios::trunc);
         out.write(reinterpret_cast<const char*>(stored.data()), static_cast<std::streamsize>(stored.size()));
       }},
      {"damaged table entries",
       [](const std::string& index) {
         std::fstream file(index, std::ios::binary | std::ios::in | std::ios::out);
         const std::uint32_t huge = 0x7FFFFFF0;
         for (std::uint64_t block : std::initializer_list<std::uint64_t>{3, 4, 17}) {
           file.seekp(static_cast<std::streamoff>(512 + 4 * block));
           file.write(reinterpret_cast<const char*>(&huge), 4);
         }
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    for (std::uint32_t type : {2u, 3u}) {
      const std::string index = WriteImage(bytes, type, "image_read_ahead_damage");
      row.damage(index);
      const auto reference = BlockByBlock(index);
      ASSERT_EQ(reference.size(), bytes.size());
      CImageFileDeviceWithDecompress device(index);
      device.SetReadAheadThreads(8);
      EXPECT_TRUE(Sequential(device, 4096) == reference);
    }
  }
}

TEST(ImageReadAhead, TwoReadersAtOnceEachGetTheirSectors) {
  const auto bytes = SourceBytes();
  const std::string index = WriteImage(bytes, 1, "image_read_ahead_two_readers");
  CImageFileDeviceWithDecompress device(index);
  device.SetReadAheadThreads(3);
  std::vector<std::uint8_t> first;
  std::vector<std::uint8_t> second;
  std::thread one([&] { first = Sequential(device, 128); });
  std::thread two([&] { second = Sequential(device, 1000); });
  one.join();
  two.join();
  EXPECT_TRUE(first == bytes);
  EXPECT_TRUE(second == bytes);
}

} // namespace
} // namespace qm
