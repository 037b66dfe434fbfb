// Reads a 1 GiB image through the image-file device in 4 MiB requests,
// beside plain sequential reads of the same file in the same run.
#include <cstdlib>
#include <vector>

#include "bench_image.h"
#include "storage/image_file_device.h"

int main() {
  const auto path = bench::BenchImage();
  CImageFileDevice device(path.c_str());
  if (!device.IsOpen()) return 1;
  std::vector<std::uint8_t> buffer(bench::kRequestBytes);
  const std::uint64_t perRequest = bench::kRequestBytes / 512;
  bench::Compare("CImageFileDevice 4 MiB", path, [&] {
    for (std::uint64_t s = 0; s < device.GetSectorCount(); s += perRequest)
      if (!device.ReadSectors(buffer.data(), s, perRequest)) std::abort();
  });
  return 0;
}
