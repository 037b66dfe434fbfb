// Shared by the device benchmarks: a 1 GiB image made at bench time (never
// by the tests), plain sequential reads of it as the reference, and MB/s.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

inline constexpr std::uint64_t kImageBytes = 1ull << 30;
inline constexpr std::size_t kRequestBytes = 4u << 20;

// A 1 GiB file of non-repeating bytes beside the benchmark, made once.
inline std::filesystem::path BenchImage() {
  const char* dir = std::getenv("QM_BENCH_DIR");
  const std::filesystem::path folder = dir != nullptr ? dir : std::filesystem::temp_directory_path() / "qm-bench";
  std::filesystem::create_directories(folder);
  const auto path = folder / "bench-1g.img";
  std::error_code error;
  if (std::filesystem::file_size(path, error) == kImageBytes) return path;
  std::FILE* out = std::fopen(path.c_str(), "wb");
  std::vector<std::uint64_t> block(kRequestBytes / 8);
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  for (std::uint64_t done = 0; done < kImageBytes; done += kRequestBytes) {
    for (auto& word : block) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      word = state;
    }
    std::fwrite(block.data(), 1, kRequestBytes, out);
  }
  std::fclose(out);
  return path;
}

template <typename Fn>
double Seconds(Fn&& fn) {
  const auto start = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double MBps(std::uint64_t bytes, double seconds) { return static_cast<double>(bytes) / 1e6 / seconds; }

// The reference: the same file read with plain pread in 4 MiB requests.
inline std::uint64_t PlainRead(const std::filesystem::path& path, std::vector<std::uint8_t>& buffer) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  std::uint64_t sum = 0;
  for (std::uint64_t offset = 0; offset < kImageBytes; offset += kRequestBytes) {
    if (::pread(fd, buffer.data(), kRequestBytes, static_cast<off_t>(offset)) != static_cast<ssize_t>(kRequestBytes))
      std::abort();
    sum += buffer[0];
  }
  ::close(fd);
  return sum;
}

// Several rounds, alternating, so both sides see the same cache and the
// same load: the best of each side, and the median of the rounds' own
// ratios (steadier on a shared machine), the first round's ratio (the
// process's first sweep, before any buffer could be reused) and the load
// average.
template <typename Fn>
void Compare(const char* name, const std::filesystem::path& path, Fn&& device, int rounds = 5) {
  std::vector<std::uint8_t> buffer(kRequestBytes);
  PlainRead(path, buffer); // warm the page cache
  double plain = 1e9, dev = 1e9;
  std::vector<double> ratios;
  for (int r = 0; r < rounds; ++r) {
    const double p = Seconds([&] { PlainRead(path, buffer); });
    const double d = Seconds([&] { device(); });
    plain = std::min(plain, p);
    dev = std::min(dev, d);
    ratios.push_back(p / d);
  }
  const double first = ratios.front();
  std::sort(ratios.begin(), ratios.end());
  const double median = ratios.size() % 2 != 0 ? ratios[ratios.size() / 2]
                                               : (ratios[ratios.size() / 2 - 1] + ratios[ratios.size() / 2]) / 2;
  double load = -1;
  if (std::FILE* in = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(in, "%lf", &load) != 1) load = -1;
    std::fclose(in);
  }
  std::printf("%-28s %9.1f MB/s   plain pread %9.1f MB/s   ratio %.3f   median of %d %.3f   first %.3f   load %.1f\n",
              name, MBps(kImageBytes, dev), MBps(kImageBytes, plain), plain / dev, rounds, median, first, load);
}

} // namespace bench
