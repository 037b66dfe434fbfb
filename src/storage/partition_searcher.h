// The lost-partition search: probes a whole disk at the positions where
// partitioning tools begin a partition (cylinder boundaries of a 255-head or
// 240-head geometry with 63 sectors per track and one track behind them, as
// older tools placed them, then every 1 MiB boundary, where today's tools
// place them), shows each probed sector to one checker per file-system
// family and reports every accepted find through IPartitionSearchCallback.
// The checkers live with the engines; this file only knows their interface.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "storage/partition_search_callbacks.h"

class IStorageDevice;

class IPartitionFileSystemSearchController {
public:
  virtual ~IPartitionFileSystemSearchController() = default;
  virtual void SetDevice(IStorageDevice* device) = 0;
  virtual void BeginSearch() = 0;
  virtual void EndSearch() = 0;
  // Non-zero when a partition of this family begins at `sector`; the record
  // is then filled (every field). `buffer` holds that sector, one device
  // sector long.
  virtual int CheckSector(const std::uint8_t* buffer, std::uint64_t sector, LostPartitionRecord* record) = 0;
};

class IPartitionSearchAlgorithm {
public:
  virtual ~IPartitionSearchAlgorithm() = default;
  // Number of positions.
  virtual std::uint64_t GetCount() = 0;
  // The next position, from sector 0 on.
  virtual std::uint64_t Next() = 0;
  // 0 for the 255-head geometry, 1 for the 240-head one, 2 for the 1 MiB
  // boundaries.
  virtual int GetKind() = 0;
};

namespace qm {
inline constexpr std::uint64_t kSearchSectorsPerTrack = 63;
// Cylinder starts k * 63 * heads for k below totalSectors / heads / 63.
class CylinderPositions : public IPartitionSearchAlgorithm {
public:
  CylinderPositions(std::uint64_t totalSectors, std::uint64_t heads, int kind)
      : cylinder_(heads * kSearchSectorsPerTrack), count_(totalSectors / heads / kSearchSectorsPerTrack),
        kind_(kind) {}
  std::uint64_t GetCount() override { return count_; }
  std::uint64_t Next() override { return next_++ * cylinder_; }
  int GetKind() override { return kind_; }
  // Whether the search probes `sector` in this pass: a cylinder start or
  // the sector one track behind it, among the first GetCount() cylinders
  // (the 240-head pass leaves out the cylinders that are 255-head ones too).
  bool Covers(std::uint64_t sector) const;

private:
  std::uint64_t cylinder_;
  std::uint64_t count_;
  int kind_;
  std::uint64_t next_ = 0;
};

inline constexpr int kAlignedPositionsKind = 2;
inline constexpr std::uint64_t kAlignmentBytes = 1 << 20;

// Every `step`-sector boundary on the disk, sector 0 included: ceil(total /
// step) positions.
class AlignedPositions : public IPartitionSearchAlgorithm {
public:
  AlignedPositions(std::uint64_t totalSectors, std::uint64_t step)
      : step_(step == 0 ? 1 : step), count_(totalSectors / step_ + (totalSectors % step_ != 0 ? 1 : 0)) {}
  std::uint64_t GetCount() override { return count_; }
  std::uint64_t Next() override { return next_++ * step_; }
  int GetKind() override { return kAlignedPositionsKind; }

private:
  std::uint64_t step_;
  std::uint64_t count_;
  std::uint64_t next_ = 0;
};

// The sectors in 1 MiB on a disk of that sector size (2048 for 512-byte
// sectors, 256 for 4096-byte ones); 1 for sectors of 1 MiB or more.
std::uint64_t AlignmentSectors(std::uint32_t sectorSize);
} // namespace qm

class CPartitionSearchAccordingTo255Head : public qm::CylinderPositions {
public:
  explicit CPartitionSearchAccordingTo255Head(std::uint64_t totalSectors) : CylinderPositions(totalSectors, 255, 0) {}
};

class CPartitionSearchAccordingTo240Head : public qm::CylinderPositions {
public:
  explicit CPartitionSearchAccordingTo240Head(std::uint64_t totalSectors) : CylinderPositions(totalSectors, 240, 1) {}
};

// The partitions that partitioning tools have made for years start on a
// 1 MiB boundary, which cylinder positions rarely are.
class CPartitionSearchAlignedTo1MiB : public qm::AlignedPositions {
public:
  CPartitionSearchAlignedTo1MiB(std::uint64_t totalSectors, std::uint32_t sectorSize)
      : AlignedPositions(totalSectors, qm::AlignmentSectors(sectorSize)) {}
};

class CPartitionSearcher {
public:
  CPartitionSearcher();
  ~CPartitionSearcher();
  CPartitionSearcher(const CPartitionSearcher&) = delete;
  CPartitionSearcher& operator=(const CPartitionSearcher&) = delete;

  // Checkers are asked in the order added; not owned.
  void AddController(IPartitionFileSystemSearchController* controller);
  void SetDevice(IStorageDevice* device);
  // The 255-head positions; with heads == 240 the 240-head ones behind them;
  // then the 1 MiB boundaries that those passes do not probe. SetDevice
  // first: the positions depend on the disk's size and sector size.
  void BuildAlgorithms(int heads);
  // Runs the search on a worker thread, pumping messages on the calling
  // thread, and returns when it has ended (completed or cancelled).
  void Start(IPartitionSearchCallback* callback);

private:
  void Run();
  void Probe(std::uint64_t sector);
  bool ProbedByCylinderPass(std::uint64_t sector) const;

  IStorageDevice* m_pDevice = nullptr;
  std::uint64_t m_u64TotalSectors = 0;
  std::vector<IPartitionFileSystemSearchController*> m_controllers;
  std::vector<std::unique_ptr<IPartitionSearchAlgorithm>> m_algorithms;
  // The cylinder passes among them, which the 1 MiB pass does not repeat.
  std::vector<const qm::CylinderPositions*> m_cylinderPasses;
  std::unique_ptr<LostPartitionRecord> m_pFind;
  std::vector<std::uint8_t> m_buffer;
  // Written by the worker, read by the pumping thread.
  std::atomic<int> m_nDone{0};
  IPartitionSearchCallback* m_pCallback = nullptr;
};
