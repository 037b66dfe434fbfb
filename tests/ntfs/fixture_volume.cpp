#include "fixture_volume.h"

#include <gtest/gtest.h>

#include "ntfs/mft_attribute.h"
#include "ntfs/ntfs_boot_sector.h"
#include "ntfs_fixture.h"

namespace qm::test {

FixtureVolume OpenFixtureVolume(std::int32_t sectorSize) {
  return OpenFixtureVolume(std::make_unique<qm::MemoryDevice>(NtfsBasicImage(), sectorSize));
}

FixtureVolume OpenFixtureVolume(std::unique_ptr<IStorageDevice> device) {
  FixtureVolume v;
  v.device = std::move(device);
  const std::int32_t sectorSize = v.device->GetSectorSize();
  std::vector<std::uint8_t> first(sectorSize);
  EXPECT_TRUE(v.device->ReadSectors(first.data(), 0, 1));
  CNTFSDBR dbr;
  EXPECT_TRUE(dbr.Load(qm::ByteView(first.data(), first.size())));
  EXPECT_TRUE(dbr.HasUsableFileRecordSize());
  const std::uint64_t clusterBytes = std::uint64_t{dbr.GetSectorsPerCluster()} * dbr.GetBytesPerSector();
  v.geometry.sectorSize = static_cast<std::uint32_t>(sectorSize);
  v.geometry.sectorsPerCluster = static_cast<std::uint32_t>(clusterBytes / sectorSize);
  v.geometry.recordSize = dbr.GetFileRecordSize();
  // Record 0 lies at the start of the $MFT's first cluster.
  const qm::NtfsRunList bootstrap = {{dbr.GetMftStartCluster(), 0, 1}};
  std::vector<std::uint8_t> record;
  EXPECT_TRUE(qm::ReadMftRecord(*v.device, v.geometry, bootstrap, 0, record));
  CNTFSFileRecord mft(record, 0, v.device.get(), {});
  EXPECT_TRUE(mft.IsValid());
  for (unsigned i = 0;; ++i) {
    const auto data = mft.FindAttributeAnywhere(0x80, i);
    if (!data) break;
    const auto nr = qm::ReadNonResident(data.attribute.bytes);
    if (nr && qm::attr::NameLength(data.attribute.bytes) == 0)
      DecodeDataRuns(nr->mappingPairs, v.mftRuns, nr->firstVcn);
  }
  SortByVcn(v.mftRuns);
  return v;
}

std::unique_ptr<CNTFSFileRecord> LoadFixtureRecord(FixtureVolume& v, std::uint64_t n) {
  std::vector<std::uint8_t> bytes;
  if (!qm::ReadMftRecord(*v.device, v.geometry, v.mftRuns, n, bytes)) return nullptr;
  const auto at = qm::LocateMftRecord(v.geometry, v.mftRuns, n);
  const auto extensions = BuildExtensionRecordList(bytes, at->sector, *v.device, v.geometry, v.mftRuns);
  return std::make_unique<CNTFSFileRecord>(
      bytes, at->sector, v.device.get(), extensions.value_or(qm::ExtensionRecordList{}), at->offsetInSector);
}

} // namespace qm::test
