// The tree build of an existing NTFS volume over a $MFT of 1,000,000
// records: the fixture volume with a large $MFT appended (large_mft_image.h).
// Prints records/s and the heap bytes each node of the tree keeps, beside a
// plain read of the same $MFT in 1 MiB blocks.
//
//   ntfs_tree_bench [threads [records]]
// threads: the threads that read records (1 by default, 0 one per core);
// records: the size of the $MFT (1,000,000 by default). One build a run, so
// that every build meets the heap as a fresh program does.
#include <malloc.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "filemodel/dir_build_callback.h"
#include "filemodel/file_node.h"
#include "ntfs/large_mft_image.h"
#include "ntfs/ntfs_tree_builder.h"
#include "storage/storage_device.h"

namespace {

constexpr std::uint64_t kDefaultRecords = 1000000;
constexpr std::uint64_t kMinRecords = 1024;

class VectorDevice : public IStorageDevice {
public:
  explicit VectorDevice(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
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
  std::vector<std::uint8_t>& bytes_;
};

std::vector<std::uint8_t> ReadFixture() {
  const std::string command =
      std::string("xz -dc '") + QM_SOURCE_DIR + "/tests/fixtures/ntfs/ntfs_basic.img.xz'";
  std::vector<std::uint8_t> bytes;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    std::uint8_t chunk[1 << 16];
    for (std::size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
      bytes.insert(bytes.end(), chunk, chunk + n);
    pclose(pipe);
  }
  return bytes;
}

// Notes when each stage of the build begins.
class StageClock : public IDIRBuildCallback {
public:
  int OnBegin(const char*, std::uint32_t) override {
    begins.push_back(std::chrono::steady_clock::now());
    return 0;
  }
  int OnStep(std::uint32_t) override { return 0; }
  int OnPosition(std::uint32_t) override { return 0; }
  int OnEnd() override { return 0; }
  int Poll() override { return 0; }
  std::vector<std::chrono::steady_clock::time_point> begins;
};

// Processor time of the calling thread, and of the whole process (the
// build's record readers included): on a machine shared with other work
// the wall time says more about the others.
double CpuSeconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}
double ThreadCpuSeconds() { return CpuSeconds(CLOCK_THREAD_CPUTIME_ID); }
double ProcessCpuSeconds() { return CpuSeconds(CLOCK_PROCESS_CPUTIME_ID); }
// The system's share of the process's time: mostly the clearing of the
// pages that the tree's memory takes at first touch.
double SystemSeconds() {
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  return static_cast<double>(use.ru_stime.tv_sec) + static_cast<double>(use.ru_stime.tv_usec) / 1e6;
}
long PageFaults() {
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  return use.ru_minflt + use.ru_majflt;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main(int argc, char** argv) {
  const unsigned threads = argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 1;
  const std::uint64_t records =
      argc > 2 ? std::max<std::uint64_t>(std::strtoull(argv[2], nullptr, 10), kMinRecords) : kDefaultRecords;
  qm::test::LargeMftImage large = qm::test::MakeLargeMftImage(ReadFixture(), records);
  if (large.bytes.empty()) {
    std::fprintf(stderr, "fixture image not readable\n");
    return 1;
  }
  std::vector<std::uint8_t>& image = large.bytes;
  VectorDevice device(image);

  // Reference: the same $MFT read in 1 MiB blocks.
  const std::uint64_t mftBytes = large.mftBytes;
  std::vector<std::uint8_t> block(1 << 20);
  std::uint64_t sum = 0;
  auto start = std::chrono::steady_clock::now();
  double cpu = ThreadCpuSeconds();
  for (std::uint64_t at = 0; at < mftBytes; at += block.size()) {
    const std::uint64_t n = std::min<std::uint64_t>(block.size(), mftBytes - at) / 512;
    device.ReadSectors(block.data(), (large.mftOffset + at) / 512, n);
    sum += block[0];
  }
  const double readSeconds = Seconds(start);
  const double readCpu = ThreadCpuSeconds() - cpu;

  // Everything the heap gave out, also in blocks of their own mappings
  // (the tree-object pool's chunks among them).
  auto heapBytes = [] {
    const auto info = mallinfo2();
    return info.uordblks + info.hblkhd;
  };
  const std::size_t heapBefore = heapBytes();
  start = std::chrono::steady_clock::now();
  cpu = ThreadCpuSeconds();
  const double processCpu = ProcessCpuSeconds();
  const double systemCpu = SystemSeconds();
  const long faults = PageFaults();
  CNtfsTreeBuilder builder;
  builder.SetThreads(threads);
  StageClock stages;
  CFileNode* root = builder.Build(0, &device, &stages);
  const double buildSeconds = Seconds(start);
  const double buildCpu = ThreadCpuSeconds() - cpu;
  const double buildProcessCpu = ProcessCpuSeconds() - processCpu;
  const double buildSystemCpu = SystemSeconds() - systemCpu;
  const long buildFaults = PageFaults() - faults;
  const double linkSeconds = stages.begins.size() == 2 ? Seconds(stages.begins[1]) : 0.0;
  const std::size_t heapAfter = heapBytes();
  std::uint64_t nodes = 0;
  qm::ForEachInSubtree(root, [&nodes](CFileNode*) { ++nodes; });
  DeleteFileTree(root);

  std::printf("plain read of the $MFT: %.1f MB/s (%.3f s, %llu)\n", mftBytes / readSeconds / 1e6, readSeconds,
              static_cast<unsigned long long>(sum & 1));
  std::printf("tree build, %u thread%s: %llu records, %llu nodes in %.3f s: %.0f records/s, %.1f MB/s of "
              "$MFT\n",
              builder.Threads(), builder.Threads() == 1 ? "" : "s", static_cast<unsigned long long>(records),
              static_cast<unsigned long long>(nodes), buildSeconds, records / buildSeconds,
              mftBytes / buildSeconds / 1e6);
  std::printf("  of which reading records %.3f s, linking %.3f s\n", buildSeconds - linkSeconds, linkSeconds);
  std::printf("processor time: plain read %.3f s, tree build %.3f s on the building thread (%.0f records/s), "
              "%.3f s on all threads (%.3f s of it in the system, %ld page faults)\n",
              readCpu, buildCpu, records / buildCpu, buildProcessCpu, buildSystemCpu, buildFaults);
  std::printf("heap kept by the tree: %.1f bytes per node\n",
              nodes != 0 ? static_cast<double>(heapAfter - heapBefore) / static_cast<double>(nodes) : 0.0);
  return nodes > records / 2 ? 0 : 1;
}
