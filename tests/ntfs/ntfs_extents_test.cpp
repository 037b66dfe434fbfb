#include "ntfs/ntfs_extents.h"

#include <gtest/gtest.h>

#include "filemodel/file_properties.h"
#include "fixture_volume.h"
#include "ntfs/cluster_use_bitmap.h"
#include "ntfs/recycle_bin.h"
#include "ntfs_fixture.h"
#include "packed_properties.h"
#include "record_builder.h"
#include "support/sha256.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Tree {
  CFileSystemNode* root = nullptr;
  ~Tree() { DeleteFileTree(root); }
};

class FileContent : public ::testing::TestWithParam<std::int32_t> {};

// Every file of the fixture: its extents gathered from its record, packed,
// unpacked by the file model, and read back through the content reader in
// odd-sized pieces, hash as the manifest says.
TEST_P(FileContent, ReaderGivesEveryFileByteForByte) {
  auto v = qm::test::OpenFixtureVolume(GetParam());
  Tree tree;
  tree.root = CreateFileSystemNode();
  tree.root->SetVolumeGeometry(0, v.geometry.sectorsPerCluster);
  int read = 0;
  for (const auto& e : qm::test::NtfsBasicManifest()) {
    if (e.kind != "file" && e.kind != "deleted") continue;
    SCOPED_TRACE(e.path);
    auto record = qm::test::LoadFixtureRecord(v, e.record);
    ASSERT_TRUE(record && record->IsValid());
    qm::NtfsFileExtents info;
    CollectFileDataRuns(*record, v.geometry.ClusterBytes(), info);
    if (e.Has("compressed")) {
      EXPECT_NE(info.attributes & qm::kAttrCompressed, 0);
      continue;
    }
    EXPECT_EQ(info.attributes, 0);
    if (e.size == 0) {
      EXPECT_EQ(info.size, 0);
      continue;
    }
    ASSERT_EQ(static_cast<std::uint64_t>(info.size), e.size);
    ASSERT_TRUE(info.extents);
    EXPECT_EQ(info.extents->GetResidentValue() != 0, e.Has("resident"));
    CFileNode* node = qm::test::AddNode(tree.root, e.Name().c_str(), e.size, 0, std::move(info.extents));
    CFileContentReader reader;
    ASSERT_EQ(reader.Open(v.device.get(), node), 1);
    qm::test::Sha256 sha;
    Bytes piece(3001);
    std::uint64_t offset = 0;
    while (offset < e.size) {
      std::uint64_t got = 0;
      ASSERT_EQ(reader.ReadAt(offset, piece.data(), piece.size(), &got), 1) << offset;
      ASSERT_EQ(got, std::min<std::uint64_t>(piece.size(), e.size - offset));
      sha.Update(piece.data(), got);
      offset += got;
    }
    EXPECT_EQ(sha.HexDigest(), e.sha256);
    ++read;
    std::uint64_t got = 7;
    EXPECT_EQ(reader.ReadAt(e.size, piece.data(), 1, &got), 0) << "at the end";
    EXPECT_EQ(got, 0u);
  }
  EXPECT_GE(read, 20);
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, FileContent, ::testing::Values(512, 4096));

std::unique_ptr<CNTFSFileRecord> Crafted(const qm::test::RecordBuilder& b) {
  const Bytes bytes = b.Build();
  return std::make_unique<CNTFSFileRecord>(bytes, 100, nullptr, qm::ExtensionRecordList{});
}

TEST(CollectFileDataRuns, PiecesBitsAndSizeRules) {
  {
    // Pieces in the wrong order come out in VCN order; a named stream is
    // passed over; compressed and encrypted: encrypted wins.
    qm::test::RecordBuilder b;
    b.AddNonResident(0x80, {0x11, 0x02, 0x40, 0x00}, 0, 1, 12000, u"ads");
    b.AddNonResident(0x80, {0x11, 0x02, 0x30, 0x00}, 2, 3, 0, u"", 0x0001);
    b.AddNonResident(0x80, {0x11, 0x02, 0x10, 0x00}, 0, 1, 15000, u"", 0x4000);
    auto record = Crafted(b);
    ASSERT_TRUE(record->IsValid());
    qm::NtfsFileExtents info;
    CollectFileDataRuns(*record, 4096, info);
    EXPECT_EQ(info.attributes, qm::kAttrEncrypted);
    EXPECT_EQ(info.size, 15000);
    ASSERT_TRUE(info.extents);
    auto list = info.extents->Unpack();
    ASSERT_TRUE(list);
    const std::vector<DataRunEntry> expected = {{0x10, 2}, {0x30, 2}};
    EXPECT_EQ(list->Runs(), expected);
  }
  {
    // A size beyond the clusters held is cut to them; a size of 0 becomes
    // the allocated size.
    qm::test::RecordBuilder b;
    b.AddNonResident(0x80, {0x11, 0x02, 0x10, 0x00}, 0, 1, 1u << 30);
    qm::NtfsFileExtents info;
    CollectFileDataRuns(*Crafted(b), 4096, info);
    EXPECT_EQ(info.size, 8192);
    qm::test::RecordBuilder zero;
    zero.AddNonResident(0x80, {0x11, 0x03, 0x10, 0x00}, 0, 2, 0);
    qm::NtfsFileExtents zeroInfo;
    CollectFileDataRuns(*Crafted(zero), 4096, zeroInfo);
    EXPECT_EQ(zeroInfo.size, 3 * 4096);
    qm::NtfsFileExtents odd;
    CollectFileDataRuns(*Crafted(b), 1000, odd);
    EXPECT_EQ(odd.size, 1 << 30) << "a cluster size that is no multiple of 512 cuts nothing";
  }
  {
    // A resident value: one run at the record's sector, offset of the value.
    qm::test::RecordBuilder b;
    const std::size_t at = b.AddResident(0x80, Bytes(33, 7));
    qm::NtfsFileExtents info;
    CollectFileDataRuns(*Crafted(b), 4096, info);
    EXPECT_EQ(info.size, 33);
    ASSERT_TRUE(info.extents);
    auto list = info.extents->Unpack();
    ASSERT_TRUE(list && list->IsResident());
    EXPECT_EQ(list->Runs().front().start, 100u);
    EXPECT_EQ(list->GetResidentValue(), at + 0x18);
  }
  {
    // No $DATA at all: no extents, size 0.
    qm::test::RecordBuilder b;
    b.AddFileName(u"nothing");
    qm::NtfsFileExtents info;
    CollectFileDataRuns(*Crafted(b), 4096, info);
    EXPECT_FALSE(info.extents);
    EXPECT_EQ(info.size, 0);
  }
}

TEST(AttributeData, RunsPastTheDeviceOrNegativeEndTheRead) {
  // A device of 64 sectors, every byte 0xAB; clusters of 1 sector.
  qm::MemoryDevice device(Bytes(64 * 512, 0xAB), 512);
  struct Row {
    const char* what;
    Bytes pairs;
    std::uint64_t expectAB; // bytes read from the device before the end
  };
  const Row rows[] = {
      {"sound", {0x11, 0x02, 0x04, 0x00}, 1024},
      {"sparse then real", {0x01, 0x01, 0x11, 0x01, 0x04, 0x00}, 512},
      {"past the device", {0x11, 0x02, 0x04, 0x21, 0x02, 0x00, 0x01, 0x00}, 1024},
      {"negative cluster", {0x11, 0x01, 0x04, 0x11, 0x01, 0xF0, 0x00}, 512},
      {"huge length", {0x81, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x01, 0x00}, 0},
  };
  for (const Row& row : rows) {
    qm::test::RecordBuilder b;
    b.AddNonResident(0x80, row.pairs, 0, 3, 4 * 512);
    const Bytes record = b.Plain();
    const auto a = FindAttribute(qm::ByteView(record.data(), record.size()), 0x80, 0);
    ASSERT_TRUE(a);
    Bytes buffer(4 * 512, 0xCC);
    const auto length = NtfsReadAttributeData(a.bytes, buffer, 0, 1, device);
    ASSERT_TRUE(length) << row.what;
    EXPECT_EQ(*length, 4u * 512) << row.what;
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xAB), static_cast<long>(row.expectAB)) << row.what;
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xCC), 0) << row.what << ": no stale bytes";
  }
}

TEST(ContentReader, EndsWhereNoRunHoldsTheCluster) {
  qm::MemoryDevice device(Bytes(64 * 512, 0xAB), 512);
  Tree tree;
  tree.root = CreateFileSystemNode();
  tree.root->SetVolumeGeometry(8, 1);
  struct Row {
    const char* what;
    std::vector<DataRunEntry> runs;
    std::uint64_t expect; // bytes of 4 * 512 asked for
  };
  const Row rows[] = {
      {"runs cover half the size", {{0, 2}}, 1024},
      {"sparse reads as zeros", {{qm::kSparseRunStart, 2}, {0, 2}}, 2048},
      {"run past the device", {{0, 1}, {60, 2}}, 512},
      {"negative start", {{0, 1}, {0x8000000000000000ull, 3}}, 512},
  };
  for (const Row& row : rows) {
    CNoneResidentNTFSDataRunList list;
    for (const auto& r : row.runs)
      list.AddRun(r);
    CFileNode* node =
        qm::test::AddNode(tree.root, "f", 4 * 512, 0, CPackedDataRunList::FromDataRunList(&list));
    CFileContentReader reader;
    ASSERT_EQ(reader.Open(&device, node), 1) << row.what;
    Bytes out(4 * 512, 0xCC);
    std::uint64_t got = 0;
    EXPECT_EQ(reader.ReadAt(0, out.data(), out.size(), &got), 1) << row.what;
    EXPECT_EQ(got, row.expect) << row.what;
    EXPECT_EQ(reader.ReadAt(3 * 512, out.data(), 512, &got), row.expect == 2048 ? 1 : 0) << row.what;
  }
}

} // namespace

namespace {

TEST(ClusterUseBitMap, MarkingAndLookups) {
  std::vector<bool> bits(100);
  CClusterUseBitMap map(&bits, 1000, 8, 100);
  EXPECT_TRUE(map.IsClusterUsed(999)) << "before the partition";
  EXPECT_TRUE(map.IsClusterUsed(1000 + 100 * 8)) << "past the last cluster";
  EXPECT_FALSE(map.IsClusterUsed(1000 + 99 * 8 + 7));

  // A file whose size ends inside its second cluster marks two clusters.
  CNoneResidentNTFSDataRunList list;
  list.AddRun(10, 5);
  map.MarkDataRuns(list, 4096 + 1);
  EXPECT_TRUE(bits[10] && bits[11]);
  EXPECT_FALSE(bits[12]);
  // Size 0 with runs marks the first cluster only; a sparse run counts but
  // sets nothing; numbers off the vector and negative ones are ignored.
  CNoneResidentNTFSDataRunList sparse;
  sparse.AddRun(qm::kSparseRunStart, 2);
  sparse.AddRun(50, 2);
  sparse.AddRun(99, 5);
  map.MarkDataRuns(sparse, 1u << 20);
  EXPECT_TRUE(bits[50] && bits[51] && bits[99]);
  CNoneResidentNTFSDataRunList empty;
  empty.AddRun(20, 3);
  map.MarkDataRuns(empty, 0);
  EXPECT_TRUE(bits[20]);
  EXPECT_FALSE(bits[21]);
  map.SetCluster(-5);
  EXPECT_EQ(std::count(bits.begin(), bits.end(), true), 6);

  // With one sector a cluster, a record sector marks two clusters.
  std::vector<bool> small(10);
  CClusterUseBitMap one(&small, 0, 1, 10);
  CResidentNTFSDataRunList resident;
  resident.SetResidentData(4, 1, 0x98);
  one.MarkDataRuns(resident, 100);
  EXPECT_TRUE(small[4] && small[5]);
  EXPECT_EQ(std::count(small.begin(), small.end(), true), 2);
}

TEST(ClusterUseBitMap, WholeTree) {
  CFileSystemNode* root = CreateFileSystemNode();
  root->SetVolumeGeometry(64, 8);
  CFileNode* folder = qm::test::AddNode(root, "folder", 0, qm::kAttrFolder);
  CNoneResidentNTFSDataRunList a;
  a.AddRun(3, 2);
  qm::test::AddNode(folder, "a", 8192, 0, CPackedDataRunList::FromDataRunList(&a));
  CNoneResidentNTFSDataRunList b;
  b.AddRun(7, 1);
  qm::test::AddNode(root, "b", 100, 0, CPackedDataRunList::FromDataRunList(&b));
  std::vector<bool> bits(16);
  const auto map = BuildClusterUseBitMap(root, &bits, 16);
  ASSERT_TRUE(map);
  EXPECT_TRUE(map->IsClusterUsed(64 + 3 * 8));
  EXPECT_TRUE(map->IsClusterUsed(64 + 4 * 8 + 7));
  EXPECT_FALSE(map->IsClusterUsed(64 + 5 * 8));
  EXPECT_TRUE(map->IsClusterUsed(64 + 7 * 8));
  CFileNode* detached = CreateFileNode();
  EXPECT_FALSE(BuildClusterUseBitMap(detached, &bits, 16)) << "no volume geometry";
  DeleteFileNode(detached);
  DeleteFileTree(root);
}

} // namespace
