#include "ntfs/ntfs_lost_tree_builder.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <span>
#include <system_error>
#include <thread>
#include <unordered_set>

#include "filemodel/dir_build_callback.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "filemodel/raw_file_collection.h"
#include "ntfs/cluster_use_bitmap.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_file_record.h"
#include "ntfs/ntfs_partition_info.h"
#include "ntfs/ntfs_properties_build.h"
#include "ntfs/ntfs_reused_clusters.h"
#include "ntfs/ntfs_tree_builder.h"
#include "ntfs/system_files.h"
#include "ntfs/tree_build_filters.h"
#include "ntfs/volume_record.h"
#include "platform/message_pump.h"
#include "platform/worker_thread.h"
#include "storage/app_settings.h"
#include "storage/storage_device.h"

namespace {

constexpr std::uint64_t kWindowSectors = 128;
// A record tried at the last sector of a window may reach this far.
constexpr std::uint32_t kMaxRecordBytes = 4096;

// Walks the record positions of the scan's FILE-record ranges in list
// order: the first position at or past a sector, range by range.
class RangeWalk {
public:
  explicit RangeWalk(const std::vector<qm::NtfsRecordRange>& ranges) : ranges_(ranges) {}

  // The first record position not below minSector, from the current range
  // on; nothing when the ranges are used up.
  std::optional<std::uint64_t> NextAtOrAfter(std::uint64_t minSector) {
    for (; index_ < ranges_.size(); ++index_) {
      const qm::NtfsRecordRange& range = ranges_[index_];
      if (range.firstSector == qm::kNoSector || range.count == 0) continue;
      std::uint64_t step = 0;
      if (minSector > range.firstSector) step = (minSector - range.firstSector + 1) / 2;
      if (step >= range.count) continue;
      const std::uint64_t sector = range.firstSector + 2 * step;
      if (sector < range.firstSector) continue; // past the end of the numbers
      return sector;
    }
    return std::nullopt;
  }

private:
  const std::vector<qm::NtfsRecordRange>& ranges_;
  std::size_t index_ = 0;
};

struct Window {
  std::uint64_t start = 0;
  std::uint64_t end = 0;
};

// The windows over the ranges inside [partitionStart, partitionEnd); calls
// visit(window) for each, in order, until it returns false.
template <typename Visit>
void WalkWindows(const std::vector<qm::NtfsRecordRange>& ranges, std::uint64_t partitionStart,
                 std::uint64_t partitionEnd, Visit&& visit) {
  RangeWalk walk(ranges);
  std::uint64_t from = partitionStart;
  for (;;) {
    const auto position = walk.NextAtOrAfter(from);
    if (!position || *position >= partitionEnd) return;
    Window window{*position,
                  std::min(partitionEnd, *position + std::min(kWindowSectors, partitionEnd - *position))};
    if (!visit(window)) return;
    from = window.end;
  }
}

std::uint64_t HeaderRecordNumber(qm::ByteView record) {
  const auto number = RecordOwnNumber(record);
  return number ? *number : qm::kNoNumber;
}

std::uint64_t LastClusterEnd(const qm::NtfsRunList& runs) {
  std::uint64_t end = 0;
  for (const auto& run : runs)
    if (run.lcn >= 0) end = std::max(end, static_cast<std::uint64_t>(run.lcn) + run.length);
  return end;
}

// Records outside every $MFT's clusters whose own number lies past the end
// of the partition's $MFT (a volume formatted again over an older one
// keeps the old records beyond the new, smaller $MFT) join that $MFT, so
// that they link with their folders there and with the root, unless that
// number is already taken. A record whose number the $MFT still holds is
// a stale copy and stays out. The partition's $MFT is the one at its $MFT
// sector, else the first.
void AdoptNumberedRecords(std::vector<NtfsRecordCollection>& collections, std::vector<NtfsRecordEntry>& freeEntries,
                          std::uint64_t mftSector) {
  if (collections.empty() || freeEntries.empty()) return;
  NtfsRecordCollection* home = &collections.front();
  for (auto& collection : collections)
    if (collection.mft.recordSector == mftSector) home = &collection;
  std::unordered_set<std::uint64_t> taken;
  taken.reserve(home->entries.size() + freeEntries.size());
  for (const auto& entry : home->entries)
    if (entry.recordNumber != qm::kNoNumber) taken.insert(entry.recordNumber);
  const NtfsMftInfo& mft = home->mft;
  const std::uint64_t clusters = mft.TotalClusters();
  const std::uint64_t capacity = mft.sectorsPerFileRecord == 0 || clusters > ~std::uint64_t{0} / 256
                                     ? ~std::uint64_t{0}
                                     : clusters * mft.sectorsPerCluster / mft.sectorsPerFileRecord;
  std::vector<NtfsRecordEntry> left;
  for (auto& entry : freeEntries) {
    if (entry.recordNumber != qm::kNoNumber && entry.recordNumber >= capacity &&
        taken.insert(entry.recordNumber).second)
      home->entries.push_back(std::move(entry));
    else
      left.push_back(std::move(entry));
  }
  freeEntries = std::move(left);
}

} // namespace

CFileNode* CNtfsLostPartitionTreeBuilder::Build(const std::vector<NtfsMftInfo>& mfts,
                                                const std::vector<qm::NtfsRecordRange>& ranges,
                                                CSearchedPartitionInfo* partition, CRawFileCollection* carved,
                                                IStorageDevice* device, int partitionNumber,
                                                IDIRBuildCallback* callback) {
  counter_ = {};
  windowsRead_ = 0;
  auto* ntfs = dynamic_cast<CSearchedNTFSPartitionInfo*>(partition);
  if (ntfs == nullptr || device == nullptr) return nullptr;
  const std::int32_t signedSectorSize = device->GetSectorSize();
  if (signedSectorSize < 512 || signedSectorSize % 512 != 0) return nullptr;
  const auto sectorSize = static_cast<std::uint32_t>(signedSectorSize);
  const std::uint64_t deviceSectors = device->GetSectorCount();
  const std::uint64_t partitionStart = ntfs->GetStartSector();
  const std::uint64_t partitionSectors = ntfs->GetSectorCount();
  const std::uint64_t partitionEnd = partitionSectors > ~std::uint64_t{0} - partitionStart
                                         ? ~std::uint64_t{0}
                                         : partitionStart + partitionSectors;

  // One collection for every $MFT candidate that sits where its own runs say
  // and ends inside the partition.
  std::vector<NtfsRecordCollection> collections;
  for (const auto& mft : mfts) {
    if (mft.sectorsPerCluster == 0 || mft.sectorsPerFileRecord == 0 || mft.extents.empty()) continue;
    if (!IsMftAtLcn(mft.recordSector, VcnToLcn(mft.extents, 0), partitionStart, mft.sectorsPerCluster))
      continue;
    const std::uint64_t end = LastClusterEnd(mft.extents);
    if (end == 0 || end - 1 > partitionSectors / mft.sectorsPerCluster ||
        (end - 1) * mft.sectorsPerCluster >= partitionSectors)
      continue;
    NtfsRecordCollection collection;
    collection.mft = mft;
    collections.push_back(std::move(collection));
  }
  std::uint32_t sectorsPerCluster = ntfs->GetSectorsPerCluster();
  if (sectorsPerCluster == 0 && !collections.empty())
    sectorsPerCluster = collections.front().mft.sectorsPerCluster;
  if (sectorsPerCluster == 0) sectorsPerCluster = 8;
  const std::uint64_t clusterBytes = std::uint64_t{sectorsPerCluster} * sectorSize;

  // Windows that would start past the device are never read, so the walk
  // ends there: a damaged sector count must not make it walk for ever.
  const std::uint64_t walkEnd = std::min(partitionEnd, deviceSectors);
  std::uint32_t windows = 0;
  WalkWindows(ranges, partitionStart, walkEnd, [&](const Window&) { return ++windows != 0; });
  if (callback != nullptr) callback->OnBegin(qm::kNtfsReadingFilesTitle, windows);

  std::vector<NtfsRecordEntry> freeEntries;
  const std::uint64_t extraSectors = (kMaxRecordBytes + sectorSize - 1) / sectorSize;
  std::vector<std::uint8_t> buffer((kWindowSectors + extraSectors) * sectorSize);
  CNTFSFileRecord record({}, 0, nullptr, {});
  const qm::ExtensionRecordList noExtensions;
  bool cancelled = false;
  WalkWindows(ranges, partitionStart, walkEnd, [&](const Window& window) {
    if (window.start >= deviceSectors) return true;
    const std::uint64_t readEnd = std::min({window.end + extraSectors, deviceSectors, partitionEnd});
    const std::uint64_t count = readEnd - window.start;
    if (!device->ReadSectors(buffer.data(), window.start, count)) {
      if (callback != nullptr && callback->OnStep(1) == kCallbackCancel) cancelled = true;
      return !cancelled;
    }
    ++windowsRead_;
    const std::size_t available = static_cast<std::size_t>(count * sectorSize);
    for (std::uint64_t sector = window.start; sector < window.end && sector < readEnd; ++sector) {
      const std::size_t at = static_cast<std::size_t>((sector - window.start) * sectorSize);
      const qm::ByteView head(buffer.data() + at, available - at);
      if (!IsFileRecordHeader(head)) continue;
      const std::uint32_t size = head.le32(qm::mft::kBytesAllocated);
      if (size > available - at) continue;
      const std::span<std::uint8_t> raw(buffer.data() + at, size);
      bool system = false;
      bool isFolder = false;
      bool hasList = false;
      std::uint64_t headerNumber = qm::kNoNumber;
      {
        const CNTFSFileRecordView view(raw, false);
        if (!view.IsValid() || IsExtensionRecord(view.Record())) continue;
        system = IsSystemFileRecord(view);
        isFolder = IsDirectory(view.Record());
        hasList = HasAttributeList(view.Record());
        headerNumber = HeaderRecordNumber(view.Record());
      }
      if (system) continue;

      NtfsRecordCollection* home = nullptr;
      bool insideAnMft = false;
      for (auto& collection : collections) {
        const std::uint64_t lcn = (sector - partitionStart) / collection.mft.sectorsPerCluster;
        if (collection.mft.ContainsLcn(static_cast<std::int64_t>(lcn))) {
          insideAnMft = true;
          home = &collection;
          break;
        }
      }
      if (ntfs->m_bFilesFromMftOnly != 0 && !insideAnMft) continue;
      if (ntfs->m_bUseMft == 0) home = nullptr;

      NtfsRecordEntry entry;
      entry.isFolder = isFolder ? 1 : 0;
      entry.recordSector = sector;
      if (home != nullptr) entry.recordNumber = SectorToRecordNumber(home->mft, sector, partitionStart);
      if (entry.recordNumber == qm::kNoNumber) entry.recordNumber = headerNumber;
      std::optional<qm::ExtensionRecordList> extensions;
      if (home != nullptr && hasList) {
        const qm::NtfsVolumeGeometry geometry{partitionStart, home->mft.sectorsPerCluster, sectorSize, size};
        extensions = BuildExtensionRecordList(raw, sector, *device, geometry, home->mft.extents);
      }
      record.Reset(raw, sector, device, extensions ? *extensions : noExtensions);
      std::uint64_t parent = qm::kNoNumber;
      entry.properties = BuildNtfsFileProperties(sector, record, clusterBytes, &parent, extensions);
      if (!entry.properties) continue;
      entry.parentNumber = parent >= qm::kNtfsRootRecord ? parent : qm::kNoNumber;
      (home != nullptr ? home->entries : freeEntries).push_back(std::move(entry));
    }
    if (callback != nullptr && callback->OnStep(1) == kCallbackCancel) cancelled = true;
    return !cancelled;
  });

  if (ntfs->m_bUseMft != 0) AdoptNumberedRecords(collections, freeEntries, ntfs->m_u64MftSector);

  std::size_t total = freeEntries.size();
  for (const auto& collection : collections)
    total += collection.entries.size();
  if (callback != nullptr) callback->OnBegin(qm::kNtfsBuildingTitle, static_cast<std::uint32_t>(total));

  char volumeName[qm::kVolumeNameBytes] = {};
  if (ntfs->m_u64MftSector != CSearchedNTFSPartitionInfo::kUnknown)
    ReadVolumeNameAt(static_cast<std::int64_t>(ntfs->m_u64MftSector), *device, volumeName,
                     sectorSize == 512 ? 1024 : sectorSize);
  CFileSystemNode* root = MakeNtfsRootNode(partitionStart, sectorsPerCluster, partitionNumber, volumeName);
  for (auto& collection : collections) {
    if (cancelled) break;
    // A root of its own with the volume's geometry, so that recycled files
    // can be read while they are linked.
    CFileSystemNode* collectionRoot = CreateFileSystemNode();
    collectionRoot->SetVolumeGeometry(partitionStart, sectorsPerCluster);
    collectionRoot->SetVolumeState(qm::kVolumeNtfs);
    collection.root = collectionRoot;
    BuildTreeFromRecords(collection, partitionStart, device, callback, counter_);
    while (CFileNode* child = collection.root->GetFirstChild()) {
      collection.root->RemoveChild(child);
      root->AddChild(child);
    }
    DeleteFileSystemNode(collectionRoot);
    collection.root = nullptr;
    if (callback != nullptr && callback->Poll() == kCallbackCancel) cancelled = true;
  }
  if (!cancelled) LinkOrphans(freeEntries, root, device, callback, counter_);
  if (!cancelled) MarkNtfsOlderClaimants(root, *device, clusterBytes);
  if (GetAppSettings()->bPhotoRecovery != 0) RemoveEmptyFoldersNtfs(root);

  if (!cancelled && (callback == nullptr || callback->Poll() != kCallbackCancel)) {
    // One bit a cluster of the partition; a damaged total is held to what
    // the partition and the device can hold.
    std::uint64_t clusters = partitionSectors / sectorsPerCluster;
    if (ntfs->m_u64TotalClusters != CSearchedNTFSPartitionInfo::kUnknown)
      clusters = std::min(clusters, ntfs->m_u64TotalClusters);
    clusters = std::min(clusters, deviceSectors / sectorsPerCluster + 1);
    std::vector<bool> bits(static_cast<std::size_t>(clusters));
    if (auto used = BuildClusterUseBitMap(root, &bits, clusters))
      AddCarvedFilesInUnusedClusters(root, *used, carved, device, callback);
  }

  if (root->GetFirstChild() == nullptr) {
    DeleteFileTree(root);
    return nullptr;
  }
  if (callback != nullptr) callback->OnEnd();
  return root;
}

CFileNode* CNtfsLostPartitionTreeBuilder::Start(const std::vector<NtfsMftInfo>& mfts,
                                                const std::vector<qm::NtfsRecordRange>& ranges,
                                                CSearchedPartitionInfo* partition, CRawFileCollection* carved,
                                                IStorageDevice* device, int partitionNumber,
                                                IDIRBuildCallback* callback) {
  if (dynamic_cast<CSearchedNTFSPartitionInfo*>(partition) == nullptr) return nullptr;
  std::atomic<bool> done{false};
  CFileNode* root = nullptr;
  std::thread worker;
  try {
    worker = qm::StartWorker([&] {
      root = Build(mfts, ranges, partition, carved, device, partitionNumber, callback);
      done = true;
    });
  } catch (const std::system_error&) {
    return nullptr;
  }
  qm::WaitPumping([&] { return done.load(); });
  worker.join();
  return root;
}
