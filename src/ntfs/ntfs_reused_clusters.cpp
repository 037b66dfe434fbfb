#include "ntfs/ntfs_reused_clusters.h"

#include <algorithm>
#include <vector>

#include "filemodel/allocation_bits.h"
#include "filemodel/deleted_file_claims.h"
#include "filemodel/file_node.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_file_properties.h"
#include "ntfs/system_files.h"
#include "platform/log.h"
#include "storage/storage_device.h"

namespace {

// The record of $Bitmap, one bit a cluster of the volume.
constexpr std::uint64_t kBitmapRecordNumber = 6;
// The bitmap is read in windows of about this many bytes (a megabyte
// covers 32 GiB of 4 KiB clusters), each when a claim first reaches it.
constexpr std::uint64_t kWindowBytes = 1u << 20;
// Far past any volume (2^43 clusters); bounds the sums over hostile runs.
constexpr std::uint64_t kMaxBitmapBytes = std::uint64_t{1} << 40;

// $Bitmap's data, read a window at a time through its runs.
class ClusterBitmap {
public:
  ClusterBitmap(IStorageDevice& device, const qm::NtfsVolumeGeometry& geometry,
                const qm::NtfsRunList& mftRuns)
      : device_(device), geometry_(geometry) {
    const std::uint64_t clusterBytes = geometry.ClusterBytes();
    if (clusterBytes == 0) return;
    windowBytes_ = std::max<std::uint64_t>(kWindowBytes / clusterBytes, 1) * clusterBytes;
    std::vector<std::uint8_t> record;
    if (!qm::ReadMftRecord(device, geometry, mftRuns, kBitmapRecordNumber, record) ||
        !IsValidFileRecord(record) || !ApplyUpdateSequenceFixup(record))
      return;
    std::uint64_t realSize = 0;
    if (!CollectUnnamedDataRuns(qm::ByteView(record.data(), record.size()), false, runs_, realSize))
      runs_.clear();
    SortByVcn(runs_);
    // No more bytes than its runs hold: a damaged size must not make
    // clusters past them look known.
    const std::uint64_t clusters = std::min(TotalClusters(runs_), kMaxBitmapBytes / clusterBytes);
    bytes_ = std::min(realSize, clusters * clusterBytes);
  }

  bool Known() const { return bytes_ != 0; }

  // Whether a cluster of [start, end) is in use. Clusters past the bitmap,
  // or in a part of it that cannot be read, count as free: nothing says
  // another file has them.
  bool AnyUsed(std::uint64_t start, std::uint64_t end) {
    end = std::min(end, bytes_ * 8);
    const std::uint64_t windowClusters = windowBytes_ * 8;
    for (std::uint64_t cluster = start; cluster < end;) {
      const std::uint64_t window = cluster / windowClusters;
      if (window != loaded_) Load(window);
      const std::uint64_t first = window * windowClusters;
      const std::uint64_t past = std::min(end, first + windowClusters);
      if (qm::AnyAllocationBitSet(window_, cluster - first, past - first)) return true;
      cluster = past;
    }
    return false;
  }

private:
  void Load(std::uint64_t window) {
    loaded_ = window;
    window_.assign(static_cast<std::size_t>(windowBytes_), 0);
    const std::uint64_t clusterBytes = geometry_.ClusterBytes();
    const std::uint64_t first = window * windowBytes_ / clusterBytes;
    const std::uint64_t count = std::min(windowBytes_, bytes_ - window * windowBytes_);
    const std::uint64_t clusters = (count + clusterBytes - 1) / clusterBytes;
    for (std::uint64_t i = 0; i < clusters; ++i) {
      const std::int64_t lcn = VcnToLcn(runs_, first + i);
      if (lcn < 0) continue;
      const std::uint64_t sector =
          geometry_.partitionStart + static_cast<std::uint64_t>(lcn) * geometry_.sectorsPerCluster;
      std::uint8_t* at = window_.data() + i * clusterBytes;
      // A cluster that cannot be read leaves its bits clear.
      if (!device_.ReadSectors(at, sector, geometry_.sectorsPerCluster))
        std::fill(at, at + clusterBytes, std::uint8_t{0});
    }
  }

  IStorageDevice& device_;
  qm::NtfsVolumeGeometry geometry_;
  qm::NtfsRunList runs_;
  std::uint64_t bytes_ = 0;
  std::uint64_t windowBytes_ = 0;
  std::uint64_t loaded_ = UINT64_MAX;
  std::vector<std::uint8_t> window_;
};

// Marks the older claimants; the number marked.
std::size_t MarkOlder(qm::DeletedFileClaims& claims, IStorageDevice& device) {
  return claims.MarkOlderClaimants([&](CFileNode& file) {
    // The record's log sequence number grows with every change the driver
    // logs, its deletion included; a driver that logs nothing leaves it 0,
    // and then the times decide: the data's write time, unless the file
    // was created later (a copy keeps its source's write time).
    std::uint64_t lsn = 0;
    if (const auto record = NtfsLoadFileRecord(&file, &device)) lsn = record->Record().le64(qm::mft::kLsn);
    qm::FileTime written = 0;
    qm::FileTime created = 0;
    file.GetProperties()->GetLastWriteTime(&written);
    file.GetProperties()->GetCreationTime(&created);
    return qm::ClaimAge{lsn, std::max(written, created)};
  });
}

} // namespace

void MarkReusedNtfsDeletedFiles(CFileNode* root, IStorageDevice& device,
                                const qm::NtfsVolumeGeometry& geometry, const qm::NtfsRunList& mftRuns) {
  qm::DeletedFileClaims claims(root, geometry.ClusterBytes());
  if (claims.FileCount() == 0) return;
  std::size_t inUse = 0;
  ClusterBitmap bitmap(device, geometry, mftRuns);
  if (bitmap.Known())
    inUse = claims.MarkFilesInUse(
        [&](std::uint64_t start, std::uint64_t end) { return bitmap.AnyUsed(start, end); });
  else
    LogInfo("NTFS: the cluster bitmap could not be read; deleted files are not checked against it");
  const std::size_t older = MarkOlder(claims, device);
  if (inUse + older != 0)
    LogInfo(
        "NTFS: %zu of %zu deleted files marked damaged: %zu with clusters in use, %zu sharing clusters with "
        "a later one",
        inUse + older, claims.FileCount(), inUse, older);
}

void MarkNtfsOlderClaimants(CFileNode* root, IStorageDevice& device, std::uint64_t clusterBytes) {
  qm::DeletedFileClaims claims(root, clusterBytes);
  const std::size_t older = MarkOlder(claims, device);
  if (older != 0)
    LogInfo("NTFS: %zu of %zu deleted files marked damaged: they share clusters with a later one", older,
            claims.FileCount());
}
