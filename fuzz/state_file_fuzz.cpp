// A whole state file over arbitrary bytes, read back the way a resumed
// road reads it: the stage, the list of kept steps and every step's
// sections (the chosen volume and disk, the found-partition windows, the
// scan's controllers, carved files and found partitions, the file tree).
// Every read ends in a restored road or a clean failure, frees what it had
// built, never opens a file named by the input and never writes anywhere
// but the temporary state file of its own folder.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "filemodel/file_node.h"
#include "filemodel/raw_file_collection.h"
#include "filemodel/scan_result_sections.h"
#include "filemodel/scan_state_store.h"
#include "raw/recovery_states.h"
#include "raw/recovery_steps.h"
#include "raw/scan_result_factories.h"
#include "storage/searched_partition_info.h"
#include "support/memory_device.h"

namespace {

// What the steps read, freed after each input.
struct Loaded {
  VolumeList volumes, images;
  std::vector<std::unique_ptr<CScanStateRecord>> disks, imageRecords;
  qm::PartitionWindowList windows;
  // The controllers go before the collection they were handed.
  std::unique_ptr<CRawFileCollection> carved;
  SearchControllerList controllers;
  std::vector<CSearchedPartitionInfo*> partitions;
  CFileNode* root = nullptr;
  ~Loaded() {
    for (auto* p : partitions)
      delete p;
    if (root != nullptr) DeleteFileTree(root);
  }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path folder = [] {
    qm::RegisterScanResultFactories();
    CScanStateStore::SetImageOpener({}); // never open files named by the input
    auto path = std::filesystem::temp_directory_path() / ("qm_state_file_fuzz_" + std::to_string(getpid()));
    std::filesystem::create_directories(path);
    qm::SetRecoveryStateFolder(path);
    return path;
  }();
  static qm::MemoryDevice disk(std::uint64_t{4096}, 512);
  if (FILE* file = std::fopen(qm::LastStateFilePath(qm::kSearchLostPartition).c_str(), "wb")) {
    if (size != 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
  } else {
    return 0;
  }
  Loaded loaded;
  using qm::test::RecoveryStep;
  const int road = qm::kSearchLostPartition;
  RecoveryStep volume(qm::kStateCompleteVolume, road, nullptr, [&](IRSData* r, IDIRBuildCallback*) {
    CScanStateStore::LoadSearchRecord(r, loaded.volumes, loaded.images);
    return true; // no device is ever found again here: read on regardless
  });
  RecoveryStep diskStep(qm::kStateLostDisk, road, nullptr, [&](IRSData* r, IDIRBuildCallback*) {
    CScanStateStore::LoadRecords(r, loaded.disks, loaded.imageRecords);
    return true;
  });
  RecoveryStep found(qm::kStateFoundPartitions, road, nullptr, [&](IRSData* r, IDIRBuildCallback*) {
    int selected = -1;
    return ReadPartitionListSection(loaded.windows, &selected, &disk, r) == 1;
  });
  // Each scan step keeps its own controllers and the collection they were
  // handed.
  Loaded completeLoaded;
  auto loadScan = [](Loaded& into) {
    return [&into](IRSData* r, IDIRBuildCallback*) {
      return LoadScanState(r, into.controllers, into.carved, into.partitions) == 1;
    };
  };
  RecoveryStep completeScan(qm::kStateCompleteScan, road, nullptr, loadScan(completeLoaded));
  RecoveryStep lostScan(qm::kStateLostScan, road, nullptr, loadScan(loaded));
  RecoveryStep files(qm::kStateFileSelection, road, nullptr, [&](IRSData* r, IDIRBuildCallback*) {
    if (loaded.root != nullptr) return false;
    loaded.root = ReadFileTreeSection(r, nullptr);
    return loaded.root != nullptr;
  });
  IRecoveryStateHolder* steps[] = {&volume, &completeScan, &diskStep, &found, &lostScan, &files};
  RestoreRecoveryStates(
      &diskStep, [&](int type) { return type >= 0 && type < 6 ? steps[type] : nullptr; }, nullptr);
  return 0;
}
