// A developer's tool for comparing this program's recoveries with other
// recovery tools on the same image: it runs one of the program's roads
// without any window and copies everything it finds into a folder, where
// the caller can hash the files against the originals.
//
//   peer_compare volume    <image> <out>  the deleted-file road: the volume's
//                                         own tree (live and deleted files)
//   peer_compare complete  <image> <out>  the complete search: every chosen
//                                         volume's tree, out/<n>_<start>/
//   peer_compare partition <image> <out>  the lost-partition search: every
//                                         found volume's tree
//   peer_compare raw       <image> <out>  carving only: the "Raw Files" tree
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "fatext2/boot_sector_classifiers.h"
#include "fatext2/ext2_tree_builder.h"
#include "fatext2/ext2_volume_analyze.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_tree_builder.h"
#include "fatext2/fat_volume_analyze.h"
#include "fatext2/partition_search_controllers.h"
#include "filemodel/dir_build_callback.h"
#include "filemodel/file_node.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "filemodel/raw_file_collection.h"
#include "ntfs/ntfs_tree_builder.h"
#include "ntfs/ntfs_volume_analyze.h"
#include "platform/log.h"
#include "raw/raw_tree_builder.h"
#include "raw/search_controllers.h"
#include "storage/app_settings.h"
#include "storage/image_file_device.h"
#include "storage/partition_search_callbacks.h"
#include "storage/partition_searcher.h"
#include "storage/searched_partition_info.h"
#include "storage/volume_analyzer.h"
#include "storage/volume_names.h"

namespace fs = std::filesystem;

namespace {

class QuietBuild : public IDIRBuildCallback {
public:
  int OnBegin(const char*, std::uint32_t) override { return 0; }
  int OnStep(std::uint32_t) override { return 0; }
  int OnPosition(std::uint32_t) override { return 0; }
  int OnEnd() override { return 0; }
  int Poll() override { return 0; }
};

class Finds : public IPartitionSearchCallback {
public:
  void PumpMessages() override {}
  void Step() override {}
  int IsCancelled() override { return 0; }
  void SetStep(std::uint64_t) override {}
  void Advance() override {}
  void SetRange(std::uint64_t, std::uint64_t) override {}
  void SetPos(std::uint64_t) override {}
  void OnSearchEnd() override {}
  void OnPartitionFound(const LostPartitionRecord* record) override { records.push_back(*record); }
  std::vector<LostPartitionRecord> records;
};

struct TreeDeleter {
  void operator()(CFileNode* root) const { DeleteFileTree(root); }
};
using Tree = std::unique_ptr<CFileNode, TreeDeleter>;

int CountFiles(CFileNode* root) {
  int files = 0;
  qm::ForEachInSubtree(root, [&](CFileNode* node) {
    const IFileProperties* p = node->GetProperties();
    if (node != root && p != nullptr && !p->IsFolder()) ++files;
  });
  return files;
}

// Checks the whole tree and saves it below out, as the save-files step does.
bool SaveTree(CFileNode* root, IStorageDevice* device, const fs::path& out) {
  if (root == nullptr) return false;
  auto* volume = static_cast<CFileSystemNode*>(root);
  volume->ToggleCheck(root, 0);
  std::uint64_t base = 0;
  std::uint32_t perCluster = 0;
  volume->GetVolumeGeometry(&base, &perCluster);
  fs::create_directories(out);
  qm::SaveContext context{nullptr, qm::DeviceForNode(device, root), base, perCluster};
  std::string created;
  const auto result = SaveCheckedTree(context, root, out.string(), &created);
  std::printf("saved %d files below %s (result %u)\n", CountFiles(root), created.c_str(),
              static_cast<unsigned>(result));
  return result == qm::kSaveDone;
}

// The tree the deleted-file road (FAT mode 0: deleted entries only) or the
// partition road (mode 1: every entry) builds for a volume of that type.
CFileNode* BuildVolumeTree(int type, IStorageDevice* device, int fatMode) {
  const AppSettings* settings = GetAppSettings();
  QuietBuild callback;
  switch (type) {
  case kFsNtfs:
    return CNtfsTreeBuilder().Start(0, device, &callback);
  case kFsFat12:
  case kFsFat16:
  case kFsFat32: {
    std::uint32_t flags = type == kFsFat32 ? 12 : 3;
    if (settings->bUseFirstFat != 0) flags += 192;
    if (settings->bUseSecondFat != 0) flags += 768;
    CFATSearchedPartitionInfo partition(static_cast<std::uint32_t>(device->GetSectorSize()));
    partition.AddFlags(flags);
    return CFatTreeBuilder().StartQuickBuild(&callback, partition, device, fatMode);
  }
  case kFsExt2:
  case kFsExt3:
    return CExt2LostPartitionTreeBuilder::Start(device->Get512ByteSectorDevice(), &callback, 2, false);
  default:
    return nullptr;
  }
}

int Volume(IStorageDevice* device, const fs::path& out) {
  CVolumeAnalyzerList analyzers;
  analyzers.Analyze(device, 0);
  const int type = analyzers.FindRecognized()->GetFileSystemType();
  std::printf("file system type %d\n", type);
  Tree root(BuildVolumeTree(type, device, 0));
  return SaveTree(root.get(), device, out) ? 0 : 1;
}

int Complete(IStorageDevice* device, const fs::path& out, bool rawOnly) {
  GetAppSettings()->bRawOnly = rawOnly ? 1 : 0;
  GetAppSettings()->bRecoverRaw = rawOnly ? 1 : 0;
  SearchControllerList list;
  BuildSearchControllerList(list);
  CRawFileCollection carved;
  DistributeRawFileCollection(list, &carved);
  std::vector<CSearchedPartitionInfo*> partitions;
  if (RunIntelligentSearch(device, list, partitions, nullptr) != 1) return 1;
  std::vector<std::unique_ptr<CSearchedPartitionInfo>> owned(partitions.begin(), partitions.end());
  int ordinal = 0;
  for (CSearchedPartitionInfo* p : partitions) {
    std::printf("candidate type %u start %llu sectors %llu weight %.3f chosen %u\n", p->GetFileSystemType(),
                static_cast<unsigned long long>(p->GetStartSector()),
                static_cast<unsigned long long>(p->GetSectorCount()), p->GetWeight(), p->GetChosen());
    if (p->GetChosen() != 1) continue;
    Tree root(BuildTreeOfFoundPartition(list, p, device, ordinal, nullptr));
    SaveTree(root.get(), device, out / (std::to_string(ordinal) + "_" + std::to_string(p->GetStartSector())));
    ++ordinal;
    GetAppSettings()->pTreeRoot = nullptr;
  }
  if (rawOnly) {
    QuietBuild callback;
    carved.GetIterator().First();
    std::printf("carved %zu files\n", carved.GetCarvedFiles().size());
    Tree tree(CRawTreeBuilder().BuildTree(device, &carved.GetIterator(), nullptr, &callback));
    SaveTree(tree.get(), device, out / "raw");
  }
  return 0;
}

int Partitions(IStorageDevice* disk, const fs::path& out) {
  CPartitionFATSearchController fat;
  CPartitionNTFSSearchController ntfs;
  CPartitionEXT2SearchController ext2;
  CPartitionSearcher searcher;
  searcher.SetDevice(disk);
  searcher.AddController(&fat);
  searcher.AddController(&ntfs);
  searcher.AddController(&ext2);
  searcher.BuildAlgorithms(255);
  Finds finds;
  searcher.Start(&finds);
  int n = 0;
  for (LostPartitionRecord& record : finds.records) {
    std::unique_ptr<IStorageDevice> window(record.partitionDevice);
    std::printf("found type %u start %llu sectors %llu label '%.*s'\n", record.fileSystemType,
                static_cast<unsigned long long>(record.startSector),
                static_cast<unsigned long long>(record.sectorCount),
                static_cast<int>(strnlen(record.volumeLabel, sizeof record.volumeLabel)), record.volumeLabel);
    if (!window) continue;
    Tree root(BuildVolumeTree(static_cast<int>(record.fileSystemType), window.get(), 1));
    SaveTree(root.get(), window.get(),
             out / (std::to_string(n++) + "_" + std::to_string(record.startSector)));
  }
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s volume|complete|partition|raw <image> <out>\n", argv[0]);
    return 2;
  }
  // The engines' log goes to the file PEER_LOG names, when set.
  if (const char* log = std::getenv("PEER_LOG")) InitLog(log, LOG_LEVEL_NORMAL, LOG_TYPE_STANDALONE);
  qm::RegisterNtfsVolumeAnalyzer();
  qm::RegisterFatVolumeAnalyzer();
  qm::RegisterExt2VolumeAnalyzer();
  qm::RegisterBootSectorClassifiers();
  const std::string mode = argv[1];
  CImageFileDevice device(argv[2]);
  const fs::path out = argv[3];
  fs::remove_all(out);
  fs::create_directories(out);
  if (mode == "volume") return Volume(&device, out);
  if (mode == "complete") return Complete(&device, out, false);
  if (mode == "raw") return Complete(&device, out, true);
  if (mode == "partition") return Partitions(&device, out);
  std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
  return 2;
}
