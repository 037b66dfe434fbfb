#include "storage/ldm_database.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ldm_test_builder.h"
#include "storage/dynamic_disk.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using qm::test::LdmBuilder;

qm::LdmDatabase Decode(const Bytes& blocks, std::uint32_t bytesPerSector = 512) {
  return qm::DecodeLdmDatabase({blocks.data(), blocks.size()}, bytesPerSector);
}

void SetBe(Bytes& bytes, std::size_t offset, std::uint64_t value, int width) {
  for (int i = width - 1; i >= 0; --i) {
    bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value);
    value >>= 8;
  }
}

TEST(LdmDatabase, VarFieldsStopAtTheRecordsEnd) {
  struct Row {
    Bytes bytes;
    std::uint64_t value;
    std::size_t consumed;
  };
  const Row rows[] = {
      {{1, 0x2A}, 0x2A, 2},
      {{2, 0x01, 0x00}, 0x100, 3},
      {{0}, qm::kVarNumberInvalid, 1},
      {{3, 1, 2}, qm::kVarNumberInvalid, 1},  // runs past the end
      {{65, 1, 2}, qm::kVarNumberInvalid, 1}, // longer than any number
      {{}, qm::kVarNumberInvalid, 1},
  };
  for (const Row& row : rows) {
    std::size_t offset = 0;
    EXPECT_EQ(qm::ReadVarNumber({row.bytes.data(), row.bytes.size()}, offset), row.value);
    EXPECT_EQ(offset, row.consumed);
  }
  // Ten bytes keep their low 64 bits.
  Bytes ten = {10, 0xFF, 0xEE, 1, 2, 3, 4, 5, 6, 7, 8};
  std::size_t offset = 0;
  EXPECT_EQ(qm::ReadVarNumber({ten.data(), ten.size()}, offset), 0x0102030405060708u);
  EXPECT_EQ(offset, 11u);

  const Bytes text = {5, 'h', 'e', 'l', 'l', 'o', 9, 'x'};
  offset = 0;
  EXPECT_EQ(qm::ReadVarText({text.data(), text.size()}, offset, 3), "hel");
  EXPECT_EQ(offset, 6u);
  EXPECT_EQ(qm::ReadVarText({text.data(), text.size()}, offset, 64), "");
  EXPECT_EQ(offset, 7u);
}

TEST(LdmDatabase, RecordsOfEveryTypeDecode) {
  LdmBuilder builder;
  const std::uint64_t disk = builder.AddDisk("c4ab6c3a-2c79-11d8-9a27-00e018c5e61e");
  const std::uint64_t guidDisk = builder.AddDisk("0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9", true);
  const std::uint64_t volume = builder.AddVolume("Volume1", 3, 4096, 0x07, 1);
  const std::uint64_t component = builder.AddComponent(volume, 1, 2, 128, 2);
  builder.AddPartition(component, disk, 1000, 0, 2048, 1);
  builder.AddPartition(component, guidDisk, 8, 0, 2048);
  const qm::LdmDatabase db = Decode(builder.VblkBlocks(), 4096);

  ASSERT_EQ(db.disks.size(), 2u);
  EXPECT_EQ(db.disks[0].id, disk);
  EXPECT_EQ(db.disks[0].diskIdText, "c4ab6c3a-2c79-11d8-9a27-00e018c5e61e");
  EXPECT_EQ(db.disks[1].diskIdText, "0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9");
  EXPECT_TRUE(db.disks[1].fromGuid);
  ASSERT_EQ(db.volumes.size(), 1u);
  EXPECT_EQ(db.volumes[0].name, "Volume1");
  EXPECT_EQ(db.volumes[0].volumeType, 3);
  EXPECT_EQ(db.volumes[0].componentCount, 1u);
  EXPECT_EQ(db.volumes[0].size, 512u); // 4096 units of 512 bytes in 4096-byte sectors
  EXPECT_EQ(db.volumes[0].partitionType, 0x07);
  EXPECT_EQ(db.volumes[0].guid[0], 0xA0 + volume);
  ASSERT_EQ(db.components.size(), 1u);
  EXPECT_EQ(db.components[0].type, 1);
  EXPECT_EQ(db.components[0].parentId, volume);
  EXPECT_EQ(db.components[0].partitionCount, 2u);
  EXPECT_EQ(db.components[0].stripeSize, 16u);
  ASSERT_EQ(db.partitions.size(), 2u);
  EXPECT_EQ(db.partitions[0].start, 125u);
  EXPECT_EQ(db.partitions[0].size, 256u);
  EXPECT_EQ(db.partitions[0].componentId, component);
  EXPECT_EQ(db.partitions[0].diskId, disk);
  EXPECT_TRUE(db.partitions[0].hasIndex);
  EXPECT_EQ(db.partitions[0].index, 1u);
  EXPECT_FALSE(db.partitions[1].hasIndex);

  // Some disks hold a text after the volume's type text; the fixed fields
  // follow it.
  LdmBuilder texted;
  texted.AddVolume("Volume2", 4, 777, 0x07, 3, "8000000000000000");
  const qm::LdmDatabase other = Decode(texted.VblkBlocks());
  ASSERT_EQ(other.volumes.size(), 1u);
  EXPECT_EQ(other.volumes[0].volumeType, 4);
  EXPECT_EQ(other.volumes[0].componentCount, 3u);
  EXPECT_EQ(other.volumes[0].size, 777u);
}

// A volume record of 180 data bytes (a long name) spreads over two blocks.
Bytes LongVolumeBlocks() {
  LdmBuilder builder;
  builder.AddVolume(std::string(100, 'v'), 3, 4096, 0x07, 1);
  return builder.VblkBlocks();
}

TEST(LdmDatabase, RecordsJoinFromTheirContinuationsOrAreDropped) {
  const Bytes whole = LongVolumeBlocks();
  ASSERT_EQ(whole.size(), 5u * 128); // two blocks, three unused
  ASSERT_EQ(Decode(whole).volumes.size(), 1u);
  EXPECT_EQ(Decode(whole).volumes[0].size, 4096u);
  EXPECT_EQ(Decode(whole).volumes[0].name.size(), 100u);

  struct Row {
    const char* what;
    void (*patch)(Bytes&);
    std::size_t volumes;
  };
  const Row rows[] = {
      {"continuation missing", [](Bytes& b) { b[128] = 'X'; }, 0},
      {"continuation before the first block", [](Bytes& b) { std::swap_ranges(b.begin(), b.begin() + 128, b.begin() + 128); }, 1},
      {"continuation of another record", [](Bytes& b) { SetBe(b, 128 + 8, 99, 4); }, 0},
      {"continuation with the wrong index", [](Bytes& b) { SetBe(b, 128 + 12, 2, 2); }, 0},
      {"more entries announced than present", [](Bytes& b) { SetBe(b, 14, 3, 2); SetBe(b, 128 + 14, 3, 2); }, 0},
      {"data length of gigabytes", [](Bytes& b) { SetBe(b, 20, 0xFFFFFFF0u, 4); }, 0},
      {"data length beyond its blocks", [](Bytes& b) { SetBe(b, 20, 104 + 113, 4); }, 0},
      {"entry count of 65535", [](Bytes& b) { SetBe(b, 14, 0xFFFF, 2); SetBe(b, 20, 0xFFFF * 112, 4); }, 0},
      {"record id 0", [](Bytes& b) { SetBe(b, 8, 0, 4); }, 0},
      {"entry count 0", [](Bytes& b) { SetBe(b, 14, 0, 2); }, 0},
      {"a second copy of the continuation", [](Bytes& b) { b.insert(b.end(), b.begin() + 128, b.begin() + 256); }, 1},
      {"data length shorter than its fields", [](Bytes& b) { SetBe(b, 20, 60, 4); }, 0},
  };
  for (const Row& row : rows) {
    Bytes blocks = whole;
    row.patch(blocks);
    EXPECT_EQ(Decode(blocks).volumes.size(), row.volumes) << row.what;
  }
}

TEST(LdmDatabase, ManyRecordsSharingContinuationsStayWithinTheArea) {
  // Hundreds of first blocks of one record id all claiming the same 39
  // continuations: each joined copy would cost 4.5 KB, but the joined
  // records may not exceed what the area could hold.
  LdmBuilder builder;
  builder.AddRawRecord(0x51, 0, Bytes(104 + 39 * 112, 1));
  const Bytes record = builder.VblkBlocks();
  Bytes blocks;
  for (int i = 0; i < 400; ++i) blocks.insert(blocks.end(), record.begin(), record.begin() + 128);
  blocks.insert(blocks.end(), record.begin() + 128, record.begin() + 40 * 128);
  const std::vector<qm::VblkRecord> records = qm::JoinVblkRecords({blocks.data(), blocks.size()});
  std::size_t total = 0;
  for (const auto& joined : records) total += joined.bytes.size();
  EXPECT_LE(total, 2 * blocks.size());
  EXPECT_FALSE(records.empty());
  EXPECT_LT(records.size(), 400u);
}

TEST(LdmDatabase, PrivateHeaderFieldsAfterConversion) {
  LdmBuilder builder("MyGroup");
  Bytes sector = builder.PrivateHeader("c4ab6c3a-2c79-11d8-9a27-00e018c5e61e", 100000, 97952);
  PrivHeadToHostOrder(sector.data(), sector.size());
  const auto header = qm::DecodePrivateHeader({sector.data(), sector.size()});
  ASSERT_TRUE(header);
  EXPECT_EQ(header->diskId, "c4ab6c3a-2c79-11d8-9a27-00e018c5e61e");
  EXPECT_EQ(header->diskGroupName, "MyGroup");
  EXPECT_EQ(header->dataStart, LdmBuilder::kDataStart);
  EXPECT_EQ(header->configStart, 97952u);
  // Names fill their fields without a terminator.
  std::memset(sector.data() + qm::kPrivHeadDiskIdOffset, 'd', 64);
  std::memset(sector.data() + qm::kPrivHeadGroupNameOffset, 'g', 32);
  const auto full = qm::DecodePrivateHeader({sector.data(), sector.size()});
  EXPECT_EQ(full->diskId, std::string(64, 'd'));
  EXPECT_EQ(full->diskGroupName, std::string(31, 'g'));
  sector[0] = 'X';
  EXPECT_FALSE(qm::DecodePrivateHeader({sector.data(), sector.size()}));
  EXPECT_FALSE(qm::DecodePrivateHeader({sector.data(), 300}));
}

} // namespace
