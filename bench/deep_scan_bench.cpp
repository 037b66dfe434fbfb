// The FAT and EXT2 deep scans, each alone, swept through the intelligent
// search over 1 GiB of random bytes and over a 1 GiB volume of its own
// file system full of folders and files (made at bench time with mkfs.fat
// and mtools, mke2fs), each beside plain sequential pread of the same file
// in the same run.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_image.h"
#include "fatext2/ext2_collector.h"
#include "fatext2/ext2_search_controller.h"
#include "fatext2/fat_search_controller.h"
#include "storage/image_file_device.h"
#include "storage/intelligent_search.h"
#include "storage/searched_partition_info.h"

namespace fs = std::filesystem;

namespace {

template <typename Controller> std::size_t Sweep(const fs::path& path) {
  CImageFileDevice image(path.c_str());
  Controller controller;
  {
    CIntelligentSearchController search;
    search.SetDevice(&image);
    search.AddEntry(&controller);
    if (search.Start(nullptr) != 1) std::abort();
  }
  std::vector<CSearchedPartitionInfo*> found;
  controller.GetFoundPartitions(found);
  for (auto* record : found) delete record;
  return found.size();
}

// Host files for a volume: folders of files of assorted sizes, about
// 700 MB in all.
fs::path HostTree(const fs::path& folder) {
  const fs::path tree = folder / "deep-scan-tree";
  if (fs::exists(tree / "done")) return tree;
  fs::remove_all(tree);
  std::uint64_t state = 0x1234567ull;
  std::vector<char> bytes(1 << 20);
  for (int f = 0; f < 350; ++f) {
    const fs::path dir = tree / ("folder" + std::to_string(f)) / "inner";
    fs::create_directories(dir);
    for (int i = 0; i < 10; ++i) {
      const std::size_t size = 1000 + (state % 400000);
      for (std::size_t k = 0; k < size; k += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::memcpy(bytes.data() + k, &state, 8);
      }
      std::ofstream((i % 2 ? dir : dir.parent_path()) / ("file" + std::to_string(i) + ".dat"), std::ios::binary)
          .write(bytes.data(), static_cast<std::streamsize>(size));
    }
  }
  std::ofstream(tree / "done");
  return tree;
}

fs::path RealImage(const std::string& name, const std::string& make) {
  const fs::path folder = bench::BenchImage().parent_path();
  const fs::path path = folder / name;
  std::error_code error;
  if (fs::file_size(path, error) == bench::kImageBytes) return path;
  const fs::path tree = HostTree(folder);
  std::string command = make;
  for (std::size_t at = command.find("%v"); at != std::string::npos; at = command.find("%v"))
    command.replace(at, 2, path.string());
  for (std::size_t at = command.find("%s"); at != std::string::npos; at = command.find("%s"))
    command.replace(at, 2, tree.string());
  fs::remove(path);
  if (std::system(("truncate -s 1G " + path.string() + " && " + command).c_str()) != 0) std::abort();
  return path;
}

} // namespace

int main() {
  qm::ext2::InitCollector();
  const auto random = bench::BenchImage();
  const auto fat = RealImage("bench-fat32.img", "mkfs.fat -F 32 -s 8 %v >/dev/null && cd %s && "
                                                "MTOOLS_SKIP_CHECK=1 mcopy -s -Q -i %v folder* ::/");
  const auto ext = RealImage("bench-ext2.img", "mke2fs -F -q -t ext2 -b 4096 -d %s %v");
  bench::Compare("FAT scan, random data", random, [&] { Sweep<CFATSearchController>(random); });
  bench::Compare("FAT scan, FAT32 volume", fat, [&] { Sweep<CFATSearchController>(fat); });
  bench::Compare("EXT2 scan, random data", random, [&] { Sweep<CEXT2SearchController>(random); });
  bench::Compare("EXT2 scan, EXT2 volume", ext, [&] { Sweep<CEXT2SearchController>(ext); });
  return 0;
}
