#include "ntfs/recycle_bin.h"

#include <gtest/gtest.h>

#include <cstring>

#include "filemodel/file_properties.h"
#include "fixture_volume.h"
#include "ntfs/ntfs_extents.h"
#include "ntfs_fixture.h"
#include "packed_properties.h"

namespace {

using qm::test::AddNode;

struct Tree {
  CFileSystemNode* root = nullptr;
  ~Tree() { DeleteFileTree(root); }
};

// The node of a fixture file, with the extents read from its record.
CFileNode* AddFixtureFile(qm::test::FixtureVolume& v, CFileNode* parent, const std::string& suffix) {
  for (const auto& e : qm::test::NtfsBasicManifest()) {
    if (e.path.size() < suffix.size() ||
        e.path.compare(e.path.size() - suffix.size(), suffix.size(), suffix) != 0)
      continue;
    auto record = qm::test::LoadFixtureRecord(v, e.record);
    qm::NtfsFileExtents info;
    CollectFileDataRuns(*record, v.geometry.ClusterBytes(), info);
    return AddNode(parent, e.Name().c_str(), static_cast<std::uint64_t>(info.size), 0,
                   std::move(info.extents));
  }
  ADD_FAILURE() << "no fixture file " << suffix;
  return nullptr;
}

TEST(RecycleBin, PairInEitherOrderAndTakeTheOriginalName) {
  for (bool infoFirst : {true, false}) {
    auto v = qm::test::OpenFixtureVolume(512);
    Tree tree;
    tree.root = CreateFileSystemNode();
    tree.root->SetVolumeGeometry(0, v.geometry.sectorsPerCluster);
    CFileNode* bin = AddNode(tree.root, "$Recycle.Bin", 0, qm::kAttrFolder);
    CFileNode* sid = AddNode(bin, "S-1-5-21-1004336348-1177238915-682003330-1001", 0, qm::kAttrFolder);
    EXPECT_TRUE(IsRecycleBinFolder(bin));
    EXPECT_FALSE(IsRecycleBinFolder(sid));
    EXPECT_TRUE(IsInRecycleBin(sid));
    EXPECT_FALSE(IsInRecycleBin(tree.root));

    CFileNode* data = AddFixtureFile(v, sid, "$RAB12CD.docx");
    CFileNode* info = AddFixtureFile(v, sid, "$IAB12CD.docx");
    ASSERT_TRUE(data && info);
    EXPECT_TRUE(IsRecycleBinInfoFile(info));
    EXPECT_FALSE(IsRecycleBinInfoFile(data));
    EXPECT_TRUE(IsInRecycleBin(data));

    std::vector<CFileNode*> pending;
    CFileNode* first = infoFirst ? info : data;
    CFileNode* second = infoFirst ? data : info;
    EXPECT_EQ(FindRecycleBinPartner(pending, first), nullptr);
    EXPECT_EQ(pending.size(), 1u);
    EXPECT_EQ(FindRecycleBinPartner(pending, second), first);
    EXPECT_TRUE(pending.empty()) << "paired once";

    EXPECT_EQ(ReadRecycleBinOriginalName(v.device.get(), data, info), 1);
    EXPECT_STREQ(data->GetProperties()->GetName(), "Quarterly report.docx");
  }
}

TEST(RecycleBin, FolderNamesAndInfoNames) {
  Tree tree;
  tree.root = CreateFileSystemNode();
  for (const char* name : {"RECYCLER", "recycled", "$RECYCLE.BIN", "$recycle.bi0"})
    EXPECT_TRUE(IsRecycleBinFolder(AddNode(tree.root, name, 0, qm::kAttrFolder))) << name;
  EXPECT_FALSE(IsRecycleBinFolder(AddNode(tree.root, "$RECYCLE.BIN", 0, 0))) << "a file of that name";
  EXPECT_FALSE(IsRecycleBinFolder(AddNode(tree.root, "Recycle", 0, qm::kAttrFolder)));
  EXPECT_TRUE(IsRecycleBinInfoFile(AddNode(tree.root, "#I1", 0, 0)));
  EXPECT_FALSE(IsRecycleBinInfoFile(AddNode(tree.root, "$", 0, 0)));
  EXPECT_FALSE(IsRecycleBinInfoFile(AddNode(tree.root, "$i12.txt", 0, 0)));

  // Unrelated names stay pending.
  std::vector<CFileNode*> pending;
  CFileNode* a = AddNode(tree.root, "$RAAA.txt", 0, 0);
  CFileNode* b = AddNode(tree.root, "$IBBB.txt", 0, 0);
  EXPECT_EQ(FindRecycleBinPartner(pending, a), nullptr);
  EXPECT_EQ(FindRecycleBinPartner(pending, b), nullptr);
  EXPECT_EQ(pending.size(), 2u);
  CFileNode* c = AddNode(tree.root, "$Iaaa.TXT", 0, 0);
  EXPECT_EQ(FindRecycleBinPartner(pending, c), a) << "ignoring case";
}

// An info file on a small in-memory volume (one sector a cluster).
struct InfoVolume {
  qm::MemoryDevice device{std::vector<std::uint8_t>(64 * 512, 0), 512};
  Tree tree;
  CFileNode* data = nullptr;
  CFileNode* info = nullptr;
  explicit InfoVolume(const std::u16string& path, std::uint64_t size = 1024) {
    auto* bytes = device.sector(10);
    qm::StoreLe64(bytes, 2);
    for (std::size_t i = 0; i < path.size(); ++i)
      qm::StoreLe16(bytes + 28 + 2 * i, path[i]);
    tree.root = CreateFileSystemNode();
    tree.root->SetVolumeGeometry(0, 1);
    CNoneResidentNTFSDataRunList list;
    list.AddRun(10, 2);
    data = AddNode(tree.root, "$R1.txt", 5, 0);
    info = AddNode(tree.root, "$I1.txt", size, 0, CPackedDataRunList::FromDataRunList(&list));
  }
};

TEST(RecycleBin, OnlyADrivePathGivesAName) {
  struct Row {
    std::u16string path;
    const char* name;
  };
  const Row rows[] = {
      {u"D:\\old\\notes.txt", "notes.txt"},
      {u"\\\\server\\share\\notes.txt", "$R1.txt"},
      {u"no backslash at all", "$R1.txt"},
      {u"C:\\folder\\", "$R1.txt"}, // nothing after the last backslash
      {u"C:\\\u00e9t\u00e9.txt", "\xc3\xa9t\xc3\xa9.txt"},
  };
  for (const Row& row : rows) {
    InfoVolume v(row.path);
    ReadRecycleBinOriginalName(&v.device, v.data, v.info);
    EXPECT_STREQ(v.data->GetProperties()->GetName(), row.name);
  }
  // A name that fills the whole 1024 bytes without a terminator ends there.
  // Units 14 to 399 hold "C:\yyy...", unit 400 a backslash, and "z" runs on
  // past the 512th unit.
  std::u16string longPath = u"C:\\" + std::u16string(383, u'y') + u"\\" + std::u16string(300, u'z');
  InfoVolume v(longPath);
  EXPECT_EQ(ReadRecycleBinOriginalName(&v.device, v.data, v.info), 1);
  EXPECT_EQ(std::string(v.data->GetProperties()->GetName()), std::string(111, 'z'));
  // No readable info file: the name stays.
  InfoVolume unreadable(u"C:\\a.txt");
  unreadable.device.AddFailingRange(0, 64);
  EXPECT_EQ(ReadRecycleBinOriginalName(&unreadable.device, unreadable.data, unreadable.info), 0);
  EXPECT_STREQ(unreadable.data->GetProperties()->GetName(), "$R1.txt");
}

} // namespace
