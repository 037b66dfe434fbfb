// Every entry of the fixture volume made by mkntfs and ntfs-3g, read back
// through a sector device: its record is found through the $MFT's runs, it
// decodes (name, parent, state), and its data hashes as the manifest says.
#include <gtest/gtest.h>

#include <cstring>

#include "ntfs/mft_attribute.h"
#include "ntfs/ntfs_boot_sector.h"
#include "ntfs/ntfs_file_record.h"
#include "ntfs_fixture.h"
#include "storage/text_convert.h"
#include "support/memory_device.h"
#include "support/sha256.h"

namespace {

using qm::test::NtfsManifestEntry;

struct Volume {
  std::unique_ptr<qm::MemoryDevice> device;
  qm::NtfsVolumeGeometry geometry;
  qm::NtfsRunList mftRuns;
};

// Opens the fixture as a device of the given sector size and finds the
// $MFT's runs from its boot sector and first record.
Volume OpenFixture(std::int32_t sectorSize) {
  Volume v;
  v.device = std::make_unique<qm::MemoryDevice>(qm::test::NtfsBasicImage(), sectorSize);
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

std::unique_ptr<CNTFSFileRecord> LoadRecord(Volume& v, std::uint64_t n) {
  std::vector<std::uint8_t> bytes;
  if (!qm::ReadMftRecord(*v.device, v.geometry, v.mftRuns, n, bytes)) return nullptr;
  const auto at = qm::LocateMftRecord(v.geometry, v.mftRuns, n);
  const auto extensions = BuildExtensionRecordList(bytes, at->sector, *v.device, v.geometry, v.mftRuns);
  return std::make_unique<CNTFSFileRecord>(bytes, at->sector, v.device.get(),
                                           extensions.value_or(qm::ExtensionRecordList{}));
}

std::string AttributeName(qm::ByteView attribute) {
  const qm::ByteView raw = qm::attr::NameBytes(attribute);
  std::u16string name(raw.size() / 2, u'\0');
  for (std::size_t i = 0; i < name.size(); ++i) name[i] = static_cast<char16_t>(raw.le16(2 * i));
  return qm::Utf16ToUtf8(name);
}

// The $DATA attribute of the entry: the unnamed one, or the named stream.
CNTFSFileRecord::Found FindData(CNTFSFileRecord& record, const NtfsManifestEntry& e) {
  const std::string stream = e.kind == "stream" ? e.path.substr(e.path.find(':') + 1) : "";
  for (unsigned i = 0;; ++i) {
    const auto data = record.FindAttributeAnywhere(0x80, i);
    if (!data || AttributeName(data.attribute.bytes) == stream) return data;
  }
}

void CheckEntry(Volume& v, const NtfsManifestEntry& e) {
  SCOPED_TRACE(e.kind + " " + e.path);
  const auto record = LoadRecord(v, e.record);
  ASSERT_TRUE(record && record->IsValid());
  const bool deleted = e.kind.rfind("deleted", 0) == 0;
  EXPECT_EQ(IsInUse(record->Record()), !deleted);
  EXPECT_EQ(IsDirectory(record->Record()), e.kind == "dir" || e.kind == "deleted-dir");

  // One of its names (long or short) is the manifest's, under the right
  // parent.
  bool named = false;
  for (unsigned i = 0;; ++i) {
    const auto fn = record->FindAttributeAnywhere(0x30, i);
    if (!fn) break;
    const auto info = qm::ReadFileName(fn.attribute.bytes);
    ASSERT_TRUE(info);
    if (qm::Utf16ToUtf8(info->name) == e.Name()) {
      named = true;
      EXPECT_EQ(info->parentRecord, e.parent);
    }
  }
  EXPECT_TRUE(named);
  if (e.kind == "dir" || e.kind == "deleted-dir") return;

  const auto data = FindData(*record, e);
  ASSERT_TRUE(data);
  const qm::ByteView a = data.attribute.bytes;
  if (e.Has("compressed")) {
    EXPECT_NE(qm::attr::Flags(a) & 0x0001, 0);
    return;
  }
  EXPECT_EQ(qm::attr::IsResident(a), e.Has("resident") || e.Has("empty"));
  std::uint64_t room = e.size;
  if (const auto nr = qm::ReadNonResident(a)) {
    qm::NtfsRunList runs;
    DecodeDataRuns(nr->mappingPairs, runs);
    if (e.Has("fragmented")) EXPECT_GT(runs.size(), 2u);
    if (e.Has("sparse")) {
      EXPECT_TRUE(std::any_of(runs.begin(), runs.end(), [](const qm::NtfsRun& r) { return r.lcn == -1; }));
    }
    room = TotalClusters(runs) * v.geometry.ClusterBytes();
    EXPECT_EQ(nr->realSize, e.size);
  }
  std::vector<std::uint8_t> buffer(room + 1, 0xCC);
  const auto length = NtfsReadAttributeData(a, buffer, v.geometry.partitionStart, v.geometry.sectorsPerCluster,
                                            *v.device);
  ASSERT_TRUE(length);
  ASSERT_EQ(*length, e.size);
  EXPECT_EQ(qm::test::Sha256Hex({buffer.data(), e.size}), e.sha256);
}

class FixtureVolume : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(FixtureVolume, EveryManifestEntryDecodesAndHashes) {
  Volume v = OpenFixture(GetParam());
  ASSERT_FALSE(v.mftRuns.empty());
  // About 2,100 records: the $MFT spans many clusters.
  EXPECT_GT(TotalClusters(v.mftRuns) * v.geometry.ClusterBytes(), 2000u * 1024);
  const auto& manifest = qm::test::NtfsBasicManifest();
  ASSERT_GT(manifest.size(), 30u);
  for (const auto& e : manifest) CheckEntry(v, e);
}

// The same volume behind 512-byte and 4096-byte device sectors.
INSTANTIATE_TEST_SUITE_P(SectorSizes, FixtureVolume, ::testing::Values(512, 4096));

} // namespace
