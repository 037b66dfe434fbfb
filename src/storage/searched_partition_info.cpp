#include "storage/searched_partition_info.h"

#include <bit>

namespace qm {

namespace {

constexpr std::size_t kTypeOffset = 0;
constexpr std::size_t kSectorsPerClusterOffset = 4;
constexpr std::size_t kClusterZeroOffset = 5;
constexpr std::size_t kStartOffset = 13;
constexpr std::size_t kFirstEvidenceOffset = 21;
constexpr std::size_t kSecondEvidenceOffset = 29;
constexpr std::size_t kAuxOffset = 37;
constexpr std::size_t kSectorCountOffset = 41;
constexpr std::size_t kScoreOffset = 49;
constexpr std::size_t kWeightOffset = 57;
constexpr std::size_t kChosenOffset = 65;
constexpr std::size_t kBytesPerSectorOffset = 69;
static_assert(kBytesPerSectorOffset + 4 == kSearchedPartitionRecordSize);

} // namespace

void EncodeSearchedPartition(const CSearchedPartitionInfo& info, std::span<std::uint8_t, kSearchedPartitionRecordSize> out) {
  std::uint8_t* p = out.data();
  StoreLe32(p + kTypeOffset, info.GetFileSystemType());
  p[kSectorsPerClusterOffset] = info.GetSectorsPerCluster();
  StoreLe64(p + kClusterZeroOffset, info.GetClusterZeroSector());
  StoreLe64(p + kStartOffset, info.GetStartSector());
  StoreLe64(p + kFirstEvidenceOffset, info.GetFilesMatched());
  StoreLe64(p + kSecondEvidenceOffset, info.GetFoldersMatched());
  StoreLe32(p + kAuxOffset, info.GetAuxValue());
  StoreLe64(p + kSectorCountOffset, info.GetSectorCount());
  StoreLe64(p + kScoreOffset, info.GetScore());
  StoreLe64(p + kWeightOffset, std::bit_cast<std::uint64_t>(info.GetWeight()));
  StoreLe32(p + kChosenOffset, info.GetChosen());
  StoreLe32(p + kBytesPerSectorOffset, info.GetBytesPerSector());
}

void DecodeSearchedPartition(ByteView record, CSearchedPartitionInfo& info) {
  info.SetFileSystemType(record.le32(kTypeOffset));
  info.SetSectorsPerCluster(record.u8(kSectorsPerClusterOffset));
  info.SetClusterZeroSector(record.le64(kClusterZeroOffset));
  info.SetStartSector(record.le64(kStartOffset));
  info.SetFilesMatched(record.le64(kFirstEvidenceOffset));
  info.SetFoldersMatched(record.le64(kSecondEvidenceOffset));
  info.SetAuxValue(record.le32(kAuxOffset));
  info.SetSectorCount(record.le64(kSectorCountOffset));
  info.SetScore(record.le64(kScoreOffset));
  info.SetWeight(std::bit_cast<double>(record.le64(kWeightOffset)));
  info.SetChosen(record.le32(kChosenOffset));
  info.SetBytesPerSector(CSearchedPartitionInfo::NormalizeBytesPerSector(record.le32(kBytesPerSectorOffset)));
}

} // namespace qm
