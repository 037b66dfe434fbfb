// The read-only sector device that everything the engines read comes
// through: equal-sized sectors numbered from 0, with a count and a size.
// Nothing behind this interface ever writes to its source.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "storage/mem_alloc.h"

class IStorageDevice {
public:
  IStorageDevice() = default;
  IStorageDevice(const IStorageDevice&) = delete;
  IStorageDevice& operator=(const IStorageDevice&) = delete;
  // Destroys the 512-byte view if one was made.
  virtual ~IStorageDevice();

  // Fills buffer with count × GetSectorSize() bytes from sector first on.
  // 1 on success, 0 on failure.
  virtual int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) = 0;
  virtual std::uint64_t GetSectorCount() = 0;
  // Bytes per sector; 0 while not known (a device that failed to open).
  virtual std::int32_t GetSectorSize() = 0;
  // 1 on success, 0 on failure.
  virtual int Open() = 0;
  // Always 1.
  virtual int Close() = 0;
  // The device that the 512-byte view wraps; null for every other device.
  virtual IStorageDevice* GetExtraInfo() { return nullptr; }

  // The device itself when its sectors have 512 bytes, otherwise a view of
  // it with 512-byte sectors, made once and kept (owned by this device).
  IStorageDevice* Get512ByteSectorDevice();

protected:
  // Disk and volume devices keep their sector size here once they have
  // asked the system; 0 means not yet known.
  std::int32_t m_nSectorSize = 0;

private:
  std::mutex m_viewLock;
  std::unique_ptr<IStorageDevice> m_p512View;
};

// Presents a device of larger sectors (a multiple of 512 bytes) as a device
// of 512-byte sectors. One wrapped sector is kept, so walking 512-byte
// sectors in order reads each wrapped sector once.
class CSimulateStorageDevice : public IStorageDevice {
public:
  // The wrapped device is not owned. A wrapped sector size that is 0 or not
  // a multiple of 512 makes a view of 0 sectors whose reads fail.
  explicit CSimulateStorageDevice(IStorageDevice* wrapped);
  ~CSimulateStorageDevice() override;

  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override;
  std::uint64_t GetSectorCount() override;
  std::int32_t GetSectorSize() override { return 512; }
  int Open() override { return 1; }
  int Close() override { return 1; }
  IStorageDevice* GetExtraInfo() override { return m_pWrapped; }

private:
  static constexpr std::uint64_t kNoSector = ~std::uint64_t{0};

  // Copies 512-byte sectors [first, first + count) that all lie in one
  // wrapped sector, reading it unless it is the buffered one.
  bool CopyFromWrapped(std::uint8_t* out, std::uint64_t first, std::uint64_t count);

  qm::MemBuffer<std::uint8_t> m_block; // one wrapped sector
  IStorageDevice* m_pWrapped = nullptr;
  std::int32_t m_nRatio = 1;          // wrapped sector size / 512; 0 when unusable
  std::uint64_t m_nBufferedSector = kNoSector;
};
