// The tree builds over a small NTFS volume: the input (after one byte that
// picks the sector size and cluster size) is the volume from the start of
// its $MFT at 16 KiB (where mkntfs puts it on a small volume) behind a sound
// boot sector. The existing-volume build reads it through the runs of
// its record 0; the lost-partition build tries every sector of the runs of
// FILE records found in it, filed under that same $MFT.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "filemodel/file_node.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_lost_tree_builder.h"
#include "ntfs/ntfs_partition_info.h"
#include "ntfs/ntfs_tree_builder.h"
#include "platform/byte_view.h"
#include "support/memory_device.h"

namespace {
constexpr std::uint64_t kMftOffset = 16 * 1024;
constexpr std::size_t kVolumeBytes = 256 * 1024;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint32_t sectorSize = (data[0] & 1) ? 4096 : 512;
  const std::uint32_t clusterBytes = std::max<std::uint32_t>(512u << ((data[0] >> 1) % 4), sectorSize);
  const std::uint32_t sectorsPerCluster = clusterBytes / sectorSize;
  const std::uint64_t mftCluster = kMftOffset / clusterBytes;
  std::vector<std::uint8_t> volume(kVolumeBytes, 0);
  std::memcpy(volume.data() + kMftOffset, data + 1,
              std::min<std::size_t>(size - 1, kVolumeBytes - kMftOffset));
  std::uint8_t* boot = volume.data();
  std::memcpy(boot + 3, "NTFS    ", 8);
  qm::StoreLe16(boot + 0x0B, static_cast<std::uint16_t>(sectorSize));
  boot[0x0D] = static_cast<std::uint8_t>(sectorsPerCluster);
  boot[0x15] = 0xF8;
  qm::StoreLe64(boot + 0x28, kVolumeBytes / sectorSize - 1);
  qm::StoreLe64(boot + 0x30, mftCluster);
  qm::StoreLe64(boot + 0x38, 1);
  boot[0x40] = 0xF6;
  boot[0x1FE] = 0x55;
  boot[0x1FF] = 0xAA;
  qm::MemoryDevice device(volume, static_cast<std::int32_t>(sectorSize));

  CNtfsTreeBuilder builder;
  DeleteFileTree(builder.Build(0, &device, nullptr));

  // The lost-partition build over the FILE records of the volume.
  std::vector<qm::NtfsRecordRange> ranges;
  for (std::uint64_t at = 0; at + 1024 <= volume.size(); at += 1024) {
    if (!IsFileRecordHeader(qm::ByteView(volume.data() + at, 1024))) continue;
    const std::uint64_t sector = at / 512;
    if (ranges.empty() || !ranges.back().Extend(sector)) ranges.push_back({sector, 1});
  }
  if (sectorSize != 512 || ranges.empty()) return 0;
  CSearchedNTFSPartitionInfo partition;
  partition.SetStartSector(0);
  partition.SetSectorCount(device.GetSectorCount());
  partition.SetSectorsPerCluster(static_cast<std::uint8_t>(sectorsPerCluster));
  partition.m_bUseMft = data[0] & 0x10 ? 0 : 1;
  partition.m_bFilesFromMftOnly = data[0] & 0x20 ? 1 : 0;
  NtfsMftInfo mft;
  mft.recordSector = mftCluster * sectorsPerCluster;
  mft.sectorsPerCluster = static_cast<std::uint8_t>(sectorsPerCluster);
  mft.extents = builder.MftRuns().empty()
                    ? qm::NtfsRunList{{static_cast<std::int64_t>(mftCluster), 0, 64 * 1024 / clusterBytes}}
                    : builder.MftRuns();
  CNtfsLostPartitionTreeBuilder lost;
  DeleteFileTree(lost.Build({mft}, ranges, &partition, nullptr, &device, 0, nullptr));
  return 0;
}
