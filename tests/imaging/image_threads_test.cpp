// The writer's compressing threads change nothing on the disk: every codec,
// level and split size, cancels, new-part requests, a relocated part,
// unreadable source sectors and codec failures give the same index, part
// list and parts, byte for byte, on one thread and on many.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <random>

#include "image_test_support.h"
#include "imaging/compress_controller.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace qm {
namespace {

// Blocks of every kind a disk holds: zeros, text, random bytes, a sector
// pattern, and a short last block.
std::vector<std::uint8_t> MixedDisk(std::uint64_t sectors) {
  std::vector<std::uint8_t> bytes(sectors * 512);
  std::mt19937 random(11);
  static const char* kWords[] = {"sector ", "image ", "volume ", "the ", "file ", "data\n"};
  const std::size_t blockBytes = 256 * 512;
  for (std::size_t at = 0; at < bytes.size(); at += blockBytes) {
    const std::size_t end = std::min(bytes.size(), at + blockBytes);
    switch ((at / blockBytes) % 4) {
    case 0: break; // zeros
    case 1:
      for (std::size_t i = at; i < end;) {
        for (const char* c = kWords[random() % 6]; *c != 0 && i < end; ++c)
          bytes[i++] = static_cast<std::uint8_t>(*c);
      }
      break;
    case 2:
      for (std::size_t i = at; i < end; ++i)
        bytes[i] = static_cast<std::uint8_t>(random());
      break;
    default:
      for (std::size_t i = at; i < end; ++i)
        bytes[i] = static_cast<std::uint8_t>((i / 512) * 7 + i % 13);
    }
  }
  return bytes;
}

// Every file under the folders, by folder number and name.
using Snapshot = std::map<std::string, std::vector<std::uint8_t>>;

Snapshot TakeSnapshot(const std::vector<fs::path>& folders) {
  Snapshot files;
  for (std::size_t f = 0; f < folders.size(); ++f) {
    for (const auto& entry : fs::directory_iterator(folders[f]))
      files[std::to_string(f) + "/" + entry.path().filename().string()] = ReadFileBytes(entry.path());
  }
  return files;
}

struct Outcome {
  int result = 0;
  bool cancelled = false;
  std::uint64_t unreadable = 0;
  std::vector<std::uint32_t> stored;
  std::vector<std::uint64_t> indices;
  std::uint64_t pumps = 0;
  Snapshot files;
};

struct Scenario {
  std::uint32_t type = 2;
  std::int32_t level = 6;
  std::uint32_t split = image::kSplit4G;
  std::uint64_t first = 0;
  std::int64_t cancelAfter = -1;
  std::set<std::uint64_t> newPartBefore;
  std::int64_t relocateAfter = -1; // block after which the rest moves to folder 1
  CCompressController::CompressorFactory factory;
};

// Writes the image into the same folders each time, so that even the part
// list's full paths must agree.
Outcome Write(IStorageDevice& source, const Scenario& scenario, unsigned threads) {
  const std::vector<fs::path> folders = {test::FreshFolder("image_threads"),
                                         test::FreshFolder("image_threads_moved")};
  CCompressController writer;
  writer.SetThreads(threads);
  writer.SetSource(&source, "threads", scenario.first, source.GetSectorCount() - scenario.first, 255);
  writer.SetCompression(scenario.type, scenario.level, scenario.split);
  if (scenario.factory) writer.SetCompressorFactory(scenario.factory);
  writer.SetTargetPath((folders[0] / "t.qmi").string());
  test::RecordingCompressCallback callback;
  callback.cancelAfter = scenario.cancelAfter;
  callback.newPartBefore = scenario.newPartBefore;
  callback.onBlockDone = [&](std::uint64_t i) {
    if (static_cast<std::int64_t>(i) == scenario.relocateAfter)
      writer.SetTargetPath((folders[1] / "moved.qmi").string());
  };
  Outcome out;
  out.result = writer.Run(&callback);
  out.cancelled = writer.WasCancelled();
  out.unreadable = writer.UnreadableBlocks();
  out.stored = callback.stored;
  out.indices = callback.indices;
  out.pumps = callback.pumps;
  out.files = TakeSnapshot(folders);
  return out;
}

void ExpectSameOnEveryThreadCount(IStorageDevice& source, const Scenario& scenario) {
  const Outcome one = Write(source, scenario, 1);
  ASSERT_EQ(one.result, 1);
  for (unsigned threads : {2u, 8u}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    const Outcome many = Write(source, scenario, threads);
    EXPECT_EQ(many.result, one.result);
    EXPECT_EQ(many.cancelled, one.cancelled);
    EXPECT_EQ(many.unreadable, one.unreadable);
    EXPECT_EQ(many.stored, one.stored);
    // The callback sees every block once, in order, and pumps after each.
    EXPECT_EQ(many.indices, one.indices);
    EXPECT_EQ(many.pumps, one.pumps);
    ASSERT_EQ(many.files.size(), one.files.size());
    for (const auto& [name, bytes] : one.files) {
      const auto found = many.files.find(name);
      ASSERT_NE(found, many.files.end()) << name;
      EXPECT_TRUE(found->second == bytes) << name << " differs";
    }
  }
}

TEST(ImageWriterThreads, EveryCodecLevelAndSplitSizeWritesTheSameFiles) {
  // 30 blocks, the last one short.
  MemoryDevice device(MixedDisk(30 * 256 - 100), 512);
  // A split of 600 KiB holds four raw blocks: several parts.
  constexpr std::uint32_t kSmall = 1200;
  const struct {
    std::uint32_t type;
    std::int32_t level;
    std::uint32_t split;
  } kCases[] = {{0, -1, image::kSplit4G}, {0, -1, kSmall},         {1, 1, kSmall},
                {1, 9, image::kSplit4G},  {2, 1, kSmall},          {2, 6, image::kSplit4G},
                {2, 9, kSmall},           {2, -1, image::kSplit2G}, {3, -1, kSmall},
                {3, 9, image::kSplit4G}};
  for (const auto& c : kCases) {
    SCOPED_TRACE("type " + std::to_string(c.type) + " level " + std::to_string(c.level) + " split " +
                 std::to_string(c.split));
    Scenario scenario;
    scenario.type = c.type;
    scenario.level = c.level;
    scenario.split = c.split;
    ExpectSameOnEveryThreadCount(device, scenario);
  }
}

TEST(ImageWriterThreads, CancelNewPartsRelocationAndUnreadableSectorsWriteTheSameFiles) {
  MemoryDevice device(MixedDisk(40 * 256), 512);
  // Unreadable sectors in block 7, written, and in block 12, read ahead of
  // the cancel but never written: only the first counts.
  device.AddFailingRange(7 * 256 + 3, 7 * 256 + 4);
  device.AddFailingRange(12 * 256, 12 * 256 + 1);
  Scenario scenario;
  scenario.type = 2;
  scenario.level = 1;
  scenario.split = 1200;
  scenario.first = 100;
  scenario.newPartBefore = {2, 5};
  scenario.relocateAfter = 4;
  scenario.cancelAfter = 10;
  ExpectSameOnEveryThreadCount(device, scenario);
  const Outcome many = Write(device, scenario, 8);
  EXPECT_TRUE(many.cancelled);
  EXPECT_EQ(many.stored.size(), 10u);
  EXPECT_EQ(many.unreadable, 1u);
  EXPECT_TRUE(many.files.count("1/moved.part2.qmf"));
}

// A zlib compressor that fails every block whose first byte is odd: a
// failure that depends on the block, not on which thread compresses it.
class FailingOnOddBlocks : public ICompressor {
public:
  FailingOnOddBlocks() : inner_(MakeCompressor(kCodecZlib)) {}
  int Init(int level, int dictionary) override { return inner_->Init(level, dictionary); }
  int End() override { return inner_->End(); }
  int Compress(bool finish) override { return odd_ ? -3 : inner_->Compress(finish); }
  void SetInput(const std::uint8_t* d, std::uint32_t n) override {
    odd_ = n != 0 && (d[0] & 1) != 0;
    inner_->SetInput(d, n);
  }
  void SetOutput(std::uint8_t* b, std::uint32_t n) override { inner_->SetOutput(b, n); }
  std::uint8_t* GetNextOut() override { return inner_->GetNextOut(); }
  std::uint32_t GetAvailIn() override { return inner_->GetAvailIn(); }
  std::uint32_t GetAvailOut() override { return inner_->GetAvailOut(); }
  const char* GetName() override { return "odd"; }
  const char* GetErrorString(int) override { return "odd block"; }

private:
  bool odd_ = false;
  std::unique_ptr<ICompressor> inner_;
};

TEST(ImageWriterThreads, BlocksTheCodecFailsAreStoredRawOnEveryThreadCount) {
  std::vector<std::uint8_t> bytes(24 * 256 * 512);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(i / (256 * 512) + (i % (256 * 512)) % 3);
  MemoryDevice device(bytes, 512);
  Scenario scenario;
  scenario.factory = [] { return std::make_unique<FailingOnOddBlocks>(); };
  ExpectSameOnEveryThreadCount(device, scenario);
  const Outcome many = Write(device, scenario, 8);
  ASSERT_EQ(many.stored.size(), 24u);
  for (std::size_t b = 0; b < 24; ++b)
    EXPECT_EQ(many.stored[b] == 256u * 512, b % 2 == 1) << b;
}

} // namespace
} // namespace qm
