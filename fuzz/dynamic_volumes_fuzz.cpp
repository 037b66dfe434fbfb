// The dynamic-disk database from hostile bytes: two disks of one group
// whose private headers are sound and whose configuration areas hold the
// input. The records are joined, decoded and linked, the volumes built,
// and a few sectors of each volume read through its layout.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "storage/dynamic_volume_reader.h"
#include "storage/ldm_database.h"
#include "storage/storage_device.h"

namespace {

constexpr std::uint64_t kSectors = 8192;
constexpr std::uint64_t kConfigStart = kSectors - 2048;
constexpr std::uint64_t kDataStart = 63;

// A disk whose configuration area is the input and whose other sectors
// read as a pattern (so that the volumes have something to read).
class FuzzDisk : public IStorageDevice {
public:
  FuzzDisk(const std::uint8_t* data, std::size_t size, const char* id) : data_(data), size_(size) {
    std::memcpy(header_, "PRIVHEAD", 8);
    std::memcpy(header_ + 0x30, id, std::strlen(id));
    std::memcpy(header_ + 0xF0, "Dg0", 3);
    PutBe(header_ + 0x11B, kDataStart);
    PutBe(header_ + 0x12B, kConfigStart);
  }
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    if (first > kSectors || count > kSectors - first) return 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::uint64_t i = 0; i < count; ++i) {
      std::uint8_t* sector = out + i * 512;
      const std::uint64_t at = first + i;
      if (at == 6) {
        std::memcpy(sector, header_, 512);
      } else if (at >= kConfigStart) {
        std::memset(sector, 0, 512);
        const std::uint64_t offset = (at - kConfigStart) * 512;
        if (offset < size_) std::memcpy(sector, data_ + offset, std::min<std::uint64_t>(512, size_ - offset));
      } else {
        std::memset(sector, static_cast<int>(at & 0xFF), 512);
      }
    }
    return 1;
  }
  std::uint64_t GetSectorCount() override { return kSectors; }
  std::int32_t GetSectorSize() override { return 512; }
  int Open() override { return 1; }
  int Close() override { return 1; }

private:
  static void PutBe(std::uint8_t* out, std::uint64_t value) {
    for (int i = 7; i >= 0; --i, value >>= 8) out[i] = static_cast<std::uint8_t>(value);
  }
  const std::uint8_t* data_;
  std::size_t size_;
  std::uint8_t header_[512] = {};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 2048 * 512) return 0;
  qm::DecodeLdmDatabase({data, size}, 512);
  qm::DecodeLdmDatabase({data, size}, 4096);

  FuzzDisk first(data, size, "c4ab6c3a-2c79-11d8-9a27-00e018c5e61e");
  FuzzDisk second(data, size, "d1e2f3a4-2c79-11d8-9a27-00e018c5e61e");
  IStorageDevice* disks[] = {&first, &second};
  DynamicVolumeList records;
  CollectDynamicVolumes(disks, records);
  std::vector<std::uint8_t> buffer(64 * 512);
  for (const auto& record : records) {
    IStorageDevice* volume = record->device.get();
    const std::uint64_t count = volume->GetSectorCount();
    volume->ReadSectors(buffer.data(), 0, std::min<std::uint64_t>(count, 64));
    if (count > 64) volume->ReadSectors(buffer.data(), count - 64, 64);
    if (count > 300) volume->ReadSectors(buffer.data(), 200, 64);
  }
  return 0;
}
