// The complete build over the real FAT32 volume, from the directory sectors
// a sweep of the image finds (as the deep scan remembers them): with the
// boot sector known it gives what the quick build gives; without it the
// folders come back under made-up names, the root's files as a lost
// cluster, and folders whose parents are unknown under "Lost Folders".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fat_fixture.h"
#include "fatext2/fat_boot_sector.h"
#include "fatext2/fat_dir_sector_scanner.h"
#include "fatext2/fat_file_properties.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_tree_builder.h"
#include "filemodel/file_system_node.h"
#include "ntfs/tree_build_support.h"
#include "support/memory_device.h"
#include "support/scratch_files.h"

namespace {

using qm::test::GetFatFixture;

struct Volume {
  std::vector<std::uint8_t> bytes;
  CFATSearchedPartitionInfo partition;
  qm::FatDirCandidateMap candidates;
};

// A fixture volume as the deep scan would report it.
Volume FixtureVolume(int type) {
  Volume v;
  v.bytes = qm::ReadFileBytes(GetFatFixture(type).image);
  const CFATDBR dbr(qm::ByteView(v.bytes.data(), 512), 512);
  const std::uint32_t rootSectors = dbr.GetRootEntryCount() * 32 / 512;
  const std::uint64_t dataStart = dbr.GetReservedSectors() + 2 * std::uint64_t{dbr.GetSectorsPerFat()} + rootSectors;
  v.partition.SetFileSystemType(static_cast<std::uint32_t>(type));
  v.partition.SetStartSector(0);
  v.partition.SetSectorCount(dbr.GetTotalSectors());
  v.partition.SetSectorsPerCluster(static_cast<std::uint8_t>(dbr.GetSectorsPerCluster()));
  v.partition.SetClusterZeroSector(dataStart);
  v.partition.SetReservedSectors(static_cast<std::uint16_t>(dbr.GetReservedSectors()));
  v.partition.SetSectorsPerFat(dbr.GetSectorsPerFat());
  v.partition.SetRootValue(type == kFatType32 ? dbr.GetRootCluster() : rootSectors);
  v.partition.SetFlags(qm::kFatFoundBoot32 | qm::kFatUseFirstFat | qm::kFatUseSecondFat | qm::kFatFoundDirectory);
  CFatDirSectorScanner scanner;
  for (std::uint64_t sector = dataStart - rootSectors; (sector + 1) * 512 <= v.bytes.size(); ++sector) {
    if (!scanner.Analyze(qm::ByteView(v.bytes.data() + sector * 512, 512))) continue;
    qm::FatDirCandidate candidate;
    if (scanner.GetKind() == CFatDirSectorScanner::kDirectoryStart)
      candidate = {scanner.GetDotCluster(), scanner.GetDotDotCluster()};
    v.candidates.emplace(sector, candidate);
  }
  return v;
}

Volume Fat32Volume() { return FixtureVolume(kFatType32); }

CFileSystemNode* Build(Volume& v, IDIRBuildCallback* callback = nullptr) {
  qm::MemoryDevice device(v.bytes);
  CFatTreeBuilder builder;
  return builder.StartCompleteBuild(callback, v.candidates, v.partition, nullptr, &device, 0);
}

// The first path that ends with tail, or "".
std::string PathEndingWith(const qm::test::TreePaths& paths, const std::string& tail) {
  for (const auto& [path, node] : paths.byPath)
    if (path.size() >= tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0) return path;
  return "";
}

TEST(FatCompleteBuild, WithTheBootSectorKnownEveryFileIsAtItsPath) {
  Volume v = Fat32Volume();
  qm::test::RecordingCallback callback;
  CFileSystemNode* root = Build(v, &callback);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(callback.titles,
            (std::vector<std::string>{"Reading partition parameters...", "Building normal files...",
                                      "Building layout...", "Building lost files...", "Fixing directories..."}));
  const auto paths = qm::test::CollectPaths(root);
  std::size_t expected = 0;
  for (const auto& file : GetFatFixture(kFatType32).files) {
    std::string path = file.path.substr(1);
    if (file.deleted) path[0] = '#';
    EXPECT_EQ(paths.byPath.count(path), 1u) << path;
    ++expected;
  }
  // Nothing lost, nothing twice.
  // Nothing twice, and nothing else outside "Lost Folders" (where sectors
  // of file data that merely look like directory entries end up).
  std::size_t lost = 0;
  for (const auto& [path, node] : paths.byPath)
    if (path.rfind("Lost Folders", 0) == 0) ++lost;
  EXPECT_EQ(paths.nodes - lost, expected);
  EXPECT_EQ(paths.duplicates, 0u);
  DeleteFileTree(root);
}

TEST(FatCompleteBuild, WithoutTheBootSectorTheRootComesBackAsALostClusterThatNamesItsFolders) {
  Volume v = Fat32Volume();
  v.partition.SetFlags(qm::kFatFoundDirectory | qm::kFatUseFirstFat | qm::kFatUseSecondFat);
  CFileSystemNode* root = Build(v);
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  // The root's own cluster is found as a lost directory cluster; its files
  // come back there.
  const std::string readme = PathEndingWith(paths, "/readme.txt");
  EXPECT_EQ(readme.rfind("Lost Folders/DIR", 0), 0u) << readme;
  // Docs, first made up from its own sectors (its parent cluster 0 puts it
  // at the root), took its name from the entry in that lost cluster.
  const std::string deep = "Docs/Deep Folder/ünïcödé naïve.bin";
  ASSERT_EQ(paths.byPath.count(deep), 1u);
  EXPECT_EQ(paths.byPath.at(deep)->GetProperties()->GetSize(), 1500u);
  EXPECT_EQ(PathEndingWith(paths, "/Deep Folder"), "Docs/Deep Folder");
  DeleteFileTree(root);
}

TEST(FatCompleteBuild, AFat16RootFoundByItsSectorsKeepsItsNamesWithoutTheBootSector) {
  Volume v = FixtureVolume(kFatType16);
  v.partition.SetFlags(qm::kFatFoundDirectory | qm::kFatUseFirstFat | qm::kFatUseSecondFat);
  CFileSystemNode* root = Build(v);
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  for (const char* path : {"readme.txt", "A long file name with spaces and more.text", "Docs/Deep Folder/ünïcödé naïve.bin",
                           "Docs/Many/file number 39.txt", "frag.bin"})
    EXPECT_EQ(paths.byPath.count(path), 1u) << path;
  DeleteFileTree(root);
}

TEST(FatCompleteBuild, FoldersNamingEachOtherAsParentStayReachable) {
  Volume v = Fat32Volume();
  v.partition.SetFlags(qm::kFatFoundDirectory | qm::kFatUseFirstFat | qm::kFatUseSecondFat);
  // Forget where Docs starts, so its two subfolders are known only by
  // their own first sectors; then make each name the other as its parent.
  const auto& fixture = GetFatFixture(kFatType32);
  const std::uint32_t docs = fixture.Find("/Docs")->chain.front();
  const std::uint32_t deep = fixture.Find("/Docs/Deep Folder")->chain.front();
  const std::uint32_t many = fixture.Find("/Docs/Many")->chain.front();
  std::erase_if(v.candidates, [&](const auto& c) { return c.second.firstCluster == docs; });
  for (auto& [sector, candidate] : v.candidates) {
    if (candidate.firstCluster == deep) candidate.parentCluster = many;
    if (candidate.firstCluster == many) candidate.parentCluster = deep;
  }
  CFileSystemNode* root = Build(v);
  ASSERT_NE(root, nullptr);
  const auto paths = qm::test::CollectPaths(root);
  EXPECT_EQ(PathEndingWith(paths, "/ünïcödé naïve.bin").rfind("Lost Folders/", 0), 0u);
  EXPECT_EQ(PathEndingWith(paths, "/file number 39.txt").rfind("Lost Folders/", 0), 0u);
  DeleteFileTree(root);
}

TEST(FatCompleteBuild, CancelLeavesNoTree) {
  Volume v = Fat32Volume();
  for (long at : {0L, 4L, 8L, 20L}) {
    qm::test::RecordingCallback cancelling(at);
    EXPECT_EQ(Build(v, &cancelling), nullptr) << at;
  }
}

} // namespace
