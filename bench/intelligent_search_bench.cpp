// The complete-recovery sweep over a 1 GiB image with four controllers
// that only look at each block in place: what the sweep itself costs
// (cache hand-over, statistics, callbacks, per-block traces) beside plain
// sequential pread of the same file in the same run.
#include <cstdlib>

#include "bench_image.h"
#include "ntfs/search_controller.h"
#include "storage/image_file_device.h"
#include "storage/intelligent_search.h"
#include "storage/storage_device_with_cache.h"

namespace {

class TouchController : public IFileSystemSearchController {
public:
  explicit TouchController(int kind) : kind_(kind) {}
  void SetDevice(IStorageDevice* device) override { cache_ = dynamic_cast<CStorageDeviceWithCache*>(device); }
  void SetSectorsPerBlock(std::uint32_t) override {}
  int PrepareSearch() override { return 1; }
  int AnalyzeBlock(std::uint64_t, std::uint64_t, SearchStatistics*) override {
    const std::uint8_t* data = cache_ == nullptr ? nullptr : cache_->GetCurBlockData(nullptr, nullptr);
    if (data == nullptr) std::abort();
    sum += data[0];
    return 1;
  }
  void GetFoundPartitions(std::vector<CSearchedPartitionInfo*>&) override {}
  void SetRawFileCollection(CRawFileCollection*) override {}
  int Save(IRSData*) override { return 1; }
  int Load(IRSData*) override { return 1; }
  int GetKind() override { return kind_; }

  std::uint64_t sum = 0;

private:
  int kind_;
  CStorageDeviceWithCache* cache_ = nullptr;
};

} // namespace

int main() {
  const auto path = bench::BenchImage();
  bench::Compare("sweep, 4 controllers", path, [&] {
    CImageFileDevice image(path.c_str());
    TouchController fat(kFatSearchController), ntfs(kNtfsSearchController), ext2(kExt2SearchController),
        raw(kRawSearchController);
    CIntelligentSearchController search;
    search.SetDevice(&image);
    for (auto* controller : {&fat, &ntfs, &ext2, &raw}) search.AddEntry(controller);
    if (search.Start(nullptr) != 1) std::abort();
  });
  return 0;
}
