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
#include "storage/search_statistics.h"
#include "storage/searched_partition_info.h"

namespace fs = std::filesystem;

namespace {

// A controller that looks at nothing: what the sweep itself costs.
class IdleController : public IFileSystemSearchController {
public:
  void SetDevice(IStorageDevice*) override {}
  void SetSectorsPerBlock(std::uint32_t) override {}
  int PrepareSearch() override { return 1; }
  int AnalyzeBlock(std::uint64_t, std::uint64_t, SearchStatistics*) override { return 1; }
  void GetFoundPartitions(std::vector<CSearchedPartitionInfo*>&) override {}
  void SetRawFileCollection(CRawFileCollection*) override {}
  int Save(IRSData*) override { return 1; }
  int Load(IRSData*) override { return 1; }
  int GetKind() override { return kFatSearchController; }
};

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

// The analysis alone: 256 MiB of the file in memory, fed sector by sector
// (no device, no cache), in nanoseconds per 512-byte sector.
void AnalysisAlone(const fs::path& path) {
  constexpr std::size_t kBytes = 256u << 20;
  std::vector<std::uint8_t> bytes(kBytes);
  std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(bytes.data()), kBytes);
  const double sectors = kBytes / 512.0;
  CFATSearchController fat;
  SearchStatistics statistics;
  double best = 1e9;
  for (int r = 0; r < 3; ++r)
    best = std::min(best, bench::Seconds([&] { fat.AnalyzeSectors(0, bytes.data(), kBytes / 512, &statistics); }));
  std::printf("%-28s %9.1f ns/sector\n", "FAT analysis alone", best * 1e9 / sectors);
  best = 1e9;
  for (int r = 0; r < 3; ++r)
    best = std::min(best, bench::Seconds([&] {
      for (int k = 0; k < 256; ++k) fat.AnalyzeSectors(0, bytes.data(), 2048, &statistics);
    }));
  std::printf("%-28s %9.1f ns/sector\n", "FAT analysis, 1 MiB cached", best * 1e9 / (256 * 2048.0));
  CEXT2SearchController ext2;
  best = 1e9;
  for (int r = 0; r < 3; ++r)
    best = std::min(best, bench::Seconds([&] { ext2.AnalyzeSectors(bytes.data(), kBytes / 512); }));
  std::printf("%-28s %9.1f ns/sector\n", "EXT2 analysis alone", best * 1e9 / sectors);
}

} // namespace

int main() {
  qm::ext2::InitCollector();
  const auto random = bench::BenchImage();
  const auto fat = RealImage("bench-fat32.img", "mkfs.fat -F 32 -s 8 %v >/dev/null && cd %s && "
                                                "MTOOLS_SKIP_CHECK=1 mcopy -s -Q -i %v folder* ::/");
  const auto ext = RealImage("bench-ext2.img", "mke2fs -F -q -t ext2 -b 4096 -d %s %v");
  AnalysisAlone(random);
  // The first sweeps of a process are much slower whatever the controller
  // (the read-ahead cache's new buffers): the volumes are swept first, and
  // the sweep with an idle controller shows the cost of the sweep itself.
  bench::Compare("FAT scan, FAT32 volume", fat, [&] { Sweep<CFATSearchController>(fat); });
  bench::Compare("EXT2 scan, EXT2 volume", ext, [&] { Sweep<CEXT2SearchController>(ext); });
  bench::Compare("sweep alone, random data", random, [&] { Sweep<IdleController>(random); });
  bench::Compare("FAT scan, random data", random, [&] { Sweep<CFATSearchController>(random); });
  bench::Compare("EXT2 scan, random data", random, [&] { Sweep<CEXT2SearchController>(random); });
  return 0;
}
