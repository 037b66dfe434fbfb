// A window onto a run of sectors of another device: a partition or a found
// volume handed to the engines as a device whose sector 0 is its first
// sector.
#pragma once

#include <cstdint>

#include "storage/storage_device.h"

class CBasicPartitionDevice : public IStorageDevice {
public:
  // The parent is not owned. A window that does not fit inside its parent
  // is refused: it gets 0 sectors and every read fails.
  CBasicPartitionDevice(IStorageDevice* parent, std::uint64_t firstSector, std::uint64_t sectorCount);

  // Reads inside the window; the part of a request past the window's end
  // is zero-filled. Fails for a request that starts at or past the end or
  // is longer than the window.
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override;
  std::uint64_t GetSectorCount() override { return m_nSectorCount; }
  std::int32_t GetSectorSize() override;
  int Open() override { return 1; }
  int Close() override { return 1; }

  std::uint64_t GetStartSector() const { return m_nFirstSector; }
  IStorageDevice* GetParent() const { return m_pParent; }

private:
  IStorageDevice* m_pParent;
  std::uint64_t m_nFirstSector;
  std::uint64_t m_nSectorCount;
};
