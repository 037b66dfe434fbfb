#include "storage/disk_device.h"

#include <cstring>

#include "platform/disk_table.h"
#include "platform/log.h"
#include "storage/app_settings.h"
#include "storage/dynamic_disk.h"
#include "storage/mem_alloc.h"

namespace {

constexpr int kMaxNotReadyReopens = 3;
constexpr int kMaxReadAttempts = 3;
constexpr std::size_t kFirstLayoutBufferSize = 5952;
constexpr std::size_t kLayoutBufferGrowth = 3840;

std::int32_t UsableSectorSize(std::uint32_t bytesPerSector) {
  if (bytesPerSector == 0 || bytesPerSector % 512 != 0 || bytesPerSector > (1u << 20)) return 512;
  return static_cast<std::int32_t>(bytesPerSector);
}

void CopyText(char (&field)[260], const std::string& text) {
  const std::size_t n = std::min(text.size(), sizeof field - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

} // namespace

CDiskDevice::CDiskDevice(int diskIndex) : m_nDiskIndex(diskIndex) { Open(); }

CDiskDevice::~CDiskDevice() { Close(); }

int CDiskDevice::Open() {
  CLockGuard guard(m_lock);
  return OpenLocked();
}

int CDiskDevice::OpenLocked() {
  if (m_nDiskIndex < 0 || m_nDiskIndex > kMaxDiskIndex) return 0;
  // Close the old handle before opening a new one: a reopen must not leave
  // the old descriptor behind.
  m_handle.reset();
  int error = 0;
  m_handle = qm::OpenDisk(m_nDiskIndex, error);
  if (!m_handle) return 0;
  const std::int32_t size = GetSectorSize();
  const std::uint64_t count = GetSectorCount();
  m_bDynamicDisk = IsDynamicDisk(this, count, size);
  return 1;
}

int CDiskDevice::Close() {
  CLockGuard guard(m_lock);
  m_handle.reset();
  return 1;
}

int CDiskDevice::IsOpen() {
  CLockGuard guard(m_lock);
  return m_handle ? 1 : 0;
}

std::int32_t CDiskDevice::GetDiskNumber() const {
  return m_nDiskIndex >= 0 && m_nDiskIndex <= 20 ? m_nDiskIndex : -1;
}

int CDiskDevice::GetGeometry(qm::DiskGeometry& geometry) {
  CLockGuard guard(m_lock);
  return m_handle && m_handle->GetGeometry(geometry) ? 1 : 0;
}

std::int32_t CDiskDevice::GetSectorSize() {
  CLockGuard guard(m_lock);
  if (m_nSectorSize > 0) return m_nSectorSize;
  if (!m_handle) return 0;
  qm::DiskGeometry geometry;
  m_nSectorSize = m_handle->GetGeometry(geometry) ? UsableSectorSize(geometry.bytesPerSector) : 512;
  m_reader.SetSectorSize(m_nSectorSize);
  return m_nSectorSize;
}

std::uint64_t CDiskDevice::GetSectorCount() {
  CLockGuard guard(m_lock);
  if (m_nSectorCount > 0) return m_nSectorCount;
  qm::DiskGeometry geometry;
  if (!m_handle || !m_handle->GetGeometry(geometry)) return 0;
  m_nSectorSize = UsableSectorSize(geometry.bytesPerSector);
  m_reader.SetSectorSize(m_nSectorSize);
  const std::uint64_t cylinderSectors = std::uint64_t{geometry.tracksPerCylinder} * geometry.sectorsPerTrack;
  std::uint64_t count = geometry.cylinders * cylinderSectors;
  std::uint64_t length = 0;
  if (m_handle->GetLength(length) && length / static_cast<std::uint64_t>(m_nSectorSize) >= count) {
    count = length / static_cast<std::uint64_t>(m_nSectorSize);
  } else {
    std::uint64_t answers[2] = {0, 0};
    for (int target = 0; target < 2; ++target)
      if (!m_handle->ReadCapacity(target, answers[target])) answers[target] = 0;
    count = qm::SelectCapacityCount(count, cylinderSectors, answers[0], answers[1]);
  }
  m_nSectorCount = count;
  return count;
}

std::int32_t CDiskDevice::GetTracksPerCylinder() {
  qm::DiskGeometry geometry;
  return GetGeometry(geometry) ? static_cast<std::int32_t>(geometry.tracksPerCylinder) : 255;
}

std::int32_t CDiskDevice::GetMediaType() {
  qm::DiskGeometry geometry;
  return GetGeometry(geometry) ? (geometry.mediaType & 0xFF) : 255;
}

int CDiskDevice::ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) {
  CLockGuard guard(m_lock);
  const int ignoreBadSectors = GetAppSettings()->bIgnoreBadSectors;
  int result = 0;
  for (int attempt = 0; attempt < kMaxReadAttempts; ++attempt) {
    int error = 0;
    result = m_reader.ReadSector(m_handle.get(), buffer, first, count, ignoreBadSectors, error);
    if (qm::IsNotReadyError(error) && m_nNotReadyCount < kMaxNotReadyReopens) {
      ++m_nNotReadyCount;
      LogError("--------------Tmx:Disk Device 0x%x not ready ,we will try to read again",
               static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(m_handle.get())));
      OpenLocked();
      LogError("--------------Tmx:Disk Device handle = 0x%x",
               static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(m_handle.get())));
      continue;
    }
    // After the third not-ready reopen the counter stays where it is, so it
    // also limits reopening across calls.
    if (!qm::IsNotReadyError(error)) m_nNotReadyCount = 0;
    break;
  }
  return result;
}

int CDiskDevice::QueryLayoutBuffer(void** buffer, int controlCode) {
  if (buffer == nullptr) return 0;
  *buffer = nullptr;
  if (controlCode != kQueryDriveLayoutEx && controlCode != kQueryDriveLayout) return 0;
  std::size_t size = kFirstLayoutBufferSize;
  for (;;) {
    void* attempt = MemAlloc(size);
    std::size_t needed = 0;
    const int error = qm::QueryDriveLayout(m_nDiskIndex, attempt, size, needed);
    if (error == 0) {
      *buffer = attempt;
      return 1;
    }
    MemFree(attempt);
    if (error != qm::kErrorInsufficientBuffer) return 0;
    size += kLayoutBufferGrowth;
  }
}

int CDiskDevice::GetDiskDescription(DiskDescription& description) {
  description = DiskDescription{};
  qm::StorageProperty property;
  if (!qm::QueryStorageProperty(m_nDiskIndex, property)) return 0;
  description.busType = property.busType;
  CopyText(description.busText, qm::BusTypeText(property.busType));
  CopyText(description.product, qm::TrimDescriptionText(property.product));
  CopyText(description.revision, qm::TrimDescriptionText(property.revision));
  CopyText(description.vendor, qm::TrimDescriptionText(property.vendor));
  CopyText(description.serialNumber, qm::TrimDescriptionText(property.serial));
  return 1;
}

int GetDiskDescription(CDiskDevice* device, DiskDescription* description) {
  if (device == nullptr || description == nullptr) return 0;
  return device->GetDiskDescription(*description);
}

namespace qm {

std::string TrimDescriptionText(std::string_view text) {
  // Leading spaces go first: cutting at the first pair of spaces before
  // that would empty a text that the system pads on the left (serial
  // numbers often are).
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  const std::size_t pair = text.find("  ");
  if (pair != std::string_view::npos) text = text.substr(0, pair + 1);
  // A text cut by a zero byte ends there.
  const std::size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  return std::string(text);
}

const char* BusTypeText(std::int32_t busType) {
  static const char* const kTexts[] = {"SCSI Disk Device", "ATAPI Bus", "ATA Bus", "1394 Disk Device",
                                       "SSA Disk Device", "FIBER Disk Device", "USB Device", "RAID Disk Device"};
  return busType >= 1 && busType <= 8 ? kTexts[busType - 1] : "";
}

std::uint64_t SelectCapacityCount(std::uint64_t geometryCount, std::uint64_t cylinderSectors, std::uint64_t answer0,
                                  std::uint64_t answer1) {
  const std::uint64_t limit = geometryCount + cylinderSectors;
  const auto plausible = [&](std::uint64_t value) { return geometryCount < value && value < limit; };
  if (answer0 == answer1 && answer0 != 0) return plausible(answer0) ? answer0 : geometryCount;
  if (answer0 != 0 || answer1 != 0) {
    if (plausible(answer0)) return answer0;
    if (plausible(answer1)) return answer1;
  }
  return geometryCount;
}

} // namespace qm
