// The EXT2 reader over a volume made at bench time (mke2fs and debugfs):
// a 256 MiB file read through its block map, and the inode walk over every
// inode table, each beside plain pread of the same number of bytes in the
// same run.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fatext2/ext2_block_iterator.h"
#include "fatext2/ext2_dir_iterator.h"
#include "fatext2/ext2_file_system.h"
#include "fatext2/ext2_inode.h"
#include "fatext2/ext2_inode_table_cursor.h"
#include "storage/image_file_device.h"

namespace {

constexpr std::uint64_t kFileBytes = 256ull << 20;

template <typename Fn> double Seconds(Fn&& fn) {
  const auto start = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::filesystem::path MakeVolume() {
  const char* dir = std::getenv("QM_BENCH_DIR");
  const std::filesystem::path folder =
      dir != nullptr ? dir : std::filesystem::temp_directory_path() / "qm-bench";
  std::filesystem::create_directories(folder);
  const auto image = folder / "bench-ext2.img";
  const auto host = folder / "bench-ext2-file";
  std::error_code error;
  if (std::filesystem::file_size(image, error) == (640ull << 20)) return image;
  std::vector<std::uint8_t> bytes(1 << 20);
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  std::FILE* out = std::fopen(host.c_str(), "wb");
  for (std::uint64_t done = 0; done < kFileBytes; done += bytes.size()) {
    for (auto& b : bytes) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      b = static_cast<std::uint8_t>(state);
    }
    std::fwrite(bytes.data(), 1, bytes.size(), out);
  }
  std::fclose(out);
  const std::string commands = "rm -f " + image.string() + " && truncate -s 640M " + image.string() +
                               " && mke2fs -q -F -t ext2 -b 4096 " + image.string() +
                               " && debugfs -w -R 'write " + host.string() + " big.bin' " + image.string() +
                               " >/dev/null 2>&1";
  if (std::system(commands.c_str()) != 0) std::abort();
  return image;
}

std::uint64_t PlainRead(const std::filesystem::path& path, std::uint64_t bytes, std::size_t request) {
  std::vector<std::uint8_t> buffer(request);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  std::uint64_t sum = 0;
  for (std::uint64_t offset = 0; offset < bytes; offset += request) {
    if (::pread(fd, buffer.data(), request, static_cast<off_t>(offset)) != static_cast<ssize_t>(request))
      std::abort();
    sum += buffer[0];
  }
  ::close(fd);
  return sum;
}

} // namespace

int main() {
  const auto path = MakeVolume();
  CImageFileDevice device(path.c_str());
  if (!device.Open()) std::abort();
  CExt2FileSystem fileSystem(&device, 2);
  volatile std::uint64_t sink = 0;

  CExt2Inode root;
  root.Load(&fileSystem, 2);
  CExt2Inode file;
  for (auto it = root.Entries(), end = root.EntriesEnd(); it != end; it.Next())
    if (it.Current().GetName() == "big.bin") file = it.MakeInode();
  if (file.GetSize() != kFileBytes) std::abort();

  PlainRead(path, kFileBytes, 4u << 20); // warm the page cache
  double mapped = 1e9, plainBlocks = 1e9, plain = 1e9;
  for (int round = 0; round < 5; ++round) {
    mapped = std::min(mapped, Seconds([&] {
                        std::uint64_t read = 0;
                        for (CExt2BlockIterator it = file.Blocks(); read < kFileBytes; it.Next()) {
                          const auto data = it.ReadData();
                          if (data.buffer == nullptr) std::abort();
                          sink = sink + data.buffer[0];
                          read += data.length;
                        }
                      }));
    plainBlocks = std::min(plainBlocks, Seconds([&] { sink = sink + PlainRead(path, kFileBytes, 4096); }));
    plain = std::min(plain, Seconds([&] { sink = sink + PlainRead(path, kFileBytes, 4u << 20); }));
  }
  const double mb = static_cast<double>(kFileBytes) / 1e6;
  std::printf("%-30s %9.1f MB/s   pread 4 KiB %9.1f MB/s   pread 4 MiB %9.1f MB/s\n",
              "file through its block map", mb / mapped, mb / plainBlocks, mb / plain);

  const std::uint64_t inodes = fileSystem.SuperBlock().InodeCount();
  const std::uint64_t tableBytes = inodes * fileSystem.SuperBlock().InodeSize();
  double walk = 1e9, tables = 1e9;
  for (int round = 0; round < 5; ++round) {
    walk = std::min(walk, Seconds([&] {
                      CExt2Inode inode;
                      for (auto it = fileSystem.FirstInodeCursor(), end = fileSystem.EndInodeCursor();
                           it != end; it.Next()) {
                        it.Read(inode);
                        sink = sink + inode.IsInUse();
                      }
                    }));
    tables =
        std::min(tables, Seconds([&] {
                   sink = sink + PlainRead(path, tableBytes / (4u << 20) * (4u << 20) + (4u << 20), 4u << 20);
                 }));
  }
  std::printf("%-30s %9.0f inodes/s (%llu inodes, %.1f MB of tables: %.1f MB/s; pread %.1f MB/s)\n",
              "inode walk", static_cast<double>(inodes) / walk, static_cast<unsigned long long>(inodes),
              static_cast<double>(tableBytes) / 1e6, static_cast<double>(tableBytes) / 1e6 / walk,
              static_cast<double>(tableBytes) / 1e6 / tables);
  return 0;
}
