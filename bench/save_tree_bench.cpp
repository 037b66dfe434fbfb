// Saving found files out of a volume image against the system's copy of
// the same files in the same run: 100,000 small files (1 to 8 KiB, in 100
// folders) of an NTFS-type tree over an in-memory volume, against `cp -a`
// of those files written out beforehand; and a 4 GiB sparse file (1 MiB of
// data at each end) against `cp --sparse=always`.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "filemodel/file_node.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "filemodel/ntfs_data_run_lists.h"
#include "storage/storage_device.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kSectorBytes = 512;
constexpr std::uint32_t kSectorsPerCluster = 8;
constexpr std::uint64_t kClusterBytes = kSectorBytes * kSectorsPerCluster;
constexpr std::uint64_t kVolumeBytes = 64u << 20;
constexpr std::uint64_t kClusters = kVolumeBytes / kClusterBytes;
constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 1000;

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class BytesDevice : public IStorageDevice {
public:
  explicit BytesDevice(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    if (first > GetSectorCount() || count > GetSectorCount() - first) return 0;
    std::memcpy(buffer, bytes_.data() + first * kSectorBytes, count * kSectorBytes);
    return 1;
  }
  std::uint64_t GetSectorCount() override { return bytes_.size() / kSectorBytes; }
  std::int32_t GetSectorSize() override { return kSectorBytes; }
  int Open() override { return 1; }
  int Close() override { return 1; }

private:
  std::vector<std::uint8_t>& bytes_;
};

class BenchProperties : public IFileProperties {
public:
  BenchProperties(std::string name, std::uint64_t size, std::uint16_t attributes, std::vector<DataRunEntry> runs)
      : name_(std::move(name)), size_(size), attributes_(attributes), runs_(std::move(runs)) {}
  std::uint32_t GetNameLength() const override { return static_cast<std::uint32_t>(name_.size()); }
  void SetName(const char*) override {}
  const char* GetName() const override { return name_.c_str(); }
  std::uint64_t GetSize() const override { return size_; }
  std::uint16_t GetAttributes() const override { return attributes_; }
  const char* GetDescription() const override { return ""; }
  qm::FileTime* GetCreationTime(qm::FileTime* out) const override { return &(*out = kTime); }
  qm::FileTime* GetLastWriteTime(qm::FileTime* out) const override { return &(*out = kTime); }
  qm::FileTime* GetLastAccessTime(qm::FileTime* out) const override { return &(*out = kTime); }
  std::uint16_t GetState() const override { return 0; }
  std::uint8_t GetCheckState() const override { return qm::kChecked; }
  void SetCheckState(std::uint8_t) override {}
  std::unique_ptr<IDataRunList> GetDataRunList() const override {
    if (attributes_ & qm::kAttrFolder) return nullptr;
    auto list = std::make_unique<CNoneResidentNTFSDataRunList>();
    for (const DataRunEntry& run : runs_) list->AddRun(run);
    return list;
  }
  std::uint32_t GetValidFields() const override { return qm::kValidAll; }
  std::uint32_t GetExtraValue() const override { return 0; }
  std::uint32_t SetExtraValue(std::uint32_t) override { return 0; }
  int Save(IRSData*) const override { return 0; }
  std::uint32_t GetTypeCode() const override { return qm::kPropertiesNtfs; }
  int Load(IRSData*) override { return 0; }

private:
  static constexpr qm::FileTime kTime = 132224078450000000ull; // 2020-01-02
  std::string name_;
  std::uint64_t size_;
  std::uint16_t attributes_;
  std::vector<DataRunEntry> runs_;
};

CFileSystemNode* MakeRoot() {
  CFileSystemNode* root = CreateFileSystemNode();
  root->SetVolumeGeometry(0, kSectorsPerCluster);
  root->SetVolumeState(qm::kVolumeNtfs);
  root->SetProperties(std::make_unique<BenchProperties>("bench", 0, qm::kAttrFolder, std::vector<DataRunEntry>{}));
  return root;
}

void WriteHost(const fs::path& path, const std::uint8_t* bytes, std::size_t n) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(n));
}

std::uint64_t AllocatedBytes(const fs::path& path) {
  struct stat info{};
  return ::stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_blocks) * 512 : 0;
}

int Run(const std::string& command) { return std::system(command.c_str()); }

} // namespace

int main() {
  std::vector<std::uint8_t> bytes(kVolumeBytes);
  std::uint32_t state = 12345;
  for (auto& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(state >> 16);
  }
  BytesDevice device(bytes);
  const fs::path work = fs::temp_directory_path() / ("qm_save_tree_bench_" + std::to_string(::getpid()));
  fs::remove_all(work);
  fs::create_directories(work / "source");

  // The tree and, file by file, the same bytes on the host for cp.
  CFileSystemNode* root = MakeRoot();
  std::uint64_t totalBytes = 0;
  for (int f = 0; f < kFolders; ++f) {
    const std::string folderName = "folder" + std::to_string(f);
    CFileNode* folder = root->AddChild(CreateFileNode());
    folder->SetProperties(
        std::make_unique<BenchProperties>(folderName, 0, qm::kAttrFolder, std::vector<DataRunEntry>{}));
    fs::create_directories(work / "source" / folderName);
    for (int i = 0; i < kFilesPerFolder; ++i) {
      const std::uint64_t n = static_cast<std::uint64_t>(f) * kFilesPerFolder + static_cast<std::uint64_t>(i);
      const std::uint64_t size = 1024 + (n * 7919) % 7169; // 1 to 8 KiB
      const std::uint64_t cluster = (n * 13) % (kClusters - 2);
      const std::string name = "file" + std::to_string(i) + ".dat";
      CFileNode* file = folder->AddChild(CreateFileNode());
      file->SetProperties(std::make_unique<BenchProperties>(name, size, 0, std::vector<DataRunEntry>{{cluster, 2}}));
      WriteHost(work / "source" / folderName / name, bytes.data() + cluster * kClusterBytes, size);
      totalBytes += size;
    }
  }
  Run("sync");

  // Saved, copied, saved again: the order shows what the host's write-back
  // of the files before costs the step after.
  qm::SaveContext context{nullptr, &device};
  double saveSeconds[2] = {};
  for (int round = 0; round < 2; ++round) {
    qm::SaveSummary summary;
    const auto start = std::chrono::steady_clock::now();
    const std::uint32_t code =
        SaveCheckedTree(context, root, (work / ("saved" + std::to_string(round))).string(), nullptr, &summary);
    saveSeconds[round] = Seconds(start);
    if (code != qm::kSaveDone || summary.files != kFolders * kFilesPerFolder) return 2;
    if (round == 1) break;
    Run("sync");
  }
  DeleteFileTree(root);
  Run("sync");
  auto start = std::chrono::steady_clock::now();
  if (Run("cp -a " + (work / "source").string() + " " + (work / "copied").string()) != 0) return 1;
  const double cpSeconds = Seconds(start);
  const double files = kFolders * kFilesPerFolder;
  for (const double seconds : saveSeconds)
    std::printf("%-34s %8.2f s %9.0f files/s %7.1f MB/s\n", "save 100,000 small files", seconds, files / seconds,
                totalBytes / 1e6 / seconds);
  std::printf("%-34s %8.2f s %9.0f files/s %7.1f MB/s\n", "cp -a of the same files", cpSeconds, files / cpSeconds,
              totalBytes / 1e6 / cpSeconds);
  fs::remove_all(work / "source");
  fs::remove_all(work / "copied");
  fs::remove_all(work / "saved0");
  fs::remove_all(work / "saved1");

  // A 4 GiB file: 1 MiB of data, a hole, 1 MiB of data.
  constexpr std::uint64_t kSparseBytes = 4ull << 30;
  constexpr std::uint64_t kDataClusters = (1u << 20) / kClusterBytes;
  const std::uint64_t holeClusters = kSparseBytes / kClusterBytes - 2 * kDataClusters;
  root = MakeRoot();
  CFileNode* sparse = root->AddChild(CreateFileNode());
  sparse->SetProperties(std::make_unique<BenchProperties>(
      "sparse.bin", kSparseBytes, qm::kAttrSparse,
      std::vector<DataRunEntry>{{0, kDataClusters}, {qm::kSparseRunStart, holeClusters}, {kDataClusters, kDataClusters}}));
  const fs::path source = work / "sparse.bin";
  {
    std::ofstream out(source, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), 1 << 20);
    out.seekp(static_cast<std::streamoff>(kSparseBytes - (1u << 20)));
    out.write(reinterpret_cast<const char*>(bytes.data() + (1u << 20)), 1 << 20);
  }
  start = std::chrono::steady_clock::now();
  if (Run("cp --sparse=always " + source.string() + " " + (work / "copied.bin").string()) != 0) return 3;
  const double cpSparse = Seconds(start);
  start = std::chrono::steady_clock::now();
  std::string created;
  if (SaveCheckedTree(context, root, (work / "saved").string(), &created, nullptr) != qm::kSaveDone) return 4;
  const double saveSparse = Seconds(start);
  DeleteFileTree(root);
  const fs::path saved = fs::path(created) / "sparse.bin";
  std::printf("%-34s %8.3f s, %6.1f MiB on disk of %llu GiB\n", "save 4 GiB sparse file", saveSparse,
              AllocatedBytes(saved) / 1048576.0, static_cast<unsigned long long>(kSparseBytes >> 30));
  std::printf("%-34s %8.3f s, %6.1f MiB on disk\n", "cp --sparse=always of it", cpSparse,
              AllocatedBytes(work / "copied.bin") / 1048576.0);
  if (Run("cmp -s " + source.string() + " " + saved.string()) != 0) return 5;
  fs::remove_all(work);
  return 0;
}
