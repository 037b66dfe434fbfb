// The FAT deep scan asks about every sector of a device whether it holds
// directory entries, so the sector classifier runs once per 512 bytes of
// the whole disk. MB/s over 256 MiB of pseudo-random sectors in which one
// sector in eight is the start of a directory and one in eight the middle
// of one, beside a plain pass that sums each sector's first word.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "fatext2/fat_dir_sector_scanner.h"
#include "platform/byte_view.h"

namespace {

void PutEntry(std::uint8_t* e, const char* name11, std::uint8_t attributes, std::uint32_t cluster,
              std::uint32_t size) {
  std::memcpy(e, name11, 11);
  e[0x0B] = attributes;
  const std::uint16_t date = (44 << 9) | (5 << 5) | 17;
  qm::StoreLe16(e + 0x0E, (13 << 11) | (45 << 5));
  qm::StoreLe16(e + 0x10, date);
  qm::StoreLe16(e + 0x12, date);
  qm::StoreLe16(e + 0x14, static_cast<std::uint16_t>(cluster >> 16));
  qm::StoreLe16(e + 0x16, (13 << 11) | (45 << 5));
  qm::StoreLe16(e + 0x18, date);
  qm::StoreLe16(e + 0x1A, static_cast<std::uint16_t>(cluster));
  qm::StoreLe32(e + 0x1C, size);
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main() {
  constexpr std::size_t kSector = 512;
  constexpr std::size_t kBytes = 256u << 20;
  std::vector<std::uint8_t> data(kBytes);
  std::uint64_t x = 88172645463325252ull;
  for (std::size_t i = 0; i < data.size(); i += 8) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    std::memcpy(&data[i], &x, 8);
  }
  for (std::size_t at = 0; at + 2 * kSector <= data.size(); at += 8 * kSector) {
    std::uint8_t* start = &data[at];
    std::memset(start, 0, 2 * kSector);
    PutEntry(start, ".          ", 0x10, 100, 0);
    PutEntry(start + 32, "..         ", 0x10, 7, 0);
    std::uint8_t* middle = start + kSector;
    for (std::uint32_t i = 0; i < 16; ++i) {
      char name[12];
      std::snprintf(name, sizeof name, "FILE%04uTXT", i);
      if (i < 14) PutEntry(start + 64 + i * 32, name, 0x20, 200 + i, 1000);
      PutEntry(middle + i * 32, name, 0x20, 300 + i, 1000);
    }
  }

  CFatDirSectorScanner scanner;
  scanner.SetBufferSize(kSector);
  double plain = 1e9, scan = 1e9;
  std::uint64_t found = 0, sum = 0;
  for (int round = 0; round < 5; ++round) {
    auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < data.size(); at += kSector)
      sum += data[at] | (data[at + 1] << 8);
    plain = std::min(plain, Since(start));
    start = std::chrono::steady_clock::now();
    found = 0;
    for (std::size_t at = 0; at < data.size(); at += kSector)
      found += scanner.Analyze(qm::ByteView(&data[at], kSector)) ? 1 : 0;
    scan = std::min(scan, Since(start));
  }
  const double mb = static_cast<double>(kBytes) / 1e6;
  std::printf(
      "%-34s %9.1f MB/s   plain pass %9.1f MB/s   ratio %.3f   (%llu of %zu sectors hold entries; %llu)\n",
      "directory sector classifier", mb / scan, mb / plain, plain / scan,
      static_cast<unsigned long long>(found), kBytes / kSector, static_cast<unsigned long long>(sum & 1));
  return 0;
}
