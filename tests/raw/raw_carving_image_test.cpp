// The carving controller in the intelligent search over an image made of
// real files of 37 types: every file is found at its first sector with its
// type, and the files of the RAW tree, saved by the recovery output, equal
// the originals wherever the format gives a length. The files are laid
// twice: after the first two blocks (measured during the sweep, 20 blocks
// later) and in the last block (measured by the tree build).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "carving_image.h"
#include "filemodel/data_run_list.h"
#include "filemodel/file_node.h"
#include "filemodel/file_properties.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "filemodel/raw_file_collection.h"
#include "ntfs/tree_build_support.h"
#include "raw/raw_search_controller.h"
#include "raw/raw_search_type_list.h"
#include "raw/raw_tree_builder.h"
#include "raw/search_controllers.h"
#include "storage/app_settings.h"
#include "storage/image_file_device.h"
#include "storage/searched_partition_info.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace {

// A sweep refills the process-wide analyser list from the settings; the
// other tests expect the list every process starts with.
struct DefaultAnalysersAfterwards {
  ~DefaultAnalysersAfterwards() {
    RawSearchTypeList& list = RawSearchTypeList::Get();
    list.Clear();
    RegisterRawAnalysersA(list.Analysers());
  }
};

constexpr std::uint64_t kBlock = 4u << 20;
constexpr std::uint64_t kBlocks = 24; // more than the ring's 20
constexpr std::uint64_t kImageBytes = kBlocks * kBlock;

struct Sweep {
  CRawFileCollection collection;
  std::map<std::uint64_t, CRawFileInfo*> byStart;
};

// The whole road of a carving-only scan: the controller list, the
// collection handed out, the intelligent search over the device.
void RunCarving(IStorageDevice& device, Sweep& sweep, bool plainLoop = false) {
  SearchControllerList list;
  list.push_back(CreateSearchController(kRawSearchController));
  ASSERT_NE(list.back(), nullptr);
  ASSERT_EQ(list.back()->GetKind(), kRawSearchController);
  static_cast<CRAWSearchController*>(list.back().get())->SetPlainLoop(plainLoop);
  DistributeRawFileCollection(list, &sweep.collection);
  std::vector<CSearchedPartitionInfo*> partitions;
  ASSERT_EQ(RunIntelligentSearch(&device, list, partitions, nullptr), 1);
  EXPECT_TRUE(partitions.empty()); // carving finds no partitions
  for (CRawFileInfo* record : sweep.collection.GetCarvedFiles())
    sweep.byStart.emplace(record->GetStartSector(), record);
}

void ExpectEveryFileFoundAndRecovered(IStorageDevice& device, const qm::test::CarvingImage& image,
                                      const std::string& scratch) {
  DefaultAnalysersAfterwards restore;
  Sweep sweep;
  RunCarving(device, sweep);
  for (const auto& placed : image.placed) {
    SCOPED_TRACE(std::string(placed.file->name) + " at sector " + std::to_string(placed.startSector));
    ASSERT_EQ(sweep.byStart.count(placed.startSector), 1u);
  }

  qm::test::RecordingCallback callback;
  CRawTreeBuilder builder;
  CFileNode* root = builder.Start(&device, &sweep.collection.GetIterator(), nullptr, &callback, 0);
  ASSERT_NE(root, nullptr);
  ASSERT_TRUE(root->IsFileSystemNode());
  static_cast<CFileSystemNode*>(root)->ToggleCheck(root, 0);
  const fs::path target = qm::ScratchPath(scratch);
  fs::remove_all(target);
  qm::SaveContext context{nullptr, &device};
  std::string created;
  ASSERT_EQ(SaveCheckedTree(context, root, target.string(), &created), qm::kSaveDone);

  std::map<std::uint64_t, std::string> pathByStart;
  for (const auto& [path, node] : qm::test::CollectPaths(root).byPath) {
    if (node->GetProperties()->IsFolder()) continue;
    std::unique_ptr<IDataRunList> runs(node->GetProperties()->GetDataRunList());
    if (runs && !runs->Runs().empty()) pathByStart.emplace(runs->Runs().front().start, path);
  }
  std::size_t compared = 0;
  for (const auto& placed : image.placed) {
    SCOPED_TRACE(std::string(placed.file->name) + " at sector " + std::to_string(placed.startSector));
    const auto path = pathByStart.find(placed.startSector);
    ASSERT_NE(path, pathByStart.end());
    // The type is final once the file was measured (an OLE or ZIP file
    // learns there that it is a DOC or an XLSX): the tree names it.
    const std::string extension = std::string(".") + RawTypeNames::Get(placed.file->type);
    EXPECT_EQ(path->second.substr(path->second.size() - std::min(path->second.size(), extension.size())),
              extension);
    if (!placed.file->exactLength) continue;
    const auto saved = qm::ReadFileBytes(fs::path(created) / fs::u8path(path->second));
    EXPECT_EQ(saved.size(), placed.content.size());
    EXPECT_TRUE(saved == placed.content);
    ++compared;
  }
  EXPECT_GE(compared, 2u * 25u);
  DeleteFileTree(root);
  fs::remove_all(target);
}

TEST(RawCarvingImage, EveryFileFoundAtItsStartAndSavedByteForByte) {
  const auto image = qm::test::MakeCarvingImage(kImageBytes, 512, 2 * kBlock, kImageBytes - kBlock);
  std::set<int> types;
  for (const auto& placed : image.placed)
    types.insert(placed.file->type);
  EXPECT_GE(types.size(), 25u);
  // Read from an image file, which must come out of the scan unchanged.
  const fs::path path = qm::MakeSparseImage("raw_carving.img", 0);
  qm::WriteFileBytes(path, 0, image.bytes);
  const auto time = fs::last_write_time(path);
  {
    CImageFileDevice device(path.c_str());
    ASSERT_EQ(device.Open(), 1);
    ExpectEveryFileFoundAndRecovered(device, image, "raw_carving_512");
  }
  EXPECT_TRUE(qm::ReadFileBytes(path) == image.bytes);
  EXPECT_EQ(fs::last_write_time(path), time);
  fs::remove(path);
}

TEST(RawCarvingImage, DevicesOf4096ByteSectors) {
  const auto image = qm::test::MakeCarvingImage(kImageBytes, 4096, 2 * kBlock, kImageBytes - kBlock);
  qm::MemoryDevice device(image.bytes, 4096);
  ExpectEveryFileFoundAndRecovered(device, image, "raw_carving_4096");
}

TEST(RawCarvingImage, AFailingBlockKeepsTheFilesAfterItMeasuredRight) {
  // Block 1 cannot be read; the files lie after it and are measured while
  // the ring holds the failed block's place.
  const auto image = qm::test::MakeCarvingImage(kImageBytes, 512, 2 * kBlock, kImageBytes - kBlock);
  qm::MemoryDevice device(image.bytes, 512);
  device.AddFailingRange(kBlock / 512, 2 * kBlock / 512);
  ExpectEveryFileFoundAndRecovered(device, image, "raw_carving_failing");
}

TEST(RawCarvingImage, TheDispatchFindsExactlyTheRecordsOfThePlainLoop) {
  const auto image = qm::test::MakeCarvingImage(kImageBytes, 512, 2 * kBlock, kImageBytes - kBlock);
  qm::MemoryDevice device(image.bytes, 512);
  DefaultAnalysersAfterwards restore;
  Sweep fast, plain;
  RunCarving(device, fast, false);
  RunCarving(device, plain, true);
  ASSERT_EQ(fast.byStart.size(), plain.byStart.size());
  for (auto a = fast.byStart.begin(), b = plain.byStart.begin(); a != fast.byStart.end(); ++a, ++b) {
    EXPECT_EQ(a->first, b->first);
    EXPECT_EQ(a->second->GetType(), b->second->GetType());
    EXPECT_EQ(a->second->GetLength(), b->second->GetLength());
    EXPECT_EQ(a->second->GetAnalyserType(), b->second->GetAnalyserType());
  }
}

} // namespace
