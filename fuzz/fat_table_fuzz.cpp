// Allocation-table copies loaded from hostile bytes: the input (after two
// bytes that pick the type and the table size) is the first copy, zeros
// follow it. Every check must end, and every chain walked through the
// table must end within the table's entry count.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "fatext2/fat_file_runs.h"
#include "fatext2/fat_table.h"
#include "storage/storage_device.h"

namespace {

class FuzzDisk : public IStorageDevice {
public:
  FuzzDisk(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    if (first >= GetSectorCount() || count > GetSectorCount() - first) return 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::memset(out, 0, count * 512);
    const std::uint64_t offset = first * 512;
    if (offset < size_)
      std::memcpy(out, data_ + offset, std::min<std::uint64_t>(count * 512, size_ - offset));
    return 1;
  }
  std::uint64_t GetSectorCount() override { return 4096; }
  std::int32_t GetSectorSize() override { return 512; }
  int Open() override { return 1; }
  int Close() override { return 1; }

private:
  const std::uint8_t* data_;
  std::size_t size_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int type = data[0] % 3;
  // Sizes around each width's window: FAT12 1-12, FAT16 12-256, FAT32 from 256.
  static constexpr std::uint32_t kBase[3] = {1, 12, 256};
  const std::uint32_t sectorsPerFat = kBase[type] + data[1] % 16;
  FuzzDisk disk(data + 2, size - 2);
  auto table = CreateFATTable(&disk, 0, type, sectorsPerFat, (data[1] & 0x40) == 0, true);
  const IRealFATTable* copy =
      table->GetFirstCopy() != nullptr ? table->GetFirstCopy() : table->GetSecondCopy();
  if (copy == nullptr) return 0;
  const std::uint32_t count = std::max<std::uint32_t>(copy->GetEntryCount(), 4096);
  volatile std::uint32_t sink = 0;
  for (std::uint32_t start = 2; start < 64; ++start) {
    std::uint32_t cluster = start;
    for (std::uint32_t steps = 0; steps <= count && cluster >= 2 && cluster < qm::fat_table::kEndOfChain;
         ++steps)
      cluster = table->GetNextCluster(cluster);
    sink = sink + cluster;
  }
  sink = sink + table->GetNextCluster(0xFFFFFFFF) + table->GetNextCluster(count);

  // File runs over the same table: sizes up to 4 GiB, live and deleted.
  const qm::FatVolumeGeometry geometry{1u + (data[1] & 3), 512, count * 2ull};
  for (std::uint32_t start = 0; start < 8; ++start) {
    const std::uint64_t fileSize = (std::uint64_t{data[start % size]} << 24) * (start + 1) % 0x100000000ull;
    for (const bool deleted : {false, true}) {
      const auto runs = BuildFatFileRuns(table.get(), start, fileSize, deleted, geometry);
      if (runs != nullptr) sink = sink + static_cast<std::uint32_t>(runs->RunCount());
    }
  }
  return 0;
}
