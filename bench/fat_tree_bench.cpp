// The quick build of a FAT32 volume holding 100,000 files in 100 folders
// (each file one cluster), read from an image file as a disk would be:
// files per second over the whole build, boot sector to finished tree.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "fat32_volume_builder.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_tree_builder.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "storage/image_file_device.h"

int main() {
  constexpr std::uint32_t kFolders = 100;
  constexpr std::uint32_t kFilesPerFolder = 1000;
  constexpr std::uint32_t kFiles = kFolders * kFilesPerFolder;
  // Entries of a folder: 1000 files and the two dots, 16 to a sector.
  constexpr std::uint32_t kFolderClusters = (kFilesPerFolder + 2 + 15) / 16;

  qm::test::Fat32VolumeBuilder volume(kFiles + kFolders * kFolderClusters + 64, (kFolders + 15) / 16);
  for (std::uint32_t f = 0; f < kFolders; ++f) {
    const std::uint32_t folder =
        volume.AddFolder(qm::test::Fat32VolumeBuilder::kRootCluster, qm::test::Fat32VolumeBuilder::Name("D", f, ""),
                         kFolderClusters);
    for (std::uint32_t i = 0; i < kFilesPerFolder; ++i)
      volume.AddFile(folder, qm::test::Fat32VolumeBuilder::Name("F", i, "JPG"), 400, static_cast<std::uint8_t>(i));
  }
  const auto path = std::filesystem::temp_directory_path() / "qm-bench-fat-tree.img";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(volume.Bytes().data()), static_cast<std::streamsize>(volume.Bytes().size()));
  }

  CFATSearchedPartitionInfo partition;
  partition.SetFileSystemType(2);
  partition.SetFlags(qm::kFatFoundBoot32 | qm::kFatUseFirstFat | qm::kFatUseSecondFat);
  double best = 1e9;
  std::uint64_t nodes = 0;
  for (int round = 0; round < 5; ++round) {
    CImageFileDevice device(path.c_str());
    device.Open();
    const auto start = std::chrono::steady_clock::now();
    CFatTreeBuilder builder;
    CFileSystemNode* root = builder.QuickBuild(nullptr, partition, &device, 1);
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    nodes = 0;
    qm::ForEachInSubtree(root, [&](CFileNode*) { ++nodes; });
    DeleteFileTree(root);
  }
  std::printf("%-34s %12.0f files/s   (%llu nodes, %.1f ms)\n", "FAT32 quick build, 100,000 files",
              kFiles / best, static_cast<unsigned long long>(nodes), best * 1000);
  std::filesystem::remove(path);
  return nodes == kFiles + kFolders + 1 ? 0 : 1;
}
