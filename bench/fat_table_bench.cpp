// A tree build loads each FAT copy whole and checks it before it follows a
// single chain, so loading and checking the largest table (128000 sectors,
// 16 million FAT32 entries) is the cost every FAT32 build pays first. MB/s
// of loading plus checking, beside a plain copy of the same bytes out of
// memory; then chains followed through the table (clusters per second).
// A table whose one chain runs from the last cluster down to the first
// shows that the check stays linear however the chains are laid out.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "fatext2/fat_boot_sector.h"
#include "fatext2/fat_table.h"
#include "storage/storage_device.h"

namespace {

constexpr std::uint32_t kSectorsPerFat = 128000;
constexpr std::uint32_t kEntries = kSectorsPerFat * 128;

class MemoryDisk : public IStorageDevice {
public:
  explicit MemoryDisk(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
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

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Files of 1 to 4096 clusters; one in four is split in two pieces with
// another file's clusters between them. Returns the chain heads.
std::vector<std::uint32_t> FillTable(std::vector<std::uint32_t>& fat) {
  std::vector<std::uint32_t> heads;
  std::uint64_t x = 88172645463325252ull;
  auto next = [&] {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    return x;
  };
  std::uint32_t cluster = 2;
  while (cluster + 8200 < kEntries) {
    const std::uint32_t length = 1 + static_cast<std::uint32_t>(next() % 4096);
    const bool split = next() % 4 == 0;
    heads.push_back(cluster);
    if (!split) {
      for (std::uint32_t i = 0; i + 1 < length; ++i)
        fat[cluster + i] = cluster + i + 1;
      fat[cluster + length - 1] = 0x0FFFFFFF;
      cluster += length;
      continue;
    }
    // First half, then a small file, then the second half.
    const std::uint32_t half = (length + 1) / 2;
    for (std::uint32_t i = 0; i + 1 < half; ++i)
      fat[cluster + i] = cluster + i + 1;
    const std::uint32_t small = cluster + half;
    fat[small] = 0x0FFFFFFF;
    heads.push_back(small);
    const std::uint32_t rest = small + 1;
    fat[cluster + half - 1] = rest;
    for (std::uint32_t i = 0; i + 1 < length - half; ++i)
      fat[rest + i] = rest + i + 1;
    fat[rest + (length - half) - 1] = 0x0FFFFFFF;
    if (length - half == 0) fat[cluster + half - 1] = 0x0FFFFFFF;
    cluster = rest + (length - half) + 1;
  }
  return heads;
}

std::vector<std::uint8_t> ToBytes(const std::vector<std::uint32_t>& fat) {
  std::vector<std::uint8_t> bytes(std::size_t{kSectorsPerFat} * 512);
  for (std::size_t i = 0; i < fat.size(); ++i)
    qm::StoreLe32(&bytes[i * 4], fat[i]);
  return bytes;
}

void Report(const char* name, double seconds, double reference) {
  const double mb = static_cast<double>(kSectorsPerFat) * 512 / 1e6;
  std::printf("%-34s %9.1f MB/s   plain copy %9.1f MB/s   ratio %.3f\n", name, mb / seconds, mb / reference,
              reference / seconds);
}

} // namespace

int main() {
  std::vector<std::uint32_t> fat(kEntries, 0);
  fat[0] = 0x0FFFFFF8;
  fat[1] = 0x0FFFFFFF;
  const std::vector<std::uint32_t> heads = FillTable(fat);
  MemoryDisk disk(ToBytes(fat));

  std::vector<std::uint8_t> copy(std::size_t{kSectorsPerFat} * 512);
  double plain = 1e9, load = 1e9, walk = 1e9;
  std::uint64_t walked = 0;
  for (int round = 0; round < 5; ++round) {
    auto start = std::chrono::steady_clock::now();
    disk.ReadSectors(copy.data(), 0, kSectorsPerFat);
    plain = std::min(plain, Seconds(start));

    start = std::chrono::steady_clock::now();
    auto table = CreateFATTable(&disk, 0, kFatType32, kSectorsPerFat, true, true);
    load = std::min(load, Seconds(start));
    if (table->GetFirstCopy() == nullptr) {
      std::printf("the benchmark's table was rejected\n");
      return 1;
    }

    start = std::chrono::steady_clock::now();
    walked = 0;
    for (const std::uint32_t head : heads)
      for (std::uint32_t c = head; c >= 2 && c < qm::fat_table::kEndOfChain; c = table->GetNextCluster(c))
        ++walked;
    walk = std::min(walk, Seconds(start));
  }
  Report("FAT32 load + check, 16M entries", load, plain);
  std::printf("%-34s %9.1f M clusters/s (%llu clusters in %zu chains)\n", "chains followed",
              walked / walk / 1e6, static_cast<unsigned long long>(walked), heads.size());

  std::vector<std::uint32_t> descending(kEntries, 0);
  descending[0] = 0x0FFFFFF8;
  descending[1] = 0x0FFFFFFF;
  for (std::uint32_t c = kEntries - 1; c > 2; --c)
    descending[c] = c - 1;
  descending[2] = 0x0FFFFFFF;
  MemoryDisk reversed(ToBytes(descending));
  double worst = 1e9;
  for (int round = 0; round < 3; ++round) {
    const auto start = std::chrono::steady_clock::now();
    auto table = CreateFATTable(&reversed, 0, kFatType32, kSectorsPerFat, true, false);
    worst = std::min(worst, Seconds(start));
    if (table->GetFirstCopy() == nullptr) return 1;
  }
  Report("FAT32 load + check, one chain down", worst, plain);
  return 0;
}
