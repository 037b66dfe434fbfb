// Which clusters of a volume belong to the files of its built tree. The
// carving result leaves out files that start in used clusters.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class CFileNode;
class IDataRunList;

class IIsClusterUsed {
public:
  virtual ~IIsClusterUsed() = default;
  virtual bool IsClusterUsed(std::uint64_t sector) const = 0;
};

class CClusterUseBitMap : public IIsClusterUsed {
public:
  // bits (one a cluster, indexed by LCN) stays the caller's and must
  // outlive this object.
  CClusterUseBitMap(std::vector<bool>* bits, std::uint64_t firstSector, std::uint8_t sectorsPerCluster,
                    std::uint64_t clusterCount);

  // True when the sector lies before the partition, at or past its last
  // cluster, or in a cluster whose bit is set.
  bool IsClusterUsed(std::uint64_t sector) const override;

  // Sets the bit of one cluster; numbers off the vector are ignored.
  void SetCluster(std::int64_t cluster);
  // Marks the cluster of a record sector (and the next one when a cluster
  // is one sector, as a 1024-byte record spans two).
  void MarkRange(std::uint64_t sector);
  // Marks the clusters of a run list up to byteLimit bytes of the file
  // (sparse runs count toward the limit but set nothing); a resident list
  // marks its record's cluster.
  void MarkDataRuns(const IDataRunList& list, std::uint64_t byteLimit);

private:
  std::vector<bool>* bits_;
  std::uint64_t firstSector_;
  std::uint8_t sectorsPerCluster_;
  std::uint64_t clusterCount_;
};

// What a tree walk that marks clusters carries along.
struct NtfsRunRequest {
  std::vector<bool>* bits = nullptr;
  std::uint64_t firstSector = 0;
  std::uint8_t sectorsPerCluster = 0;
};

// Marks the clusters of every file and folder under root (breadth first)
// into bits, which has one bit a cluster of the volume, all clear. Null when
// root has no volume geometry.
std::unique_ptr<CClusterUseBitMap> BuildClusterUseBitMap(CFileNode* root, std::vector<bool>* bits,
                                                         std::uint64_t clusterCount);
