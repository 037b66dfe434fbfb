// The carving controller's sweep over hostile sectors: the input is the
// device's content, swept block by block with the prefiltered dispatch and
// again with every analyser asked in list order; both sweeps must find the
// same records with the same lengths. The first byte picks the sector size
// (bit 7), the block length (bits 0-2: 1 to 8 sectors, so the ring of 20
// blocks fills on small inputs and files are measured from it), an
// unreadable block (bits 3-4: none, or block 1, 2 or 5) and the maximum
// carved size (bits 5-6). The dispatch sweeps once more through the
// read-ahead cache, whose kept blocks then make up the ring.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "filemodel/raw_file_collection.h"
#include "raw/raw_search_controller.h"
#include "storage/app_settings.h"
#include "storage/search_statistics.h"
#include "storage/storage_device_with_cache.h"
#include "walker_fuzz_device.h"

namespace {

class FailingBlockDevice : public WalkerFuzzDevice {
public:
  FailingBlockDevice(const std::uint8_t* data, std::size_t size, std::int32_t sectorSize, std::uint64_t first,
                     std::uint64_t end)
      : WalkerFuzzDevice(data, size, sectorSize), first_(first), end_(end) {}
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    if (first < end_ && first + count > first_) return 0;
    return WalkerFuzzDevice::ReadSectors(buffer, first, count);
  }

private:
  std::uint64_t first_, end_;
};

struct Found {
  std::uint64_t start, length;
  int type, analyserType;
  bool operator==(const Found&) const = default;
};

std::vector<Found> Sweep(IStorageDevice& device, std::uint32_t perBlock, bool plain,
                         CStorageDeviceWithCache* cache = nullptr) {
  CRawFileCollection collection;
  SearchStatistics statistics;
  CRAWSearchController controller;
  controller.SetPlainLoop(plain);
  controller.SetRawFileCollection(&collection);
  controller.SetDevice(&device);
  controller.SetSectorsPerBlock(perBlock);
  controller.PrepareSearch();
  const std::uint64_t total = device.GetSectorCount();
  for (std::uint64_t first = 0; first < total; first += perBlock) {
    if (cache != nullptr && cache->SetCurCacheBlock(first / perBlock) == 0) std::abort();
    controller.AnalyzeBlock(first, std::min<std::uint64_t>(perBlock, total - first), &statistics);
  }
  controller.EndSearch();
  std::vector<Found> found;
  for (const CRawFileInfo* r : collection.GetCarvedFiles())
    found.push_back({r->GetStartSector(), r->GetLength(), r->GetType(), r->GetAnalyserType()});
  if (statistics.FilesIdentified != found.size()) std::abort();
  return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::int32_t sectorSize = (data[0] & 0x80) ? 4096 : 512;
  const std::uint32_t perBlock = (data[0] & 7u) + 1;
  constexpr std::uint64_t kFailing[] = {0, 1, 2, 5};
  const std::uint64_t failing = kFailing[(data[0] >> 3) & 3];
  constexpr std::uint64_t kMaxima[] = {50000000, 4096, 1 << 20, ~std::uint64_t{0}};
  GetAppSettings()->u64MaxRawFileSize = kMaxima[(data[0] >> 5) & 3];
  FailingBlockDevice device(data + 1, size - 1, sectorSize, failing == 0 ? 0 : failing * perBlock,
                            failing == 0 ? 0 : (failing + 1) * perBlock);
  const auto fast = Sweep(device, perBlock, false);
  const auto plain = Sweep(device, perBlock, true);
  if (!(fast == plain)) std::abort(); // a prefilter refused what its analyser accepts
  CStorageDeviceWithCache cache(&device);
  cache.SetBlockSize(perBlock);
  if (!(Sweep(cache, perBlock, false, &cache) == fast)) std::abort(); // the kept blocks differ from the ring's
  return 0;
}
