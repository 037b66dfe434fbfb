// A raw disk-image file read as a device of 512-byte sectors.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/device_handle.h"
#include "storage/storage_device.h"

class CImageFileDevice : public IStorageDevice {
public:
  static constexpr std::size_t kMaxPath = 260;

  // A path of 1 to 259 bytes is kept and opened; any other is ignored and
  // leaves the device closed.
  explicit CImageFileDevice(const char* path);
  ~CImageFileDevice() override;

  // Positioned reads: safe from several threads.
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override;
  std::uint64_t GetSectorCount() override;
  std::int32_t GetSectorSize() override { return 512; }
  int Open() override;
  int Close() override;

  int IsOpen() const { return m_handle ? 1 : 0; }
  const char* GetPath() const { return m_szPath; }

private:
  std::unique_ptr<qm::IDeviceHandle> m_handle;
  char m_szPath[kMaxPath] = {};
};
