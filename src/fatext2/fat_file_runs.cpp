#include "fatext2/fat_file_runs.h"

#include "fatext2/fat_table.h"
#include "platform/log.h"

using qm::fat_table::kBadCluster;

namespace {

// True when clusters [start, start + length) of the data area lie within
// the partition's sectors, computed without overflow.
bool RunFits(std::uint64_t start, std::uint64_t length, const qm::FatVolumeGeometry& g) {
  const std::uint64_t clusters = g.totalSectors / g.sectorsPerCluster;
  return start <= clusters && length <= clusters - start;
}

// A deleted file's chain is gone from the table: its clusters are guessed
// as those from its first one upward that the table shows free. Clusters
// in use belong to live files written around it, and bad ones hold
// nothing. The first cluster is the entry's own word and is taken as it
// is unless bad; when it is in use, another file has taken it over.
std::unique_ptr<CFATDataRunList> GuessDeletedRuns(const IFATTable& fat, std::uint32_t firstCluster,
                                                  std::uint64_t size, const qm::FatVolumeGeometry& g,
                                                  bool& damaged) {
  const std::uint64_t clusterBytes = std::uint64_t{g.sectorsPerCluster} * g.sectorSize;
  auto runs = std::make_unique<CFATDataRunList>();
  std::uint64_t covered = 0;
  for (std::uint64_t cluster = firstCluster; covered < size && RunFits(cluster - 2, 1, g); ++cluster) {
    const std::uint32_t next = fat.GetNextCluster(static_cast<std::uint32_t>(cluster));
    if (next == kBadCluster) continue;
    if (next != 0) {
      if (cluster != firstCluster) continue;
      damaged = true;
    }
    runs->AddRunMerged({cluster - 2, 1});
    covered += clusterBytes;
  }
  // Short of the size: what was found is kept, and the file is known to
  // be incomplete.
  if (covered < size) damaged = true;
  if (runs->RunCount() == 0) return nullptr;
  return runs;
}

} // namespace

std::unique_ptr<CFATDataRunList> BuildFatFileRuns(const IFATTable* fat, std::uint32_t firstCluster,
                                                  std::uint64_t size, bool deleted,
                                                  const qm::FatVolumeGeometry& geometry, bool* damaged) {
  if (size == 0 || firstCluster < 2 || geometry.sectorsPerCluster == 0 || geometry.sectorSize == 0)
    return nullptr;
  if (deleted && fat != nullptr) {
    bool incomplete = false;
    auto runs = GuessDeletedRuns(*fat, firstCluster, size, geometry, incomplete);
    if (damaged != nullptr) *damaged = incomplete;
    return runs;
  }

  const std::uint64_t clusterBytes = std::uint64_t{geometry.sectorsPerCluster} * geometry.sectorSize;
  // No chain is longer than the volume has clusters.
  const std::uint64_t maxSteps = geometry.totalSectors / geometry.sectorsPerCluster + 2;
  auto runs = std::make_unique<CFATDataRunList>();
  std::uint64_t covered = 0;
  std::uint32_t current = firstCluster;
  std::uint64_t start = current - 2u;
  std::uint64_t length = 1; // clusters of the current run, current included
  for (std::uint64_t steps = 0;; ++steps) {
    const std::uint32_t next =
        (deleted || fat == nullptr || steps >= maxSteps) ? 0 : fat->GetNextCluster(current);
    // A bad-cluster mark cannot stand inside a live chain: it ends the
    // chain like an end mark rather than being followed as a cluster.
    if (next < 2 || next >= kBadCluster) {
      // End of the chain: the last run holds what is still missing.
      length = (size - covered + clusterBytes - 1) / clusterBytes;
      if (!RunFits(start, length, geometry)) {
        LogError("File overflows partition!");
        return nullptr;
      }
      runs->AddRun(start, length);
      return runs;
    }
    if (next == current + 1u) {
      ++length;
    } else {
      if (!RunFits(start, length, geometry)) {
        LogError("File overflows partition!");
        return nullptr;
      }
      runs->AddRun(start, length);
      covered += length * clusterBytes;
      if (covered >= size) return runs;
      start = next - 2u;
      length = 1;
    }
    current = next;
  }
}
