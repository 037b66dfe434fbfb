// The EXT2 tree build over a volume with 40,000 files in 200 folders (and
// 1,000 removed ones that only the inode walk finds), made at bench time
// with mke2fs and debugfs. Prints files per second beside the bare inode
// walk over the same tables in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fatext2/ext2_collector.h"
#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_inode.h"
#include "fatext2/ext2_inode_table_cursor.h"
#include "fatext2/ext2_tree_builder.h"
#include "filemodel/file_node.h"
#include "storage/image_file_device.h"

namespace {

constexpr int kFolders = 200;
constexpr int kFilesPerFolder = 200;
constexpr int kRemoved = 1000;

template <typename Fn> double Seconds(Fn&& fn) {
  const auto start = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::filesystem::path MakeVolume() {
  const char* dir = std::getenv("QM_BENCH_DIR");
  const std::filesystem::path folder =
      dir != nullptr ? dir : std::filesystem::temp_directory_path() / "qm-bench";
  std::filesystem::create_directories(folder);
  const auto image = folder / "bench-ext2-tree.img";
  const auto ready = folder / "bench-ext2-tree.ready";
  if (std::filesystem::exists(ready) && std::filesystem::exists(image)) return image;
  const auto host = folder / "bench-ext2-tree-file";
  std::ofstream(host, std::ios::binary) << std::string(1500, 'x');
  const auto script = folder / "bench-ext2-tree.script";
  {
    std::ofstream out(script);
    for (int d = 0; d < kFolders; ++d) {
      out << "cd /\nmkdir d" << d << "\ncd /d" << d << "\n";
      for (int f = 0; f < kFilesPerFolder; ++f)
        out << "write " << host.string() << " file_" << f << ".dat\n";
    }
    out << "cd /\nmkdir gone\ncd /gone\n";
    for (int f = 0; f < kRemoved; ++f)
      out << "write " << host.string() << " r" << f << "\n";
    for (int f = 0; f < kRemoved; ++f)
      out << "rm r" << f << "\n";
  }
  const std::string commands = "rm -f " + image.string() + " && truncate -s 256M " + image.string() +
                               " && mke2fs -q -F -t ext2 -b 1024 -N 50000 " + image.string() +
                               " && debugfs -w -f " + script.string() + " " + image.string() +
                               " >/dev/null 2>&1";
  if (std::system(commands.c_str()) != 0) std::abort();
  std::ofstream(ready) << "1";
  return image;
}

std::uint64_t CountNodes(CFileNode* root) {
  std::uint64_t nodes = 0;
  qm::ForEachInSubtree(root, [&](CFileNode*) { ++nodes; });
  return nodes;
}

} // namespace

int main() {
  qm::ext2::InitCollector();
  const auto path = MakeVolume();
  CImageFileDevice device(path.c_str());
  if (!device.Open()) std::abort();
  CExt2FileSystem fileSystem(&device, 2);

  std::uint64_t inUse = 0;
  const double walk = Seconds([&] {
    CExt2Inode inode;
    for (auto it = fileSystem.FirstInodeCursor(), end = fileSystem.EndInodeCursor(); !(it == end);
         it.Next()) {
      it.Read(inode);
      if (inode.IsInUse()) ++inUse;
    }
  });

  double best = 1e9;
  std::uint64_t nodes = 0;
  for (int round = 0; round < 3; ++round) {
    CFileNode* root = nullptr;
    const double seconds = Seconds([&] {
      CExt2TreeBuilder builder;
      root = builder.BuildTree(&fileSystem, nullptr, false);
    });
    nodes = CountNodes(root);
    DeleteFileTree(root);
    best = std::min(best, seconds);
  }
  std::printf("ext2 tree build: %llu nodes in %.3f s = %.0f files/s\n",
              static_cast<unsigned long long>(nodes), best, static_cast<double>(nodes) / best);
  std::printf("reference, bare inode walk: %llu inodes in use in %.3f s = %.0f inodes/s\n",
              static_cast<unsigned long long>(inUse), walk, static_cast<double>(inUse) / walk);
  return 0;
}
