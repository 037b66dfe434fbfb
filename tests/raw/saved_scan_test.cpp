// A complete search saved and resumed in another process: the engines'
// controllers sweep a disk image holding a FAT32 and an EXT2 volume (made by
// mkfs.fat, mtools and mke2fs), the result (controllers, carved files,
// found partitions, the scanned image and the tree of the best volume) is
// written to a state file, and a second run of this test program reads it
// back, finds the image again, gets the same partitions, controller states
// and tree, and recovers the same files byte for byte.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../fatext2/deep_scan_support.h"
#include "filemodel/crs_data.h"
#include "filemodel/file_node.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "filemodel/raw_file_collection.h"
#include "filemodel/scan_result_sections.h"
#include "filemodel/scan_state_store.h"
#include "raw/scan_result_factories.h"
#include "raw/search_controllers.h"
#include "second_process.h"
#include "storage/image_file_device.h"
#include "storage/searched_partition_info.h"
#include "support/memory_stream.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kFatStart = 2048, kFatSectors = 81920;
constexpr std::uint64_t kExtStart = 86016, kExtSectors = 32768;
constexpr std::uint64_t kDiskSectors = 122880;
constexpr const char* kEnvFolder = "QM_SAVED_SCAN_FOLDER";

// What must come back the same: every found partition's saved record, each
// controller's saved state, the carved files and the tree's nodes.
std::string Digest(SearchControllerList& controllers, const std::vector<CSearchedPartitionInfo*>& partitions,
                   CRawFileCollection* carved, CFileNode* root) {
  std::ostringstream out;
  auto hex = [&](const std::vector<std::uint8_t>& bytes) {
    for (auto b : bytes)
      out << std::hex << static_cast<int>(b >> 4) << static_cast<int>(b & 15);
    out << std::dec << "\n";
  };
  for (auto* p : partitions) {
    qm::test::MemoryStream s;
    p->Save(&s);
    out << "partition " << p->GetKind() << " ";
    hex(s.bytes);
  }
  for (auto& c : controllers) {
    qm::test::MemoryStream s;
    c->Save(&s);
    out << "controller " << c->GetKind() << " ";
    hex(s.bytes);
  }
  for (const CRawFileInfo* r : carved->GetCarvedFiles())
    out << "carved " << r->GetStartSector() << " " << r->GetLength() << " " << r->GetType() << "\n";
  std::vector<std::pair<CFileNode*, std::string>> stack{{root, ""}};
  while (!stack.empty()) {
    auto [node, path] = stack.back();
    stack.pop_back();
    const IFileProperties* p = node->GetProperties();
    out << "node " << path << " " << p->GetSize() << " " << p->GetAttributes() << " " << p->GetState()
        << "\n";
    for (CFileNode* child = node->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
      stack.emplace_back(child, path + "/" + child->GetProperties()->GetName());
  }
  return out.str();
}

struct Loaded {
  SearchControllerList controllers;
  std::unique_ptr<CRawFileCollection> carved;
  std::vector<CSearchedPartitionInfo*> partitions;
  VolumeList images;
  DeviceListItem* target = nullptr;
  CFileNode* root = nullptr;
  ~Loaded() {
    for (auto* p : partitions)
      delete p;
    if (root != nullptr) DeleteFileTree(root);
  }
};

void LoadState(const fs::path& file, Loaded& loaded) {
  CRSDataEx reader(CRSData::kReadMode);
  ASSERT_EQ(reader.Open(file.c_str(), 0), 1);
  ASSERT_EQ(reader.IsValid(), 1);
  ASSERT_EQ(LoadSearchControllerList(&reader, loaded.controllers), 1);
  loaded.carved = LoadCarvedFileList(&reader);
  ASSERT_NE(loaded.carved, nullptr);
  DistributeRawFileCollection(loaded.controllers, loaded.carved.get());
  ASSERT_EQ(LoadFileListState(loaded.partitions, &reader), 1);
  VolumeList noVolumes;
  loaded.target = CScanStateStore::LoadSearchRecord(&reader, noVolumes, loaded.images);
  ASSERT_NE(loaded.target, nullptr);
  loaded.root = ReadFileTreeSection(&reader, nullptr);
  ASSERT_NE(loaded.root, nullptr);
}

TEST(SavedScan, ACompleteSearchResumesInAnotherProcess) {
  qm::RegisterScanResultFactories();
  const fs::path folder = qm::ScratchPath("saved_scan");
  fs::remove_all(folder);
  fs::create_directories(folder);
  const fs::path disk = qm::MakeSparseImage("saved_scan.img", kDiskSectors * 512);
  std::map<std::string, std::vector<std::uint8_t>> fatFiles;
  for (int i = 0; i < 5; ++i) {
    const std::string path = "Docs" + std::to_string(i % 2) + "/item" + std::to_string(i) + ".bin";
    fatFiles[path] = qm::test::PatternBytes(1000 + 3000 * i, 10 + i);
    qm::test::WriteHostFile(folder / "source" / path, fatFiles[path]);
  }
  const std::string d = disk.string();
  const std::string command =
      "mkfs.fat -F 32 -s 1 -n SAVEDFAT --offset=" + std::to_string(kFatStart) + " " + d + " " +
      std::to_string(kFatSectors / 2) + " >/dev/null && cd " + (folder / "source").string() +
      " && MTOOLS_SKIP_CHECK=1 mcopy -s -Q -i " + d + "@@" + std::to_string(kFatStart * 512) +
      " * ::/ && mke2fs -F -q -t ext2 -b 1024 -E offset=" + std::to_string(kExtStart * 512) + " " + d + " " +
      std::to_string(kExtSectors / 2);
  if (qm::RunCommand(command) != 0) GTEST_SKIP() << "the disk tools failed";
  const auto original = qm::ReadFileBytes(disk);

  // The search and the tree of the FAT32 volume, as the wizard runs them.
  SearchControllerList controllers;
  BuildSearchControllerList(controllers);
  CRawFileCollection carved;
  DistributeRawFileCollection(controllers, &carved);
  CImageFileDevice device(disk.c_str());
  std::vector<CSearchedPartitionInfo*> partitions;
  ASSERT_EQ(RunIntelligentSearch(&device, controllers, partitions, nullptr), 1);
  std::vector<std::unique_ptr<CSearchedPartitionInfo>> owned(partitions.begin(), partitions.end());
  auto fat = std::find_if(partitions.begin(), partitions.end(), [](CSearchedPartitionInfo* p) {
    return p->GetStartSector() == kFatStart && p->GetFileSystemType() == kFsFat32;
  });
  ASSERT_NE(fat, partitions.end());
  CFileNode* root = BuildTreeOfFoundPartition(controllers, *fat, &device, 0, nullptr);
  ASSERT_NE(root, nullptr);
  qm::test::TreeRoot tree(root);

  DeviceListItem target;
  target.sourceFlag = 1;
  target.imagePath = disk.string();
  const fs::path state = folder / "cstemp.rdf";
  {
    CRSDataEx writer(CRSData::kWriteMode);
    ASSERT_EQ(writer.Open(state.c_str(), 1), 1);
    writer.SetFileKind(2);
    ASSERT_EQ(SaveSearchControllerList(&writer, controllers), 1);
    ASSERT_EQ(SaveCarvedFileList(&carved, &writer), 1);
    ASSERT_EQ(SaveFileListState(partitions, &writer), 1);
    ASSERT_EQ(CScanStateStore::SaveSearchRecord(target, &writer), 1);
    ASSERT_EQ(WriteFileTreeSection(root, &writer, nullptr), 1);
    writer.Close();
  }
  std::ofstream(folder / "digest.txt") << Digest(controllers, partitions, &carved, root);
  for (const auto& [path, content] : fatFiles)
    qm::test::WriteHostFile(folder / "expected" / path, content);

  // The same in this process first, then in a fresh one.
  Loaded again;
  LoadState(state, again);
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(Digest(again.controllers, again.partitions, again.carved.get(), again.root),
            qm::test::ReadTextFile(folder / "digest.txt"));

  qm::test::ExpectPassesInSecondProcess(kEnvFolder, folder, "SavedScan.SecondProcessResumes");
  EXPECT_TRUE(qm::ReadFileBytes(disk) == original); // nothing was written to the scanned image
}

// Runs only as the second process of the test above.
TEST(SavedScan, SecondProcessResumes) {
  const char* folderText = std::getenv(kEnvFolder);
  if (folderText == nullptr) GTEST_SKIP() << "run by SavedScan.ACompleteSearchResumesInAnotherProcess";
  qm::RegisterScanResultFactories();
  const fs::path folder = folderText;
  Loaded loaded;
  LoadState(folder / "cstemp.rdf", loaded);
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(Digest(loaded.controllers, loaded.partitions, loaded.carved.get(), loaded.root),
            qm::test::ReadTextFile(folder / "digest.txt"));
  IStorageDevice* device = loaded.target->device.get();
  ASSERT_NE(device, nullptr);
  auto fat = std::find_if(loaded.partitions.begin(), loaded.partitions.end(), [](CSearchedPartitionInfo* p) {
    return p->GetStartSector() == kFatStart && p->GetFileSystemType() == kFsFat32;
  });
  ASSERT_NE(fat, loaded.partitions.end());
  const auto recovered = qm::test::CopyOut(loaded.root, device, "saved_scan_recovered");
  std::size_t compared = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder / "expected")) {
    if (!entry.is_regular_file()) continue;
    const std::string path = fs::relative(entry.path(), folder / "expected").generic_string();
    const std::string found = qm::test::PathEndingWith(recovered, path);
    ASSERT_FALSE(found.empty()) << path;
    EXPECT_TRUE(recovered.at(found) == qm::ReadFileBytes(entry.path())) << path;
    ++compared;
  }
  EXPECT_EQ(compared, 5u);
}

} // namespace
