#include "fatext2/fat_volume_analyze.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "fatext2/fat_boot_sector.h"
#include "fatext2/fat_dir_entry.h"
#include "fatext2/fat_table.h"
#include "storage/storage_device.h"

namespace {

// Sectors read at the start to classify the boot sector.
constexpr std::uint64_t kBootReadSectors = 4;

// The first sector of a FAT12 copy: the media byte (0xF0 or above) and two
// 0xFF bytes for cluster 1.
bool IsFat12TableStartSector(qm::ByteView sector) {
  return sector.has(0, 4) && (sector.le32(0) & 0x00FFFFF0) == 0x00FFFFF0;
}

std::uint32_t VolumeSectorSize(IStorageDevice* device) {
  if (device == nullptr) return 512;
  const std::int32_t size = device->GetSectorSize();
  return size > 0 ? static_cast<std::uint32_t>(size) : 512;
}

} // namespace

CFatVolumeAnalyze::CFatVolumeAnalyze(IStorageDevice* device, std::uint64_t startSector) {
  if (device == nullptr) return;
  const std::uint32_t sectorSize = VolumeSectorSize(device);
  std::vector<std::uint8_t> buffer(kBootReadSectors * sectorSize);
  if (!device->ReadSectors(buffer.data(), startSector, kBootReadSectors)) return;
  const CFATDBR boot(qm::ByteView(buffer.data(), sectorSize), sectorSize);
  if (!boot.IsFat()) return;
  m_nFatType = boot.GetFatType();
  m_u64SectorCount = boot.GetTotalSectors();
  std::string label;
  CFatVolumeLabelReader reader(device);
  if (reader.ReadLabel(startSector, boot, label))
    std::memcpy(m_szLabel, label.data(), std::min(label.size(), kLabelBytes - 1));
}

void CFatVolumeAnalyze::GetLabel(char* buffer, int bufferLength) {
  if (buffer == nullptr || bufferLength <= 0) return;
  std::memcpy(buffer, m_szLabel, std::min<std::size_t>(static_cast<std::size_t>(bufferLength), kLabelBytes));
}

CFatVolumeLabelReader::CFatVolumeLabelReader(IStorageDevice* device)
    : device_(device), sectorSize_(VolumeSectorSize(device)) {}

int CFatVolumeLabelReader::ScanCluster(std::uint64_t sector, std::uint32_t sectorsPerCluster, std::string& label) {
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(sectorsPerCluster) * sectorSize_);
  if (!device_->ReadSectors(buffer.data(), sector, sectorsPerCluster)) return -1;
  const qm::ByteView bytes(buffer.data(), buffer.size());
  CFatDirEntry entry;
  for (std::size_t at = 0; bytes.has(at, qm::fat_dir::kEntryBytes); at += qm::fat_dir::kEntryBytes) {
    entry.SetEntry(bytes.sub(at, qm::fat_dir::kEntryBytes));
    if (!entry.IsValid(false)) return -1;
    if (entry.IsDeleted() || !entry.IsVolumeLabel()) continue;
    if (entry.GetFirstByte() == 0) return -1;
    label = entry.GetShortName(true);
    return 1;
  }
  return 0;
}

int CFatVolumeLabelReader::ReadLabel(std::uint64_t start, const CFATDBR& boot, std::string& label) {
  if (device_ == nullptr) return 0;
  const std::uint32_t perCluster = boot.GetSectorsPerCluster();
  if (perCluster == 0) return 0;
  const std::uint64_t fatsEnd =
      start + boot.GetReservedSectors() + std::uint64_t{boot.GetNumberOfFats()} * boot.GetSectorsPerFat();
  const int type = boot.GetFatType();
  if (type == kFatType12 || type == kFatType16) {
    const std::uint32_t rootSectors = boot.GetRootEntryCount() * qm::fat_dir::kEntryBytes / sectorSize_;
    if (rootSectors == 0) return 0;
    for (std::uint32_t i = 0; i <= (rootSectors - 1) / perCluster; ++i) {
      const int found = ScanCluster(fatsEnd + std::uint64_t{i} * perCluster, perCluster, label);
      if (found != 0) return found > 0 ? 1 : 0;
    }
    return 0;
  }
  if (type != kFatType32) return 0;

  // The root's chain, looked up in the first FAT copy through a window of
  // one cluster's worth of FAT sectors.
  const std::uint32_t entriesPerWindow = perCluster * sectorSize_ / 4;
  std::vector<std::uint8_t> window(static_cast<std::size_t>(perCluster) * sectorSize_);
  std::uint64_t loaded = ~std::uint64_t{0};
  // A chain never holds more clusters than the volume; a looping one ends.
  const std::uint64_t maxSteps = boot.GetTotalSectors() / perCluster + 2;
  std::uint32_t cluster = boot.GetRootCluster();
  for (std::uint64_t step = 0; IsValidFat32Cluster(cluster) && step < maxSteps; ++step) {
    const int found = ScanCluster(fatsEnd + std::uint64_t{cluster - 2} * perCluster, perCluster, label);
    if (found != 0) return found > 0 ? 1 : 0;
    const std::uint64_t index = cluster / entriesPerWindow;
    if (index != loaded) {
      if (!device_->ReadSectors(window.data(), start + boot.GetReservedSectors() + index * perCluster, perCluster))
        return 0;
      loaded = index;
    }
    cluster = qm::ByteView(window.data(), window.size()).le32((cluster % entriesPerWindow) * 4);
  }
  return 0;
}

int CheckBootSectorAndFats(qm::ByteView boot, std::uint64_t start, IStorageDevice* device) {
  if (device == nullptr) return 0;
  const std::uint32_t sectorSize = VolumeSectorSize(device);
  const CFATDBR dbr(boot, sectorSize);
  if (!dbr.IsFat()) return 0;
  if (std::uint64_t{dbr.GetTotalSectors()} < std::uint64_t{dbr.GetSectorsPerFat()} * dbr.GetNumberOfFats()) return 0;
  std::vector<std::uint8_t> sector(sectorSize);
  const std::uint64_t fat = start + dbr.GetReservedSectors();
  for (const std::uint64_t at : {fat, fat + dbr.GetSectorsPerFat()}) {
    if (!device->ReadSectors(sector.data(), at, 1)) continue;
    const qm::ByteView view(sector.data(), sector.size());
    // A FAT12 table starts with 12-bit entries, which the FAT16 / FAT32
    // test does not know.
    if (IsFatTableStartSector(view) || (dbr.GetFatType() == kFatType12 && IsFat12TableStartSector(view))) return 1;
  }
  return 0;
}

namespace qm {

void RegisterFatVolumeAnalyzer() {
  RegisterVolumeAnalyzer(VolumeAnalyzerSlot::Fat, [](IStorageDevice* device, std::uint64_t startSector) {
    return std::make_unique<CFatVolumeAnalyze>(device, startSector);
  });
}

} // namespace qm
