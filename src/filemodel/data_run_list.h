// The extents of one found file on its device: an ordered list of runs and
// an iteration cursor. Each file system has its own list kind; the base
// keeps the runs and the append rules that the tree builds share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class IRSData;

// One extent, in clusters of the volume geometry of the file's tree: the
// first device sector of the run is base sector + start x sectors per
// cluster. The NTFS resident list keeps the absolute sector of the file's
// record in start and 1 in count instead.
struct DataRunEntry {
  std::uint64_t start = 0;
  std::uint64_t count = 0;

  // A run that has no data on the device (reads as zeros).
  bool IsSparse() const;
  bool operator==(const DataRunEntry&) const = default;
};

namespace qm {

// The start of a sparse run: all bits set (-1 as a signed LCN).
inline constexpr std::uint64_t kSparseRunStart = ~std::uint64_t{0};

// Which list a run list is (IDataRunList::GetKind).
enum DataRunListKind : std::uint32_t {
  kRunListFat = 0,
  kRunListNtfsResident = 1,
  kRunListNtfsNonResident = 2,
  kRunListRaw = 3,
  kRunListExt2 = 4,
};

// The size of one run in a saved list: u64 start, u64 count.
inline constexpr std::size_t kSavedRunBytes = 16;

} // namespace qm

inline bool DataRunEntry::IsSparse() const { return start == qm::kSparseRunStart; }

class IDataRunList {
public:
  IDataRunList() = default;
  IDataRunList(const IDataRunList&) = default;
  IDataRunList& operator=(const IDataRunList&) = default;
  virtual ~IDataRunList() = default;

  // 1 for the NTFS resident list, whose data lies inside the file's record.
  virtual int IsResident() const { return 0; }
  // The resident list's byte offset of the data in its record; 0 otherwise.
  virtual std::uint32_t GetResidentValue() const { return 0; }
  // u32 count, then each run as u64 start, u64 count. Stream errors raise
  // the stream's exception. Returns 1.
  virtual int Save(IRSData* stream) const;
  // Reads what Save wrote and appends the runs. The count is not trusted:
  // runs are read one after another, so a damaged count ends in the
  // stream's short-read exception instead of a huge allocation.
  virtual int Load(IRSData* stream);
  virtual std::uint32_t GetKind() const = 0;

  // Resets the cursor; the first run, or null for an empty list.
  const DataRunEntry* FirstRun();
  // Advances the cursor; the run there, or null at the end.
  const DataRunEntry* NextRun();
  // True when the cursor stands at the end.
  bool IsEmpty() const { return cursor_ >= runs_.size(); }

  // Appends a copy.
  void AddRun(const DataRunEntry& run) { runs_.push_back(run); }
  void AddRun(std::uint64_t start, std::uint64_t count) { runs_.push_back({start, count}); }
  // Grows the last run when the new one continues it (or when both start
  // at 0); otherwise appends. Sparse runs never merge with real ones, and a
  // run at 0 (a hole) grows only by another run at 0.
  void AppendRun(const DataRunEntry& run);
  // Grows the last run when it is not sparse (start not negative as a
  // signed value) and the new one continues it; otherwise appends.
  void AddRunMerged(const DataRunEntry& run);

  // Every run, in order, without touching the cursor.
  const std::vector<DataRunEntry>& Runs() const { return runs_; }
  std::size_t RunCount() const { return runs_.size(); }

private:
  std::vector<DataRunEntry> runs_;
  std::size_t cursor_ = 0;
};
