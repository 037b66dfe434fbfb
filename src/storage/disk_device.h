// A whole disk of the machine (or an image file standing as one), chosen
// by its index in the platform's disk table.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/device_handle.h"
#include "storage/bad_sector_set.h"
#include "storage/lock_guard.h"
#include "storage/storage_device.h"

// What GetDiskDescription fills; all zero when it fails.
struct DiskDescription {
  std::int32_t busType = 0;
  char vendor[260] = {};
  char product[260] = {};
  char revision[260] = {};
  char serialNumber[260] = {};
  char busText[260] = {};
};

// Control codes for QueryLayoutBuffer: on this platform both return the
// same layout (see platform/drive_layout.h).
inline constexpr int kQueryDriveLayoutEx = 0x70050;
inline constexpr int kQueryDriveLayout = 0x7000C;

class CDiskDevice : public IStorageDevice {
public:
  static constexpr int kMaxDiskIndex = 19;

  explicit CDiskDevice(int diskIndex);
  ~CDiskDevice() override;

  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override;
  std::uint64_t GetSectorCount() override;
  std::int32_t GetSectorSize() override;
  int Open() override;
  int Close() override;

  // The index when 0..20, else -1.
  std::int32_t GetDiskNumber() const;
  int IsOpen();
  std::uint8_t IsDynamic() const { return m_bDynamicDisk; }
  // Tracks per cylinder of the geometry; 255 when the query fails.
  std::int32_t GetTracksPerCylinder();
  // The media-type byte of the geometry; 255 when the query fails.
  std::int32_t GetMediaType();
  int GetGeometry(qm::DiskGeometry& geometry);
  // The drive layout in a buffer from MemAlloc, grown until it fits; the
  // caller frees it with MemFree. 0 on failure.
  int QueryLayoutBuffer(void** buffer, int controlCode);
  int GetDiskDescription(DiskDescription& description);

  // The sector reader, for tests that look at its bad ranges.
  CBadSectorSet& GetSectorReader() { return m_reader; }

private:
  int OpenLocked();

  std::uint8_t m_bDynamicDisk = 0;
  std::unique_ptr<qm::IDeviceHandle> m_handle;
  std::int32_t m_nDiskIndex;
  std::uint64_t m_nSectorCount = 0;
  std::int32_t m_nNotReadyCount = 0;
  CBadSectorSet m_reader;
  // Held for a whole read, a reopen included (hence recursive: Open reads
  // the disk for the dynamic-disk test).
  std::recursive_mutex m_lock;
};

// The same, as the program's free function.
int GetDiskDescription(CDiskDevice* device, DiskDescription* description);

namespace qm {

// A text of the system's device description as it is shown: cut at the
// first pair of spaces (keeping one of them), without leading spaces.
std::string TrimDescriptionText(std::string_view text);
// The bus text of a storage bus type; empty for the types without one.
const char* BusTypeText(std::int32_t busType);

// The sector count of a disk after its geometry and length: given the
// geometry's count, the sectors of one cylinder and the answers of the
// direct capacity query at targets 0 and 1 (0 when missing), the count
// that the disk gets. An answer is taken only when it lies above the
// geometry's count and below one cylinder more.
std::uint64_t SelectCapacityCount(std::uint64_t geometryCount, std::uint64_t cylinderSectors, std::uint64_t answer0,
                                  std::uint64_t answer1);

} // namespace qm
