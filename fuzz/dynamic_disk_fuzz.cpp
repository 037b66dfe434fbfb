// The dynamic-disk test over a disk whose first sectors are the input and
// whose other sectors read as zeros: boot-record chains, private headers
// and GPT entries from hostile bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "storage/dynamic_disk.h"
#include "storage/storage_device.h"

namespace {

class FuzzDisk : public IStorageDevice {
public:
  FuzzDisk(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    if (count > 64 || first >= GetSectorCount()) return 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::memset(out, 0, count * 512);
    const std::uint64_t offset = first * 512;
    if (offset < size_) std::memcpy(out, data_ + offset, std::min<std::uint64_t>(count * 512, size_ - offset));
    return 1;
  }
  std::uint64_t GetSectorCount() override { return std::uint64_t{1} << 33; }
  std::int32_t GetSectorSize() override { return 512; }
  int Open() override { return 1; }
  int Close() override { return 1; }

private:
  const std::uint8_t* data_;
  std::size_t size_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzDisk disk(data, size);
  IsDynamicDisk(&disk, disk.GetSectorCount(), 512);
  return 0;
}
