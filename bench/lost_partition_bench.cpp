// The lost-partition search over a 2 TiB disk of noise (generated per
// read, no memory behind it), both geometries and the 1 MiB boundaries, the
// three checkers: the positions probed per second, against a pass that only
// reads the same sectors (two per cylinder position, one per boundary that
// no cylinder pass probes).
#include <chrono>
#include <cstdio>
#include <cstring>

#include "fatext2/partition_search_controllers.h"
#include "storage/partition_searcher.h"
#include "storage/storage_device.h"

namespace {

class NoiseDisk : public IStorageDevice {
public:
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    if (first >= kSectors || count > kSectors - first) return 0;
    auto* out = static_cast<std::uint32_t*>(buffer);
    std::uint32_t x = static_cast<std::uint32_t>(first * 2654435761u) | 1u;
    for (std::uint64_t i = 0; i < count * 128; ++i) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;
      out[i] = x;
    }
    return 1;
  }
  std::uint64_t GetSectorCount() override { return kSectors; }
  std::int32_t GetSectorSize() override { return 512; }
  int Open() override { return 1; }
  int Close() override { return 1; }
  static constexpr std::uint64_t kSectors = 4ull << 30; // 2 TiB
};

class Quiet : public IPartitionSearchCallback {
public:
  void PumpMessages() override {}
  void Step() override { ++steps; }
  int IsCancelled() override { return 0; }
  void SetStep(std::uint64_t) override {}
  void Advance() override {}
  void SetRange(std::uint64_t, std::uint64_t) override {}
  void SetPos(std::uint64_t) override {}
  void OnSearchEnd() override {}
  void OnPartitionFound(const LostPartitionRecord* record) override { delete record->partitionDevice; }
  std::uint64_t steps = 0;
};

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main() {
  NoiseDisk disk;
  const auto readStart = std::chrono::steady_clock::now();
  std::uint8_t sector[512];
  std::uint64_t positions = 0;
  std::uint64_t reads = 0;
  for (std::uint64_t cylinder : {std::uint64_t{255 * 63}, std::uint64_t{240 * 63}})
    for (std::uint64_t p = 0; p + cylinder <= NoiseDisk::kSectors; p += cylinder, ++positions) {
      disk.ReadSectors(sector, p, 1);
      disk.ReadSectors(sector, p + 63, 1);
      reads += 2;
    }
  const double cylindersReadOnly = Seconds(readStart);
  const CPartitionSearchAccordingTo255Head by255(NoiseDisk::kSectors);
  const CPartitionSearchAccordingTo240Head by240(NoiseDisk::kSectors);
  const auto alignedStart = std::chrono::steady_clock::now();
  std::uint64_t aligned = 0;
  for (std::uint64_t p = 0; p < NoiseDisk::kSectors; p += 2048, ++positions, ++aligned)
    if (!by255.Covers(p) && !by240.Covers(p)) disk.ReadSectors(sector, p, 1), ++reads;
  const double readOnly = cylindersReadOnly + Seconds(alignedStart);

  CPartitionFATSearchController fat;
  CPartitionNTFSSearchController ntfs;
  CPartitionEXT2SearchController ext2;
  CPartitionSearcher searcher;
  searcher.SetDevice(&disk);
  searcher.AddController(&fat);
  searcher.AddController(&ntfs);
  searcher.AddController(&ext2);
  searcher.BuildAlgorithms(240);
  Quiet quiet;
  const auto searchStart = std::chrono::steady_clock::now();
  searcher.Start(&quiet);
  const double search = Seconds(searchStart);
  std::printf("lost-partition search, 2 TiB noise, 255+240 heads and %llu 1 MiB boundaries: %llu positions in "
              "%.3f s (%.0f positions/s); reading the same %llu sectors alone: %.3f s\n",
              static_cast<unsigned long long>(aligned), static_cast<unsigned long long>(quiet.steps), search,
              quiet.steps / search, static_cast<unsigned long long>(reads), readOnly);
  return positions == quiet.steps ? 0 : 1;
}
