// The partition-table reader over a disk whose first sectors are the input
// (after one byte that picks the disk's size) and whose other sectors read
// as zeros: MBRs, chains of extended boot records, GPT headers and entry
// arrays from hostile bytes. A stand-in analyser recognises a file system
// where a sector begins with "FS" and takes its size from the next bytes,
// so that the size corrections run too.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "storage/partition_table.h"
#include "storage/volume_analyzer.h"

namespace {

class FuzzDisk : public IStorageDevice {
public:
  FuzzDisk(const std::uint8_t* data, std::size_t size, std::uint64_t sectors)
      : data_(data), size_(size), sectors_(sectors) {}
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    // No reader here needs more than a GPT array of 1 MiB at once.
    if (count > 2048 || first >= sectors_ || count > sectors_ - first) return 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::memset(out, 0, count * 512);
    const std::uint64_t offset = first * 512;
    if (offset < size_)
      std::memcpy(out, data_ + offset, std::min<std::uint64_t>(count * 512, size_ - offset));
    return 1;
  }
  std::uint64_t GetSectorCount() override { return sectors_; }
  std::int32_t GetSectorSize() override { return 512; }
  int Open() override { return 1; }
  int Close() override { return 1; }

private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::uint64_t sectors_;
};

class FuzzVolume : public IVolume {
public:
  FuzzVolume(IStorageDevice* device, std::uint64_t start) {
    std::uint8_t sector[512];
    if (!device->ReadSectors(sector, start, 1) || sector[0] != 'F' || sector[1] != 'S') return;
    type_ = sector[2] % 8;
    std::memcpy(&size_, sector + 8, 8);
  }
  int GetFileSystemType() override { return type_; }
  std::uint64_t GetSectorCount() override { return size_; }
  void GetLabel(char* buffer, int length) override {
    std::memset(buffer, 'L', static_cast<std::size_t>(length));
  }

private:
  int type_ = 7;
  std::uint64_t size_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const bool registered = [] {
    qm::RegisterVolumeAnalyzer(qm::VolumeAnalyzerSlot::Fat, [](IStorageDevice* device, std::uint64_t start) {
      return std::make_unique<FuzzVolume>(device, start);
    });
    return true;
  }();
  (void)registered;
  FuzzDisk disk(data + 1, size - 1, std::uint64_t{128} << (data[0] % 26));
  DiskPartitionList records;
  ReadDiskPartitionTable(&disk, records);
  std::uint8_t sector[512];
  for (const auto& record : records)
    record->partitionDevice->ReadSectors(sector, 0, 1);
  return 0;
}
