// Passes over a 1 GiB image block by block (4 MiB) through the read-ahead
// cache, beside plain sequential pread of the same file in the same run:
// once looking at each block in place, once copying it out with
// ReadSectors as an analyser that wants its own buffer would.
#include <cstdlib>
#include <vector>

#include "bench_image.h"
#include "storage/image_file_device.h"
#include "storage/storage_device_with_cache.h"

namespace {

template <typename Visit>
void Sweep(const std::filesystem::path& path, Visit&& visit) {
  CImageFileDevice image(path.c_str());
  CStorageDeviceWithCache cache(&image);
  const std::uint32_t block = bench::kRequestBytes / 512;
  cache.SetBlockSize(block);
  cache.StartCache();
  for (std::uint64_t index = 0; cache.IsValidBlock(index); ++index) {
    if (!cache.SetCurCacheBlock(index)) std::abort();
    visit(cache, index * block, block);
  }
  cache.StopCache();
}

} // namespace

int main() {
  const auto path = bench::BenchImage();
  volatile std::uint64_t sink = 0;
  bench::Compare("cache, block in place", path, [&] {
    Sweep(path, [&](CStorageDeviceWithCache& cache, std::uint64_t, std::uint64_t) {
      const std::uint8_t* data = cache.GetCurBlockData(nullptr, nullptr);
      if (data == nullptr) std::abort();
      sink = sink + data[0];
    });
  });
  std::vector<std::uint8_t> buffer(bench::kRequestBytes);
  bench::Compare("cache, ReadSectors per block", path, [&] {
    Sweep(path, [&](CStorageDeviceWithCache& cache, std::uint64_t first, std::uint64_t count) {
      if (!cache.ReadSectors(buffer.data(), first, count)) std::abort();
      sink = sink + buffer[0];
    });
  });
  return 0;
}
