#include "fatext2/ext2_volume_analyze.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>

#include "fatext2/ext2_collector.h"
#include "fatext2/ext2_file_system.h"
#include "platform/out_of_memory.h"
#include "storage/storage_device.h"

namespace {
// The super block lies 1024 bytes into the volume.
constexpr std::uint64_t kSuperBlockSectors = 2;
constexpr std::size_t kMaxVolumeName = 16;
} // namespace

CExt2Volume::CExt2Volume(IStorageDevice* device, std::uint64_t start) {
  if (device == nullptr) return;
  try {
    const std::int32_t sectorSize = device->GetSectorSize();
    if (sectorSize < 512 || sectorSize % 512 != 0) return;
    const std::uint64_t ratio = static_cast<std::uint64_t>(sectorSize) / 512;
    if (start > (~std::uint64_t{0} - kSuperBlockSectors) / ratio) return;
    IStorageDevice* view = device->Get512ByteSectorDevice();
    if (view == nullptr) return;
    // The reader's descriptor tables are collected memory: the calling
    // thread must be known to the collector.
    qm::ext2::CollectorThreadScope collector;
    CExt2FileSystem fileSystem(view, start * ratio + kSuperBlockSectors);
    const std::string label = fileSystem.GetLabel();
    std::memcpy(m_szLabel, label.data(), std::min({label.size(), kMaxVolumeName, kLabelBytes - 1}));
    m_u64Size = fileSystem.GetSizeInBytes() / 512 / ratio;
    m_nType = static_cast<std::uint32_t>(fileSystem.GetFileSystemType());
  } catch (const qm::OutOfMemoryException&) {
    throw; // the memory crash, never a bad record
  } catch (const std::exception&) {
    m_nType = 7;
    std::memset(m_szLabel, 0, sizeof m_szLabel);
    m_u64Size = 0;
  }
}

void CExt2Volume::GetLabel(char* buffer, int length) {
  if (buffer == nullptr || length < 1) return;
  const std::size_t n = std::min(std::strlen(m_szLabel), static_cast<std::size_t>(length - 1));
  std::memcpy(buffer, m_szLabel, n);
  buffer[n] = '\0';
}

namespace qm {

void RegisterExt2VolumeAnalyzer() {
  RegisterVolumeAnalyzer(VolumeAnalyzerSlot::Ext2, [](IStorageDevice* device, std::uint64_t startSector) {
    return std::make_unique<CExt2Volume>(device, startSector);
  });
}

} // namespace qm
