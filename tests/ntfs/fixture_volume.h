// The fixture image opened as a sector device, with its $MFT's runs, and
// the record of a manifest entry loaded from it.
#pragma once

#include <memory>

#include "ntfs/data_runs.h"
#include "ntfs/ntfs_file_record.h"
#include "support/memory_device.h"

namespace qm::test {

struct FixtureVolume {
  std::unique_ptr<IStorageDevice> device;
  qm::NtfsVolumeGeometry geometry;
  qm::NtfsRunList mftRuns;
};

// The fixture as a device of the given sector size.
FixtureVolume OpenFixtureVolume(std::int32_t sectorSize);
// The fixture behind the given device (an image-file device, say).
FixtureVolume OpenFixtureVolume(std::unique_ptr<IStorageDevice> device);
std::unique_ptr<CNTFSFileRecord> LoadFixtureRecord(FixtureVolume& v, std::uint64_t n);

} // namespace qm::test
