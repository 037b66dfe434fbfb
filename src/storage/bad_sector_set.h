// The sector reader that the disk and volume devices share. It reads
// through the platform's device handle and, when the bad-sector switch is
// on, turns an unreadable area into zero-filled sectors and remembers it as
// a bad range, so that a damaged disk can be scanned from end to end and
// each damaged region costs one failed read and a few probes.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/device_handle.h"

struct SectorRange {
  std::uint64_t first = 0;
  std::uint64_t end = 0; // one past the last sector
};

namespace qm {

// While one lives on a thread, the reads of that thread see every
// unreadable sector as a failed read, whatever the bad-sector switch says,
// and read remembered bad areas again. A scan may pass over a bad area as
// zeros; saving a file must know which of its bytes it could not read
// (they make the file count as not recovered), and must not lose the good
// sectors that lie in an area remembered as bad. Scopes nest.
class ExactReadScope {
public:
  ExactReadScope();
  ~ExactReadScope();
  ExactReadScope(const ExactReadScope&) = delete;
  ExactReadScope& operator=(const ExactReadScope&) = delete;

private:
  bool previous_;
};

// Whether an ExactReadScope lives on the calling thread.
bool ExactReadsOnThisThread();

} // namespace qm

class CBadSectorSet {
public:
  CBadSectorSet() = default;
  CBadSectorSet(const CBadSectorSet&) = delete;
  CBadSectorSet& operator=(const CBadSectorSet&) = delete;

  // Reads count sectors at first into buffer. 1 on success; with the switch
  // on (and no ExactReadScope on this thread), an unreadable area also
  // gives 1 and zeros. systemError receives the system's error of a failed
  // read, 0 otherwise.
  int ReadSector(qm::IDeviceHandle* handle, void* buffer, std::uint64_t first, std::uint64_t count,
                 int ignoreBadSectors, int& systemError);
  // Finds how far a bad area that begins at first reaches by probing
  // further out, and stores it as a range.
  void UpdateBadSector(qm::IDeviceHandle* handle, std::uint64_t first, std::uint32_t unitSectors,
                       std::uint32_t minimumUnits, std::uint32_t startUnits);
  // 0 on success.
  int AddRange(const SectorRange& range);
  // 1 when a stored range shares a sector with [first, end).
  int ContainsRange(const SectorRange& range);

  void SetSectorSize(std::int32_t size) { m_nSectorSize = size > 0 ? size : 512; }
  std::int32_t GetSectorSize() const { return m_nSectorSize; }
  std::vector<SectorRange> GetRanges();

private:
  std::mutex m_lock;
  std::vector<SectorRange> m_ranges; // order does not matter: every test walks all of them
  std::int32_t m_nSectorSize = 512;
};
