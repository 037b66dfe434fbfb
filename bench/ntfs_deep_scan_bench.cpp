// The NTFS deep-scan controller alone in a complete-recovery sweep over
// 1 GiB: once over non-repeating random bytes, once over an image full of
// MFT records and INDX blocks (the fixture volume's $MFT and index blocks
// over and over), each beside plain sequential pread of the same file in
// the same run.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_image.h"
#include "ntfs/index_record.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_search_controller.h"
#include "storage/image_file_device.h"
#include "storage/intelligent_search.h"
#include "storage/storage_device_with_cache.h"

namespace {

std::vector<std::uint8_t> ReadFixture() {
  const std::string command = std::string("xz -dc '") + QM_SOURCE_DIR + "/tests/fixtures/ntfs/ntfs_basic.img.xz'";
  std::vector<std::uint8_t> bytes;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    std::uint8_t chunk[1 << 16];
    for (std::size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
    pclose(pipe);
  }
  return bytes;
}

// 1 GiB of the fixture's FILE records and INDX blocks, beside the random
// image, made once.
std::filesystem::path RecordImage() {
  const auto path = bench::BenchImage().parent_path() / "bench-ntfs-records-1g.img";
  std::error_code error;
  if (std::filesystem::file_size(path, error) == bench::kImageBytes) return path;
  const std::vector<std::uint8_t> fixture = ReadFixture();
  std::vector<std::uint8_t> unit;
  for (std::size_t at = 0; at + 4096 <= fixture.size(); at += 512) {
    const qm::ByteView head(fixture.data() + at, 4096);
    if (IsFileRecordHeader(head)) {
      unit.insert(unit.end(), fixture.begin() + static_cast<std::ptrdiff_t>(at),
                  fixture.begin() + static_cast<std::ptrdiff_t>(at + 1024));
      at += 512;
    } else if (IsIndxMagic(head) && at % 4096 == 0) {
      unit.insert(unit.end(), fixture.begin() + static_cast<std::ptrdiff_t>(at),
                  fixture.begin() + static_cast<std::ptrdiff_t>(at + 4096));
      at += 4096 - 512;
    }
  }
  if (unit.empty()) std::abort();
  std::FILE* out = std::fopen(path.c_str(), "wb");
  for (std::uint64_t done = 0; done < bench::kImageBytes;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(unit.size(), bench::kImageBytes - done));
    std::fwrite(unit.data(), 1, n, out);
    done += n;
  }
  std::fclose(out);
  std::printf("records image: a unit of %zu bytes repeated\n", unit.size());
  return path;
}

// A controller that only looks at each block's first byte in place: the
// cost of the sweep itself (read-ahead cache, hand-over, traces), the floor
// under any controller.
class IdleController : public IFileSystemSearchController {
public:
  void SetDevice(IStorageDevice* device) override { cache_ = dynamic_cast<CStorageDeviceWithCache*>(device); }
  void SetSectorsPerBlock(std::uint32_t) override {}
  int PrepareSearch() override { return 1; }
  int AnalyzeBlock(std::uint64_t, std::uint64_t, SearchStatistics*) override {
    const std::uint8_t* data = cache_ == nullptr ? nullptr : cache_->GetCurBlockData(nullptr, nullptr);
    if (data == nullptr) std::abort();
    sum += data[0];
    return 1;
  }
  void GetFoundPartitions(std::vector<CSearchedPartitionInfo*>&) override {}
  void SetRawFileCollection(CRawFileCollection*) override {}
  int Save(IRSData*) override { return 1; }
  int Load(IRSData*) override { return 1; }
  int GetKind() override { return kNtfsSearchController; }
  std::uint64_t sum = 0;

private:
  CStorageDeviceWithCache* cache_ = nullptr;
};

void SweepIdle(const std::filesystem::path& path) {
  CImageFileDevice image(path.c_str());
  IdleController idle;
  CIntelligentSearchController search;
  search.SetDevice(&image);
  search.AddEntry(&idle);
  if (search.Start(nullptr) != 1) std::abort();
}

void SweepWithNtfs(const std::filesystem::path& path, std::size_t* candidates) {
  CImageFileDevice image(path.c_str());
  CNTFSSearchController ntfs;
  CIntelligentSearchController search;
  search.SetDevice(&image);
  search.AddEntry(&ntfs);
  if (search.Start(nullptr) != 1) std::abort();
  std::vector<CSearchedPartitionInfo*> found;
  ntfs.GetFoundPartitions(found);
  *candidates = found.size();
  for (auto* p : found) delete p;
}

} // namespace

int main(int argc, char** argv) {
  std::size_t candidates = 0;
  const auto random = bench::BenchImage();
  bench::Compare("sweep alone, random", random, [&] { SweepIdle(random); }, 3);
  bench::Compare("NTFS sweep, random", random, [&] { SweepWithNtfs(random, &candidates); }, 3);
  std::printf("  candidates: %zu\n", candidates);
  if (argc > 1 && std::string(argv[1]) == "random") return 0;
  const auto records = RecordImage();
  bench::Compare("NTFS sweep, records", records, [&] { SweepWithNtfs(records, &candidates); }, 3);
  std::printf("  candidates: %zu\n", candidates);
  return 0;
}
