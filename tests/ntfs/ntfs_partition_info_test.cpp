#include "ntfs/ntfs_partition_info.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ntfs/partition_display_name.h"
#include "platform/byte_view.h"
#include "storage/app_settings.h"
#include "support/memory_stream.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using qm::test::MemoryStream;

TEST(NtfsPartitionInfo, NewRecord) {
  CSearchedNTFSPartitionInfo info(0xABCDEF, 4096);
  EXPECT_EQ(info.GetKind(), 0);
  EXPECT_EQ(info.GetFileSystemType(), 3u);
  EXPECT_EQ(info.GetBytesPerSector(), 4096u);
  EXPECT_EQ(info.m_u64SerialNumber, 0xABCDEFu);
  EXPECT_EQ(info.m_nSectorsPerFileRecord, 2u);
  EXPECT_EQ(info.m_nFoundFlags, 0u);
  EXPECT_EQ(info.m_u64TotalClusters, ~0ull);
  EXPECT_EQ(info.m_u64SectorsFromSystemFiles, ~0ull);
  CSearchedNTFSPartitionInfo other(0xABCDEF);
  EXPECT_TRUE(info.IsSamePartition(other));
  other.SetStartSector(63);
  EXPECT_FALSE(info.IsSamePartition(other));
}

TEST(NtfsPartitionInfo, SavesAndLoadsByteExactly) {
  CSearchedNTFSPartitionInfo info(0x1122334455667788ull, 512);
  info.SetStartSector(2048);
  info.SetSectorCount(1000000);
  info.SetSectorsPerCluster(8);
  info.SetFilesMatched(17);
  info.SetFoldersMatched(3);
  info.SetScore(90);
  info.SetWeight(1234.5);
  info.m_nSectorsPerFileRecord = 8;
  info.m_nFoundFlags = qm::kFoundFirstBoot | qm::kFoundIndexFolder;
  info.m_bUseMft = 1;
  info.m_bFilesFromMftOnly = 1;
  info.m_u64TotalClusters = 125000;
  info.m_u64LogFileMatches = 2;
  info.m_u64AttrDefMatches = 1;
  info.m_u64UpCaseMatches = 0;
  info.m_u64MftSector = 2048 + 786432 * 8;
  info.m_u64LogFileSector = 11;
  info.m_u64AttrDefSector = 12;
  info.m_u64UpCaseSector = 13;
  info.m_u64SectorsFromSystemFiles = 999999;

  MemoryStream stream;
  ASSERT_EQ(info.Save(&stream), 1);
  ASSERT_EQ(stream.bytes.size(), qm::kSearchedPartitionRecordSize + qm::kNtfsPartitionOwnBytes);
  const qm::ByteView b(stream.bytes.data(), stream.bytes.size());
  EXPECT_EQ(b.le64(73), 0x1122334455667788ull) << "serial first after the base record";
  EXPECT_EQ(b.le32(85), qm::kFoundFirstBoot | qm::kFoundIndexFolder);
  EXPECT_EQ(b.le64(b.size() - 8), 999999u);

  CSearchedNTFSPartitionInfo loaded;
  ASSERT_EQ(loaded.Load(&stream), 1);
  EXPECT_EQ(stream.Remaining(), 0u);
  MemoryStream again;
  loaded.Save(&again);
  EXPECT_EQ(again.bytes, stream.bytes);
  EXPECT_EQ(loaded.GetStartSector(), 2048u);
  EXPECT_EQ(loaded.m_u64MftSector, info.m_u64MftSector);
  EXPECT_EQ(loaded.m_bFilesFromMftOnly, 1u);
  EXPECT_EQ(loaded.GetFoundFlags(), 0x21);
  EXPECT_EQ(loaded.GetSectorsPerFileRecord(), 8);

  MemoryStream cut;
  cut.bytes.assign(stream.bytes.begin(), stream.bytes.end() - 1);
  CSearchedNTFSPartitionInfo partial;
  EXPECT_THROW(partial.Load(&cut), CRSException);
}

TEST(NtfsPartitionInfo, FoundFlagLabelsCoverEveryBit) {
  std::uint32_t bits = 0;
  for (const auto& label : qm::kNtfsFoundFlagLabels) {
    EXPECT_EQ(label.bit & bits, 0u);
    EXPECT_EQ(std::strncmp(label.label, "  From ", 7), 0);
    bits |= label.bit;
  }
  EXPECT_EQ(bits, 0x1FFu);
}

TEST(PartitionDisplayName, FourForms) {
  struct Row {
    std::uint8_t letter;
    const char* label;
    const char* expected;
  };
  const Row rows[] = {
      {'E', "Data", "E:(Data - NTFS 2)"},
      {255, "Data", "Data(NTFS 2)"},
      {255, "", "NTFS 2"},
      {'E', "", "E:(NTFS 2)"},
      {0, "", "NTFS 2"},
      {0, "Data", "Data(NTFS 2)"},
  };
  for (const Row& row : rows) {
    std::uint8_t letter = row.letter;
    EXPECT_EQ(FormatPartitionDisplayName(row.label, letter, "NTFS", 2), row.expected);
    EXPECT_EQ(letter, row.letter == 0 ? 255 : row.letter) << row.expected;
  }
  AppSettings settings;
  settings.chDriveLetter = 0;
  EXPECT_EQ(FormatPartitionDisplayName(settings, "NTFS", 1), "NTFS 1");
  EXPECT_EQ(settings.chDriveLetter, 255);

  // A long label is cut to 254 bytes at a whole character.
  std::uint8_t letter = 'C';
  std::string label;
  for (int i = 0; i < 200; ++i)
    label += "é";
  const std::string text = FormatPartitionDisplayName(label, letter, "NTFS", 1);
  EXPECT_EQ(text.size(), 253u);
  EXPECT_EQ(text.rfind("C:(", 0), 0u);
}

} // namespace
