// The NTFS deep scan over a small disk made of the input: the first byte
// picks the sector size (512 or 4096) and the block size of the sweep (so
// that structures straddle blocks at every alignment); the rest is the
// disk. The controller sweeps it, ends the search, and builds the trees of
// its first few candidates.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "filemodel/file_node.h"
#include "ntfs/ntfs_search_controller.h"
#include "storage/search_statistics.h"
#include "support/memory_device.h"

namespace {
constexpr std::size_t kMaxDiskBytes = 1 << 20;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint32_t sectorSize = (data[0] & 1) ? 4096 : 512;
  const std::uint64_t blockSectors = 1 + (data[0] >> 1) % 48;
  std::vector<std::uint8_t> disk(data + 1, data + 1 + std::min(size - 1, kMaxDiskBytes));
  disk.resize((disk.size() + sectorSize - 1) / sectorSize * sectorSize, 0);
  qm::MemoryDevice device(std::move(disk), static_cast<std::int32_t>(sectorSize));

  CNTFSSearchController controller;
  controller.SetDevice(&device);
  controller.SetSectorsPerBlock(static_cast<std::uint32_t>(blockSectors));
  controller.PrepareSearch();
  SearchStatistics statistics;
  for (std::uint64_t first = 0; first < device.GetSectorCount(); first += blockSectors)
    controller.AnalyzeBlock(first, std::min(blockSectors, device.GetSectorCount() - first), &statistics);
  controller.EndSearch();
  std::vector<CSearchedPartitionInfo*> found;
  controller.GetFoundPartitions(found);
  int built = 0;
  for (CSearchedPartitionInfo* partition : found) {
    if (built < 3) DeleteFileTree(controller.BuildTree(partition, &device, built++, nullptr));
    delete partition;
  }
  return 0;
}
