#include "storage/dynamic_disk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/byte_view.h"
#include "storage/boot_record_chain.h"
#include "storage/image_file_device.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace {

constexpr std::uint64_t kMbrImageBytes = 64ull << 20;
constexpr std::uint64_t kGptImageBytes = 4ull << 20;

std::uint8_t DynamicOf(const std::filesystem::path& path) {
  CImageFileDevice image(path.c_str());
  return IsDynamicDisk(&image, image.GetSectorCount(), image.GetSectorSize());
}

TEST(IsDynamicDisk, MbrDisksMadeWithSfdisk) {
  struct Case {
    const char* name;
    const char* table;
    std::uint8_t dynamic;
  } cases[] = {
      {"mbr_plain.img", "label: dos\\n2048,20000,83\\n", 0},
      {"mbr_42.img", "label: dos\\n2048,20000,42\\n", 1},
      {"mbr_logical_42.img",
       "label: dos\\n2048,10000,83\\n20480,60000,5\\n22528,10000,83\\n40960,10000,42\\n", 1},
      {"mbr_logical_plain.img",
       "label: dos\\n2048,10000,83\\n20480,60000,f\\n22528,10000,83\\n40960,10000,7\\n", 0},
  };
  std::vector<std::pair<std::string, std::string>> jobs;
  for (const Case& c : cases)
    jobs.emplace_back(c.name, std::string("printf '") + c.table + "' | sfdisk %s");
  const auto paths = qm::MakeImagesWithTools(jobs, kMbrImageBytes);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    ASSERT_FALSE(paths[i].empty()) << cases[i].name;
    EXPECT_EQ(DynamicOf(paths[i]), cases[i].dynamic) << cases[i].name;
  }
}

TEST(IsDynamicDisk, GptDisksNeedBothDatabasePartitions) {
  const auto paths = qm::MakeImagesWithTools(
      {{"gpt_ldm.img",
        "sgdisk -a 1 -n 1:34:2047 -t 1:5808C8AA-7E8F-42E0-85D2-E1E90434CFB3 -c '1:LDM metadata partition' "
        "-n 2:2048:+1M -t 2:AF9B60A0-1431-4F62-BC68-3311714A69AD -c '2:LDM data partition' %s"},
       {"gpt_ldm_data.img", "sgdisk -n 1:2048:+1M -t 1:AF9B60A0-1431-4F62-BC68-3311714A69AD "
                            "-c '1:LDM data partition' %s"},
       {"gpt_plain.img", "sgdisk -n 1:2048:+1M -c '1:Basic data partition' %s"}},
      kGptImageBytes);
  const std::uint8_t expected[] = {1, 0, 0};
  for (std::size_t i = 0; i < paths.size(); ++i) {
    ASSERT_FALSE(paths[i].empty()) << i;
    EXPECT_EQ(DynamicOf(paths[i]), expected[i]) << paths[i];
  }
}

TEST(IsDynamicDisk, PrivateHeaderAtSectorSix) {
  // A 0x42 disk as the system writes it: the header at sector 6 with its
  // numbers big-endian.
  qm::MemoryDevice disk(100, 512);
  disk.sector(0)[446 + 4] = 0x42;
  disk.sector(0)[446 + 8] = 63;
  std::uint8_t* header = disk.sector(6);
  std::memcpy(header, "PRIVHEAD", 8);
  const std::uint8_t bigEndian64[8] = {0, 0, 0, 0, 0x12, 0x34, 0x56, 0x78};
  std::memcpy(header + 0x11B, bigEndian64, 8);
  header[0x14B + 3] = 0x2A; // u32 0x0000002A
  header[0x0C] = 0x00;
  header[0x0D] = 0x02; // u16 2
  EXPECT_EQ(IsDynamicDisk(&disk, disk.GetSectorCount(), 512), 1);

  std::vector<std::uint8_t> copy(header, header + 512);
  ASSERT_TRUE(IsPrivHead(copy.data(), copy.size()));
  PrivHeadToHostOrder(copy.data(), copy.size());
  const qm::ByteView view(copy.data(), copy.size());
  EXPECT_EQ(view.le64(0x11B), 0x12345678u);
  EXPECT_EQ(view.le32(0x14B), 0x2Au);
  EXPECT_EQ(view.le16(0x0C), 2u);
  EXPECT_FALSE(IsPrivHead(copy.data(), 7));
  PrivHeadToHostOrder(copy.data(), 0x120); // a short buffer: fields past its end are left alone

  EXPECT_EQ(IsDynamicDisk(&disk, 6, 512), 0);
  EXPECT_EQ(IsDynamicDisk(&disk, 100, 0), 0);
}

TEST(IsDynamicDisk, ALoopingOrEndlessExtendedChainEnds) {
  // The extended entry's boot record at sector 1 points at itself.
  qm::MemoryDevice loop(64, 512);
  loop.sector(0)[446 + 4] = 0x05;
  loop.sector(0)[446 + 8] = 1;
  loop.sector(1)[446 + 4] = 0x05;
  loop.sector(1)[446 + 8] = 0; // base 1 + 0: itself
  EXPECT_EQ(IsDynamicDisk(&loop, loop.GetSectorCount(), 512), 0);
  EXPECT_LE(loop.readCalls(), 6u);

  // Boot records that hold nothing but a link to the next one, 2000 deep,
  // with a 0x42 entry at the far end: the walk stops at its cap.
  const std::uint64_t depth = 2000;
  qm::MemoryDevice chain(depth + 10, 512);
  chain.sector(0)[446 + 4] = 0x0F;
  chain.sector(0)[446 + 8] = 1;
  for (std::uint64_t s = 1; s <= depth; ++s) {
    chain.sector(s)[446 + 4] = 0x05;
    chain.sector(s)[446 + 8] = static_cast<std::uint8_t>(s & 0xFF); // next = s + base(1)
    chain.sector(s)[446 + 9] = static_cast<std::uint8_t>(s >> 8);
  }
  chain.sector(depth + 1)[446 + 4] = 0x42;
  EXPECT_EQ(IsDynamicDisk(&chain, chain.GetSectorCount(), 512), 0);
  EXPECT_LE(chain.readCalls(), static_cast<std::uint64_t>(qm::BootRecordChainGuard::kMaxBootRecords) + 4);

  // A shorter chain of the same kind is followed to its end.
  chain.sector(20)[446 + 4] = 0x42;
  EXPECT_EQ(IsDynamicDisk(&chain, chain.GetSectorCount(), 512), 1);
}

} // namespace
