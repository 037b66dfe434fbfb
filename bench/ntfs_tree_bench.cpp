// The tree build of an existing NTFS volume over a $MFT of 1,000,000
// records: the fixture volume with a large $MFT appended, whose records are
// clones of the fixture's own files and folders (resident, non-resident,
// compressed, sparse; some deleted) arranged as folders of 63 files, eight
// subfolders a folder. Prints records/s and the heap bytes each node of
// the tree keeps, beside a plain read of the same $MFT in 1 MiB blocks.
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "filemodel/dir_build_callback.h"
#include "filemodel/file_node.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_boot_sector.h"
#include "ntfs/ntfs_tree_builder.h"
#include "platform/byte_view.h"
#include "storage/storage_device.h"

namespace {

constexpr std::uint64_t kRecords = 1000000;
constexpr std::size_t kRecordSize = 1024;
constexpr std::uint64_t kFirstUserRecord = 16;
constexpr std::uint64_t kFolderEvery = 64;
constexpr std::uint64_t kFanOut = 8;

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

// Writes the update-sequence protection over a fixed-up record.
void Protect(std::uint8_t* record) {
  const std::uint16_t usa = qm::ByteView(record, kRecordSize).le16(qm::mft::kUsaOffset);
  for (std::size_t i = 0; i < kRecordSize / 512; ++i) {
    std::memcpy(record + usa + 2 * (i + 1), record + 512 * i + 510, 2);
    std::memcpy(record + 512 * i + 510, record + usa, 2);
  }
}

// A fixed-up clone of a fixture record with its parent and number set.
void PlaceClone(const std::vector<std::uint8_t>& fixedTemplate, std::uint8_t* out, std::uint64_t number,
                std::uint64_t parent, bool deleted) {
  std::memcpy(out, fixedTemplate.data(), kRecordSize);
  const qm::ByteView view(out, kRecordSize);
  for (unsigned i = 0;; ++i) {
    const qm::NtfsAttribute name = FindAttribute(view, qm::mft::kFileName, i);
    if (!name) break;
    const std::size_t value = name.offset + name.bytes.le16(qm::mft::kAttrValueOffset);
    qm::StoreLe64(out + value, parent | (std::uint64_t{1} << 48));
  }
  qm::StoreLe32(out + qm::mft::kRecordNumber, static_cast<std::uint32_t>(number));
  if (deleted) qm::StoreLe16(out + qm::mft::kFlags, view.le16(qm::mft::kFlags) & ~qm::mft::kFlagInUse);
  Protect(out);
}

// The $MFT's own record: hidden system file "$MFT" with one run.
void PlaceMftRecord(std::uint8_t* r, std::uint64_t lcn, std::uint64_t clusters) {
  std::memset(r, 0, kRecordSize);
  std::memcpy(r, "FILE", 4);
  qm::StoreLe16(r + 0x04, 0x30);
  qm::StoreLe16(r + 0x06, 3);
  qm::StoreLe16(r + 0x14, 0x38);
  qm::StoreLe16(r + 0x16, 1);
  qm::StoreLe32(r + 0x1C, kRecordSize);
  std::size_t at = 0x38;
  // $STANDARD_INFORMATION: hidden and system.
  qm::StoreLe32(r + at, 0x10);
  qm::StoreLe32(r + at + 4, 0x60);
  qm::StoreLe32(r + at + 0x10, 0x48);
  qm::StoreLe16(r + at + 0x14, 0x18);
  qm::StoreLe32(r + at + 0x18 + 0x20, 0x06);
  at += 0x60;
  // $FILE_NAME "$MFT" in the root folder.
  const char16_t name[] = u"$MFT";
  qm::StoreLe32(r + at, 0x30);
  qm::StoreLe32(r + at + 4, 0x68);
  qm::StoreLe32(r + at + 0x10, 0x42 + 8);
  qm::StoreLe16(r + at + 0x14, 0x18);
  qm::StoreLe64(r + at + 0x18, 5);
  r[at + 0x18 + 0x40] = 4;
  r[at + 0x18 + 0x41] = 3;
  for (int i = 0; i < 4; ++i)
    qm::StoreLe16(r + at + 0x18 + 0x42 + 2 * i, name[i]);
  at += 0x68;
  // $DATA: one run of 4-byte length and offset.
  qm::StoreLe32(r + at, 0x80);
  qm::StoreLe32(r + at + 4, 0x50);
  r[at + 8] = 1;
  qm::StoreLe64(r + at + 0x18, clusters - 1);
  qm::StoreLe16(r + at + 0x20, 0x40);
  qm::StoreLe64(r + at + 0x28, clusters * 4096);
  qm::StoreLe64(r + at + 0x30, clusters * 4096);
  qm::StoreLe64(r + at + 0x38, clusters * 4096);
  r[at + 0x40] = 0x44;
  qm::StoreLe32(r + at + 0x41, static_cast<std::uint32_t>(clusters));
  qm::StoreLe32(r + at + 0x45, static_cast<std::uint32_t>(lcn));
  at += 0x50;
  qm::StoreLe32(r + at, 0xFFFFFFFF);
  qm::StoreLe32(r + 0x18, static_cast<std::uint32_t>(at + 8));
  qm::StoreLe16(r + 0x30, 1);
  Protect(r);
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

// Processor time of the calling thread: on a machine shared with other
// work the wall time of a single-threaded build says more about the others.
double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main() {
  std::vector<std::uint8_t> image = ReadFixture();
  CNTFSDBR boot;
  if (image.size() < 4096 || !boot.Load(qm::ByteView(image.data(), 512))) {
    std::fprintf(stderr, "fixture image not readable\n");
    return 1;
  }
  const std::uint64_t clusterBytes = std::uint64_t{boot.GetSectorsPerCluster()} * 512;
  const std::uint64_t fixtureMft = static_cast<std::uint64_t>(boot.GetMftStartCluster()) * clusterBytes;

  // Templates: the fixture's folders and files (record 64 on), fixed up,
  // without attribute lists.
  std::vector<std::vector<std::uint8_t>> folders;
  std::vector<std::vector<std::uint8_t>> files;
  for (std::uint64_t n = 64; n < 100; ++n) {
    std::vector<std::uint8_t> record(
        image.begin() + static_cast<std::ptrdiff_t>(fixtureMft + n * kRecordSize),
        image.begin() + static_cast<std::ptrdiff_t>(fixtureMft + (n + 1) * kRecordSize));
    if (!IsValidFileRecord(record) || !IsInUse(qm::ByteView(record.data(), record.size()))) continue;
    ApplyUpdateSequenceFixup(record);
    const qm::ByteView view(record.data(), record.size());
    if (HasAttributeList(view) || IsExtensionRecord(view) || !FindAttribute(view, qm::mft::kFileName, 0))
      continue;
    (IsDirectory(view) ? folders : files).push_back(std::move(record));
  }
  if (folders.empty() || files.empty()) {
    std::fprintf(stderr, "no templates in the fixture\n");
    return 1;
  }

  // The $MFT appended after the fixture, cluster aligned.
  const std::uint64_t mftLcn = (image.size() + clusterBytes - 1) / clusterBytes;
  const std::uint64_t mftClusters = (kRecords * kRecordSize + clusterBytes - 1) / clusterBytes;
  image.resize((mftLcn + mftClusters) * clusterBytes, 0);
  std::uint8_t* mft = image.data() + mftLcn * clusterBytes;
  PlaceMftRecord(mft, mftLcn, mftClusters);
  for (std::uint64_t k = kFirstUserRecord; k < kRecords; ++k) {
    const std::uint64_t folder = (k - kFirstUserRecord) / kFolderEvery;
    std::uint8_t* out = mft + k * kRecordSize;
    if ((k - kFirstUserRecord) % kFolderEvery == 0) {
      const std::uint64_t parent = folder == 0 ? 5 : kFirstUserRecord + (folder - 1) / kFanOut * kFolderEvery;
      PlaceClone(folders[folder % folders.size()], out, k, parent, false);
    } else {
      PlaceClone(files[k % files.size()], out, k, kFirstUserRecord + folder * kFolderEvery, k % 97 == 0);
    }
  }
  qm::StoreLe64(image.data() + qm::ntfs_boot::kTotalSectors, image.size() / 512 - 1);
  qm::StoreLe64(image.data() + qm::ntfs_boot::kMftCluster, mftLcn);
  VectorDevice device(image);

  // Reference: the same $MFT read in 1 MiB blocks.
  const std::uint64_t mftBytes = mftClusters * clusterBytes;
  std::vector<std::uint8_t> block(1 << 20);
  std::uint64_t sum = 0;
  auto start = std::chrono::steady_clock::now();
  double cpu = ThreadCpuSeconds();
  for (std::uint64_t at = 0; at < mftBytes; at += block.size()) {
    const std::uint64_t n = std::min<std::uint64_t>(block.size(), mftBytes - at) / 512;
    device.ReadSectors(block.data(), (mftLcn * clusterBytes + at) / 512, n);
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
  CNtfsTreeBuilder builder;
  StageClock stages;
  CFileNode* root = builder.Build(0, &device, &stages);
  const double buildSeconds = Seconds(start);
  const double buildCpu = ThreadCpuSeconds() - cpu;
  const double linkSeconds = stages.begins.size() == 2 ? Seconds(stages.begins[1]) : 0.0;
  const std::size_t heapAfter = heapBytes();
  std::uint64_t nodes = 0;
  qm::ForEachInSubtree(root, [&nodes](CFileNode*) { ++nodes; });
  DeleteFileTree(root);

  std::printf("plain read of the $MFT: %.1f MB/s (%.3f s, %llu)\n", mftBytes / readSeconds / 1e6, readSeconds,
              static_cast<unsigned long long>(sum & 1));
  std::printf("tree build: %llu records, %llu nodes in %.3f s: %.0f records/s, %.1f MB/s of $MFT\n",
              static_cast<unsigned long long>(kRecords), static_cast<unsigned long long>(nodes), buildSeconds,
              kRecords / buildSeconds, mftBytes / buildSeconds / 1e6);
  std::printf("  of which reading records %.3f s, linking %.3f s\n", buildSeconds - linkSeconds, linkSeconds);
  std::printf("processor time: plain read %.3f s, tree build %.3f s (%.0f records/s)\n", readCpu, buildCpu,
              kRecords / buildCpu);
  std::printf("heap kept by the tree: %.1f bytes per node\n",
              nodes != 0 ? static_cast<double>(heapAfter - heapBefore) / static_cast<double>(nodes) : 0.0);
  return nodes > kRecords / 2 ? 0 : 1;
}
