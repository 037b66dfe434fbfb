// The EXT2 deep scan over arbitrary bytes taken as a small disk, swept in
// blocks of varying size (the window carried across them): the sweep ends,
// the records come out, and the tree build of each of the first few ends.
#include <memory>

#include "deep_scan_fuzz_device.h"
#include "fatext2/ext2_collector.h"
#include "fatext2/ext2_search_controller.h"
#include "filemodel/file_node.h"
#include "storage/search_statistics.h"
#include "storage/searched_partition_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::DeepScanInput input = fuzz::ReadDeepScanInput(data, size);
  if (input.bytes.empty()) return 0;
  qm::ext2::InitCollector();
  qm::MemoryDevice device(std::move(input.bytes), input.sectorSize);
  CEXT2SearchController controller;
  controller.SetDevice(&device);
  controller.SetSectorsPerBlock(static_cast<std::uint32_t>(input.blockSectors));
  controller.PrepareSearch();
  SearchStatistics statistics;
  const std::uint64_t sectors = device.GetSectorCount();
  for (std::uint64_t first = 0; first < sectors; first += input.blockSectors)
    controller.AnalyzeBlock(first, std::min(input.blockSectors, sectors - first), &statistics);
  controller.EndSearch();
  std::vector<CSearchedPartitionInfo*> found;
  controller.GetFoundPartitions(found);
  for (std::size_t i = 0; i < found.size(); ++i) {
    std::unique_ptr<CSearchedPartitionInfo> record(found[i]);
    if (i < 4) DeleteFileTree(controller.BuildTree(record.get(), &device, static_cast<int>(i), nullptr));
  }
  return 0;
}
