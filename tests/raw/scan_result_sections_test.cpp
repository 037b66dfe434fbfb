// The sections of a saved scan result over real trees: a FAT32 volume made
// by mkfs.fat and mtools is quick-built, saved through a result file, read
// back in a fresh reader and recovered byte for byte from the loaded tree;
// the carved-file, found-partition and window lists round-trip; damaged
// sections fail cleanly without leaking a half-read tree.
#include "filemodel/scan_result_sections.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "../fatext2/fat_fixture.h"
#include "../ntfs/tree_build_support.h"
#include "fatext2/ext2_searched_partition_info.h"
#include "fatext2/fat_boot_sector.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_tree_builder.h"
#include "filemodel/crs_data.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "filemodel/my_file_properties.h"
#include "filemodel/raw_file_collection.h"
#include "filemodel/raw_file_info.h"
#include "ntfs/ntfs_partition_info.h"
#include "raw/scan_result_factories.h"
#include "storage/image_file_device.h"
#include "storage/partition_device.h"
#include "support/memory_device.h"
#include "support/memory_stream.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace {

struct TreeDeleter {
  void operator()(CFileNode* root) const { DeleteFileTree(root); }
};
using Tree = std::unique_ptr<CFileNode, TreeDeleter>;

class ScanResultSections : public ::testing::Test {
protected:
  static void SetUpTestSuite() { qm::RegisterScanResultFactories(); }

  void SetUp() override {
    fixture_ = &qm::test::GetFatFixture(2);
    device_ = std::make_unique<CImageFileDevice>(fixture_->image.c_str());
    CFATSearchedPartitionInfo partition;
    partition.SetFileSystemType(2);
    partition.SetFlags(qm::kFatFoundBoot32 | qm::kFatUseFirstFat | qm::kFatUseSecondFat);
    CFatTreeBuilder builder;
    tree_.reset(builder.QuickBuild(nullptr, partition, device_.get(), 1));
    ASSERT_NE(tree_, nullptr);
  }

  const qm::test::FatFixture* fixture_ = nullptr;
  std::unique_ptr<CImageFileDevice> device_;
  Tree tree_;
};

// Every node's fields and the order of every folder's children, flattened.
// The engines' saved records hold no check state: a loaded tree starts
// unchecked.
std::vector<std::string> Describe(CFileNode* root) {
  std::vector<std::string> rows;
  std::vector<std::pair<CFileNode*, std::string>> stack{{root, ""}};
  while (!stack.empty()) {
    auto [node, path] = stack.back();
    stack.pop_back();
    const IFileProperties* p = node->GetProperties();
    qm::FileTime written = 0;
    p->GetLastWriteTime(&written);
    rows.push_back(path + "|" + p->GetName() + "|" + std::to_string(p->GetSize()) + "|" +
                   std::to_string(p->GetAttributes()) + "|" + std::to_string(p->GetState()) + "|" +
                   std::to_string(written) + "|" + std::to_string(node->IsFileSystemNode()) + "|" +
                   std::to_string(p->GetTypeCode()));
    for (CFileNode* child = node->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
      stack.emplace_back(child, path + "/" + child->GetProperties()->GetName());
  }
  return rows;
}

TEST_F(ScanResultSections, TreeSavedToAFileReadsBackWholeAndRecovers) {
  auto* root = static_cast<CFileSystemNode*>(tree_.get());
  std::string folderPath;
  for (const auto& [path, node] : qm::test::CollectPaths(root).byPath)
    if (node->GetParent() == root && node->GetProperties()->IsFolder() && node->GetFirstChild() != nullptr)
      folderPath = path;
  ASSERT_FALSE(folderPath.empty());

  const std::string file = qm::ScratchPath("scan_result_tree.rdf").string();
  qm::test::RecordingCallback writing;
  {
    CRSDataEx writer(CRSData::kWriteMode);
    ASSERT_EQ(writer.Open(file.c_str(), 1), 1);
    writer.SetFileKind(1);
    ASSERT_EQ(WriteFileTreeSection(root, &writer, &writing), 1);
    writer.Close();
  }
  EXPECT_FALSE(writing.positions.empty());
  EXPECT_TRUE(std::is_sorted(writing.positions.begin(), writing.positions.end()));

  CRSDataEx reader(CRSData::kReadMode);
  ASSERT_EQ(reader.Open(file.c_str(), 0), 1);
  qm::test::RecordingCallback reading;
  Tree loaded(ReadFileTreeSection(&reader, &reading));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(Describe(loaded.get()), Describe(root));
  EXPECT_FALSE(reading.positions.empty());

  // Check one folder of the loaded tree and recover it from that tree alone.
  auto* loadedRoot = static_cast<CFileSystemNode*>(loaded.get());
  loadedRoot->ToggleCheck(qm::test::CollectPaths(loadedRoot).byPath.at(folderPath), 0);
  ASSERT_EQ(loadedRoot->GetProperties()->GetCheckState(), qm::kPartlyChecked);
  std::uint64_t base = 0;
  std::uint32_t perCluster = 0;
  loadedRoot->GetVolumeGeometry(&base, &perCluster);
  const fs::path target = qm::ScratchPath("scan_result_recovered");
  fs::remove_all(target);
  std::string created;
  qm::SaveContext context{nullptr, device_.get(), base, perCluster};
  SaveCheckedTree(context, loadedRoot, target.string(), &created);
  std::size_t compared = 0;
  for (const auto& f : fixture_->files) {
    if (f.directory || f.deleted || f.path.find("/" + folderPath + "/") != 0) continue;
    const fs::path out = fs::path(created) / fs::u8path(f.path.substr(1));
    ASSERT_TRUE(fs::exists(out)) << out;
    EXPECT_TRUE(qm::ReadFileBytes(out) == f.content) << f.path;
    ++compared;
  }
  EXPECT_GT(compared, 0u);
  fs::remove_all(target);
}

TEST_F(ScanResultSections, DamagedTreeSectionsFailWithoutLeaks) {
  qm::test::MemoryStream good;
  ASSERT_EQ(WriteFileTreeSection(tree_.get(), &good, nullptr), 1);
  // Cut at every byte: either a clean stream error or no tree, never a leak
  // (the sanitizer build checks) and never a tree from part of the data.
  for (std::size_t size = 0; size < good.bytes.size(); ++size) {
    qm::test::MemoryStream cut;
    cut.bytes.assign(good.bytes.begin(), good.bytes.begin() + static_cast<std::ptrdiff_t>(size));
    try {
      Tree loaded(ReadFileTreeSection(&cut, nullptr));
      EXPECT_EQ(loaded, nullptr) << size;
    } catch (const IRSException& error) {
      EXPECT_EQ(error.GetErrorCode(), qm::kRSShortRead) << size;
    }
  }

  // The first word 0 is no tree; an unknown type code at the root or below
  // stops the load (its record length is unknown).
  auto patched = [&](std::size_t at, std::uint32_t value) {
    qm::test::MemoryStream s;
    s.bytes = good.bytes;
    for (int i = 0; i < 4; ++i)
      s.bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return s;
  };
  auto noTree = patched(0, 0);
  EXPECT_EQ(ReadFileTreeSection(&noTree, nullptr), nullptr);
  // Find the root's type code: right after the root's own record.
  qm::test::MemoryStream rootOnly;
  qm::RSWrite<std::int32_t>(rootOnly, 1);
  tree_->Save(&rootOnly);
  for (std::uint32_t code : {4u + 1u, 7u, 0xFFFFFFFFu}) {
    auto unknownRoot = patched(rootOnly.bytes.size(), code);
    EXPECT_EQ(ReadFileTreeSection(&unknownRoot, nullptr), nullptr) << code;
  }
  // The first child's type code, after its kind word.
  qm::test::MemoryStream upToRoot;
  upToRoot.bytes = rootOnly.bytes;
  qm::RSWrite<std::uint32_t>(upToRoot, tree_->GetProperties()->GetTypeCode());
  tree_->GetProperties()->Save(&upToRoot);
  for (std::uint32_t code : {9u}) {
    auto unknownChild = patched(upToRoot.bytes.size() + 4, code);
    EXPECT_EQ(ReadFileTreeSection(&unknownChild, nullptr), nullptr) << code;
  }
}

// The wizard hangs each built partition under a generic "Root"; an engine's
// partition folder may carry generic properties itself. Those keep their
// name, folder attribute and size in the tree, so the files below them
// come back too.
TEST_F(ScanResultSections, GenericFoldersBelowTheRootKeepTheirRecord) {
  CFileSystemNode* root = CreateFileSystemNode();
  Tree owned(root);
  auto generic = [](const char* name) {
    auto p = std::make_unique<CMyFileProperties>();
    CMyFileProperties::Record r;
    r.attributes = 0x10;
    r.size = 77;
    r.validFields = qm::kValidName | qm::kValidAttributes;
    p->CopyRecord(r);
    p->SetName(name);
    return p;
  };
  root->SetProperties(generic("Root"));
  CFileSystemNode* partition = CreateFileSystemNode();
  partition->SetProperties(generic("NTFS partition 1"));
  root->AddChild(partition);
  partition->AddChild(tree_.release());
  qm::test::MemoryStream stream;
  ASSERT_EQ(WriteFileTreeSection(root, &stream, nullptr), 1);
  qm::test::MemoryStream in;
  in.bytes = stream.bytes;
  Tree loaded(ReadFileTreeSection(&in, nullptr));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(Describe(loaded.get()).size(), Describe(root).size());
  CFileNode* back = loaded->GetFirstChild();
  ASSERT_NE(back, nullptr);
  EXPECT_STREQ(back->GetProperties()->GetName(), "NTFS partition 1");
  EXPECT_TRUE(back->GetProperties()->IsFolder());
  EXPECT_EQ(back->GetProperties()->GetSize(), 77u);
  ASSERT_NE(back->GetFirstChild(), nullptr); // the FAT tree below it came back
  // A name length past the field is refused, not read.
  qm::test::MemoryStream bad;
  bad.bytes = stream.bytes;
  std::size_t at = 0;
  for (std::size_t i = 0; i + 16 <= bad.bytes.size(); ++i)
    if (std::memcmp(bad.bytes.data() + i, "NTFS partition 1", 16) == 0) at = i;
  ASSERT_GT(at, 4u);
  bad.bytes[at - 4] = 0xFF;
  bad.bytes[at - 3] = 0xFF;
  EXPECT_THROW(ReadFileTreeSection(&bad, nullptr), IRSException);
}

TEST(ScanResultLists, CarvedFilesFoundPartitionsAndWindowsRoundTrip) {
  qm::RegisterScanResultFactories();
  CRawFileCollection carved;
  for (std::uint64_t i = 0; i < 5; ++i) {
    auto record = std::make_unique<CRawFileInfo>();
    record->SetStartSector(1000 * i + 7);
    record->SetLength(i == 3 ? 0 : 4096 * i + 1);
    record->SetType(static_cast<int>(10 + i));
    record->SetAnalyserType(static_cast<int>(i == 4 ? kNoAnalyserType : i));
    carved.Add(std::move(record));
  }
  qm::test::MemoryStream stream;
  ASSERT_EQ(SaveCarvedFileList(&carved, &stream), 1);

  std::vector<CSearchedPartitionInfo*> found;
  auto* ntfs = new CSearchedNTFSPartitionInfo(0x1234, 512);
  ntfs->SetStartSector(2048);
  ntfs->SetFilesMatched(42);
  auto* fat = new CFATSearchedPartitionInfo(512);
  fat->SetStartSector(99);
  fat->SetFlags(qm::kFatFoundBoot16);
  auto* ext2 = new CExt2SearchedPartitionInfo();
  ext2->SetStartSector(4242);
  auto* plain = new CSearchedPartitionInfo(512);
  plain->SetFileSystemType(6);
  found = {ntfs, fat, ext2, plain};
  ASSERT_EQ(SaveFileListState(found, &stream), 1);

  qm::MemoryDevice disk(std::uint64_t{100000}, 512);
  CBasicPartitionDevice window(&disk, 2048, 4097);
  LostPartitionRecord first;
  first.startSector = 2048;
  first.sectorCount = 4096; // the volume's own count beside its window's
  std::strcpy(first.volumeLabel, "A label longer than forty bytes, which is cut there");
  first.fileSystemType = 3;
  first.partitionDevice = &window;
  LostPartitionRecord second;
  second.startSector = 9000;
  second.sectorCount = 10;
  ASSERT_EQ(WritePartitionListSection({&first, &second}, 2, &stream), 1);

  auto carvedBack = LoadCarvedFileList(&stream);
  ASSERT_NE(carvedBack, nullptr);
  ASSERT_EQ(carvedBack->GetCount(), 5u);
  auto a = carved.GetCarvedFiles().begin();
  for (const CRawFileInfo* b : carvedBack->GetCarvedFiles()) {
    EXPECT_EQ(b->GetStartSector(), (*a)->GetStartSector());
    EXPECT_EQ(b->GetLength(), (*a)->GetLength());
    EXPECT_EQ(b->GetType(), (*a)->GetType());
    EXPECT_EQ(b->GetAnalyserType(), (*a)->GetAnalyserType());
    ++a;
  }
  EXPECT_NE(carvedBack->FindByStartSector(3007), nullptr);

  std::vector<CSearchedPartitionInfo*> foundBack{new CSearchedPartitionInfo(512)}; // emptied first
  ASSERT_EQ(LoadFileListState(foundBack, &stream), 1);
  ASSERT_EQ(foundBack.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(foundBack[i]->GetKind(), found[i]->GetKind());
    EXPECT_EQ(foundBack[i]->GetStartSector(), found[i]->GetStartSector());
  }
  EXPECT_EQ(foundBack[0]->GetFilesMatched(), 42u);
  EXPECT_EQ(static_cast<CFATSearchedPartitionInfo*>(foundBack[1])->GetFlags(), qm::kFatFoundBoot16);

  qm::PartitionWindowList windows;
  int selected = 0;
  ASSERT_EQ(ReadPartitionListSection(windows, &selected, &disk, &stream), 1);
  EXPECT_EQ(selected, -1); // index 2 of 2 entries selects none
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[0].record.sectorCount, 4096u);
  EXPECT_EQ(windows[0].window->GetSectorCount(), 4097u);
  EXPECT_EQ(std::string(windows[0].record.volumeLabel), std::string(first.volumeLabel, 39));
  EXPECT_EQ(windows[0].record.partitionDevice, windows[0].window.get());
  EXPECT_EQ(windows[1].window->GetSectorCount(), 10u);
  EXPECT_EQ(stream.Remaining(), 0u);

  // A kind no factory makes stops the list (its record length is unknown).
  qm::test::MemoryStream hostile;
  qm::RSWrite<std::uint64_t>(hostile, 2);
  qm::RSWrite<std::uint32_t>(hostile, 3);
  plain->Save(&hostile);
  qm::RSWrite<std::uint32_t>(hostile, 77);
  EXPECT_EQ(LoadFileListState(foundBack, &hostile), 0);
  EXPECT_TRUE(foundBack.empty());
  // Counts near 2^64 end at the section's end, with nothing allocated for them.
  qm::test::MemoryStream huge;
  qm::RSWrite<std::uint64_t>(huge, ~0ull);
  EXPECT_THROW(LoadCarvedFileList(&huge), IRSException);
  huge.readPosition = 0;
  EXPECT_THROW(LoadFileListState(foundBack, &huge), IRSException);
  EXPECT_TRUE(foundBack.empty());

  for (auto* record : found)
    delete record;
}

} // namespace
