// Every entry of the fixture volume made by mkntfs and ntfs-3g, read back
// through a sector device: its record is found through the $MFT's runs, it
// decodes (name, parent, state), and its data hashes as the manifest says.
#include <gtest/gtest.h>

#include <cstring>

#include "fixture_volume.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/ntfs_boot_sector.h"
#include "ntfs/ntfs_file_record.h"
#include "ntfs_fixture.h"
#include "storage/image_file_device.h"
#include "storage/text_convert.h"

#include "support/memory_device.h"
#include "support/sha256.h"
#include <fstream>

namespace {

using qm::test::NtfsManifestEntry;

using Volume = qm::test::FixtureVolume;

std::string AttributeName(qm::ByteView attribute) {
  const qm::ByteView raw = qm::attr::NameBytes(attribute);
  std::u16string name(raw.size() / 2, u'\0');
  for (std::size_t i = 0; i < name.size(); ++i)
    name[i] = static_cast<char16_t>(raw.le16(2 * i));
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
  const auto record = qm::test::LoadFixtureRecord(v, e.record);
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
    if (e.Has("fragmented")) {
      EXPECT_GT(runs.size(), 2u);
    }
    if (e.Has("sparse")) {
      EXPECT_TRUE(std::any_of(runs.begin(), runs.end(), [](const qm::NtfsRun& r) { return r.lcn == -1; }));
    }
    room = TotalClusters(runs) * v.geometry.ClusterBytes();
    EXPECT_EQ(nr->realSize, e.size);
  }
  std::vector<std::uint8_t> buffer(room + 1, 0xCC);
  const auto length =
      NtfsReadAttributeData(a, buffer, v.geometry.partitionStart, v.geometry.sectorsPerCluster, *v.device);
  ASSERT_TRUE(length);
  ASSERT_EQ(*length, e.size);
  EXPECT_EQ(qm::test::Sha256Hex({buffer.data(), e.size}), e.sha256);
}

class FixtureVolumeRead : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(FixtureVolumeRead, EveryManifestEntryDecodesAndHashes) {
  Volume v = qm::test::OpenFixtureVolume(GetParam());
  ASSERT_FALSE(v.mftRuns.empty());
  // About 2,100 records: the $MFT spans many clusters.
  EXPECT_GT(TotalClusters(v.mftRuns) * v.geometry.ClusterBytes(), 2000u * 1024);
  const auto& manifest = qm::test::NtfsBasicManifest();
  ASSERT_GT(manifest.size(), 30u);
  for (const auto& e : manifest)
    CheckEntry(v, e);
}

// A found file's record loaded again from its sector alone, on both
// sector sizes; a sector that holds no record gives nothing.
TEST_P(FixtureVolumeRead, RecordLoadedAgainFromItsSector) {
  Volume v = qm::test::OpenFixtureVolume(GetParam());
  for (const auto& e : qm::test::NtfsBasicManifest()) {
    const auto at = qm::LocateMftRecord(v.geometry, v.mftRuns, e.record);
    ASSERT_TRUE(at);
    const auto record = NtfsLoadFileRecordAt(*v.device, at->sector, {}, at->offsetInSector);
    ASSERT_TRUE(record) << e.path;
    EXPECT_EQ(record->Record().size(), 1024u);
    EXPECT_EQ(record->Record().le32(0x2C), e.record) << e.path;
  }
  EXPECT_FALSE(NtfsLoadFileRecordAt(*v.device, 0, {})) << "the boot sector";
  EXPECT_FALSE(NtfsLoadFileRecordAt(*v.device, v.device->GetSectorCount(), {})) << "past the end";
}

// Read through the image-file device, the image is byte for byte as made.
TEST(FixtureImage, ReadingLeavesTheImageUnchanged) {
  const std::string& path = qm::test::NtfsBasicImagePath();
  auto device = std::make_unique<CImageFileDevice>(path.c_str());
  ASSERT_EQ(device->Open(), 1);
  Volume v = qm::test::OpenFixtureVolume(std::move(device));
  for (const auto& e : qm::test::NtfsBasicManifest())
    CheckEntry(v, e);
  v.device.reset();
  const std::string expected = qm::test::NtfsBasicImageSha256();
  ASSERT_EQ(expected.size(), 64u);
  std::ifstream image(path, std::ios::binary);
  qm::test::Sha256 sha;
  std::vector<char> block(1 << 20);
  while (image.read(block.data(), static_cast<std::streamsize>(block.size())) || image.gcount() > 0)
    sha.Update(block.data(), static_cast<std::size_t>(image.gcount()));
  EXPECT_EQ(sha.HexDigest(), expected);
}

// The same volume behind 512-byte and 4096-byte device sectors.
INSTANTIATE_TEST_SUITE_P(SectorSizes, FixtureVolumeRead, ::testing::Values(512, 4096));

} // namespace
