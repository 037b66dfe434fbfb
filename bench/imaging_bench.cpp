// Writes a disk image of a 1 GiB source (a quarter zeros, a quarter text,
// half random bytes) at each compression type beside a plain sequential
// copy of the same data in the same run, then reads each image back
// through the image device beside pread of that raw copy. The size in MiB
// may be set by QM_BENCH_IMAGE_MB.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
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

template <typename Fn> double Seconds(Fn&& fn) {
  const auto start = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

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

} // namespace

int main() {
  const char* dir = std::getenv("QM_BENCH_DIR");
  const std::filesystem::path folder =
      dir != nullptr ? dir : std::filesystem::temp_directory_path() / "qm-bench";
  std::filesystem::create_directories(folder);
  const char* mb = std::getenv("QM_BENCH_IMAGE_MB");
  const std::uint64_t bytes = (mb != nullptr ? std::strtoull(mb, nullptr, 10) : 1024) << 20;
  const auto source = MakeSource(folder, bytes);
  // The source is read once beforehand: every phase then reads it from the
  // cache, as the image writer reads a disk that is faster than the target.
  Settle();
  PlainRead(source, bytes);
  CImageFileDevice device(source.c_str());
  if (!device.IsOpen()) return 1;
  const std::uint64_t sectors = bytes / 512;
  const char* names[] = {"none", "bzip2", "zlib", "lzma"};
  std::printf("source %llu MiB: a quarter zeros, a quarter text, half random\n",
              static_cast<unsigned long long>(bytes >> 20));
  for (std::uint32_t type = 0; type < 4; ++type) {
    const auto imageFolder = folder / ("imaging-" + std::string(names[type]));
    std::filesystem::remove_all(imageFolder);
    std::filesystem::create_directories(imageFolder);
    // The raw copy is written first and read back last: a plain disk-to-file
    // copy is what the image has to be measured against on both sides.
    const auto rawCopy = folder / ("imaging-copy-" + std::string(names[type]) + ".raw");
    Settle();
    const double copy = Seconds([&] { PlainCopy(source, rawCopy, bytes); });
    Settle();
    const std::string index = (imageFolder / "bench.qmi").string();
    CCompressController writer;
    writer.SetSource(&device, "bench", 0, sectors, 255);
    writer.SetCompression(type, type == 2 ? 6 : 9, 8388600);
    writer.SetTargetPath(index);
    Quiet quiet;
    const double write = Seconds([&] {
      if (writer.Run(&quiet) != 1) std::abort();
      for (const auto& entry : std::filesystem::directory_iterator(imageFolder))
        FlushFile(entry.path());
    });
    std::uint64_t stored = 0;
    for (const auto& entry : std::filesystem::directory_iterator(imageFolder))
      stored += entry.file_size();

    Settle();
    CImageFileDeviceWithDecompress image(index);
    if (!image.CheckPartFiles() || image.GetSectorCount() != sectors) return 2;
    std::vector<std::uint8_t> buffer(kChunk);
    const double plain = Seconds([&] { PlainRead(rawCopy, bytes); });
    std::filesystem::remove(rawCopy);
    const double read = Seconds([&] {
      for (std::uint64_t s = 0; s < sectors; s += kChunk / 512) {
        if (!image.ReadSectors(buffer.data(), s, kChunk / 512)) std::abort();
      }
    });
    // The ratios are the image's speed over the plain file's.
    std::printf("%-5s write %8.1f MB/s (plain copy %8.1f MB/s, ratio %.3f)  read %8.1f MB/s (pread %8.1f "
                "MB/s, ratio %.3f)  stored %.1f%%\n",
                names[type], MBps(bytes, write), MBps(bytes, copy), copy / write, MBps(bytes, read),
                MBps(bytes, plain), plain / read,
                100.0 * static_cast<double>(stored) / static_cast<double>(bytes));
    std::fflush(stdout);
    std::filesystem::remove_all(imageFolder);
  }
  double load[3] = {};
  if (getloadavg(load, 3) > 0) std::printf("load average %.1f\n", load[0]);
  return 0;
}
