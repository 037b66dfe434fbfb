// The carving sweep asks the user-defined header analyser about every
// sector. Sectors per second over 256 MiB of pseudo-random sectors with
// eight scripts loaded (one sector in 64 matches), beside a plain pass that
// sums each sector's first word.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "filemodel/raw_file_info.h"
#include "raw/custom_file_analyser.h"

int main() {
  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / "qm_custom_header_bench";
  fs::create_directories(folder);
  for (int i = 0; i < 8; ++i) {
    std::ofstream(folder / ("t" + std::to_string(i) + ".fhs"), std::ios::binary)
        << "FILEINFO: EXTNAME=\"T" << i << "\"\r\nFILESIGN: OFFSET=0x0 TYPE=CHAR VALUE=\"QMT" << i
        << "\"\r\nFILESIGN: OFFSET=0x1F0 TYPE=BYTE VALUE=0x55,0xAA";
  }
  CustomFileAnalyser analyser(folder);
  fs::remove_all(folder);

  constexpr std::size_t kSector = 512;
  constexpr std::size_t kSectors = (256u << 20) / kSector;
  std::vector<std::uint8_t> data(kSectors * kSector);
  std::uint64_t x = 88172645463325252ull;
  for (std::size_t i = 0; i < data.size(); i += 8) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    std::memcpy(&data[i], &x, 8);
  }
  for (std::size_t s = 0; s < kSectors; s += 64) {
    std::memcpy(&data[s * kSector], "QMT3", 4);
    data[s * kSector + 496] = 0x55;
    data[s * kSector + 497] = 0xAA;
  }

  auto start = std::chrono::steady_clock::now();
  std::uint64_t sum = 0;
  for (std::size_t s = 0; s < kSectors; ++s) {
    std::uint32_t word;
    std::memcpy(&word, &data[s * kSector], 4);
    sum += word;
  }
  double reference = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  start = std::chrono::steady_clock::now();
  std::size_t matches = 0;
  for (std::size_t s = 0; s < kSectors; ++s) {
    CRawFileInfo info;
    matches += analyser.CheckHeader(qm::ByteView(&data[s * kSector], kSector), &info) != 0;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("reference: first word of each sector  %8.0f MB/s  (sum %llu)\n", data.size() / reference / 1e6,
              static_cast<unsigned long long>(sum & 0xFF));
  std::printf("CustomFileAnalyser::CheckHeader       %8.0f MB/s  %.1f M sectors/s  matches %zu\n",
              data.size() / seconds / 1e6, kSectors / seconds / 1e6, matches);
  return matches == kSectors / 64 ? 0 : 1;
}
