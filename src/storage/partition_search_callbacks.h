// The record a lost-partition search reports for each find, and the
// progress, cancel and result callbacks through which the lost-partition
// search and the intelligent search talk to the dialogs that show them.
#pragma once

#include <cstdint>

class IStorageDevice;
struct SearchStatistics; // the intelligent search's running counters

// A plain record, copied whole. The receiver of OnPartitionFound copies it
// and from then on owns the partition device.
struct LostPartitionRecord {
  std::uint64_t startSector = 0;
  std::uint64_t sectorCount = 0;
  std::uint32_t fileSystemType = 7;
  char volumeLabel[100] = {};
  IStorageDevice* partitionDevice = nullptr; // a window onto the disk

  // Back to a new record (the search reuses one record for every find).
  void Reset() { *this = LostPartitionRecord{}; }
};

class IPartitionSearchCallback {
public:
  virtual ~IPartitionSearchCallback() = default;
  // Lets the dialog dispatch its pending messages; called before and
  // between probes.
  virtual void PumpMessages() = 0;
  // One candidate position has been taken.
  virtual void Step() = 0;
  // Non-zero when the user asked to stop; the search then stops at once.
  virtual int IsCancelled() = 0;
  virtual void SetStep(std::uint64_t step) = 0;
  virtual void Advance() = 0;
  // 0 to the number of candidate positions.
  virtual void SetRange(std::uint64_t low, std::uint64_t high) = 0;
  virtual void SetPos(std::uint64_t position) = 0;
  virtual void OnSearchEnd() = 0;
  // One partition was found; the callee copies the record.
  virtual void OnPartitionFound(const LostPartitionRecord* record) = 0;
};

class IIntelligentSearchCallback {
public:
  virtual ~IIntelligentSearchCallback() = default;
  // The block just finished.
  virtual void SetPos(std::uint64_t blockIndex) = 0;
  // 0 to the number of blocks.
  virtual void SetRange(std::uint64_t low, std::uint64_t high) = 0;
  virtual int IsCancelled() = 0;
  // Called after each block.
  virtual void PumpMessages() = 0;
  // Copies the dialog's last statistics out.
  virtual void GetStatistics(SearchStatistics* statistics) = 0;
  // Called after each block with the running statistics.
  virtual void UpdateStatistics(const SearchStatistics* statistics) = 0;
  // Called by the code that started the search once it has returned.
  virtual void SetFinished() = 0;
};
