// The three checkers of the lost-partition search over a small disk whose
// bytes are the input: each is asked about sector 0 and sector 63, as at
// the first cylinder of a disk, and the window of any find is read at both
// ends.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "fatext2/partition_search_controllers.h"
#include "support/memory_device.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kSectors = 160;
  std::vector<std::uint8_t> bytes(kSectors * 512);
  std::copy(data, data + std::min(size, bytes.size()), bytes.begin());
  qm::MemoryDevice disk(std::move(bytes), 512);
  CPartitionFATSearchController fat;
  CPartitionNTFSSearchController ntfs;
  CPartitionEXT2SearchController ext2;
  IPartitionFileSystemSearchController* checkers[] = {&fat, &ntfs, &ext2};
  std::vector<std::uint8_t> sector(512);
  for (std::uint64_t at : {std::uint64_t{0}, std::uint64_t{63}}) {
    if (!disk.ReadSectors(sector.data(), at, 1)) continue;
    for (IPartitionFileSystemSearchController* checker : checkers) {
      checker->SetDevice(&disk);
      LostPartitionRecord record;
      if (checker->CheckSector(sector.data(), at, &record) == 0) continue;
      std::unique_ptr<IStorageDevice> window(record.partitionDevice);
      if (window != nullptr && window->GetSectorCount() > 0) {
        window->ReadSectors(sector.data(), 0, 1);
        window->ReadSectors(sector.data(), window->GetSectorCount() - 1, 1);
      }
    }
  }
  return 0;
}
