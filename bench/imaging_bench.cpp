// Writes a disk image of a 1 GiB source (a quarter zeros, a quarter text,
// half random bytes) at each compression type beside a plain sequential
// copy of the same data in the same run, then reads each image back
// through the image device beside pread of that raw copy; both at 1, 2, 4
// and 8 threads, so that the scaling shows. Each figure comes with the
// CPU time of the whole process (all threads) in the same span, as MB per
// CPU second: on a shared machine the wall figure moves with the load,
// the CPU figure much less. The size in MiB may be set by
// QM_BENCH_IMAGE_MB, the thread counts by QM_BENCH_THREADS ("1,2,4,8"),
// the codecs by QM_BENCH_CODECS (names of the rows, e.g. "zlib-1,lzma");
// QM_BENCH_COLD=1 reads from the disk instead of the page cache.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "imaging/compress_controller.h"
#include "imaging/image_device.h"
#include "storage/image_file_device.h"

namespace {

constexpr std::size_t kChunk = 4u << 20;

class Quiet : public ICompressCallBack {
public:
  void ProcessMessages() override {}
  int IsCancelled() override { return 0; }
  void OnBlockDone(std::uint64_t) override {}
  void OnStart(std::uint64_t, std::uint64_t) override {}
  void OnBlockStored(std::uint32_t) override {}
};

// User and system time of every thread of the process so far.
double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Span {
  double wall = 0;
  double cpu = 0;
};

template <typename Fn> Span Measure(Fn&& fn) {
  const double cpu = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  fn();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          CpuSeconds() - cpu};
}

template <typename Fn> double Seconds(Fn&& fn) { return Measure(fn).wall; }

double MBps(std::uint64_t bytes, double seconds) { return static_cast<double>(bytes) / 1e6 / seconds; }

std::filesystem::path MakeSource(const std::filesystem::path& folder, std::uint64_t bytes) {
  const auto path = folder / ("imaging-source-" + std::to_string(bytes >> 20) + "m.img");
  std::error_code error;
  if (std::filesystem::file_size(path, error) == bytes) {
    return path;
  }
  static const char* kWords[] = {"sector ", "image ", "volume ", "record ", "folder ", "recover ", "the ",
                                 "file ",   "data ",  "block ",  "of ",     "disk\n",  "a ",       "part "};
  std::FILE* out = std::fopen(path.c_str(), "wb");
  std::vector<std::uint8_t> chunk(kChunk);
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  const auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  for (std::uint64_t done = 0, i = 0; done < bytes; done += kChunk, ++i) {
    if (i % 4 == 0) {
      std::fill(chunk.begin(), chunk.end(), 0);
    } else if (i % 4 == 2) {
      std::size_t at = 0;
      while (at < chunk.size()) {
        const char* word = kWords[next() % 14];
        for (const char* c = word; *c != 0 && at < chunk.size(); ++c)
          chunk[at++] = static_cast<std::uint8_t>(*c);
      }
    } else {
      for (std::size_t w = 0; w + 8 <= chunk.size(); w += 8) {
        const std::uint64_t v = next();
        std::memcpy(chunk.data() + w, &v, 8);
      }
    }
    std::fwrite(chunk.data(), 1, kChunk, out);
  }
  std::fclose(out);
  return path;
}

// Writes what is still in the page cache to the disk, so that one phase
// does not pay for the writes of the one before.
void Settle() { ::sync(); }

// With QM_BENCH_SYNC=1 each write's time includes putting its files on
// the disk; by default both are measured to the page cache, which shows
// what the writer itself costs (on a virtual disk the device's speed
// depends on where the blocks land, not on the program).
bool SyncWrites() {
  const char* sync = std::getenv("QM_BENCH_SYNC");
  return sync != nullptr && std::strcmp(sync, "1") == 0;
}

void FlushFile(const std::filesystem::path& path) {
  if (!SyncWrites()) {
    return;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::fdatasync(fd) != 0) {
    std::abort();
  }
  ::close(fd);
}

// With QM_BENCH_COLD=1 each read starts with its files out of the page
// cache (written to the disk, then dropped), so that the image and the
// raw copy are both read from the disk: the figure that says whether
// reading an image keeps up with the disk. By default both are read from
// the cache, which shows what the reader itself costs.
bool ColdReads() {
  const char* cold = std::getenv("QM_BENCH_COLD");
  return cold != nullptr && std::strcmp(cold, "1") == 0;
}

void DropFromCache(const std::filesystem::path& path) {
  if (!ColdReads()) {
    return;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::fdatasync(fd) != 0 || ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) != 0) {
    std::abort();
  }
  ::close(fd);
}

void DropFolderFromCache(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    DropFromCache(entry.path());
}

void PlainCopy(const std::filesystem::path& from, const std::filesystem::path& to, std::uint64_t bytes) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  std::vector<std::uint8_t> buffer(kChunk);
  for (std::uint64_t at = 0; at < bytes; at += kChunk) {
    if (::pread(in, buffer.data(), kChunk, static_cast<off_t>(at)) != static_cast<ssize_t>(kChunk) ||
        ::write(out, buffer.data(), kChunk) != static_cast<ssize_t>(kChunk)) {
      std::abort();
    }
  }
  ::close(in);
  ::close(out);
  FlushFile(to);
}

void PlainRead(const std::filesystem::path& path, std::uint64_t bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  std::vector<std::uint8_t> buffer(kChunk);
  for (std::uint64_t at = 0; at < bytes; at += kChunk) {
    if (::pread(fd, buffer.data(), kChunk, static_cast<off_t>(at)) != static_cast<ssize_t>(kChunk))
      std::abort();
  }
  ::close(fd);
}

// The thread counts to measure: QM_BENCH_THREADS ("1,2,4,8" by default).
std::vector<unsigned> ThreadCounts() {
  const char* list = std::getenv("QM_BENCH_THREADS");
  std::vector<unsigned> counts;
  for (const char* at = list != nullptr ? list : "1,2,4,8"; *at != 0;) {
    char* end = nullptr;
    const unsigned long n = std::strtoul(at, &end, 10);
    if (end == at) break;
    if (n != 0) counts.push_back(static_cast<unsigned>(n));
    at = *end == ',' ? end + 1 : end;
  }
  return counts;
}

// The one-minute load average, printed with each row: the machine may be
// shared with other work.
double Load() {
  double load[3] = {};
  return getloadavg(load, 3) > 0 ? load[0] : 0.0;
}

std::uint64_t FolderBytes(const std::filesystem::path& folder) {
  std::uint64_t stored = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    stored += entry.file_size();
  return stored;
}

} // namespace

int main() {
  const char* dir = std::getenv("QM_BENCH_DIR");
  const std::filesystem::path folder =
      dir != nullptr ? dir : std::filesystem::temp_directory_path() / "qm-bench";
  std::filesystem::create_directories(folder);
  const char* mb = std::getenv("QM_BENCH_IMAGE_MB");
  const std::uint64_t bytes = (mb != nullptr ? std::strtoull(mb, nullptr, 10) : 1024) << 20;
  const auto source = MakeSource(folder, bytes);
  const std::vector<unsigned> threads = ThreadCounts();
  // The source is read once beforehand: every phase then reads it from the
  // cache, as the image writer reads a disk that is faster than the target.
  Settle();
  PlainRead(source, bytes);
  CImageFileDevice device(source.c_str());
  if (!device.IsOpen()) return 1;
  const std::uint64_t sectors = bytes / 512;
  std::printf("source %llu MiB: a quarter zeros, a quarter text, half random; %u cores\n",
              static_cast<unsigned long long>(bytes >> 20), std::thread::hardware_concurrency());
  // zlib at level 1 is the wizard's "Fastest", at 6 its "Normal"; bzip2 and
  // LZMA at their largest.
  const struct {
    const char* name;
    std::uint32_t type;
    std::int32_t level;
  } kRuns[] = {{"none", 0, -1}, {"bzip2", 1, 9}, {"zlib-1", 2, 1}, {"zlib-6", 2, 6}, {"lzma", 3, 9}};
  const char* only = std::getenv("QM_BENCH_CODECS");
  for (const auto& run : kRuns) {
    if (only != nullptr && std::strstr(only, run.name) == nullptr) continue;
    const auto imageFolder = folder / ("imaging-" + std::string(run.name));
    // The raw copy is written first and read back last: a plain disk-to-file
    // copy is what the image has to be measured against on both sides.
    const auto rawCopy = folder / ("imaging-copy-" + std::string(run.name) + ".raw");
    Settle();
    const double copy = Seconds([&] { PlainCopy(source, rawCopy, bytes); });
    std::printf("%-6s write, plain copy %8.1f MB/s:", run.name, MBps(bytes, copy));
    std::uint64_t stored = 0;
    const std::string index = (imageFolder / "bench.qmi").string();
    for (unsigned n : threads) {
      std::filesystem::remove_all(imageFolder);
      std::filesystem::create_directories(imageFolder);
      Settle();
      CCompressController writer;
      writer.SetThreads(n);
      writer.SetSource(&device, "bench", 0, sectors, 255);
      writer.SetCompression(run.type, run.level, 8388600);
      writer.SetTargetPath(index);
      Quiet quiet;
      const Span write = Measure([&] {
        if (writer.Run(&quiet) != 1) std::abort();
        for (const auto& entry : std::filesystem::directory_iterator(imageFolder))
          FlushFile(entry.path());
      });
      const std::uint64_t size = FolderBytes(imageFolder);
      // The same image on every thread count, or the figures mean nothing.
      if (stored != 0 && size != stored) std::abort();
      stored = size;
      std::printf("  %ut %7.1f MB/s (cpu %6.1f)", n, MBps(bytes, write.wall), MBps(bytes, write.cpu));
      std::fflush(stdout);
    }
    std::printf("  (stored %.1f%%, load %.1f)\n",
                100.0 * static_cast<double>(stored) / static_cast<double>(bytes), Load());

    Settle();
    std::vector<std::uint8_t> buffer(kChunk);
    std::printf("%-6s read 4 MiB requests from the %s, ratio to pread of the raw copy:", run.name,
                ColdReads() ? "disk" : "cache");
    for (unsigned n : threads) {
      CImageFileDeviceWithDecompress image(index);
      image.SetReadAheadThreads(n);
      if (!image.CheckPartFiles() || image.GetSectorCount() != sectors) return 2;
      DropFromCache(rawCopy);
      const double plain = Seconds([&] { PlainRead(rawCopy, bytes); });
      DropFolderFromCache(imageFolder);
      const Span read = Measure([&] {
        for (std::uint64_t s = 0; s < sectors; s += kChunk / 512) {
          if (!image.ReadSectors(buffer.data(), s, kChunk / 512)) std::abort();
        }
      });
      std::printf("  %ut %7.1f MB/s (cpu %6.1f, pread %7.1f) %.3f", n, MBps(bytes, read.wall),
                  MBps(bytes, read.cpu), MBps(bytes, plain), plain / read.wall);
      std::fflush(stdout);
    }
    std::printf("  (load %.1f)\n", Load());
    std::filesystem::remove(rawCopy);
    std::filesystem::remove_all(imageFolder);
  }
  return 0;
}
