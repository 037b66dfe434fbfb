#include "storage/image_file_device.h"

#include <cstring>
#include <limits>

CImageFileDevice::CImageFileDevice(const char* path, std::int32_t sectorSize) {
  m_nSectorSize = sectorSize == 4096 ? 4096 : 512;
  if (path == nullptr) return;
  const std::size_t length = std::strlen(path);
  if (length == 0 || length >= kMaxPath) return;
  std::memcpy(m_szPath, path, length);
  Open();
}

CImageFileDevice::~CImageFileDevice() { Close(); }

int CImageFileDevice::Open() {
  if (m_szPath[0] == '\0') return 0;
  m_handle.reset();
  int error = 0;
  m_handle = qm::OpenDeviceFile(m_szPath, error);
  return m_handle ? 1 : 0;
}

int CImageFileDevice::Close() {
  m_handle.reset();
  return 1;
}

int CImageFileDevice::ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) {
  if (!m_handle) return 0;
  constexpr std::uint64_t kMaxBytes = std::numeric_limits<std::size_t>::max() / 2;
  const auto size = static_cast<std::uint64_t>(m_nSectorSize);
  if (count > kMaxBytes / size || first > std::numeric_limits<std::uint64_t>::max() / size) return 0;
  int error = 0;
  const std::int64_t got = m_handle->ReadAt(buffer, static_cast<std::size_t>(count * size), first * size, error);
  return got >= 0 && static_cast<std::uint64_t>(got) / size == count ? 1 : 0;
}

std::uint64_t CImageFileDevice::GetSectorCount() {
  std::uint64_t bytes = 0;
  if (!m_handle || !m_handle->GetLength(bytes)) return 0;
  return bytes / static_cast<std::uint64_t>(m_nSectorSize);
}

namespace qm {

std::int32_t RawImageSectorSize(const std::string& path) {
  int error = 0;
  const std::unique_ptr<IDeviceHandle> handle = OpenDeviceFile(path, error);
  if (!handle) return 512;
  auto headerAt = [&](std::uint64_t offset) {
    char signature[8] = {};
    return handle->ReadAt(signature, sizeof signature, offset, error) == sizeof signature &&
           std::memcmp(signature, "EFI PART", sizeof signature) == 0;
  };
  return !headerAt(512) && headerAt(4096) ? 4096 : 512;
}

} // namespace qm
