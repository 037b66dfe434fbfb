#include <gtest/gtest.h>

#include <string>

#include "filemodel/file_system_node.h"
#include "support/memory_stream.h"
#include "test_properties.h"

namespace {

using qm::test::MemoryStream;

// A volume node with a label, geometry and a summary with checked files.
CFileSystemNode* MakeVolume() {
  CFileSystemNode* node = CreateFileSystemNode();
  node->SetVolumeGeometry(0x1234567890ull, 16);
  node->SetVolumeState(qm::kVolumeExt3);
  node->SetName("Backup disk");
  qm::test::AddFile(node, 1000, qm::kChecked, qm::kAttrCompressed);
  qm::test::AddFile(node, 24, qm::kUnchecked, qm::kAttrEncrypted);
  node->RefreshCheckStates();
  return node;
}

TEST(FileSystemNodeSave, RoundTripDropsOnlyTheCheckedCounts) {
  CFileSystemNode* original = MakeVolume();
  MemoryStream stream;
  EXPECT_EQ(original->Save(&stream), 1);
  EXPECT_EQ(stream.bytes.size(), 40u + 8 + 4 + 4 + 4 + 11);

  CFileSystemNode loaded;
  loaded.SetName("old name");
  EXPECT_EQ(loaded.Load(&stream), 1);
  EXPECT_EQ(stream.Remaining(), 0u);
  EXPECT_STREQ(loaded.GetName(), "Backup disk");
  std::uint64_t base = 0;
  std::uint32_t perCluster = 0;
  loaded.GetVolumeGeometry(&base, &perCluster);
  EXPECT_EQ(base, 0x1234567890ull);
  EXPECT_EQ(perCluster, 16u);
  EXPECT_EQ(loaded.GetVolumeState(), qm::kVolumeExt3);

  qm::SelectionSummary expected = original->Summary();
  EXPECT_EQ(expected.checkedFiles, 1u); // the fixture does have checked files
  expected.checkedFiles = 0;
  expected.checkedBytes = 0;
  expected.checkedCompressedFiles = 0;
  expected.checkedEncryptedFiles = 0;
  EXPECT_EQ(loaded.Summary(), expected);
  DeleteFileTree(original);
}

TEST(FileSystemNodeSave, EmptyNameWritesNoBytes) {
  CFileSystemNode node;
  MemoryStream stream;
  node.Save(&stream);
  EXPECT_EQ(stream.bytes.size(), 60u);
  CFileSystemNode loaded;
  loaded.SetName("x");
  loaded.Load(&stream);
  EXPECT_STREQ(loaded.GetName(), "");
  EXPECT_EQ(loaded.GetVolumeState(), qm::kVolumeUnknown);
}

TEST(FileSystemNodeSave, TruncatedNodeFailsAndKeepsTheOldNode) {
  CFileSystemNode* original = MakeVolume();
  MemoryStream good;
  original->Save(&good);
  for (std::size_t cut = 0; cut < good.bytes.size(); ++cut) {
    SCOPED_TRACE(cut);
    MemoryStream truncated;
    truncated.bytes.assign(good.bytes.begin(), good.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    CFileSystemNode loaded;
    loaded.SetName("kept");
    EXPECT_THROW(loaded.Load(&truncated), IRSException);
    EXPECT_STREQ(loaded.GetName(), "kept");
    EXPECT_EQ(loaded.GetVolumeState(), qm::kVolumeUnknown);
  }
  DeleteFileTree(original);
}

TEST(FileSystemNodeSave, NameLongerThanFortyFailsBeforeReadingIt) {
  CFileSystemNode node;
  MemoryStream stream;
  node.Save(&stream);
  stream.bytes.resize(56);
  for (std::uint8_t b : {41, 0, 0, 0})
    stream.bytes.push_back(b);
  stream.bytes.insert(stream.bytes.end(), 41, 'n');
  CFileSystemNode loaded;
  try {
    loaded.Load(&stream);
    ADD_FAILURE() << "a 41-character name was accepted";
  } catch (const IRSException& error) {
    EXPECT_EQ(error.GetErrorCode(), qm::kRSBadHeaderValue);
  }
  EXPECT_EQ(stream.Remaining(), 41u); // the name itself was not read
  EXPECT_STREQ(loaded.GetName(), "");
}

TEST(FileNodeSave, PlainNodeHasNoDataOfItsOwn) {
  CFileNode node;
  MemoryStream stream;
  EXPECT_EQ(node.Save(&stream), 0);
  EXPECT_EQ(node.Load(&stream), 0);
  EXPECT_TRUE(stream.bytes.empty());
}

} // namespace
