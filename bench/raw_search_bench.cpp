// The carving controller over 1 GiB of random data in the page cache,
// through the intelligent search (read-ahead cache, every block in place),
// beside plain sequential pread of the same file in the same run: the
// prefiltered dispatch, the plain loop that asks every analyser about every
// sector, and the whole intelligent search with every controller the
// program makes. Both loops must find exactly the same records, on the
// random data and on an image of real files of 37 types.
#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "bench_image.h"
#include "carving_image.h"
#include "filemodel/raw_file_collection.h"
#include "raw/raw_search_controller.h"
#include "raw/search_controllers.h"
#include "storage/app_settings.h"
#include "storage/image_file_device.h"
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
