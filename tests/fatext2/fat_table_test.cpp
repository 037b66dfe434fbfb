#include "fatext2/fat_table.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "fatext2/fat_boot_sector.h"
#include "support/memory_device.h"

namespace {

using qm::fat_table::kBadCluster;
using qm::fat_table::kEndOfChain;

constexpr std::uint32_t kEnd32 = 0x0FFFFFFF;

// A FAT32 copy of sectorsPerFat sectors at sector `at` of a device of
// 512-byte sectors, entries 0 and 1 as a formatter writes them.
struct Fat32Image {
  std::uint32_t sectorsPerFat;
  std::vector<std::uint32_t> entries;
  explicit Fat32Image(std::uint32_t spf) : sectorsPerFat(spf), entries(spf * 128u, 0) {
    entries[0] = 0x0FFFFFF8;
    entries[1] = 0x0FFFFFFF;
  }
  // A chain through the given clusters.
  void Chain(std::initializer_list<std::uint32_t> clusters) {
    const std::vector<std::uint32_t> c(clusters);
    for (std::size_t i = 0; i + 1 < c.size(); ++i)
      entries[c[i]] = c[i + 1];
    entries[c.back()] = kEnd32;
  }
  void WriteTo(qm::MemoryDevice& device, std::uint64_t at) const {
    for (std::size_t i = 0; i < entries.size(); ++i)
      qm::StoreLe32(device.sector(at) + i * 4, entries[i]);
  }
  std::unique_ptr<qm::MemoryDevice> Device() const {
    auto device = std::make_unique<qm::MemoryDevice>(sectorsPerFat * 2ull + 8, 512);
    WriteTo(*device, 0);
    return device;
  }
};

struct Fat16Image {
  std::uint32_t sectorsPerFat;
  std::vector<std::uint16_t> entries;
  explicit Fat16Image(std::uint32_t spf) : sectorsPerFat(spf), entries(spf * 256u, 0) {
    entries[0] = 0xFFF8;
    entries[1] = 0xFFFF;
  }
  std::unique_ptr<qm::MemoryDevice> Device() const {
    auto device = std::make_unique<qm::MemoryDevice>(sectorsPerFat * 2ull + 8, 512);
    for (std::size_t i = 0; i < entries.size(); ++i)
      qm::StoreLe16(device->sector(0) + i * 2, entries[i]);
    return device;
  }
};

struct VerifyCase {
  const char* what;
  std::function<void(Fat32Image&)> patch;
  bool accepted;
};

TEST(FatTable, Fat32SanityChecks) {
  const VerifyCase cases[] = {
      {"empty table", [](Fat32Image&) {}, true},
      {"chains and a bad cluster",
       [](Fat32Image& f) {
         f.Chain({2, 3, 4});
         f.Chain({5, 9, 6});
         f.entries[7] = 0x0FFFFFF7;
       },
       true},
      {"reserved high bits above a link", [](Fat32Image& f) { f.entries[8] = 0x10000003; }, true},
      {"entry points at itself", [](Fat32Image& f) { f.entries[5] = 5; }, false},
      {"two clusters lead to one",
       [](Fat32Image& f) {
         f.entries[3] = 6;
         f.entries[4] = 6;
       },
       false},
      {"loop of two",
       [](Fat32Image& f) {
         f.entries[2] = 3;
         f.entries[3] = 2;
       },
       false},
      {"loop entered from a chain",
       [](Fat32Image& f) {
         f.Chain({10, 11, 12});
         f.entries[12] = 11;
       },
       false},
      {"long loop",
       [](Fat32Image& f) {
         for (std::uint32_t c = 100; c < 20000; ++c)
           f.entries[c] = c + 1;
         f.entries[20000] = 100;
       },
       false},
      {"link to cluster 1", [](Fat32Image& f) { f.entries[4] = 1; }, false},
      {"link past the table",
       [](Fat32Image& f) { f.entries[4] = static_cast<std::uint32_t>(f.entries.size()); }, false},
      {"media byte F0", [](Fat32Image& f) { f.entries[0] = 0x0FFFFFF0; }, false},
      {"entry 1 not an end mark", [](Fat32Image& f) { f.entries[1] = 0; }, false},
  };
  for (const auto& c : cases) {
    Fat32Image image(256);
    c.patch(image);
    auto device = image.Device();
    const CFAT32Table table(device.get(), 0, 256);
    ASSERT_TRUE(table.IsLoaded()) << c.what;
    EXPECT_EQ(table.Verify(), c.accepted ? 1 : 0) << c.what;
    EXPECT_EQ(CreateRealFATTable(device.get(), 2, 0, 256) != nullptr, c.accepted) << c.what;
  }
}

// A table whose chains run from high clusters to low ones makes a walk
// from every chain head cover the rest again; the check must stay linear.
TEST(FatTable, DescendingChainIsCheckedInLinearTime) {
  Fat32Image image(4096); // 524288 entries
  const auto last = static_cast<std::uint32_t>(image.entries.size() - 1);
  for (std::uint32_t c = last; c > 2; --c)
    image.entries[c] = c - 1;
  image.entries[2] = kEnd32;
  auto device = image.Device();
  const CFAT32Table table(device.get(), 0, 4096);
  EXPECT_EQ(table.Verify(), 1);
  EXPECT_EQ(table.GetNextCluster(last), last - 1);
}

TEST(FatTable, Fat16SanityChecksAndAnswers) {
  Fat16Image image(16);
  image.entries[2] = 3;
  image.entries[3] = 0xFFFF;
  image.entries[4] = 0xFFF7;
  image.entries[5] = 0xFFF8;
  auto device = image.Device();
  auto table = CreateRealFATTable(device.get(), 1, 0, 16);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->GetEntryCount(), 4096u);
  EXPECT_EQ(table->GetNextCluster(2), 3u);
  EXPECT_EQ(table->GetNextCluster(3), kEndOfChain);
  EXPECT_EQ(table->GetNextCluster(4), kBadCluster);
  EXPECT_EQ(table->GetNextCluster(5), kEndOfChain);
  EXPECT_EQ(table->GetNextCluster(6), 0u);
  EXPECT_EQ(table->GetNextCluster(4096), 0u);
  EXPECT_EQ(table->GetNextCluster(0xFFFFFFFF), 0u);

  const std::function<void(Fat16Image&)> rejected[] = {
      [](Fat16Image& f) { f.entries[0] = 0xFFF0; },              // media byte F0
      [](Fat16Image& f) { f.entries[7] = 7; },                   // itself
      [](Fat16Image& f) { f.entries[7] = 5000; },                // past the table
      [](Fat16Image& f) { f.entries[7] = 8, f.entries[8] = 7; }, // loop
      [](Fat16Image& f) { f.entries[7] = 9, f.entries[8] = 9; }, // cross-link
  };
  for (const auto& patch : rejected) {
    Fat16Image bad(16);
    patch(bad);
    auto badDevice = bad.Device();
    EXPECT_EQ(CreateRealFATTable(badDevice.get(), 1, 0, 16), nullptr);
  }
}

TEST(FatTable, Fat12Decoding) {
  // Entries 0..5: F8F, FFF, 003, FFF, FF7, FF8 packed two into three bytes.
  std::vector<std::uint8_t> bytes(4 * 512, 0);
  const std::uint16_t entries[] = {0xFF8, 0xFFF, 0x003, 0xFFF, 0xFF7, 0xFF8, 0x123};
  for (std::uint32_t n = 0; n < 7; ++n) {
    const std::size_t at = n * 3 / 2;
    if (n % 2 == 0) {
      bytes[at] = static_cast<std::uint8_t>(entries[n]);
      bytes[at + 1] = static_cast<std::uint8_t>((bytes[at + 1] & 0xF0) | (entries[n] >> 8));
    } else {
      bytes[at] = static_cast<std::uint8_t>((bytes[at] & 0x0F) | ((entries[n] & 0x0F) << 4));
      bytes[at + 1] = static_cast<std::uint8_t>(entries[n] >> 4);
    }
  }
  qm::MemoryDevice device(bytes, 512);
  auto table = CreateRealFATTable(&device, 0, 0, 3);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->GetNextCluster(2), 3u);
  EXPECT_EQ(table->GetNextCluster(3), 0xFFFFFFFFu);
  EXPECT_EQ(table->GetNextCluster(4), kBadCluster);
  EXPECT_EQ(table->GetNextCluster(5), kEndOfChain);
  EXPECT_EQ(table->GetNextCluster(6), 0x123u);
  // The word of the last entries lies past the table's 1536 bytes.
  EXPECT_EQ(table->GetNextCluster(1023), 0u);
  EXPECT_EQ(table->GetNextCluster(1024), 0u);
  EXPECT_EQ(table->GetNextCluster(0xFFFFFFFF), 0u) << "no wrap of the byte offset";

  bytes[0] = 0xE0; // media byte below F0
  qm::MemoryDevice badMedia(bytes, 512);
  EXPECT_EQ(CreateRealFATTable(&badMedia, 0, 0, 3), nullptr);
  EXPECT_EQ(CreateRealFATTable(&device, 0, 0, 13), nullptr) << "more than 12 sectors is no FAT12 copy";
}

TEST(FatTable, SizeWindowsScaleWithTheSectorSize) {
  // 32 sectors of 4096 bytes are 256 of 512: the smallest FAT32 copy.
  qm::MemoryDevice big(64, 4096);
  qm::StoreLe32(big.sector(0), 0x0FFFFFF8);
  qm::StoreLe32(big.sector(0) + 4, 0x0FFFFFFF);
  const CFAT32Table fits(&big, 0, 32);
  EXPECT_TRUE(fits.IsLoaded());
  EXPECT_EQ(fits.GetEntryCount(), 32768u);
  EXPECT_EQ(fits.Verify(), 1);
  const CFAT32Table tooSmall(&big, 0, 31);
  EXPECT_FALSE(tooSmall.IsLoaded());

  Fat32Image image(256);
  auto device = image.Device();
  EXPECT_FALSE(CFAT32Table(device.get(), 0, 255).IsLoaded());
  EXPECT_FALSE(CFAT16Table(device.get(), 0, 257).IsLoaded());
  EXPECT_FALSE(CFAT16Table(device.get(), 0, 11).IsLoaded());
  EXPECT_EQ(CreateRealFATTable(device.get(), 3, 0, 256), nullptr) << "NTFS is no FAT type";
  EXPECT_EQ(CreateRealFATTable(nullptr, 2, 0, 256), nullptr);
}

TEST(FatTable, DoubleTableChoosesItsCopy) {
  constexpr std::uint32_t spf = 256;
  Fat32Image good(spf);
  good.Chain({2, 3, 9});
  Fat32Image other(spf);
  other.Chain({2, 5});

  // First copy damaged: the second answers.
  {
    qm::MemoryDevice device(spf * 2ull + 1, 512);
    other.WriteTo(device, spf);
    auto table = CreateFATTable(&device, 0, kFatType32, spf, true, true);
    EXPECT_EQ(table->GetFirstCopy(), nullptr);
    ASSERT_NE(table->GetSecondCopy(), nullptr);
    EXPECT_EQ(table->GetSecondCopy()->GetFirstSector(), spf);
    EXPECT_EQ(table->GetNextCluster(2), 5u);
  }
  // First copy sound: the second is never read.
  {
    qm::MemoryDevice device(spf * 2ull + 1, 512);
    good.WriteTo(device, 0);
    other.WriteTo(device, spf);
    device.AddFailingRange(spf, spf * 2ull);
    device.ResetCounters();
    auto table = CreateFATTable(&device, 0, kFatType32, spf, true, true);
    EXPECT_EQ(device.sectorsRead(), spf);
    EXPECT_EQ(table->GetSecondCopy(), nullptr);
    EXPECT_EQ(table->GetNextCluster(3), 9u);
  }
  // An unreadable first copy is no copy, whatever the buffer held.
  {
    qm::MemoryDevice device(spf * 2ull + 1, 512);
    good.WriteTo(device, 0);
    other.WriteTo(device, spf);
    device.AddFailingRange(10, 11);
    auto table = CreateFATTable(&device, 0, kFatType32, spf, true, true);
    EXPECT_EQ(table->GetFirstCopy(), nullptr);
    EXPECT_EQ(table->GetNextCluster(2), 5u);
  }
  // Only the second asked for; neither asked for.
  {
    qm::MemoryDevice device(spf * 2ull + 1, 512);
    good.WriteTo(device, 0);
    other.WriteTo(device, spf);
    EXPECT_EQ(CreateFATTable(&device, 0, kFatType32, spf, false, true)->GetNextCluster(2), 5u);
    auto none = CreateFATTable(&device, 0, kFatType32, spf, false, false);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->GetNextCluster(2), 0u);
  }
}

TEST(FatTable, StartSectorAndClusterRange) {
  const std::uint8_t fat32[8] = {0xF8, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F};
  const std::uint8_t fat16[8] = {0xF8, 0xFF, 0xFF, 0xFF, 0x03, 0x00, 0xFF, 0xFF};
  const std::uint8_t floppy[8] = {0xF0, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F};
  EXPECT_TRUE(IsFatTableStartSector(qm::ByteView(fat32, 8)));
  EXPECT_TRUE(IsFatTableStartSector(qm::ByteView(fat16, 8)));
  EXPECT_FALSE(IsFatTableStartSector(qm::ByteView(floppy, 8)));
  EXPECT_FALSE(IsFatTableStartSector(qm::ByteView(fat16, 3)));

  EXPECT_FALSE(IsValidFat32Cluster(1));
  EXPECT_TRUE(IsValidFat32Cluster(2));
  EXPECT_TRUE(IsValidFat32Cluster(0x0FFFFFEF));
  EXPECT_FALSE(IsValidFat32Cluster(0x0FFFFFF0));
  EXPECT_FALSE(IsValidFat32Cluster(0x10000000000ull));
}

} // namespace
