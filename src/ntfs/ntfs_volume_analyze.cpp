#include "ntfs/ntfs_volume_analyze.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "ntfs/ntfs_boot_sector.h"
#include "ntfs/volume_record.h"
#include "storage/searched_partition_info.h"
#include "storage/storage_device.h"

CNtfsVolumeAnalyze::CNtfsVolumeAnalyze(IStorageDevice* device, std::uint64_t startSector) {
  if (device == nullptr) return;
  const std::int32_t sectorSize = device->GetSectorSize();
  if (sectorSize < static_cast<std::int32_t>(qm::ntfs_boot::kSectorBytes)) return;
  if (startSector >= device->GetSectorCount()) return;
  std::vector<std::uint8_t> sector(static_cast<std::size_t>(sectorSize));
  if (!device->ReadSectors(sector.data(), startSector, 1)) return;
  CNTFSDBR boot;
  if (!boot.Load(qm::ByteView(sector.data(), sector.size()))) return;
  m_nFileSystemType = kFsNtfs;
  // The boot sector counts in its own sector size; report device sectors.
  const std::uint64_t bootSector = boot.GetBytesPerSector();
  const std::uint64_t total = boot.GetTotalSectors();
  m_u64SectorCount = bootSector == static_cast<std::uint64_t>(sectorSize) || bootSector == 0 ||
                             total > ~std::uint64_t{0} / bootSector
                         ? total
                         : total * bootSector / static_cast<std::uint64_t>(sectorSize);
  char name[qm::kVolumeNameBytes] = {};
  if (ReadVolumeRecord(*device, startSector, boot, name)) std::memcpy(m_szDescription, name, sizeof name);
}

void CNtfsVolumeAnalyze::GetLabel(char* buffer, int bufferLength) {
  if (buffer == nullptr || bufferLength <= 0) return;
  std::memcpy(buffer, m_szDescription,
              std::min<std::size_t>(static_cast<std::size_t>(bufferLength), kDescriptionBytes));
}

namespace qm {

void RegisterNtfsVolumeAnalyzer() {
  RegisterVolumeAnalyzer(VolumeAnalyzerSlot::Ntfs, [](IStorageDevice* device, std::uint64_t startSector) {
    return std::make_unique<CNtfsVolumeAnalyze>(device, startSector);
  });
}

} // namespace qm
