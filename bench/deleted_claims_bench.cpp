// What marking overwritten deleted files costs a tree build: the quick
// build of a FAT32 volume of 1,000,000 deleted files (1,000 folders of
// 1,000, one cluster each), against the pass over their clusters that the
// build ends with. Twice: files whose guessed clusters lie apart, and files
// whose entries claim two clusters each, so that every file shares one
// with its neighbour and the whole sweep runs over all of them.
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "fat32_volume_builder.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_shared_clusters.h"
#include "fatext2/fat_tree_builder.h"
#include "filemodel/file_node.h"
#include "filemodel/file_properties.h"
#include "filemodel/file_properties_base.h"
#include "filemodel/file_system_node.h"
#include "storage/image_file_device.h"

namespace {

constexpr std::uint32_t kFolders = 1000;
constexpr std::uint32_t kFilesPerFolder = 1000;
constexpr std::uint32_t kFiles = kFolders * kFilesPerFolder;
// Entries of a folder: 1000 files and the two dots, 16 to a sector.
constexpr std::uint32_t kFolderClusters = (kFilesPerFolder + 2 + 15) / 16;

// Processor time of the calling thread: on a machine shared with other
// work the wall time says more about the others.
double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Writes the volume: every file deleted (its entry's first byte 0xE5, its
// cluster free), each entry claiming claimedClusters clusters.
std::filesystem::path WriteVolume(std::uint32_t claimedClusters) {
  using Builder = qm::test::Fat32VolumeBuilder;
  Builder volume(kFiles + kFolders * kFolderClusters + 64, (kFolders + 15) / 16);
  for (std::uint32_t f = 0; f < kFolders; ++f) {
    const std::uint32_t folder =
        volume.AddFolder(Builder::kRootCluster, Builder::Name("D", f, ""), kFolderClusters);
    for (std::uint32_t i = 0; i < kFilesPerFolder; ++i) {
      const std::uint32_t cluster =
          volume.AddFile(folder, Builder::Name("F", i, "JPG"), 400, static_cast<std::uint8_t>(i));
      volume.SetFat(cluster, 0);
      std::uint8_t* entry = volume.Cluster(folder) + (2 + i) * 32u;
      entry[0] = 0xE5;
      qm::StoreLe32(entry + 0x1C, claimedClusters * Builder::kSectorBytes - 100);
    }
  }
  const auto path = std::filesystem::temp_directory_path() / "qm-bench-deleted-claims.img";
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(volume.Bytes().data()),
            static_cast<std::streamsize>(volume.Bytes().size()));
  return path;
}

int Measure(const char* title, std::uint32_t claimedClusters) {
  const auto path = WriteVolume(claimedClusters);
  CFATSearchedPartitionInfo partition;
  partition.SetFileSystemType(2);
  partition.SetFlags(qm::kFatFoundBoot32 | qm::kFatUseFirstFat | qm::kFatUseSecondFat);
  double build = 1e9;
  double pass = 1e9;
  std::uint64_t deleted = 0;
  std::uint64_t damaged = 0;
  for (int round = 0; round < 3; ++round) {
    CImageFileDevice device(path.c_str());
    device.Open();
    double start = ThreadCpuSeconds();
    CFatTreeBuilder builder;
    CFileSystemNode* root = builder.QuickBuild(nullptr, partition, &device, 1);
    build = std::min(build, ThreadCpuSeconds() - start);
    // The same pass once more over the finished tree: what it added to
    // the build. The volume has no damage of its own, so every mark is the
    // pass's; they are cleared first, so that it writes them again.
    qm::ForEachInSubtree(root, [](CFileNode* node) {
      if (auto* properties = dynamic_cast<CFilePropertiesBase*>(node->GetProperties()))
        properties->SetState(static_cast<std::uint8_t>(properties->GetState() & ~qm::kStateDamaged));
    });
    start = ThreadCpuSeconds();
    MarkFatOlderClaimants(root, qm::test::Fat32VolumeBuilder::kSectorBytes);
    pass = std::min(pass, ThreadCpuSeconds() - start);
    deleted = damaged = 0;
    qm::ForEachInSubtree(root, [&](CFileNode* node) {
      const IFileProperties* properties = node->GetProperties();
      if (properties == nullptr || properties->IsFolder() ||
          (properties->GetState() & qm::kStateDeleted) == 0)
        return;
      ++deleted;
      if ((properties->GetState() & qm::kStateDamaged) != 0) ++damaged;
    });
    DeleteFileTree(root);
  }
  std::filesystem::remove(path);
  std::printf(
      "%s: %llu deleted files (%llu marked), build %.0f ms of processor time, of which the pass %.1f ms: +%.1f%% on the "
      "build without it\n",
      title, static_cast<unsigned long long>(deleted), static_cast<unsigned long long>(damaged), build * 1000,
      pass * 1000, 100.0 * pass / (build - pass));
  return deleted == kFiles ? 0 : 1;
}

} // namespace

int main() {
  int failed = Measure("clusters apart", 1);
  failed |= Measure("every file sharing a cluster", 2);
  return failed;
}
