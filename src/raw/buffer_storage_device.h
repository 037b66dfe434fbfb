// The last blocks of a sweep kept in memory as a device: a ring of whole
// blocks numbered by the device's own sectors, so that the length finders
// of the carving analysers read the data just swept from memory instead of
// from the disk again. What the ring does not hold is read from the real
// device behind it. Blocks that the read-ahead cache keeps in place are
// not copied at all: the ring then notes where to find them.
#pragma once

#include <cstdint>
#include <vector>

#include "storage/huge_page_buffer.h"
#include "storage/storage_device.h"

class CStorageDeviceWithCache;

class CBufferStorageDevice : public IStorageDevice {
public:
  CBufferStorageDevice() = default;
  ~CBufferStorageDevice() override = default;

  // Served from the ring when every sector asked for is held and was read
  // well, else from the source (0 without one). Also before the ring is
  // full: the held sectors then run from the window start in order.
  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) override;
  // Sectors held (grows to the capacity, then stays).
  std::uint64_t GetSectorCount() override { return filled_; }
  std::int32_t GetSectorSize() override { return sectorSize_ > 0 ? sectorSize_ : 512; }
  int Open() override { return 1; }
  // Frees the ring; nothing is served from memory afterwards.
  int Close() override;

  // Sets up a ring of blocks × sectorsPerBlock sectors whose
  // first block will hold the device's sectors from windowStart on.
  // source (not owned) serves what the ring does not hold. 0 when the
  // sizes give no ring. The memory of the ring is taken when a block is
  // first put in it (never for a ring of kept blocks only).
  int Setup(IStorageDevice* source, std::uint64_t windowStart, std::int32_t sectorSize,
            std::uint32_t sectorsPerBlock, std::int32_t blocks);

  // Appends the next block: its sectorsPerBlock sectors are copied in (a
  // short last block: only the sectors it has; the rest of the slot is
  // not served). The ring moves on by one whole block.
  void Append(const std::uint8_t* block, std::uint64_t sectors);
  // The same copy without the bookkeeping, for callers that fill
  // NextSlot() from memory themselves.
  static void CopyBlock(std::uint8_t* slot, const std::uint8_t* block, std::size_t bytes);
  // The next block in two steps without a copy: the slot the next block
  // goes to (the oldest block's, which Commit then gives up), filled by
  // the caller, and Commit with the sectors put there. A slot committed
  // with 0 sectors (a block that could not be read) keeps the numbering of
  // every later block right; reads of its sectors go to the source.
  std::uint8_t* NextSlot();
  void Commit(std::uint64_t goodSectors);
  // The next block without a copy: it is the block that the cache keeps
  // (KeepPastBlocks, at least as many blocks as the ring holds) starting
  // at GetNextSector(), goodSectors of it read well. Its reads look it up
  // in the cache and go to the source when the cache no longer has it.
  // The cache must outlive the ring's use (Close or a new Setup).
  void CommitKept(const CStorageDeviceWithCache* cache, std::uint64_t goodSectors);

  // Valid and holding as many sectors as it can.
  bool IsFull() const { return valid_ && filled_ == capacity_; }
  bool IsValid() const { return valid_; }
  // Device sector of the oldest sector held.
  std::uint64_t GetWindowStart() const { return windowStart_; }
  // Device sector that the next appended block starts at.
  std::uint64_t GetNextSector() const { return windowStart_ + filled_; }
  std::uint32_t GetSectorsPerBlock() const { return sectorsPerBlock_; }
  std::uint64_t GetCapacity() const { return capacity_; }

private:
  // Ring position (in sectors) of the device sector, which must be held.
  std::uint64_t PositionOf(std::uint64_t sector) const;
  // The bytes of a slot in memory, with at least `sectors` sectors of it
  // read well; null when not.
  const std::uint8_t* SlotData(std::size_t slot, std::uint64_t sectors) const;
  void CommitSlot(std::uint64_t goodSectors, const CStorageDeviceWithCache* kept);

  std::int32_t sectorSize_ = 0;
  qm::HugePageBuffer ring_; // the slots the ring fills itself
  std::uint64_t windowStart_ = 0;
  std::uint64_t filled_ = 0;
  std::uint64_t ringPosition_ = 0;
  std::uint32_t sectorsPerBlock_ = 0;
  std::int32_t blocks_ = 0;
  std::uint64_t capacity_ = 0;
  IStorageDevice* source_ = nullptr;
  bool valid_ = false;
  // Per slot: how many of its sectors, from its start, hold data read
  // well; its first device sector; the cache that keeps it (null: the
  // ring's own slot).
  std::vector<std::uint64_t> slotGood_;
  std::vector<std::uint64_t> slotFirst_;
  std::vector<const CStorageDeviceWithCache*> slotKept_;
};
