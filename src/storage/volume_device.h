// A volume (a partition of a machine disk, a floppy, or an override) chosen
// by its drive letter in the platform's volume table.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/device_handle.h"
#include "storage/bad_sector_set.h"
#include "storage/storage_device.h"

class CVolumeDevice : public IStorageDevice {
public:
  explicit CVolumeDevice(char driveLetter);
  ~CVolumeDevice() override;

  // One thread at a time per volume device: it takes no lock of its own.
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override;
  // From the volume's length (the geometry when that is not known); asked
  // anew each time; 0 when closed.
  std::uint64_t GetSectorCount() override;
  std::int32_t GetSectorSize() override;
  int Open() override;
  int Close() override;

  int IsOpen() const { return m_handle ? 1 : 0; }
  char GetDriveLetter() const { return m_chDriveLetter; }
  // The geometry's media type; 0 when closed or when the query fails.
  std::int32_t GetMediaType();
  // Whether the free-space query on the mounted volume answers.
  int GetFreeSpace();

  CBadSectorSet& GetSectorReader() { return m_reader; }

private:
  std::unique_ptr<qm::IDeviceHandle> m_handle;
  char m_chDriveLetter;
  CBadSectorSet m_reader;
};
