// The three checkers of the lost-partition search over a small disk whose
// bytes are the input: each is asked about sector 0 and sector 63, as at
// the first cylinder of a disk, and the window of any find is read at both
// ends. Then the whole search (both cylinder passes and the 1 MiB pass)
// runs over a 64 MiB disk that holds the input at every 1 MiB boundary, with
// 512-byte and with 4096-byte sectors.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "fatext2/partition_search_controllers.h"
#include "storage/partition_searcher.h"
#include "support/memory_device.h"

namespace {

constexpr std::uint64_t kMiB = 1 << 20;

// The input's first MiB at the start of every MiB of the disk, zeros behind
// it.
class RepeatingDisk : public IStorageDevice {
public:
  RepeatingDisk(const std::uint8_t* data, std::size_t size, std::int32_t sectorSize)
      : data_(data), size_(std::min<std::size_t>(size, kMiB)), sectorSize_(sectorSize) {}
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    const std::uint64_t total = GetSectorCount();
    if (first >= total || count > total - first) return 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    const auto sector = static_cast<std::uint64_t>(sectorSize_);
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t within = (first + i) * sector % kMiB;
      std::uint8_t* to = out + i * sector;
      std::memset(to, 0, sector);
      if (within < size_) std::memcpy(to, data_ + within, std::min<std::uint64_t>(sector, size_ - within));
    }
    return 1;
  }
  std::uint64_t GetSectorCount() override { return (64 * kMiB) / static_cast<std::uint64_t>(sectorSize_); }
  std::int32_t GetSectorSize() override { return sectorSize_; }
  int Open() override { return 1; }
  int Close() override { return 1; }

private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::int32_t sectorSize_;
};

// Reads every find's window at both ends and frees it.
class WindowReader : public IPartitionSearchCallback {
public:
  void PumpMessages() override {}
  void Step() override {}
  int IsCancelled() override { return 0; }
  void SetStep(std::uint64_t) override {}
  void Advance() override {}
  void SetRange(std::uint64_t, std::uint64_t) override {}
  void SetPos(std::uint64_t) override {}
  void OnSearchEnd() override {}
  void OnPartitionFound(const LostPartitionRecord* record) override {
    std::unique_ptr<IStorageDevice> window(record->partitionDevice);
    if (window == nullptr || window->GetSectorCount() == 0) return;
    std::vector<std::uint8_t> sector(static_cast<std::size_t>(window->GetSectorSize()));
    window->ReadSectors(sector.data(), 0, 1);
    window->ReadSectors(sector.data(), window->GetSectorCount() - 1, 1);
  }
};

} // namespace

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

  for (std::int32_t sectorSize : {512, 4096}) {
    RepeatingDisk repeating(data, size, sectorSize);
    CPartitionSearcher searcher;
    searcher.SetDevice(&repeating);
    for (IPartitionFileSystemSearchController* checker : checkers) searcher.AddController(checker);
    searcher.BuildAlgorithms(240);
    WindowReader reader;
    searcher.Start(&reader);
  }
  return 0;
}
