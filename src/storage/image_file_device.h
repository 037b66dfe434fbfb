// A raw disk-image file read as a device of 512-byte sectors, or of
// 4096-byte sectors for an image of a disk that has them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/device_handle.h"
#include "storage/storage_device.h"

class CImageFileDevice : public IStorageDevice {
public:
  static constexpr std::size_t kMaxPath = 260;

  // A path of 1 to 259 bytes is kept and opened; any other is ignored and
  // leaves the device closed. The sector size is 512 or 4096 (any other
  // value reads as 512).
  explicit CImageFileDevice(const char* path, std::int32_t sectorSize = 512);
  ~CImageFileDevice() override;

  // Positioned reads: safe from several threads.
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override;
  std::uint64_t GetSectorCount() override;
  std::int32_t GetSectorSize() override { return m_nSectorSize; }
  int Open() override;
  int Close() override;

  int IsOpen() const { return m_handle ? 1 : 0; }
  const char* GetPath() const { return m_szPath; }

private:
  std::unique_ptr<qm::IDeviceHandle> m_handle;
  char m_szPath[kMaxPath] = {};
};

namespace qm {

// The sector size of a raw image as its content tells it: 4096 for the
// image of a GPT disk of 4096-byte sectors (its header, "EFI PART", in the
// second 4096-byte sector and not in the second 512-byte one), else 512.
// An MBR or a bare volume says nothing of its disk's sectors: 512.
std::int32_t RawImageSectorSize(const std::string& path);

} // namespace qm
