// The FAT volume analyser and the quick and complete tree builds over a
// volume whose first sectors are the input (the rest of a 2 MiB device reads
// as zeros): no crash, no hang, whatever the boot sector, the FAT and the
// directories say.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fatext2/fat_dir_sector_scanner.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_tree_builder.h"
#include "fatext2/fat_volume_analyze.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "storage/storage_device.h"

namespace {

constexpr std::uint64_t kDeviceSectors = 4096;

class PrefixDevice : public IStorageDevice {
public:
  PrefixDevice(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override {
    if (first > kDeviceSectors || count > kDeviceSectors - first) return 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::memset(out, 0, count * 512);
    const std::uint64_t offset = first * 512;
    if (offset < size_) std::memcpy(out, data_ + offset, std::min<std::uint64_t>(count * 512, size_ - offset));
    return 1;
  }
  std::uint64_t GetSectorCount() override { return kDeviceSectors; }
  std::int32_t GetSectorSize() override { return 512; }
  int Open() override { return 1; }
  int Close() override { return 1; }

private:
  const std::uint8_t* data_;
  std::size_t size_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kDeviceSectors * 512) return 0;
  PrefixDevice device(data, size);
  CFatVolumeAnalyze volume(&device, 0);
  const int type = volume.GetFileSystemType();

  CFATSearchedPartitionInfo partition;
  partition.SetFileSystemType(type == 7 ? 0 : static_cast<std::uint32_t>(type));
  partition.SetFlags(qm::kFatBootFlags | qm::kFatFoundBackupBoot | qm::kFatUseFirstFat | qm::kFatUseSecondFat);
  {
    CFatTreeBuilder builder;
    DeleteFileTree(builder.QuickBuild(nullptr, partition, &device, 1));
  }

  // The complete build with a geometry taken from the input's first bytes
  // and the directory sectors the input holds.
  if (size < 16) return 0;
  partition.SetSectorsPerCluster(static_cast<std::uint8_t>(1u << (data[0] % 8)));
  partition.SetClusterZeroSector(data[1] | (data[2] << 8));
  partition.SetSectorCount(kDeviceSectors);
  partition.SetReservedSectors(static_cast<std::uint16_t>(data[3] | (data[4] << 8)));
  partition.SetSectorsPerFat(data[5] | (data[6] << 8));
  partition.SetRootValue(data[7] | (data[8] << 8));
  partition.SetFlags(data[9] | (data[10] << 8));
  partition.SetFileSystemType(data[11] % 3);
  qm::FatDirCandidateMap candidates;
  CFatDirSectorScanner scanner;
  for (std::uint64_t sector = 0; (sector + 1) * 512 <= size; ++sector) {
    if (!scanner.Analyze(qm::ByteView(data + sector * 512, 512))) continue;
    qm::FatDirCandidate candidate;
    if (scanner.GetKind() == CFatDirSectorScanner::kDirectoryStart)
      candidate = {scanner.GetDotCluster(), scanner.GetDotDotCluster()};
    candidates.emplace(sector, candidate);
  }
  CFatTreeBuilder builder;
  DeleteFileTree(builder.CompleteBuild(nullptr, candidates, partition, nullptr, &device, 0));
  return 0;
}
