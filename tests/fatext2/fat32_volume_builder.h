// A FAT32 volume written byte by byte in memory, for shapes the tools will
// not make (loops, thousands of nesting levels, entries pointing past the
// volume) and for large trees made fast. Header-only: the benchmarks use
// it too.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/byte_view.h"

namespace qm::test {

class Fat32VolumeBuilder {
public:
  static constexpr std::uint32_t kSectorBytes = 512;
  static constexpr std::uint32_t kReserved = 32;
  static constexpr std::uint32_t kRootCluster = 2;
  static constexpr std::uint32_t kEnd = 0x0FFFFFFF;

  // A volume with room for clusters data clusters of one sector each; the
  // root directory takes the first rootClusters of them.
  explicit Fat32VolumeBuilder(std::uint32_t clusters, std::uint32_t rootClusters = 1) : clusters_(clusters) {
    // The table loader wants at least 256 sectors per FAT32 copy.
    sectorsPerFat_ = std::max<std::uint32_t>(256, ((clusters + 2) * 4 + kSectorBytes - 1) / kSectorBytes);
    dataStart_ = kReserved + 2 * sectorsPerFat_;
    totalSectors_ = dataStart_ + clusters;
    bytes_.assign(std::size_t{totalSectors_} * kSectorBytes, 0);
    std::uint8_t* b = bytes_.data();
    b[0] = 0xEB;
    b[1] = 0x58;
    b[2] = 0x90;
    std::memcpy(b + 3, "MKFS.FAT", 8);
    qm::StoreLe16(b + 0x0B, kSectorBytes);
    b[0x0D] = 1;
    qm::StoreLe16(b + 0x0E, kReserved);
    b[0x10] = 2;
    b[0x15] = 0xF8;
    qm::StoreLe32(b + 0x20, totalSectors_);
    qm::StoreLe32(b + 0x24, sectorsPerFat_);
    qm::StoreLe32(b + 0x2C, kRootCluster);
    qm::StoreLe16(b + 0x30, 1);
    qm::StoreLe16(b + 0x32, 6);
    b[0x42] = 0x29;
    std::memcpy(b + 0x47, "NO NAME    ", 11);
    std::memcpy(b + 0x52, "FAT32   ", 8);
    b[0x1FE] = 0x55;
    b[0x1FF] = 0xAA;
    std::memcpy(b + 6 * kSectorBytes, b, kSectorBytes);
    SetFat(0, 0x0FFFFFF8);
    SetFat(1, kEnd);
    Allocate(rootClusters);
    StartDirectory(kRootCluster);
  }

  std::vector<std::uint8_t>& Bytes() { return bytes_; }
  std::uint64_t DataStart() const { return dataStart_; }

  void SetFat(std::uint32_t cluster, std::uint32_t value) {
    for (std::uint32_t copy = 0; copy < 2; ++copy)
      qm::StoreLe32(bytes_.data() + (std::size_t{kReserved} + copy * sectorsPerFat_) * kSectorBytes + cluster * 4u,
                    value);
  }
  std::uint8_t* Cluster(std::uint32_t cluster) {
    return bytes_.data() + (dataStart_ + cluster - 2u) * std::size_t{kSectorBytes};
  }

  // count clusters in one contiguous chain; 0 when the volume is full.
  std::uint32_t Allocate(std::uint32_t count) {
    if (count == 0 || next_ + count > clusters_ + 2) return 0;
    const std::uint32_t first = next_;
    for (std::uint32_t i = 0; i + 1 < count; ++i)
      SetFat(first + i, first + i + 1);
    SetFat(first + count - 1, kEnd);
    next_ += count;
    return first;
  }

  // A new folder of `clusters` clusters inside parent; its first cluster.
  std::uint32_t AddFolder(std::uint32_t parent, const std::string& name11, std::uint32_t clusters = 1) {
    const std::uint32_t first = Allocate(clusters);
    if (first == 0) return 0;
    AddEntry(parent, name11, 0x10, first, 0);
    StartDirectory(first);
    std::uint8_t* c = Cluster(first);
    Entry(c, ".          ", 0x10, first, 0);
    Entry(c + 32, "..         ", 0x10, parent == kRootCluster ? 0 : parent, 0);
    used_[first] = 2;
    return first;
  }

  // A file whose content is `size` bytes of fill; its first cluster.
  std::uint32_t AddFile(std::uint32_t folder, const std::string& name11, std::uint32_t size, std::uint8_t fill) {
    const std::uint32_t first = size == 0 ? 0 : Allocate((size + kSectorBytes - 1) / kSectorBytes);
    if (size != 0 && first == 0) return 0;
    if (size != 0) std::memset(Cluster(first), fill, size);
    AddEntry(folder, name11, 0x20, first, size);
    return first;
  }

  // Appends a short entry to a folder whose clusters are contiguous.
  void AddEntry(std::uint32_t folder, const std::string& name11, std::uint8_t attributes, std::uint32_t cluster,
                std::uint32_t size) {
    std::uint32_t& used = used_[folder];
    Entry(Cluster(folder) + used * 32u, name11, attributes, cluster, size);
    ++used;
  }

  // An 11-character short name "NAME    EXT" from a number.
  static std::string Name(const char* stem, std::uint32_t n, const char* ext) {
    char base[16];
    std::snprintf(base, sizeof base, "%s%05u", stem, n % 100000u);
    std::string name(base);
    name.resize(8, ' ');
    std::string extension(ext);
    extension.resize(3, ' ');
    return name + extension;
  }

private:
  void StartDirectory(std::uint32_t cluster) {
    if (used_.size() <= cluster) used_.resize(std::size_t{clusters_} + 2, 0);
    used_[cluster] = 0;
  }
  static void Entry(std::uint8_t* e, const std::string& name11, std::uint8_t attributes, std::uint32_t cluster,
                    std::uint32_t size) {
    std::memcpy(e, name11.data(), 11);
    e[0x0B] = attributes;
    const std::uint16_t date = (44 << 9) | (5 << 5) | 17;
    const std::uint16_t time = (13 << 11) | (45 << 5);
    qm::StoreLe16(e + 0x0E, time);
    qm::StoreLe16(e + 0x10, date);
    qm::StoreLe16(e + 0x12, date);
    qm::StoreLe16(e + 0x14, static_cast<std::uint16_t>(cluster >> 16));
    qm::StoreLe16(e + 0x16, time);
    qm::StoreLe16(e + 0x18, date);
    qm::StoreLe16(e + 0x1A, static_cast<std::uint16_t>(cluster));
    qm::StoreLe32(e + 0x1C, size);
  }

  std::uint32_t clusters_;
  std::vector<std::uint8_t> bytes_;
  std::uint32_t sectorsPerFat_ = 0;
  std::uint32_t dataStart_ = 0;
  std::uint32_t totalSectors_ = 0;
  std::uint32_t next_ = kRootCluster;
  std::vector<std::uint32_t> used_;
};

} // namespace qm::test
