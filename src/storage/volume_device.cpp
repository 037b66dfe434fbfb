#include "storage/volume_device.h"

#include <cctype>

#include "platform/disk_table.h"
#include "storage/app_settings.h"

CVolumeDevice::CVolumeDevice(char driveLetter) : m_chDriveLetter(driveLetter) { Open(); }

CVolumeDevice::~CVolumeDevice() { Close(); }

int CVolumeDevice::Open() {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(m_chDriveLetter)));
  if (upper < 'A' || upper > 'Z') return 0;
  m_handle.reset();
  int error = 0;
  m_handle = qm::OpenVolume(upper, error);
  if (!m_handle) return 0;
  m_reader.SetSectorSize(GetSectorSize());
  return 1;
}

int CVolumeDevice::Close() {
  m_handle.reset();
  return 1;
}

int CVolumeDevice::ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) {
  int error = 0;
  return m_reader.ReadSector(m_handle.get(), buffer, first, count, GetAppSettings()->bIgnoreBadSectors, error);
}

std::int32_t CVolumeDevice::GetSectorSize() {
  if (m_nSectorSize > 0) return m_nSectorSize;
  if (!m_handle) return 0;
  qm::DiskGeometry geometry;
  const std::uint32_t size = m_handle->GetGeometry(geometry) ? geometry.bytesPerSector : 0;
  m_nSectorSize = size == 0 || size % 512 != 0 || size > (1u << 20) ? 512 : static_cast<std::int32_t>(size);
  return m_nSectorSize;
}

std::uint64_t CVolumeDevice::GetSectorCount() {
  qm::DiskGeometry geometry;
  if (!m_handle || !m_handle->GetGeometry(geometry)) return 0;
  // The geometry counts whole cylinders only, which would hide the end of
  // the volume; the length, when the system gives it, counts every sector.
  std::uint64_t length = 0;
  const std::int32_t size = GetSectorSize();
  if (size > 0 && m_handle->GetLength(length)) return length / static_cast<std::uint64_t>(size);
  return geometry.cylinders * geometry.tracksPerCylinder * geometry.sectorsPerTrack;
}

std::int32_t CVolumeDevice::GetMediaType() {
  qm::DiskGeometry geometry;
  if (!m_handle || !m_handle->GetGeometry(geometry)) return 0;
  return geometry.mediaType;
}

int CVolumeDevice::GetFreeSpace() { return m_handle && qm::QueryVolumeFreeSpace(m_chDriveLetter) ? 1 : 0; }
