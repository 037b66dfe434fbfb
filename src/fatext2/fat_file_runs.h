// The extents of one file of a FAT tree, from its directory entry's first
// cluster and size: the cluster chain for a live file, a contiguous guess
// for a deleted one (its chain is gone from the table).
#pragma once

#include <cstdint>
#include <memory>

#include "fatext2/fat_file_properties.h"

class IFATTable;

namespace qm {

struct FatVolumeGeometry {
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t sectorSize = 512;
  // Sectors of the partition; no run may reach past them.
  std::uint64_t totalSectors = 0;
};

} // namespace qm

// The runs of a file, in (cluster - 2, cluster count) units; null when the
// file has no data (size 0, no usable first cluster, nothing found) or
// when its runs would leave the partition ("File overflows partition!").
//
// A live file (or any file when fat is null) follows its chain; the last
// run is sized by the bytes still missing, so clusters the chain holds
// beyond the size are left out, and a chain that ends early is taken as
// running on contiguously (a bad-cluster mark ends it too). A chain never takes more steps than the volume
// has clusters, so a looping chain ends. A deleted file takes the clusters
// from its first one upward, skipping those the table shows in use or
// bad, until its size is covered; when the volume ends first, or its first
// cluster is in use, *damaged (when given) is set: the runs hold only
// what was found.
std::unique_ptr<CFATDataRunList> BuildFatFileRuns(const IFATTable* fat, std::uint32_t firstCluster,
                                                  std::uint64_t size, bool deleted,
                                                  const qm::FatVolumeGeometry& geometry, bool* damaged = nullptr);
