// The properties rows of FAT, NTFS, RAW and EXT2 nodes, built on the real
// properties classes of the engines.
#include <gtest/gtest.h>

#include "fatext2/fat_file_properties.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "filemodel/my_file_properties.h"
#include "filemodel/ntfs_data_run_lists.h"
#include "filemodel/packed_data_run_list.h"
#include "ntfs/ntfs_file_properties.h"
#include "preview/properties_rows.h"

namespace {

using Rows = std::vector<qm::PropertyRow>;

struct Tree {
  CFileSystemNode* root = nullptr;
  explicit Tree(std::uint32_t volume) {
    root = CreateFileSystemNode();
    root->SetVolumeState(volume);
    root->SetVolumeGeometry(1000, 4);
    auto properties = CreateFatFileProperties();
    properties->SetName("VOLUME");
    properties->SetAttributes(qm::kAttrFolder);
    root->SetProperties(std::unique_ptr<IFileProperties>(properties.release()));
  }
  ~Tree() { DeleteFileTree(root); }
  CFileNode* Add(std::unique_ptr<IFileProperties> properties) {
    CFileNode* node = CreateFileNode();
    node->SetProperties(std::move(properties));
    return root->AddChild(node);
  }
};

std::unique_ptr<IFileProperties> Fat(const char* name, std::uint16_t attributes, std::uint32_t first,
                                     std::uint32_t parent, std::uint8_t state,
                                     std::vector<std::pair<std::uint64_t, std::uint64_t>> runs = {}) {
  auto properties = CreateFatFileProperties();
  properties->SetName(name);
  properties->SetAttributes(attributes);
  properties->SetFirstCluster(first);
  properties->SetParentCluster(parent);
  properties->SetState(state);
  if (!runs.empty()) {
    auto list = std::make_unique<CFATDataRunList>();
    for (auto [start, count] : runs)
      list->AddRun(start, count);
    properties->SetDataRunList(std::move(list));
  }
  return properties;
}

std::unique_ptr<IFileProperties> Ntfs(const char* name, std::uint16_t attributes,
                                      std::unique_ptr<IDataRunList> list) {
  NtfsFileInfo info;
  info.name = name;
  info.nameLength = static_cast<std::uint16_t>(std::string(name).size());
  info.size = 300;
  info.attributes = attributes;
  info.recordSector = 5000;
  info.state = 1;
  if (list) info.extents = CPackedDataRunList::FromDataRunList(list.get());
  auto properties = CreateNtfsFileProperties();
  properties->Init(std::move(info));
  return properties;
}

TEST(PropertiesRows, FatFolderAndFile) {
  Tree tree(qm::kVolumeFat16);
  CFileNode* folder = tree.Add(Fat("DOCS", qm::kAttrFolder, 2, 0, 1));
  EXPECT_EQ(qm::BuildPropertyRows(folder), (Rows{{"Name", "DOCS"},
                                                 {"Sector", "1000"},
                                                 {"Cluster", "2"},
                                                 {"Parent", "0"},
                                                 {"Deleted", "Yes"},
                                                 {"Lost", "No"},
                                                 {"Cross Link", "No"},
                                                 {"Temp", "No"}}));
  // A folder on cluster 0 or 1 has no data sector.
  CFileNode* zero = tree.Add(Fat("ZERO", qm::kAttrFolder, 0, 0, 0));
  EXPECT_EQ(qm::BuildPropertyRows(zero)[1], (qm::PropertyRow{"Sector", "-"}));
  CFileNode* one = tree.Add(Fat("ONE", qm::kAttrFolder, 1, 0, 0));
  EXPECT_EQ(qm::BuildPropertyRows(one)[1], (qm::PropertyRow{"Sector", "-"}));

  // Runs count clusters from 2: shown with 2 added.
  CFileNode* file = tree.Add(Fat("A.TXT", 0, 102, 5, 2, {{100, 8}, {500, 16}}));
  EXPECT_EQ(qm::BuildPropertyRows(file), (Rows{{"Name", "A.TXT"},
                                               {"Parent", "5"},
                                               {"Parent Sector", "1012"},
                                               {"Deleted", "No"},
                                               {"Lost", "Yes"},
                                               {"Cross Link", "No"},
                                               {"Temp", "No"},
                                               {"Damaged", "No"},
                                               {"Lay out", "102: 8 - 502: 16."}}));
  CFileNode* damaged =
      tree.Add(Fat("C.TXT", 0, 7, 5, static_cast<std::uint8_t>(qm::kStateDeleted | qm::kStateDamaged)));
  EXPECT_EQ(qm::BuildPropertyRows(damaged)[7], (qm::PropertyRow{"Damaged", "Yes"}));
  // A file in the fixed root folder (cluster 0) has no parent sector.
  CFileNode* rootFile = tree.Add(Fat("B.TXT", 0, 3, 0, 0));
  EXPECT_EQ(qm::BuildPropertyRows(rootFile)[2], (qm::PropertyRow{"Parent Sector", "-"}));
}

TEST(PropertiesRows, NtfsResidentAndNonResident) {
  Tree tree(qm::kVolumeNtfs);
  auto runs = std::make_unique<CNoneResidentNTFSDataRunList>();
  runs->AddRun(100, 8);
  runs->AddRun(500, 16);
  CFileNode* file = tree.Add(Ntfs("big.bin", qm::kAttrCompressed, std::move(runs)));
  EXPECT_EQ(qm::BuildPropertyRows(file), (Rows{{"Name", "big.bin"},
                                               {"Record sector", "5000"},
                                               {"Compressed", "Yes"},
                                               {"Encrypted", "No"},
                                               {"Deleted", "Yes"},
                                               {"Lost", "No"},
                                               {"Cross Link", "No"},
                                               {"Temp", "No"},
                                               {"Damaged", "No"},
                                               {"Resident", "No"},
                                               {"Lay out", "100: 8 - 500: 16."}}));

  auto resident = std::make_unique<CResidentNTFSDataRunList>();
  resident->SetResidentData(5000, 1, 0x98);
  CFileNode* small = tree.Add(Ntfs("small.txt", qm::kAttrEncrypted, std::move(resident)));
  const Rows rows = qm::BuildPropertyRows(small);
  ASSERT_EQ(rows.size(), 12u);
  EXPECT_EQ(rows[3], (qm::PropertyRow{"Encrypted", "Yes"}));
  EXPECT_EQ(rows[9], (qm::PropertyRow{"Resident", "Yes"}));
  EXPECT_EQ(rows[10], (qm::PropertyRow{"Size", "300"}));
  EXPECT_EQ(rows[11], (qm::PropertyRow{"Offset", "152"}));

  CFileNode* folder = tree.Add(Ntfs("dir", qm::kAttrFolder, nullptr));
  EXPECT_EQ(qm::BuildPropertyRows(folder).size(), 8u);
}

TEST(PropertiesRows, VolumeRootOtherFileSystemsAndNothing) {
  Tree fat(qm::kVolumeFat32);
  const Rows root = qm::BuildPropertyRows(fat.root);
  ASSERT_GE(root.size(), 2u);
  EXPECT_EQ(root[0], (qm::PropertyRow{"Sector Per Cluster", "4"}));
  EXPECT_EQ(root[1], (qm::PropertyRow{"Start Sector", "1000"}));
  // The root's own first cluster is 0: "-" rather than a huge number.
  EXPECT_EQ(root[3], (qm::PropertyRow{"Sector", "-"}));

  Tree ext(qm::kVolumeExt2);
  CFileNode* file = ext.Add(Fat("x", 0, 5, 2, 0));
  EXPECT_TRUE(qm::BuildPropertyRows(file).empty());
  // A damaged file says so on every file system; a folder's bit 0x10 is
  // not damage.
  CFileNode* damaged = ext.Add(Fat("y", 0, 5, 2, qm::kStateDamaged));
  EXPECT_EQ(qm::BuildPropertyRows(damaged), (Rows{{"Damaged", "Yes"}}));
  CFileNode* sorted = ext.Add(Fat("d", qm::kAttrFolder, 5, 2, qm::kStateDamaged));
  EXPECT_TRUE(qm::BuildPropertyRows(sorted).empty());
  Tree raw(qm::kVolumeRaw);
  CFileNode* carved = raw.Add(Fat("f.jpg", 0, 5, 2, qm::kStateDamaged));
  EXPECT_EQ(qm::BuildPropertyRows(carved).back(), (qm::PropertyRow{"Damaged", "Yes"}));
  Tree fatFolders(qm::kVolumeFat32);
  CFileNode* fatFolder = fatFolders.Add(Fat("DIR0", qm::kAttrFolder, 5, 2, qm::kStateDamaged));
  EXPECT_EQ(qm::BuildPropertyRows(fatFolder).back(), (qm::PropertyRow{"Temp", "No"}));
  EXPECT_TRUE(qm::BuildPropertyRows(nullptr).empty());
  CFileNode bare;
  EXPECT_TRUE(qm::BuildPropertyRows(&bare).empty());
}

} // namespace
