// The carving controller over 1 GiB of random data in the page cache,
// through the intelligent search (read-ahead cache, every block in place),
// beside plain sequential pread of the same file in the same run: the
// prefiltered dispatch, the plain loop that asks every analyser about every
// sector, and the whole intelligent search with every controller the
// program makes. Both loops must find exactly the same records, on the
// random data and on an image of real files of 37 types.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <vector>

#include "bench_image.h"
#include "carving_image.h"
#include "filemodel/raw_file_collection.h"
#include "raw/raw_search_controller.h"
#include "raw/search_controllers.h"
#include "storage/app_settings.h"
#include "storage/image_file_device.h"
#include "storage/search_statistics.h"
#include "storage/searched_partition_info.h"
#include "support/memory_device.h"

namespace {

using Records = std::vector<std::tuple<std::uint64_t, std::uint64_t, int, int>>;

Records Carve(IStorageDevice& device, bool plain) {
  CRawFileCollection collection;
  SearchControllerList list;
  auto controller = std::make_unique<CRAWSearchController>();
  controller->SetPlainLoop(plain);
  list.push_back(std::move(controller));
  DistributeRawFileCollection(list, &collection);
  std::vector<CSearchedPartitionInfo*> partitions;
  if (RunIntelligentSearch(&device, list, partitions, nullptr) != 1) std::abort();
  Records records;
  for (const CRawFileInfo* r : collection.GetCarvedFiles())
    records.emplace_back(r->GetStartSector(), r->GetLength(), r->GetType(), r->GetAnalyserType());
  return records;
}

void Same(const char* what, const Records& fast, const Records& plain) {
  std::printf("%-28s %zu records by the dispatch, %zu by the plain loop: %s\n", what, fast.size(),
              plain.size(), fast == plain ? "the same" : "DIFFERENT");
  if (fast != plain) std::exit(1);
}

// 1 GiB of random sectors served from memory (64 MiB repeated), each read
// one copy, as a read from the page cache is.
class RepeatingDevice : public IStorageDevice {
public:
  RepeatingDevice() : bytes_(64u << 20) {
    std::uint64_t x = 0x2545F4914F6CDD1Dull;
    for (std::size_t i = 0; i + 8 <= bytes_.size(); i += 8) {
      x ^= x << 13, x ^= x >> 7, x ^= x << 17;
      std::memcpy(bytes_.data() + i, &x, 8);
    }
  }
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    if (first + count > GetSectorCount()) return 0;
    const std::uint64_t sectors = bytes_.size() / 512;
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (count != 0) {
      const std::uint64_t at = first % sectors, here = std::min(count, sectors - at);
      std::memcpy(out, bytes_.data() + at * 512, here * 512);
      out += here * 512, first += here, count -= here;
    }
    return 1;
  }
  std::uint64_t GetSectorCount() override { return bench::kImageBytes / 512; }
  std::int32_t GetSectorSize() override { return 512; }
  int Open() override { return 1; }
  int Close() override { return 1; }

private:
  std::vector<std::uint8_t> bytes_;
};

} // namespace

int main() {
  ::setenv("QM_SOURCE_DIR", QM_BENCH_SOURCE_DIR, 0); // where the fixture files are
  const auto path = bench::BenchImage();
  Records fast, plain;
  bench::Compare("RAW controller, dispatch", path, [&] {
    CImageFileDevice image(path.c_str());
    fast = Carve(image, false);
  });
  bench::Compare(
      "RAW controller, plain loop", path,
      [&] {
        CImageFileDevice image(path.c_str());
        plain = Carve(image, true);
      },
      2);
  Same("1 GiB of random data", fast, plain);

  // The controller alone, block after block, the blocks read from memory
  // into the ring (no read-ahead thread, no per-scan set-up in the time).
  {
    RepeatingDevice memory;
    CRawFileCollection collection;
    SearchStatistics statistics;
    CRAWSearchController controller;
    controller.SetRawFileCollection(&collection);
    controller.SetDevice(&memory);
    controller.SetSectorsPerBlock(8192);
    controller.PrepareSearch();
    for (std::uint64_t first = 0; first < 20 * 8192; first += 8192)
      controller.AnalyzeBlock(first, 8192, &statistics);
    const std::uint64_t from = 20 * 8192; // the ring set up and full
    bench::Compare("RAW controller, per block", path, [&] {
      static std::uint64_t next = from;
      for (std::uint64_t n = 0; n < memory.GetSectorCount() / 8192; ++n, next += 8192) {
        if (next >= memory.GetSectorCount()) next = 0, controller.PrepareSearch();
        controller.AnalyzeBlock(next, 8192, &statistics);
      }
    });
    controller.EndSearch();
  }

  // Every controller the program makes, as a complete recovery runs them.
  GetAppSettings()->bRawOnly = 0;
  GetAppSettings()->bRecoverRaw = 1;
  std::size_t controllers = 0;
  bench::Compare("intelligent search, all", path, [&] {
    CImageFileDevice image(path.c_str());
    CRawFileCollection collection;
    SearchControllerList list;
    BuildSearchControllerList(list);
    controllers = list.size();
    DistributeRawFileCollection(list, &collection);
    std::vector<CSearchedPartitionInfo*> partitions;
    if (RunIntelligentSearch(&image, list, partitions, nullptr) != 1) std::abort();
    for (auto* p : partitions)
      delete p;
  });
  std::printf("(%zu controllers in the complete search)\n", controllers);

  const auto real = qm::test::MakeCarvingImage(256ull << 20, 512, 8ull << 20, (256ull - 4) << 20);
  qm::MemoryDevice device(real.bytes, 512);
  Same("image of real files", Carve(device, false), Carve(device, true));
  return 0;
}
