#include "fatext2/partition_search_controllers.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string>

#include "fatext2/ext2_volume_analyze.h"
#include "fatext2/fat_boot_sector.h"
#include "fatext2/fat_table.h"
#include "fatext2/fat_volume_analyze.h"
#include "ntfs/ntfs_boot_sector.h"
#include "ntfs/system_files.h"
#include "ntfs/volume_record.h"
#include "storage/partition_device.h"
#include "storage/partition_table.h"
#include "storage/storage_device.h"

namespace {

constexpr int kNtfsType = 3;
constexpr std::size_t kLabelBytes = sizeof(LostPartitionRecord::volumeLabel);

IStorageDevice* MakeWindow(IStorageDevice* disk, std::uint64_t start, std::uint64_t count) {
  // The record carries the window out to the receiver, who owns it from then on.
  return new (std::nothrow) CBasicPartitionDevice(disk, start, count);
}

void Fill(LostPartitionRecord* record, IStorageDevice* disk, std::uint64_t start, std::uint64_t claimed,
          std::uint32_t type, const char* label, std::size_t labelLength) {
  record->startSector = start;
  record->sectorCount = qm::FoundVolumeSectors(start, claimed, disk->GetSectorCount());
  record->fileSystemType = type;
  std::memset(record->volumeLabel, 0, kLabelBytes);
  std::memcpy(record->volumeLabel, label, std::min(labelLength, kLabelBytes - 1));
  record->partitionDevice = MakeWindow(disk, start, record->sectorCount);
}

} // namespace

namespace qm {
std::uint64_t FoundVolumeSectors(std::uint64_t start, std::uint64_t claimed, std::uint64_t diskSectors) {
  const std::uint64_t left = start < diskSectors ? diskSectors - start : 0;
  return claimed == 0 || claimed > left ? left : claimed;
}
} // namespace qm

// --- FAT ---------------------------------------------------------------

void CPartitionFATSearchController::SetDevice(IStorageDevice* device) {
  m_pDevice = device;
  const std::int32_t size = device != nullptr ? device->GetSectorSize() : 0;
  m_nBytesPerSector = size > 0 ? static_cast<std::uint32_t>(size) : 512;
  m_sector.assign(std::max<std::size_t>(m_nBytesPerSector, qm::fat_boot::kSectorBytes), 0);
}

int CPartitionFATSearchController::CheckSector(const std::uint8_t* buffer, std::uint64_t sector,
                                               LostPartitionRecord* record) {
  if (m_pDevice == nullptr || buffer == nullptr || record == nullptr) return 0;
  if (m_nBytesPerSector < qm::fat_boot::kSectorBytes) return 0;
  const CFATDBR boot(qm::ByteView(buffer, m_nBytesPerSector), m_nBytesPerSector);
  if (!boot.IsFat()) return 0;
  // A boot sector alone is common (copies, leftovers); the FAT right behind
  // the reserved sectors is what makes it a volume.
  const std::uint64_t fatStart = sector + boot.GetReservedSectors();
  if (fatStart >= m_pDevice->GetSectorCount()) return 0;
  if (!m_pDevice->ReadSectors(m_sector.data(), fatStart, 1)) return 0;
  if (!IsFatTableStartSector(qm::ByteView(m_sector.data(), m_nBytesPerSector))) return 0;

  std::string label;
  CFatVolumeLabelReader(m_pDevice).ReadLabel(sector, boot, label);
  Fill(record, m_pDevice, sector, boot.GetTotalSectors(), static_cast<std::uint32_t>(boot.GetFatType()),
       label.data(), label.size());
  return 1;
}

// --- NTFS --------------------------------------------------------------

namespace {

// Records 0 to 3 ($MFT, $MFTMirr, $LogFile, $Volume) at `first`.
bool HasSystemRecordsAt(IStorageDevice& disk, std::uint64_t first, std::uint32_t recordSize,
                        std::uint32_t sectorSize) {
  const std::uint64_t sectors = std::uint64_t{recordSize} / sectorSize * 4;
  if (sectors == 0 || first >= disk.GetSectorCount() || disk.GetSectorCount() - first < sectors) return false;
  std::vector<std::uint8_t> records(static_cast<std::size_t>(sectors) * sectorSize);
  if (!disk.ReadSectors(records.data(), first, sectors)) return false;
  const std::span<std::uint8_t> all(records);
  bool (*const tests[4])(std::span<std::uint8_t>) = {IsMftFileRecord, IsMftMirrFileRecord, IsLogFileFileRecord,
                                                      IsVolumeFileRecord};
  for (std::size_t i = 0; i < 4; ++i)
    if (!tests[i](all.subspan(i * recordSize, recordSize))) return false;
  return true;
}

// The sector of a cluster of a volume at `start`, or false when it does not
// fit in 64 bits.
bool ClusterSector(std::uint64_t start, std::int64_t cluster, std::uint32_t sectorsPerCluster,
                   std::uint64_t& sector) {
  if (cluster < 0 || sectorsPerCluster == 0) return false;
  const auto c = static_cast<std::uint64_t>(cluster);
  if (c > (~std::uint64_t{0} - start) / sectorsPerCluster) return false;
  sector = start + c * sectorsPerCluster;
  return true;
}

} // namespace

int CPartitionNTFSSearchController::CheckSector(const std::uint8_t* buffer, std::uint64_t sector,
                                                LostPartitionRecord* record) {
  if (m_pDevice == nullptr || buffer == nullptr || record == nullptr) return 0;
  const std::int32_t deviceSector = m_pDevice->GetSectorSize();
  if (deviceSector < static_cast<std::int32_t>(qm::ntfs_boot::kSectorBytes)) return 0;
  CNTFSDBR boot;
  if (!boot.Load(qm::ByteView(buffer, static_cast<std::size_t>(deviceSector)))) return 0;
  if (boot.GetBytesPerSector() != static_cast<std::uint32_t>(deviceSector)) return 0;
  if (!boot.HasUsableFileRecordSize()) return 0;
  const std::uint64_t total = boot.GetTotalSectors();

  // The backup boot sector sits just past the volume's last sector: when
  // the sector `total` before this one holds the same volume's boot sector,
  // this is the backup and the volume was (or will be) found at its start.
  if (total != 0 && sector >= total) {
    std::vector<std::uint8_t> earlier(static_cast<std::size_t>(deviceSector));
    CNTFSDBR first;
    if (m_pDevice->ReadSectors(earlier.data(), sector - total, 1) &&
        first.Load(qm::ByteView(earlier.data(), earlier.size())) && first.GetTotalSectors() == total &&
        first.GetVolumeSerialNumber() == boot.GetVolumeSerialNumber() &&
        first.GetMftStartCluster() == boot.GetMftStartCluster())
      return 0;
  }

  const std::uint32_t recordSize = boot.GetFileRecordSize();
  const auto sectorSize = static_cast<std::uint32_t>(deviceSector);
  std::uint64_t mft = 0;
  std::uint64_t mirror = 0;
  const bool mftFound = ClusterSector(sector, boot.GetMftStartCluster(), boot.GetSectorsPerCluster(), mft) &&
                        HasSystemRecordsAt(*m_pDevice, mft, recordSize, sectorSize);
  if (!mftFound &&
      !(ClusterSector(sector, boot.GetMftMirrStartCluster(), boot.GetSectorsPerCluster(), mirror) &&
        HasSystemRecordsAt(*m_pDevice, mirror, recordSize, sectorSize)))
    return 0;

  char name[qm::kVolumeNameBytes] = {};
  ReadVolumeRecord(*m_pDevice, sector, boot, name);
  // The window takes in the backup boot sector behind the volume's count,
  // as the partition that held the volume did.
  Fill(record, m_pDevice, sector, qm::VolumeExtentSectors(kNtfsType, total),
       static_cast<std::uint32_t>(kNtfsType), name, std::strlen(name));
  return 1;
}

// --- EXT2 / EXT3 ----------------------------------------------------------

namespace {
// The super block starts 1024 bytes into the volume; its magic 0x38 further,
// and the number of the group that holds this copy 0x5A further, in the
// same 512-byte sector.
constexpr std::uint64_t kExtMagicByte = 1024 + 0x38;
constexpr std::uint64_t kExtGroupByte = 1024 + 0x5A;
constexpr std::uint16_t kExtMagic = 0xEF53;
} // namespace

void CPartitionEXT2SearchController::SetDevice(IStorageDevice* device) {
  m_pDevice = device;
  const std::int32_t size = device != nullptr ? device->GetSectorSize() : 0;
  m_nSectorSize = size > 0 ? static_cast<std::uint32_t>(size) : 512;
  m_sector.assign(m_nSectorSize, 0);
}

int CPartitionEXT2SearchController::CheckSector(const std::uint8_t* /*buffer*/, std::uint64_t sector,
                                                LostPartitionRecord* record) {
  if (m_pDevice == nullptr || record == nullptr) return 0;
  // Opening the file system costs far more than the probe's read; most
  // positions hold no super block, so look at its magic first.
  const std::uint64_t magicSector = sector + kExtMagicByte / m_nSectorSize;
  if (magicSector < sector || magicSector >= m_pDevice->GetSectorCount()) return 0;
  if (!m_pDevice->ReadSectors(m_sector.data(), magicSector, 1)) return 0;
  const qm::ByteView magic(m_sector.data(), m_sector.size());
  if (magic.le16(kExtMagicByte % m_nSectorSize) != kExtMagic) return 0;
  // A backup copy of a later group: with 1 KiB blocks the copy of group g
  // lies 1024 bytes past g x 8 MiB from the volume's start, so on a 1 MiB
  // boundary it looks like a volume of its own, which the search would
  // report a second time from inside the first.
  if (magic.le16(kExtGroupByte % m_nSectorSize) != 0) return 0;
  CExt2Volume volume(m_pDevice, sector);
  const int type = volume.GetFileSystemType();
  if (type == 7) return 0;
  char label[CExt2Volume::kLabelBytes] = {};
  volume.GetLabel(label, static_cast<int>(sizeof label));
  Fill(record, m_pDevice, sector, volume.GetSectorCount(), static_cast<std::uint32_t>(type), label,
       std::strlen(label));
  return 1;
}
