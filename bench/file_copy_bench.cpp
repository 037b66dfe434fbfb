// Copying found files out of a 64 MiB in-memory volume (4 KiB clusters of
// 512-byte sectors): a plain file in 1 MiB fragments, and an NTFS-compressed
// file whose every unit decodes through LZNT1 copy tokens. Beside them,
// writing the same bytes from memory to a file in the same run.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "filemodel/file_node.h"
#include "filemodel/file_saver.h"
#include "filemodel/file_system_node.h"
#include "filemodel/ntfs_data_run_lists.h"
#include "filemodel/plain_file.h"
#include "storage/storage_device.h"

namespace {

constexpr std::uint32_t kSectorBytes = 512;
constexpr std::uint32_t kSectorsPerCluster = 8;
constexpr std::uint64_t kClusterBytes = kSectorBytes * kSectorsPerCluster;
constexpr std::uint64_t kVolumeBytes = 64u << 20;
constexpr std::uint64_t kClusters = kVolumeBytes / kClusterBytes;

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
  BenchProperties(std::uint64_t size, std::uint16_t attributes, std::vector<DataRunEntry> runs)
      : size_(size), attributes_(attributes), runs_(std::move(runs)) {}
  std::uint32_t GetNameLength() const override { return 1; }
  void SetName(const char*) override {}
  const char* GetName() const override { return "f"; }
  std::uint64_t GetSize() const override { return size_; }
  std::uint16_t GetAttributes() const override { return attributes_; }
  const char* GetDescription() const override { return ""; }
  qm::FileTime* GetCreationTime(qm::FileTime* out) const override { return &(*out = 0); }
  qm::FileTime* GetLastWriteTime(qm::FileTime* out) const override { return &(*out = 0); }
  qm::FileTime* GetLastAccessTime(qm::FileTime* out) const override { return &(*out = 0); }
  std::uint16_t GetState() const override { return 0; }
  std::uint8_t GetCheckState() const override { return qm::kChecked; }
  void SetCheckState(std::uint8_t) override {}
  std::unique_ptr<IDataRunList> GetDataRunList() const override {
    auto list = std::make_unique<CNoneResidentNTFSDataRunList>();
    for (const DataRunEntry& run : runs_) list->AddRun(run);
    return list;
  }
  std::uint32_t GetValidFields() const override { return 0; }
  std::uint32_t GetExtraValue() const override { return 0; }
  std::uint32_t SetExtraValue(std::uint32_t) override { return 0; }
  int Save(IRSData*) const override { return 0; }
  std::uint32_t GetTypeCode() const override { return qm::kPropertiesNtfs; }
  int Load(IRSData*) override { return 0; }

private:
  std::uint64_t size_;
  std::uint16_t attributes_;
  std::vector<DataRunEntry> runs_;
};

// One compressed chunk of 4096 bytes: 16 literals, then copy tokens of 16
// bytes from 16 back (the shape of repetitive text).
std::vector<std::uint8_t> CompressedChunk() {
  std::vector<std::uint8_t> data;
  std::size_t produced = 0;
  while (produced < 4096) {
    const std::size_t flagsAt = data.size();
    data.push_back(0);
    for (int bit = 0; bit < 8 && produced < 4096; ++bit) {
      if (produced < 16) {
        data.push_back(static_cast<std::uint8_t>('a' + produced));
        ++produced;
        continue;
      }
      unsigned shift = 12;
      for (std::size_t p = produced - 1; p >= 0x10; p >>= 1) --shift;
      const auto token = static_cast<std::uint16_t>((15u << shift) | (16 - 3));
      data[flagsAt] |= static_cast<std::uint8_t>(1u << bit);
      data.push_back(static_cast<std::uint8_t>(token));
      data.push_back(static_cast<std::uint8_t>(token >> 8));
      produced += 16;
    }
  }
  std::vector<std::uint8_t> chunk = {0, 0};
  const auto header = static_cast<std::uint16_t>(0xB000 | (data.size() - 1));
  chunk[0] = static_cast<std::uint8_t>(header);
  chunk[1] = static_cast<std::uint8_t>(header >> 8);
  chunk.insert(chunk.end(), data.begin(), data.end());
  return chunk;
}

double Save(BytesDevice& device, std::uint64_t size, std::uint16_t attributes, std::vector<DataRunEntry> runs,
            const std::string& path) {
  CFileSystemNode* root = CreateFileSystemNode();
  root->SetVolumeGeometry(0, kSectorsPerCluster);
  root->SetVolumeState(qm::kVolumeNtfs);
  CFileNode* file = root->AddChild(CreateFileNode());
  file->SetProperties(std::make_unique<BenchProperties>(size, attributes, std::move(runs)));
  qm::SaveContext context{nullptr, &device};
  const auto start = std::chrono::steady_clock::now();
  const std::uint32_t code = SaveOneFile(context, file, path);
  const double seconds = Seconds(start);
  DeleteFileTree(root);
  return code == qm::kSaveDone ? seconds : -1;
}

} // namespace

int main() {
  std::vector<std::uint8_t> bytes(kVolumeBytes);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>("record of a found file\n"[i % 23]);
  BytesDevice device(bytes);
  const std::string path = "/tmp/qm_file_copy_bench_" + std::to_string(::getpid());
  const double mb = kVolumeBytes / 1e6;

  auto start = std::chrono::steady_clock::now();
  {
    CPlainFile out;
    if (!out.Open(path.c_str(), CPlainFile::kCreateAlways)) return 1;
    for (std::uint64_t at = 0; at < kVolumeBytes; at += 65536)
      if (!out.Write(bytes.data() + at, 65536)) return 1;
  }
  std::printf("%-28s %8.1f MB/s\n", "write from memory", mb / Seconds(start));

  // Plain: 1 MiB fragments in reverse order over the whole volume.
  std::vector<DataRunEntry> runs;
  constexpr std::uint64_t kFragment = (1u << 20) / kClusterBytes;
  for (std::uint64_t at = kClusters; at >= kFragment; at -= kFragment) runs.push_back({at - kFragment, kFragment});
  const double plain = Save(device, kVolumeBytes, 0, std::move(runs), path);
  if (plain < 0) return 2;
  std::printf("%-28s %8.1f MB/s\n", "copy by runs", mb / plain);

  // Compressed: each unit stores 16 chunks in the fewest clusters, then a
  // sparse tail; the file is 16 times the unit count of those clusters.
  std::vector<std::uint8_t> unit;
  const std::vector<std::uint8_t> chunk = CompressedChunk();
  for (int i = 0; i < 16; ++i) unit.insert(unit.end(), chunk.begin(), chunk.end());
  const std::uint64_t stored = (unit.size() + kClusterBytes - 1) / kClusterBytes;
  const std::uint64_t units = kClusters / stored;
  runs.clear();
  for (std::uint64_t u = 0; u < units; ++u) {
    std::memcpy(bytes.data() + u * stored * kClusterBytes, unit.data(), unit.size());
    runs.push_back({u * stored, stored});
    runs.push_back({qm::kSparseRunStart, 16 - stored});
  }
  const std::uint64_t compressedSize = units * 16 * kClusterBytes;
  const double compressed = Save(device, compressedSize, qm::kAttrCompressed, std::move(runs), path);
  if (compressed < 0) return 3;
  std::printf("%-28s %8.1f MB/s of output (%llu units)\n", "copy compressed", compressedSize / 1e6 / compressed,
              static_cast<unsigned long long>(units));
  ::unlink(path.c_str());
  return 0;
}
