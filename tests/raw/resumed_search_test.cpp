// A complete search saved and resumed in another process, both ways the
// program keeps a search: the engines' controllers sweep a disk image
// holding an NTFS volume (mkntfs, ntfscp), a FAT32 volume (mkfs.fat,
// mtools) and pictures to carve (two in the FAT32 volume's free space, one
// between the volumes). The result is written once section by section (the
// NTFS tree) and once through the wizard's state-file services (the
// complete road's volume, scan and file steps with the FAT32 tree, which
// holds the carved pictures), then exported as a scan-result bundle. A
// second run of this program reads the sections, imports the bundle into a
// fresh state folder and restores the road from it; both get the same
// found partitions, carved files, controller states and trees (check
// states included) and recover the same files byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../fatext2/deep_scan_support.h"
#include "../ntfs/tree_build_support.h"
#include "filemodel/crs_data.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "filemodel/raw_file_collection.h"
#include "filemodel/scan_result_sections.h"
#include "filemodel/scan_state_store.h"
#include "filemodel/state_file_bundle.h"
#include "format_fixture.h"
#include "raw/recovery_states.h"
#include "raw/scan_result_factories.h"
#include "raw/search_controllers.h"
#include "recovery_steps.h"
#include "second_process.h"
#include "storage/image_file_device.h"
#include "storage/partition_device.h"
#include "storage/searched_partition_info.h"
#include "support/memory_stream.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kNtfsStart = 2048, kNtfsSectors = 40960;
constexpr std::uint64_t kFatStart = 45056, kFatSectors = 81920;
constexpr std::uint64_t kDiskSectors = 131072;
// Pictures in the FAT32 volume's free clusters and one between volumes.
struct Carved {
  const char* fixture;
  std::uint64_t sector;
  bool inFatVolume;
};
constexpr Carved kCarved[] = {{"media_picture.png", kFatStart + kFatSectors - 3000, true},
                              {"media_camera_II.jpg", kFatStart + kFatSectors - 1500, true},
                              {"media_camera_II.jpg", kFatStart + kFatSectors + 1000, false}};
constexpr const char* kEnvFolder = "QM_RESUMED_SEARCH_FOLDER";

void Hex(std::ostream& out, const std::vector<std::uint8_t>& bytes) {
  static const char* digits = "0123456789abcdef";
  for (auto b : bytes)
    out << digits[b >> 4] << digits[b & 15];
  out << "\n";
}

std::string DescribeTree(CFileNode* root) {
  std::ostringstream out;
  auto* volume = static_cast<CFileSystemNode*>(root);
  std::uint8_t summary[qm::SelectionSummary::kBytes];
  volume->Summary().ToBytes(summary);
  out << "summary ";
  Hex(out, std::vector<std::uint8_t>(summary, summary + sizeof summary));
  std::vector<std::pair<CFileNode*, std::string>> stack{{root, ""}};
  while (!stack.empty()) {
    auto [node, path] = stack.back();
    stack.pop_back();
    const IFileProperties* p = node->GetProperties();
    qm::FileTime written = 0;
    p->GetLastWriteTime(&written);
    out << "node " << path << " " << p->GetTypeCode() << " " << p->GetSize() << " " << p->GetAttributes()
        << " " << p->GetState() << " " << written << " check " << static_cast<int>(p->GetCheckState())
        << "\n";
    for (CFileNode* child = node->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
      stack.emplace_back(child, path + "/" + child->GetProperties()->GetName());
  }
  return out.str();
}

// The first folder below the root that has files: checking it shows the
// check states and the summary work alike on both trees.
CFileNode* FolderWithFiles(CFileNode* root) {
  for (CFileNode* child = root->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
    if (child->GetProperties()->IsFolder() && child->GetFirstChild() != nullptr) return child;
  return nullptr;
}

// Everything that must come back the same: the found partitions' and the
// controllers' saved records, the carved files, and the tree before and
// after one of its folders is checked.
std::string Digest(SearchControllerList& controllers, const std::vector<CSearchedPartitionInfo*>& partitions,
                   CRawFileCollection* carved, CFileNode* root) {
  std::ostringstream out;
  for (auto* p : partitions) {
    qm::test::MemoryStream s;
    p->Save(&s);
    out << "partition " << p->GetKind() << " ";
    Hex(out, s.bytes);
  }
  for (auto& c : controllers) {
    qm::test::MemoryStream s;
    c->Save(&s);
    out << "controller " << c->GetKind() << " ";
    Hex(out, s.bytes);
  }
  for (const CRawFileInfo* r : carved->GetCarvedFiles())
    out << "carved " << r->GetStartSector() << " " << r->GetLength() << " " << r->GetType() << " "
        << r->GetAnalyserType() << "\n";
  out << DescribeTree(root);
  CFileNode* folder = FolderWithFiles(root);
  if (folder != nullptr) {
    static_cast<CFileSystemNode*>(root)->ToggleCheck(folder, 0);
    out << "after checking " << folder->GetProperties()->GetName() << "\n" << DescribeTree(root);
    static_cast<CFileSystemNode*>(root)->ToggleCheck(folder, 0);
  }
  return out.str();
}

CSearchedPartitionInfo* FindPartition(const std::vector<CSearchedPartitionInfo*>& partitions,
                                      std::uint64_t start, std::uint32_t type) {
  auto it = std::find_if(partitions.begin(), partitions.end(), [&](CSearchedPartitionInfo* p) {
    return p->GetStartSector() == start && p->GetFileSystemType() == type;
  });
  return it == partitions.end() ? nullptr : *it;
}

// What one saved search holds once it is read back.
struct Scan {
  // The controllers go before the collection they were handed.
  std::unique_ptr<CRawFileCollection> carved;
  SearchControllerList controllers;
  std::vector<CSearchedPartitionInfo*> partitions;
  VolumeList images;
  DeviceListItem* target = nullptr;
  CFileNode* root = nullptr;
  Scan() = default;
  Scan(const Scan&) = delete;
  Scan& operator=(const Scan&) = delete;
  ~Scan() {
    for (auto* p : partitions)
      delete p;
    if (root != nullptr) DeleteFileTree(root);
  }
};

// The complete road's three kept steps over a scan: the chosen volume, the
// scan and the file selection.
struct CompleteRoad {
  explicit CompleteRoad(Scan& scan)
      : volume(
            qm::kStateCompleteVolume, qm::kSearchComplete,
            [&scan](IRSData* writer, IDIRBuildCallback*) {
              SetStateText(writer, ("Results for \r\nImage File \"" + scan.target->imagePath + "\"").c_str());
              return CScanStateStore::SaveSearchRecord(*scan.target, writer);
            },
            [&scan](IRSData* reader, IDIRBuildCallback*) {
              VolumeList noVolumes;
              scan.target = CScanStateStore::LoadSearchRecord(reader, noVolumes, scan.images);
              return scan.target != nullptr;
            }),
        search(
            qm::kStateCompleteScan, qm::kSearchComplete,
            [&scan](IRSData* writer, IDIRBuildCallback*) {
              return SaveScanState(writer, scan.controllers, scan.carved.get(), scan.partitions);
            },
            [&scan](IRSData* reader, IDIRBuildCallback*) {
              return LoadScanState(reader, scan.controllers, scan.carved, scan.partitions) == 1;
            }),
        files(
            qm::kStateFileSelection, qm::kSearchComplete,
            [&scan](IRSData* writer, IDIRBuildCallback* progress) {
              return WriteFileTreeSection(scan.root, writer, progress);
            },
            [&scan](IRSData* reader, IDIRBuildCallback* progress) {
              scan.root = ReadFileTreeSection(reader, progress);
              return scan.root != nullptr;
            }) {}
  IRecoveryStateHolder* Of(int type) {
    return type == qm::kStateCompleteVolume  ? &volume
           : type == qm::kStateCompleteScan  ? static_cast<IRecoveryStateHolder*>(&search)
           : type == qm::kStateFileSelection ? &files
                                             : nullptr;
  }
  qm::test::RecoveryStep volume, search, files;
};

// Each expected file must come out of the tree with its bytes.
void ExpectRecovered(const std::map<std::string, std::vector<std::uint8_t>>& recovered,
                     const fs::path& expected, std::size_t count) {
  std::size_t compared = 0;
  for (const auto& entry : fs::recursive_directory_iterator(expected)) {
    if (!entry.is_regular_file()) continue;
    const std::string path = fs::relative(entry.path(), expected).generic_string();
    const std::string found = qm::test::PathEndingWith(recovered, path);
    EXPECT_FALSE(found.empty()) << path;
    if (!found.empty()) {
      EXPECT_TRUE(recovered.at(found) == qm::ReadFileBytes(entry.path())) << path;
    }
    ++compared;
  }
  EXPECT_EQ(compared, count);
}

void ExpectCarvedRecovered(const std::map<std::string, std::vector<std::uint8_t>>& recovered) {
  for (const Carved& c : kCarved) {
    if (!c.inFatVolume) continue;
    const auto content = qm::ReadFormatFixture(c.fixture);
    const bool found = std::any_of(recovered.begin(), recovered.end(), [&](const auto& file) {
      return file.first.find("Raw Files") != std::string::npos && file.second == content;
    });
    EXPECT_TRUE(found) << c.fixture << " at " << c.sector;
  }
}

TEST(ResumedSearch, SavedBothWaysAndResumedInAnotherProcess) {
  qm::RegisterScanResultFactories();
  const fs::path folder = qm::ScratchPath("resumed_search");
  fs::remove_all(folder);
  fs::create_directories(folder / "state");
  const fs::path disk = qm::MakeSparseImage("resumed_search.img", kDiskSectors * 512);
  const std::string d = disk.string();
  std::string ntfsCopies;
  for (int i = 0; i < 3; ++i) {
    const std::string name = "paper" + std::to_string(i) + ".bin";
    const auto content = qm::test::PatternBytes(900 + 4100 * i, 40 + i);
    qm::test::WriteHostFile(folder / "source_ntfs" / name, content);
    qm::test::WriteHostFile(folder / "expected_ntfs" / name, content);
    ntfsCopies +=
        "ntfscp -q -f " + d + ".ntfs " + (folder / "source_ntfs" / name).string() + " /" + name + " && ";
  }
  for (int i = 0; i < 4; ++i) {
    const std::string path = "Docs" + std::to_string(i % 2) + "/item" + std::to_string(i) + ".bin";
    const auto content = qm::test::PatternBytes(1000 + 3000 * i, 10 + i);
    qm::test::WriteHostFile(folder / "source_fat" / path, content);
    qm::test::WriteHostFile(folder / "expected_fat" / path, content);
  }
  const std::string command =
      "truncate -s " + std::to_string(kNtfsSectors * 512) + " " + d + ".ntfs && mkntfs -q -F -f -s 512 -p " +
      std::to_string(kNtfsStart) + " -H 0 -S 0 -L SAVEDNTFS " + d + ".ntfs >/dev/null 2>&1 && " + ntfsCopies +
      "dd if=" + d + ".ntfs of=" + d + " bs=512 seek=" + std::to_string(kNtfsStart) +
      " conv=notrunc,sparse status=none && rm " + d +
      ".ntfs && mkfs.fat -F 32 -s 1 -n SAVEDFAT --offset=" + std::to_string(kFatStart) + " " + d + " " +
      std::to_string(kFatSectors / 2) + " >/dev/null && cd " + (folder / "source_fat").string() +
      " && MTOOLS_SKIP_CHECK=1 mcopy -s -Q -i " + d + "@@" + std::to_string(kFatStart * 512) + " * ::/";
  if (qm::RunCommand(command) != 0) GTEST_SKIP() << "the disk tools failed";
  {
    std::fstream image(disk, std::ios::in | std::ios::out | std::ios::binary);
    for (const Carved& c : kCarved) {
      const auto content = qm::ReadFormatFixture(c.fixture);
      image.seekp(static_cast<std::streamoff>(c.sector * 512));
      image.write(reinterpret_cast<const char*>(content.data()),
                  static_cast<std::streamsize>(content.size()));
    }
  }
  const auto original = qm::ReadFileBytes(disk);

  // The search and the two trees, as the wizard runs them.
  Scan scan;
  BuildSearchControllerList(scan.controllers);
  scan.carved = std::make_unique<CRawFileCollection>();
  DistributeRawFileCollection(scan.controllers, scan.carved.get());
  CImageFileDevice device(disk.c_str());
  ASSERT_EQ(RunIntelligentSearch(&device, scan.controllers, scan.partitions, nullptr), 1);
  for (const Carved& c : kCarved)
    EXPECT_NE(scan.carved->FindByStartSector(c.sector), nullptr) << c.fixture << " was not carved";
  CSearchedPartitionInfo* ntfs = FindPartition(scan.partitions, kNtfsStart, kFsNtfs);
  CSearchedPartitionInfo* fat = FindPartition(scan.partitions, kFatStart, kFsFat32);
  ASSERT_NE(ntfs, nullptr);
  ASSERT_NE(fat, nullptr);
  qm::test::TreeRoot ntfsTree(BuildTreeOfFoundPartition(scan.controllers, ntfs, &device, 0, nullptr));
  ASSERT_NE(ntfsTree, nullptr);
  scan.root = BuildTreeOfFoundPartition(scan.controllers, fat, &device, 1, nullptr);
  ASSERT_NE(scan.root, nullptr);
  // The file page counts a tree's files and check states once it has it;
  // a loaded tree comes counted.
  static_cast<CFileSystemNode*>(ntfsTree.get())->RefreshCheckStates();
  static_cast<CFileSystemNode*>(scan.root)->RefreshCheckStates();
  DeviceListItem target;
  target.sourceFlag = 1;
  target.imagePath = d;
  scan.target = &target;

  // Way one: every section by itself.
  CScanStateRecord diskRecord;
  diskRecord.SetKind(1);
  diskRecord.SetImagePath(d);
  LostPartitionRecord window;
  window.startSector = kNtfsStart;
  window.sectorCount = kNtfsSectors;
  window.fileSystemType = kFsNtfs;
  std::snprintf(window.volumeLabel, sizeof window.volumeLabel, "SAVEDNTFS");
  CBasicPartitionDevice windowDevice(&device, kNtfsStart, kNtfsSectors);
  window.partitionDevice = &windowDevice;
  {
    CRSDataEx writer(CRSData::kWriteMode);
    ASSERT_EQ(writer.Open((folder / "sections.rdf").c_str(), 1), 1);
    writer.SetFileKind(2);
    ASSERT_EQ(SaveSearchControllerList(&writer, scan.controllers), 1);
    ASSERT_EQ(SaveCarvedFileList(scan.carved.get(), &writer), 1);
    ASSERT_EQ(SaveFileListState(scan.partitions, &writer), 1);
    ASSERT_EQ(CScanStateStore::SaveSearchRecord(target, &writer), 1);
    ASSERT_EQ(CScanStateStore::SaveRecord(diskRecord, &writer), 1);
    ASSERT_EQ(WritePartitionListSection({&window}, 0, &writer), 1);
    ASSERT_EQ(WriteFileTreeSection(ntfsTree.get(), &writer, nullptr), 1);
    writer.Close();
  }
  std::ofstream(folder / "digest_sections.txt")
      << Digest(scan.controllers, scan.partitions, scan.carved.get(), ntfsTree.get());

  // Way two: the complete road's steps through the state-file services,
  // committed as the wizard does and exported as a bundle.
  qm::SetRecoveryStateFolder(folder / "state");
  CompleteRoad road(scan);
  road.search.SetPreviousStateHolder(&road.volume);
  road.files.SetPreviousStateHolder(&road.search);
  qm::test::RecordingCallback progress;
  ASSERT_EQ(SaveRecoveryStates(&road.files, &progress), 1);
  EXPECT_FALSE(progress.positions.empty());
  fs::rename(qm::TempStateFilePath(qm::kSearchComplete), qm::LastStateFilePath(qm::kSearchComplete));
  const fs::path bundle = folder / qm::MakeScanResultFileName(std::tm{}, "");
  ASSERT_EQ(CStateFile(1, {}, folder / "state").Save(bundle.c_str()), 1);
  std::ofstream(folder / "bundle.txt") << bundle.string();
  std::ofstream(folder / "digest_services.txt")
      << Digest(scan.controllers, scan.partitions, scan.carved.get(), scan.root);
  qm::SetRecoveryStateFolder({});

  qm::test::ExpectPassesInSecondProcess(kEnvFolder, folder, "ResumedSearch.SecondProcess");
  EXPECT_TRUE(qm::ReadFileBytes(disk) == original); // nothing was written to the scanned image
}

// Runs only as the second process of the test above.
TEST(ResumedSearch, SecondProcess) {
  const char* folderText = std::getenv(kEnvFolder);
  if (folderText == nullptr) GTEST_SKIP() << "run by ResumedSearch.SavedBothWaysAndResumedInAnotherProcess";
  qm::RegisterScanResultFactories();
  const fs::path folder = folderText;

  {
    SCOPED_TRACE("sections");
    Scan loaded;
    CRSDataEx reader(CRSData::kReadMode);
    ASSERT_EQ(reader.Open((folder / "sections.rdf").c_str(), 0), 1);
    ASSERT_EQ(reader.IsValid(), 1);
    ASSERT_EQ(LoadSearchControllerList(&reader, loaded.controllers), 1);
    loaded.carved = LoadCarvedFileList(&reader);
    ASSERT_NE(loaded.carved, nullptr);
    DistributeRawFileCollection(loaded.controllers, loaded.carved.get());
    ASSERT_EQ(LoadFileListState(loaded.partitions, &reader), 1);
    VolumeList noVolumes;
    loaded.target = CScanStateStore::LoadSearchRecord(&reader, noVolumes, loaded.images);
    ASSERT_NE(loaded.target, nullptr);
    std::vector<std::unique_ptr<CScanStateRecord>> disks, images;
    CScanStateRecord* diskRecord = CScanStateStore::LoadRecords(&reader, disks, images);
    ASSERT_NE(diskRecord, nullptr);
    ASSERT_NE(diskRecord->device, nullptr);
    EXPECT_EQ(diskRecord->device->GetSectorCount(), kDiskSectors);
    qm::PartitionWindowList windows;
    int selected = -1;
    ASSERT_EQ(ReadPartitionListSection(windows, &selected, loaded.target->device.get(), &reader), 1);
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(windows[0].record.startSector, kNtfsStart);
    EXPECT_EQ(windows[0].record.fileSystemType, static_cast<std::uint32_t>(kFsNtfs));
    EXPECT_STREQ(windows[0].record.volumeLabel, "SAVEDNTFS");
    EXPECT_EQ(windows[0].window->GetSectorCount(), kNtfsSectors);
    loaded.root = ReadFileTreeSection(&reader, nullptr);
    ASSERT_NE(loaded.root, nullptr);
    EXPECT_EQ(Digest(loaded.controllers, loaded.partitions, loaded.carved.get(), loaded.root),
              qm::test::ReadTextFile(folder / "digest_sections.txt"));
    const auto recovered = qm::test::CopyOut(loaded.root, loaded.target->device.get(), "resumed_ntfs_out");
    ExpectRecovered(recovered, folder / "expected_ntfs", 3);
  }

  {
    SCOPED_TRACE("state-file services over an imported bundle");
    const fs::path fresh = folder / "fresh_state";
    fs::remove_all(fresh);
    fs::create_directories(fresh);
    ASSERT_EQ(CStateFile(0, {}, fresh).Load(qm::test::ReadTextFile(folder / "bundle.txt").c_str()), 1);
    qm::SetRecoveryStateFolder(fresh);
    Scan loaded;
    CompleteRoad road(loaded);
    qm::test::RecordingCallback progress;
    IRecoveryStateHolder* last = RestoreRecoveryStates(
        &road.volume, [&road](int type) { return road.Of(type); }, &progress);
    qm::SetRecoveryStateFolder({});
    ASSERT_EQ(last, &road.files);
    EXPECT_EQ(road.files.GetPreviousStateHolder(), &road.search);
    EXPECT_EQ(road.search.GetPreviousStateHolder(), &road.volume);
    EXPECT_EQ(road.volume.loads + road.search.loads + road.files.loads, 3);
    EXPECT_TRUE(fs::exists(fresh / "cstemp.rdf")); // the resumed road writes on from what it resumed
    ASSERT_NE(loaded.root, nullptr);
    ASSERT_NE(loaded.target, nullptr);
    EXPECT_EQ(Digest(loaded.controllers, loaded.partitions, loaded.carved.get(), loaded.root),
              qm::test::ReadTextFile(folder / "digest_services.txt"));
    // The resumed controllers and carved files build the same tree again
    // from the saved search alone.
    CSearchedPartitionInfo* fat = FindPartition(loaded.partitions, kFatStart, kFsFat32);
    ASSERT_NE(fat, nullptr);
    IStorageDevice* device = loaded.target->device.get();
    qm::test::TreeRoot rebuilt(BuildTreeOfFoundPartition(loaded.controllers, fat, device, 1, nullptr));
    ASSERT_NE(rebuilt, nullptr);
    static_cast<CFileSystemNode*>(rebuilt.get())->RefreshCheckStates();
    EXPECT_EQ(DescribeTree(rebuilt.get()), DescribeTree(loaded.root));
    const auto recovered = qm::test::CopyOut(loaded.root, device, "resumed_fat_out");
    ExpectRecovered(recovered, folder / "expected_fat", 4);
    ExpectCarvedRecovered(recovered);
  }
}

} // namespace
