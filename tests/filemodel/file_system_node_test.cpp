#include "filemodel/file_system_node.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "test_properties.h"

namespace {

using qm::kAttrCompressed;
using qm::kAttrEncrypted;
using qm::kChecked;
using qm::kPartlyChecked;
using qm::kUnchecked;
using qm::SelectionSummary;
using qm::test::AddFile;
using qm::test::AddFolder;
using qm::test::StateOf;

// root (file-system node, no properties)
//   full/    a 100 checked, b 200 checked compressed
//   partial/ c 50 unchecked encrypted, d 25 checked
//   empty/
//   top      10 unchecked
class SelectionTree : public ::testing::Test {
protected:
  void SetUp() override {
    root = CreateFileSystemNode();
    root->SetVolumeState(qm::kVolumeNtfs);
    top = AddFile(root, 10);
    empty = AddFolder(root);
    partial = AddFolder(root);
    c = AddFile(partial, 50, kUnchecked, kAttrEncrypted);
    d = AddFile(partial, 25, kChecked);
    full = AddFolder(root);
    a = AddFile(full, 100, kChecked);
    b = AddFile(full, 200, kChecked, kAttrCompressed);
    root->RefreshCheckStates();
  }
  void TearDown() override { DeleteFileTree(root); }

  // The summary as a full recount gives it, for comparing with the
  // incrementally kept one.
  SelectionSummary Recount() {
    const SelectionSummary kept = root->Summary();
    root->UpdateSelectionSummary();
    const SelectionSummary fresh = root->Summary();
    EXPECT_EQ(fresh, kept) << "incremental summary drifted from a recount";
    return fresh;
  }

  CFileSystemNode* root = nullptr;
  CFileNode *full, *partial, *empty, *top, *a, *b, *c, *d;
};

TEST_F(SelectionTree, RefreshSetsFolderStatesAndCountsFilesOnly) {
  EXPECT_EQ(StateOf(full), kChecked);
  EXPECT_EQ(StateOf(partial), kPartlyChecked);
  EXPECT_EQ(StateOf(empty), kUnchecked);
  const SelectionSummary s = root->Summary();
  EXPECT_EQ(s.files, 5u);
  EXPECT_EQ(s.checkedFiles, 3u);
  EXPECT_EQ(s.bytes, 385u);
  EXPECT_EQ(s.checkedBytes, 325u);
  EXPECT_EQ(s.compressedFiles, 1u);
  EXPECT_EQ(s.checkedCompressedFiles, 1u);
  EXPECT_EQ(s.encryptedFiles, 1u);
  EXPECT_EQ(s.checkedEncryptedFiles, 0u);
  SelectionSummary out;
  EXPECT_EQ(root->GetSelectionSummary(&out), 1);
  EXPECT_EQ(out, s);
}

TEST_F(SelectionTree, TogglingAnAllCheckedFolderUnchecksItsSubtree) {
  EXPECT_EQ(root->ToggleCheck(full, 0), 1);
  EXPECT_EQ(StateOf(full), kUnchecked);
  EXPECT_EQ(StateOf(a), kUnchecked);
  EXPECT_EQ(StateOf(b), kUnchecked);
  const SelectionSummary s = Recount();
  EXPECT_EQ(s.files, 5u);
  EXPECT_EQ(s.checkedFiles, 1u);
  EXPECT_EQ(s.checkedBytes, 25u);
  EXPECT_EQ(s.checkedCompressedFiles, 0u);
}

TEST_F(SelectionTree, TogglingAPartlyCheckedFolderChecksEverythingBelow) {
  root->ToggleCheck(partial, 0);
  EXPECT_EQ(StateOf(partial), kChecked);
  EXPECT_EQ(StateOf(c), kChecked);
  EXPECT_EQ(StateOf(d), kChecked);
  const SelectionSummary s = Recount();
  EXPECT_EQ(s.checkedFiles, 4u); // d was counted already
  EXPECT_EQ(s.checkedBytes, 375u);
  EXPECT_EQ(s.checkedEncryptedFiles, 1u);
}

TEST_F(SelectionTree, TogglingAnEmptyFolderChangesNoCounts) {
  const SelectionSummary before = root->Summary();
  root->ToggleCheck(empty, 0);
  EXPECT_EQ(StateOf(empty), kChecked);
  EXPECT_EQ(Recount(), before);
  root->RefreshCheckStates(); // no children: the rule gives 0
  EXPECT_EQ(StateOf(empty), kUnchecked);
}

TEST_F(SelectionTree, TogglingAFileUpdatesItsFolder) {
  root->ToggleCheck(c, 0);
  EXPECT_EQ(StateOf(partial), kChecked);
  root->ToggleCheck(d, 0);
  EXPECT_EQ(StateOf(partial), kPartlyChecked);
  root->ToggleCheck(c, 0);
  EXPECT_EQ(StateOf(partial), kUnchecked);
  const SelectionSummary s = Recount();
  EXPECT_EQ(s.checkedFiles, 2u);
}

TEST_F(SelectionTree, ThisNodeOnlyChangesNothingElse) {
  const SelectionSummary before = root->Summary();
  root->ToggleCheck(full, 1);
  EXPECT_EQ(StateOf(full), kUnchecked);
  EXPECT_EQ(StateOf(a), kChecked);
  EXPECT_EQ(root->Summary(), before);
}

TEST_F(SelectionTree, CountsNeverWrapAfterThisNodeOnlyChanges) {
  // A this-node-only change leaves the summary behind the states; later
  // subtree toggles must still never take a checked count below 0 (where
  // it would wrap above its total).
  root->ToggleCheck(full, 0); // a and b unchecked
  root->ToggleCheck(a, 1);
  root->ToggleCheck(b, 1);    // checked again, unseen by the summary
  root->ToggleCheck(full, 0); // checks the already checked
  root->ToggleCheck(full, 0); // unchecks two that the summary never counted
  const SelectionSummary s = root->Summary();
  EXPECT_LE(s.checkedFiles, s.files);
  EXPECT_LE(s.checkedBytes, s.bytes);
  EXPECT_LE(s.checkedCompressedFiles, s.compressedFiles);
  EXPECT_LE(s.checkedEncryptedFiles, s.encryptedFiles);
}

TEST_F(SelectionTree, TogglingTheRootChecksEverything) {
  root->ToggleCheck(root, 0); // no properties: counts as unchecked
  for (CFileNode* n : {full, partial, empty, top, a, b, c, d})
    EXPECT_EQ(StateOf(n), kChecked);
  const SelectionSummary s = Recount();
  EXPECT_EQ(s.checkedFiles, 5u);
  EXPECT_EQ(s.checkedBytes, 385u);
}

TEST(FileSystemNodeSelection, NestedFileSystemNodesFollowTheChange) {
  CFileSystemNode* disk = CreateFileSystemNode();
  CFileNode* folder = AddFolder(disk);
  CFileSystemNode* volume = CreateFileSystemNode();
  volume->SetProperties(new qm::test::TestProperties(qm::kAttrFolder, 0));
  folder->AddChild(volume);
  CFileNode* file = AddFile(volume, 7);
  disk->RefreshCheckStates();
  volume->RefreshCheckStates();

  disk->ToggleCheck(file, 0);
  EXPECT_EQ(disk->Summary().checkedFiles, 1u);
  EXPECT_EQ(volume->Summary().checkedFiles, 1u);
  EXPECT_EQ(StateOf(volume), kChecked);
  EXPECT_EQ(StateOf(folder), kChecked);
  disk->ToggleCheck(volume, 0); // the volume's own summary follows too
  EXPECT_EQ(volume->Summary().checkedBytes, 0u);
  EXPECT_EQ(disk->Summary().checkedBytes, 0u);
  disk->ToggleCheck(folder, 0); // and so does a volume below the toggled node
  EXPECT_EQ(volume->Summary().checkedBytes, 7u);
  EXPECT_EQ(volume->Summary().checkedFiles, 1u);
  disk->ToggleCheck(folder, 0);
  EXPECT_EQ(volume->Summary().checkedFiles, 0u);
  disk->ToggleCheck(disk, 0); // no properties: counts as unchecked, so checks
  EXPECT_EQ(volume->Summary().checkedFiles, 1u);
  DeleteFileTree(disk);
}

// Random trees (some folders volumes of their own) and random toggles: the
// incrementally kept summaries always equal a recount, and every folder's
// state equals what a refresh gives.
TEST(FileSystemNodeSelection, ToggleKeepsSummaryAndFolderStatesConsistent) {
  std::mt19937 random(11);
  for (int round = 0; round < 20; ++round) {
    CFileSystemNode* root = CreateFileSystemNode();
    std::vector<CFileNode*> folders{root};
    std::vector<CFileNode*> nodes;
    std::vector<CFileSystemNode*> volumes;
    for (int i = 0; i < 200; ++i) {
      CFileNode* parent = folders[random() % folders.size()];
      const std::uint16_t attributes = static_cast<std::uint16_t>((random() % 3 == 0 ? kAttrCompressed : 0) |
                                                                  (random() % 4 == 0 ? kAttrEncrypted : 0));
      if (random() % 20 == 0) {
        CFileSystemNode* volume = CreateFileSystemNode();
        volume->SetProperties(new qm::test::TestProperties(qm::kAttrFolder, 0));
        parent->AddChild(volume);
        volumes.push_back(volume);
        folders.push_back(volume);
        nodes.push_back(volume);
      } else if (random() % 4 == 0) {
        folders.push_back(AddFolder(parent));
        nodes.push_back(folders.back());
      } else {
        nodes.push_back(AddFile(parent, random() % 100000, random() % 2 ? kChecked : kUnchecked, attributes));
      }
    }
    // An empty folder keeps a toggled state that a refresh takes back, so
    // every folder gets a file.
    for (std::size_t i = 1; i < folders.size(); ++i)
      nodes.push_back(AddFile(folders[i], 1));
    root->RefreshCheckStates();
    for (CFileSystemNode* volume : volumes)
      volume->UpdateSelectionSummary();
    for (int t = 0; t < 50; ++t) {
      root->ToggleCheck(nodes[random() % nodes.size()], 0);
      for (CFileSystemNode* volume : volumes) {
        const SelectionSummary volumeKept = volume->Summary();
        volume->UpdateSelectionSummary();
        ASSERT_EQ(volume->Summary(), volumeKept);
      }
      std::vector<std::uint8_t> states;
      for (CFileNode* n : nodes)
        states.push_back(StateOf(n));
      const SelectionSummary kept = root->Summary();
      root->RefreshCheckStates();
      ASSERT_EQ(root->Summary(), kept);
      for (std::size_t i = 0; i < nodes.size(); ++i)
        ASSERT_EQ(StateOf(nodes[i]), states[i]) << "node " << i;
    }
    DeleteFileTree(root);
  }
}

TEST(FileSystemNodeSelection, DeepChainTogglesWithoutRecursion) {
  CFileSystemNode* root = CreateFileSystemNode();
  CFileNode* node = root;
  for (int i = 0; i < 100000; ++i)
    node = AddFolder(node);
  CFileNode* leaf = AddFile(node, 3);
  root->ToggleCheck(leaf, 0);
  EXPECT_EQ(StateOf(root->GetFirstChild()), kChecked);
  EXPECT_EQ(root->Summary().checkedBytes, 3u);
  root->ToggleCheck(root->GetFirstChild(), 0);
  EXPECT_EQ(StateOf(leaf), kUnchecked);
  root->RefreshCheckStates();
  EXPECT_EQ(root->Summary().files, 1u);
  DeleteFileTree(root);
}

TEST(FileSystemNode, NameIsCutToFortyCharacters) {
  CFileSystemNode node;
  const std::string name41(41, 'x');
  node.SetName(name41.c_str());
  EXPECT_EQ(std::string(node.GetName()), std::string(40, 'x'));
  EXPECT_EQ(node.GetNameLength(), 40u);
  node.SetName("Data");
  EXPECT_STREQ(node.GetName(), "Data");
  node.SetName(nullptr);
  EXPECT_STREQ(node.GetName(), "");
  EXPECT_EQ(node.GetNameLength(), 0u);
  // 39 ASCII bytes and a two-byte character: the cut keeps no half of it.
  const std::string split = std::string(39, 'y') + "\xC3\xA9" + "z";
  node.SetName(split.c_str());
  EXPECT_EQ(std::string(node.GetName()), std::string(39, 'y'));
  const std::string exact = std::string(38, 'y') + "\xC3\xA9" + "z";
  node.SetName(exact.c_str());
  EXPECT_EQ(std::string(node.GetName()), std::string(38, 'y') + "\xC3\xA9");
}

TEST(FileSystemNode, KeepsGeometryRecordAndNodeValues) {
  CFileSystemNode* root = CreateFileSystemNode();
  root->SetVolumeGeometry(63, 8);
  std::uint64_t base = 0;
  std::uint32_t perCluster = 0;
  EXPECT_EQ(root->GetVolumeGeometry(&base, &perCluster), 1);
  EXPECT_EQ(base, 63u);
  EXPECT_EQ(perCluster, 8u);

  std::uint8_t record[CFileSystemNode::kPartitionRecordSize];
  for (std::size_t i = 0; i < sizeof record; ++i)
    record[i] = static_cast<std::uint8_t>(i * 7);
  EXPECT_EQ(root->SetPartitionRecord(record), 1);
  std::uint8_t back[CFileSystemNode::kPartitionRecordSize] = {};
  EXPECT_EQ(root->GetPartitionRecord(back), 1);
  EXPECT_EQ(0, std::memcmp(record, back, sizeof record));

  CFileNode* file = AddFile(root, 1);
  EXPECT_EQ(root->SetNodeValue(file, 5), 0u);
  EXPECT_EQ(root->SetNodeValue(file, 6), 5u);
  EXPECT_EQ(root->SetNodeValue(nullptr, 6), 0u);
  EXPECT_EQ(root->SetNodeValue(root, 6), 0u); // no properties
  DeleteFileTree(root);
}

} // namespace
