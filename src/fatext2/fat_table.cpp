#include "fatext2/fat_table.h"

#include <cstring>

#include "fatext2/fat_boot_sector.h"
#include "storage/storage_device.h"

using namespace qm::fat_table;

namespace {

// Windows of plausible FAT sizes, in sectors of 512 bytes; the FAT16 and
// FAT32 ones shrink with larger sectors.
constexpr std::uint32_t kFat32MinSectors = 256;
constexpr std::uint32_t kFat32MaxSectors = 128000;
constexpr std::uint32_t kFat16MinSectors = 12;
constexpr std::uint32_t kFat16MaxSectors = 256;
constexpr std::uint32_t kFat12MinSectors = 1;
constexpr std::uint32_t kFat12MaxSectors = 12;

// Highest value of an entry that links to another cluster.
constexpr std::uint32_t kFat16MaxLink = 0xFFF6;
constexpr std::uint32_t kFat32MaxLink = 0x0FFFFFF6;

// Sector sizes a device may plausibly report; anything else loads nothing.
constexpr std::uint32_t kMaxSectorSize = 65536;

inline std::uint32_t Entry16(const std::uint8_t* table, std::uint32_t i) {
  const std::uint8_t* p = table + std::size_t{i} * 2;
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8);
}

inline std::uint32_t Entry32(const std::uint8_t* table, std::uint32_t i) {
  const std::uint8_t* p = table + std::size_t{i} * 4;
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

bool Fat32MediaRule(qm::ByteView bytes) {
  return (bytes.le32(0) & 0x0FFFFFFF) == 0x0FFFFFF8 && (bytes.le32(4) & 0x0FFFFFF8) == 0x0FFFFFF8;
}

bool Fat16MediaRule(qm::ByteView bytes) { return bytes.has(0, 4) && bytes.le32(0) == 0xFFFFFFF8; }

bool Fat12MediaRule(qm::ByteView bytes) {
  return bytes.has(0, 4) && (bytes.le32(0) & 0x00FFFFF0) == 0x00FFFFF0;
}

// The entry and chain checks of a FAT16 or FAT32 copy of count entries.
// Entries may not point to cluster 1, to themselves, or past the table;
// no two clusters may lead to the same cluster, and no chain may loop.
//
// Once no cluster has two predecessors, every chain is either a path from
// a cluster that nothing leads to, or a closed loop that no path enters
// (entering it would give a cluster two predecessors). So the first pass
// marks every cluster that something leads to, the second walks the paths
// from the unmarked ones, and a loop exists exactly when the walks reach
// fewer clusters than were marked. Both passes are linear in the table,
// however its chains are laid out, and need one bit per entry.
template <std::uint32_t (*EntryAt)(const std::uint8_t*, std::uint32_t)>
int VerifyLinks(const std::uint8_t* table, std::uint32_t count, std::uint32_t maxLink) {
  const std::size_t words = (std::size_t{count} + 63) / 64;
  qm::MemBuffer<std::uint64_t> led = qm::MakeMemBuffer<std::uint64_t>(words);
  std::memset(led.get(), 0, words * sizeof(std::uint64_t));
  auto isLed = [&](std::uint32_t n) { return (led[n >> 6] >> (n & 63)) & 1; };

  std::uint64_t ledCount = 0;
  for (std::uint32_t i = 2; i < count; ++i) {
    const std::uint32_t e = EntryAt(table, i);
    if ((e >= count && e <= maxLink) || e == 1 || e == i) return 0;
    if (e < 2 || e > maxLink) continue; // free, bad or end of chain
    if (isLed(e)) return 0;             // two clusters lead to e
    led[e >> 6] |= std::uint64_t{1} << (e & 63);
    ++ledCount;
  }

  std::uint64_t reached = 0;
  for (std::uint32_t i = 2; i < count; ++i) {
    if (isLed(i)) continue;
    std::uint32_t cur = i;
    std::uint32_t steps = 0;
    while (steps < count) {
      const std::uint32_t n = EntryAt(table, cur);
      if (n < 2 || n > maxLink) break;
      cur = n;
      ++steps;
    }
    if (count > 2 && steps >= count - 2) return 0; // no path is this long
    reached += steps;
  }
  return reached == ledCount ? 1 : 0; // the rest lie on closed loops
}

} // namespace

IRealFATTable::IRealFATTable(IStorageDevice* device, std::uint64_t firstSector, std::uint32_t sectorsPerFat,
                             std::uint32_t entryDivisor)
    : device_(device), firstSector_(firstSector), sectorsPerFat_(sectorsPerFat) {
  if (device_ != nullptr) {
    const std::int32_t size = device_->GetSectorSize();
    sectorSize_ = size > 0 ? static_cast<std::uint32_t>(size) : 0;
  }
  entryCount_ = static_cast<std::uint32_t>(std::uint64_t{sectorsPerFat_} * sectorSize_ / entryDivisor);
}

void IRealFATTable::Load(std::uint32_t minSectors, std::uint32_t maxSectors) {
  if (device_ == nullptr || sectorSize_ < 512 || sectorSize_ > kMaxSectorSize) return;
  if (sectorsPerFat_ < minSectors || sectorsPerFat_ > maxSectors || sectorsPerFat_ == 0) return;
  const std::uint64_t bytes = std::uint64_t{sectorsPerFat_} * sectorSize_;
  qm::MemBuffer<std::uint8_t> buffer = qm::MakeMemBuffer<std::uint8_t>(static_cast<std::size_t>(bytes));
  // A copy whose sectors cannot be read is no copy: judging whatever the
  // buffer held would be judging memory, not the disk.
  if (device_->ReadSectors(buffer.get(), firstSector_, sectorsPerFat_) == 0) return;
  buffer_ = std::move(buffer);
  byteCount_ = bytes;
}

CFAT32Table::CFAT32Table(IStorageDevice* device, std::uint64_t firstSector, std::uint32_t sectorsPerFat)
    : IRealFATTable(device, firstSector, sectorsPerFat, 4) {
  const std::uint32_t k = SizeRatio();
  if (k != 0) Load(kFat32MinSectors / k, kFat32MaxSectors / k);
}

std::uint32_t CFAT32Table::GetNextCluster(std::uint32_t n) const {
  if (!IsLoaded() || n >= GetEntryCount()) return 0;
  return Entry32(Data(), n);
}

int CFAT32Table::Verify() const {
  if (!IsLoaded() || !Fat32MediaRule(Bytes())) return 0;
  return VerifyLinks<Entry32>(Data(), GetEntryCount(), kFat32MaxLink);
}

CFAT16Table::CFAT16Table(IStorageDevice* device, std::uint64_t firstSector, std::uint32_t sectorsPerFat)
    : IRealFATTable(device, firstSector, sectorsPerFat, 2) {
  const std::uint32_t k = SizeRatio();
  if (k != 0) Load(kFat16MinSectors / k, kFat16MaxSectors / k);
}

std::uint32_t CFAT16Table::GetNextCluster(std::uint32_t n) const {
  if (!IsLoaded() || n >= GetEntryCount()) return 0;
  const std::uint32_t e = Entry16(Data(), n);
  if (e == 0xFFF7) return kBadCluster;
  if (e >= 0xFFF8) return kEndOfChain;
  return e;
}

int CFAT16Table::Verify() const {
  if (!IsLoaded() || !Fat16MediaRule(Bytes())) return 0;
  return VerifyLinks<Entry16>(Data(), GetEntryCount(), kFat16MaxLink);
}

CFAT12Table::CFAT12Table(IStorageDevice* device, std::uint64_t firstSector, std::uint32_t sectorsPerFat)
    : IRealFATTable(device, firstSector, sectorsPerFat, 4) {
  Load(kFat12MinSectors, kFat12MaxSectors);
}

std::uint32_t CFAT12Table::GetNextCluster(std::uint32_t n) const {
  if (!IsLoaded()) return 0;
  const std::uint64_t offset = std::uint64_t{n} * 3 / 2;
  if (offset + 2 > ByteCount()) return 0;
  const std::uint8_t* p = Data() + offset;
  const std::uint32_t word = std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8);
  const std::uint32_t e = (n & 1) != 0 ? word >> 4 : word & 0xFFF;
  if (e == 0xFFF) return 0xFFFFFFFF;
  if (e >= 0xFF8) return kEndOfChain;
  // A bad cluster reads as in the wider tables, so that no caller takes it
  // for the cluster numbered 0xFF7.
  if (e == 0xFF7) return kBadCluster;
  return e;
}

int CFAT12Table::Verify() const { return IsLoaded() && Fat12MediaRule(Bytes()) ? 1 : 0; }

std::uint32_t CDoubleFATTable::GetNextCluster(std::uint32_t n) const {
  if (first_ != nullptr) return first_->GetNextCluster(n);
  if (second_ != nullptr) return second_->GetNextCluster(n);
  return 0;
}

std::unique_ptr<IRealFATTable> CreateRealFATTable(IStorageDevice* device, int fatType, std::uint64_t start,
                                                  std::uint32_t sectorsPerFat) {
  std::unique_ptr<IRealFATTable> table;
  switch (fatType) {
  case kFatType12:
    table = std::make_unique<CFAT12Table>(device, start, sectorsPerFat);
    break;
  case kFatType16:
    table = std::make_unique<CFAT16Table>(device, start, sectorsPerFat);
    break;
  case kFatType32:
    table = std::make_unique<CFAT32Table>(device, start, sectorsPerFat);
    break;
  default:
    return nullptr;
  }
  if (table->Verify() == 0) return nullptr;
  return table;
}

std::unique_ptr<CDoubleFATTable> CreateFATTable(IStorageDevice* device, std::uint64_t fatStart, int fatType,
                                                std::uint32_t sectorsPerFat, bool useFirst, bool useSecond) {
  std::unique_ptr<IRealFATTable> first;
  std::unique_ptr<IRealFATTable> second;
  if (useFirst) first = CreateRealFATTable(device, fatType, fatStart, sectorsPerFat);
  if (useSecond && first == nullptr)
    second = CreateRealFATTable(device, fatType, fatStart + sectorsPerFat, sectorsPerFat);
  return std::make_unique<CDoubleFATTable>(std::move(first), std::move(second));
}

bool IsFatTableStartSector(qm::ByteView sector) {
  const qm::ByteView head = sector.sub(0, 8);
  return Fat32MediaRule(head) || Fat16MediaRule(head);
}

bool IsValidFat32Cluster(std::uint64_t cluster) { return cluster >= 2 && cluster <= kMaxFat32Cluster; }
