// Reading dynamic volumes in 1 MiB requests: a striped volume of three
// disks, a RAID-5 volume of three disks whole and with one disk missing
// (every third piece rebuilt from the other two), and a mirror, beside a
// plain read of the same bytes from one in-memory disk.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "storage/dynamic_volume.h"

namespace {

class BenchDisk : public IStorageDevice {
public:
  explicit BenchDisk(std::uint64_t sectors) : bytes_(sectors * 512) {
    std::uint32_t x = 2463534242u;
    for (auto& b : bytes_) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;
      b = static_cast<std::uint8_t>(x);
    }
  }
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    if (first > GetSectorCount() || count > GetSectorCount() - first) return 0;
    std::memcpy(buffer, bytes_.data() + first * 512, count * 512);
    return 1;
  }
  std::uint64_t GetSectorCount() override { return bytes_.size() / 512; }
  std::int32_t GetSectorSize() override { return 512; }
  int Open() override { return 1; }
  int Close() override { return 1; }

private:
  std::vector<std::uint8_t> bytes_;
};

double ReadAll(IStorageDevice& device, std::uint64_t sectors) {
  constexpr std::uint64_t kRequest = 2048;
  std::vector<std::uint8_t> buffer(kRequest * 512);
  const auto start = std::chrono::steady_clock::now();
  for (std::uint64_t at = 0; at + kRequest <= sectors; at += kRequest)
    if (!device.ReadSectors(buffer.data(), at, kRequest)) std::printf("read failed at %llu\n", (unsigned long long)at);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return static_cast<double>(sectors) * 512 / seconds / 1e6;
}

DynamicMemberExtent Member(IStorageDevice* disk, std::uint64_t length) {
  DynamicMemberExtent extent;
  extent.disk = disk;
  extent.length = length;
  return extent;
}

} // namespace

int main() {
  constexpr std::uint64_t kColumn = 128 * 2048; // 128 MiB of each disk
  BenchDisk a(kColumn), b(kColumn), c(kColumn);
  DynamicVolumeInfo info;

  std::printf("plain disk read:        %8.0f MB/s\n", ReadAll(a, kColumn));

  const DynamicMemberExtent three[] = {Member(&a, kColumn), Member(&b, kColumn), Member(&c, kColumn)};
  info.sectorCount = 3 * kColumn;
  auto striped = CreateStripedVolume(kDynamicStriped, info, three);
  std::printf("striped, 3 disks:       %8.0f MB/s\n", ReadAll(*striped, info.sectorCount));

  info.sectorCount = 2 * kColumn;
  auto raid = CreateRaid5Volume(kDynamicRaid5, info, three);
  std::printf("RAID-5, 3 disks:        %8.0f MB/s\n", ReadAll(*raid, info.sectorCount));
  const DynamicMemberExtent degraded[] = {Member(&a, kColumn), Member(nullptr, kColumn), Member(&c, kColumn)};
  auto rebuilt = CreateRaid5Volume(kDynamicRaid5, info, degraded);
  std::printf("RAID-5, one missing:    %8.0f MB/s\n", ReadAll(*rebuilt, info.sectorCount));

  info.sectorCount = kColumn;
  const DynamicMemberExtent first[] = {Member(&a, kColumn)}, second[] = {Member(&b, kColumn)};
  auto mirror = CreateMirrorVolume(kDynamicMirror, info, CreateSimpleVolume(kDynamicSimple, info, first),
                                   CreateSimpleVolume(kDynamicSimple, info, second));
  std::printf("mirror:                 %8.0f MB/s\n", ReadAll(*mirror, info.sectorCount));
  return 0;
}
