#include "storage/drive_letters.h"

#include <exception>
#include <vector>

#include "platform/log.h"
#include "storage/disk_device.h"
#include "storage/mem_alloc.h"

namespace {

// Layout entry fields (platform/disk_table.h).
constexpr std::size_t kLayoutOffsetField = 0;
constexpr std::size_t kLayoutNumberField = 16;

} // namespace

namespace qm {

void AssignLettersFromLayout(ByteView layout, std::uint32_t bytesPerSector, int diskNumber,
                             DiskPartitionList& records, std::span<const VolumeEntry> volumes) {
  if (bytesPerSector == 0 || !layout.has(0, kLayoutHeaderSize)) return;
  const std::uint64_t count = layout.le32(0);
  for (auto& record : records) {
    std::uint32_t partitionNumber = 0;
    bool found = false;
    for (std::uint64_t i = 0; i < count; ++i) {
      const ByteView entry = layout.sub(kLayoutHeaderSize + i * kLayoutEntrySize, kLayoutEntrySize);
      if (entry.empty()) break;
      if (entry.le64(kLayoutOffsetField) / bytesPerSector == record->startSector) {
        partitionNumber = entry.le32(kLayoutNumberField);
        found = true;
        break;
      }
    }
    if (!found) continue;
    if (diskNumber == -1) return;
    for (const VolumeEntry& volume : volumes) {
      if (volume.diskIndex == diskNumber && volume.partitionNumber > 0 &&
          static_cast<std::uint32_t>(volume.partitionNumber) == partitionNumber) {
        record->driveLetter = volume.letter;
        break;
      }
    }
  }
}

} // namespace qm

void AssignDriveLetters(CDiskDevice* disk, DiskPartitionList& records) {
  if (disk == nullptr || records.empty()) return;
  try {
    void* buffer = nullptr;
    if (!disk->QueryLayoutBuffer(&buffer, kQueryDriveLayoutEx) &&
        !disk->QueryLayoutBuffer(&buffer, kQueryDriveLayout))
      return;
    const qm::MemBuffer<std::uint8_t> layout(static_cast<std::uint8_t*>(buffer));
    // The platform wrote the header and exactly `count` entries.
    const std::uint64_t count = qm::ByteView(layout.get(), qm::kLayoutHeaderSize).le32(0);
    const qm::ByteView view(layout.get(), qm::kLayoutHeaderSize + count * qm::kLayoutEntrySize);
    const std::vector<qm::VolumeEntry> volumes = qm::ListVolumes();
    qm::AssignLettersFromLayout(view, static_cast<std::uint32_t>(disk->GetSectorSize()),
                                disk->GetDiskNumber(), records, volumes);
  } catch (const std::exception& error) {
    LogError("--------------Tmx:drive letters of disk %d: %s", disk->GetDiskNumber(), error.what());
  }
}

char GetVolumeLetterFromGuid(const std::uint8_t (&)[16]) { return 0; }

char GetDynamicVolumeLetter(const std::string&, const std::string&) { return 0; }
