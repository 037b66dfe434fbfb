// The file allocation table: one copy of it loaded whole into memory,
// checked for sanity, and asked for the next cluster of a chain. The tree
// builds read chains through IFATTable, which answers from the first copy
// that loaded and passed its checks.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/byte_view.h"
#include "storage/mem_alloc.h"

class IStorageDevice;

namespace qm::fat_table {
// What GetNextCluster answers for the ends of chains, in the FAT32 form
// whatever the table's width. Callers end a chain at 0 and at any value of
// kEndOfChain or above.
inline constexpr std::uint32_t kBadCluster = 0x0FFFFFF7;
inline constexpr std::uint32_t kEndOfChain = 0x0FFFFFF8;
// The last cluster number a FAT32 chain may hold.
inline constexpr std::uint32_t kMaxFat32Cluster = 0x0FFFFFEF;
} // namespace qm::fat_table

class IFATTable {
public:
  virtual ~IFATTable() = default;
  // The next cluster after n; 0 when the table has no answer.
  virtual std::uint32_t GetNextCluster(std::uint32_t n) const = 0;
};

// One copy of the FAT, read whole at construction when its size is
// plausible for its width.
class IRealFATTable {
public:
  IRealFATTable(const IRealFATTable&) = delete;
  IRealFATTable& operator=(const IRealFATTable&) = delete;
  virtual ~IRealFATTable() = default;

  virtual std::uint32_t GetNextCluster(std::uint32_t n) const = 0;
  // 1 when the copy is loaded and passes the media, entry and chain checks
  // of its width; 0 otherwise.
  virtual int Verify() const = 0;

  bool IsLoaded() const { return buffer_ != nullptr; }
  std::uint64_t GetFirstSector() const { return firstSector_; }
  std::uint32_t GetSectorsPerFat() const { return sectorsPerFat_; }
  std::uint32_t GetEntryCount() const { return entryCount_; }
  std::uint32_t GetSectorSize() const { return sectorSize_; }
  qm::ByteView Bytes() const { return qm::ByteView(buffer_.get(), byteCount_); }

protected:
  // entryDivisor: bytes per entry as the entry count is figured (4 for
  // FAT12 too, which bounds itself by the table's bytes instead).
  IRealFATTable(IStorageDevice* device, std::uint64_t firstSector, std::uint32_t sectorsPerFat,
                std::uint32_t entryDivisor);
  // Reads the copy when sectorsPerFat lies in [minSectors, maxSectors]
  // (both already scaled to the sector size). A read that fails leaves the
  // copy unloaded.
  void Load(std::uint32_t minSectors, std::uint32_t maxSectors);
  // The sector size in 512-byte units; 0 for a size below 512.
  std::uint32_t SizeRatio() const { return sectorSize_ / 512; }
  const std::uint8_t* Data() const { return buffer_.get(); }
  std::uint64_t ByteCount() const { return byteCount_; }

private:
  IStorageDevice* device_ = nullptr;
  std::uint64_t firstSector_ = 0;
  std::uint32_t sectorsPerFat_ = 0;
  std::uint32_t entryCount_ = 0;
  qm::MemBuffer<std::uint8_t> buffer_;
  std::uint64_t byteCount_ = 0;
  std::uint32_t sectorSize_ = 512;
};

class CFAT12Table : public IRealFATTable {
public:
  CFAT12Table(IStorageDevice* device, std::uint64_t firstSector, std::uint32_t sectorsPerFat);
  std::uint32_t GetNextCluster(std::uint32_t n) const override;
  int Verify() const override;
};

class CFAT16Table : public IRealFATTable {
public:
  CFAT16Table(IStorageDevice* device, std::uint64_t firstSector, std::uint32_t sectorsPerFat);
  std::uint32_t GetNextCluster(std::uint32_t n) const override;
  int Verify() const override;
};

class CFAT32Table : public IRealFATTable {
public:
  CFAT32Table(IStorageDevice* device, std::uint64_t firstSector, std::uint32_t sectorsPerFat);
  std::uint32_t GetNextCluster(std::uint32_t n) const override;
  int Verify() const override;
};

// The two copies of a volume's FAT, either of which may be missing. Only
// one is ever asked: the first when it exists, else the second.
class CDoubleFATTable : public IFATTable {
public:
  CDoubleFATTable(std::unique_ptr<IRealFATTable> first, std::unique_ptr<IRealFATTable> second)
      : first_(std::move(first)), second_(std::move(second)) {}
  std::uint32_t GetNextCluster(std::uint32_t n) const override;

  const IRealFATTable* GetFirstCopy() const { return first_.get(); }
  const IRealFATTable* GetSecondCopy() const { return second_.get(); }

private:
  std::unique_ptr<IRealFATTable> first_;
  std::unique_ptr<IRealFATTable> second_;
};

// The copy of the given FAT type at start, loaded and verified; null for a
// type that is not 0, 1 or 2, and for a copy that fails Verify.
std::unique_ptr<IRealFATTable> CreateRealFATTable(IStorageDevice* device, int fatType, std::uint64_t start,
                                                  std::uint32_t sectorsPerFat);

// Always a table, possibly with no copy (every answer 0 then). The first
// copy is read at fatStart when useFirst is set; the second, at fatStart +
// sectorsPerFat, only when useSecond is set and the first is missing.
std::unique_ptr<CDoubleFATTable> CreateFATTable(IStorageDevice* device, std::uint64_t fatStart, int fatType,
                                                std::uint32_t sectorsPerFat, bool useFirst, bool useSecond);

// True when the first 8 bytes of a sector begin a FAT16 or FAT32 table with
// the fixed-disk media byte.
bool IsFatTableStartSector(qm::ByteView sector);

// 2 <= cluster <= 0x0FFFFFEF.
bool IsValidFat32Cluster(std::uint64_t cluster);
