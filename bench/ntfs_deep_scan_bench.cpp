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

int main() {
  std::size_t candidates = 0;
  const auto random = bench::BenchImage();
  bench::Compare("NTFS sweep, random", random, [&] { SweepWithNtfs(random, &candidates); }, 3);
  std::printf("  candidates: %zu\n", candidates);
  const auto records = RecordImage();
  bench::Compare("NTFS sweep, records", records, [&] { SweepWithNtfs(records, &candidates); }, 3);
  std::printf("  candidates: %zu\n", candidates);
  return 0;
}
