#include "ntfs/ntfs_tree_builder.h"

#include <algorithm>
#include <atomic>
#include <numeric>
#include <optional>
#include <set>
#include <span>
#include <system_error>
#include <thread>
#include <vector>

#include "filemodel/dir_build_callback.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "filemodel/tree_object_pool.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_boot_sector.h"
#include "ntfs/ntfs_file_record.h"
#include "ntfs/ntfs_properties_build.h"
#include "ntfs/ntfs_reused_clusters.h"
#include "ntfs/system_files.h"
#include "ntfs/tree_build_filters.h"
#include "ntfs/volume_record.h"
#include "platform/log.h"
#include "platform/message_pump.h"
#include "platform/worker_thread.h"
#include "storage/app_settings.h"
#include "storage/storage_device.h"

namespace {

// The $MFT is read up to a megabyte at a time: few enough calls for
// millions of records.
constexpr std::size_t kBlockBytes = 1u << 20;
// Passes over the $MFT's attribute list: each pass can only find extension
// records that the runs found so far locate.
constexpr int kMaxExtentPasses = 64;
constexpr std::size_t kMaxReservedEntries = std::size_t{1} << 22;

struct VolumeLayout {
  std::uint64_t first = 0;
  std::uint32_t sectorSize = 0;
  std::uint32_t sectorsPerCluster = 0; // device sectors
  std::uint32_t recordSize = 0;
  std::uint64_t deviceSectors = 0;
  qm::NtfsVolumeGeometry Geometry() const { return {first, sectorsPerCluster, sectorSize, recordSize}; }
  std::uint64_t ClusterBytes() const { return std::uint64_t{sectorsPerCluster} * sectorSize; }
};

// Reads bytes starting at a sector (whole sectors read); false when they do
// not lie on the device or the read fails.
bool ReadAt(IStorageDevice& device, const VolumeLayout& layout, std::uint64_t sector, std::size_t bytes,
            std::vector<std::uint8_t>& out) {
  const std::uint64_t count = (bytes + layout.sectorSize - 1) / layout.sectorSize;
  if (sector >= layout.deviceSectors || count > layout.deviceSectors - sector) return false;
  out.resize(count * layout.sectorSize);
  if (!device.ReadSectors(out.data(), sector, count)) return false;
  out.resize(bytes);
  return true;
}

std::optional<VolumeLayout> ReadLayout(IStorageDevice& device, std::uint64_t first, CNTFSDBR& boot) {
  VolumeLayout layout;
  layout.first = first;
  const std::int32_t sectorSize = device.GetSectorSize();
  if (sectorSize < 512 || sectorSize % 512 != 0) return std::nullopt;
  layout.sectorSize = static_cast<std::uint32_t>(sectorSize);
  layout.deviceSectors = device.GetSectorCount();
  std::vector<std::uint8_t> sector;
  if (!ReadAt(device, layout, first, layout.sectorSize, sector) ||
      !boot.Load(qm::ByteView(sector.data(), 512)))
    return std::nullopt;
  const std::uint64_t clusterBytes = std::uint64_t{boot.GetSectorsPerCluster()} * boot.GetBytesPerSector();
  if (clusterBytes < layout.sectorSize || clusterBytes % layout.sectorSize != 0 ||
      !boot.HasUsableFileRecordSize())
    return std::nullopt;
  layout.sectorsPerCluster = static_cast<std::uint32_t>(clusterBytes / layout.sectorSize);
  layout.recordSize = boot.GetFileRecordSize();
  return layout;
}

// The sector of the first record of cluster lcn, or nothing when it is off
// the device.
std::optional<std::uint64_t> ClusterSector(const VolumeLayout& layout, std::int64_t lcn) {
  if (lcn < 0) return std::nullopt;
  const auto cluster = static_cast<std::uint64_t>(lcn);
  if (cluster > (layout.deviceSectors - layout.first) / layout.sectorsPerCluster) return std::nullopt;
  const std::uint64_t sector = layout.first + cluster * layout.sectorsPerCluster;
  if (sector >= layout.deviceSectors) return std::nullopt;
  return sector;
}

// A valid record read at the sector, fixed up; raw keeps it as it lies.
bool ReadRecord(IStorageDevice& device, const VolumeLayout& layout, std::uint64_t sector,
                std::vector<std::uint8_t>& raw, std::vector<std::uint8_t>& fixed) {
  if (!ReadAt(device, layout, sector, layout.recordSize, raw) || !IsValidFileRecord(raw)) return false;
  fixed = raw;
  return ApplyUpdateSequenceFixup(fixed);
}

// The runs of the $MFT's unnamed $DATA, from its base record and, when it
// has an attribute list, from the extension records that the runs found so
// far can locate.
qm::NtfsRunList CollectMftRuns(IStorageDevice& device, const VolumeLayout& layout, std::uint64_t mftSector,
                               std::vector<std::uint8_t>& raw, const std::vector<std::uint8_t>& fixed) {
  qm::NtfsRunList runs;
  std::uint64_t realSize = 0;
  const qm::ByteView record(fixed.data(), fixed.size());
  CollectUnnamedDataRuns(record, false, runs, realSize);
  if (!HasAttributeList(record)) return runs;
  LogInfo("MFT file record has 0x20 attribute, MFT start sector is %llu\n",
          static_cast<unsigned long long>(mftSector));
  std::set<std::uint64_t> done{0};
  std::vector<std::uint8_t> extensionRaw;
  std::vector<std::uint8_t> extensionFixed;
  for (int pass = 0; pass < kMaxExtentPasses; ++pass) {
    const auto list = BuildExtensionRecordList(raw, mftSector, device, layout.Geometry(), runs);
    if (!list) break;
    bool readOne = false;
    for (const auto& ref : *list) {
      if (!done.insert(ref.recordNumber).second) continue;
      if (!qm::ReadMftRecord(device, layout.Geometry(), runs, ref.recordNumber, extensionRaw) ||
          !IsValidFileRecord(extensionRaw))
        continue;
      extensionFixed = extensionRaw;
      ApplyUpdateSequenceFixup(extensionFixed);
      std::uint64_t ignored = 0;
      CollectUnnamedDataRuns(qm::ByteView(extensionFixed.data(), extensionFixed.size()), false, runs,
                             ignored);
      readOne = true;
    }
    if (!readOne) break;
  }
  SortByVcn(runs);
  return runs;
}

// Reads the $MFT in blocks in record order and turns every base record
// into an entry.
class MftSweep {
public:
  MftSweep(IStorageDevice& device, const VolumeLayout& layout, const qm::NtfsRunList& runs,
           IDIRBuildCallback* callback, std::vector<NtfsRecordEntry>& entries)
      : device_(device), layout_(layout), runs_(runs), callback_(callback), entries_(entries),
        blockBytes_(SweepBlockBytes(layout, runs)), block_(blockBytes_),
        blockSectors_(blockBytes_ / layout.sectorSize), record_({}, 0, nullptr, {}) {}

  // False when cancelled.
  bool Run() {
    // No more sectors are read than the device holds: a run list that
    // names the same clusters over and over ends there.
    std::uint64_t budget = layout_.deviceSectors;
    for (const auto& run : runs_) {
      const std::uint64_t runSectors =
          run.length > budget / layout_.sectorsPerCluster ? budget : run.length * layout_.sectorsPerCluster;
      const auto start = ClusterSector(layout_, run.lcn);
      if (!start) {
        // Sparse or off the device: those records are not there, but the
        // ones after keep their numbers.
        Skip(runSectors);
        continue;
      }
      std::uint64_t done = 0;
      while (done < runSectors && budget > 0) {
        const std::uint64_t sector = *start + done;
        if (sector >= layout_.deviceSectors) {
          Skip(runSectors - done);
          break;
        }
        const std::uint64_t room = (blockBytes_ - filled_) / layout_.sectorSize;
        const std::uint64_t n = std::min({runSectors - done, room, layout_.deviceSectors - sector, budget});
        std::uint8_t* at = block_.data() + filled_;
        if (!device_.ReadSectors(at, sector, n)) std::fill(at, at + n * layout_.sectorSize, std::uint8_t{0});
        for (std::uint64_t i = 0; i < n; ++i)
          blockSectors_[filled_ / layout_.sectorSize + i] = sector + i;
        filled_ += n * layout_.sectorSize;
        done += n;
        budget -= n;
        if (filled_ == blockBytes_ && !Flush()) return false;
      }
      if (budget == 0) break;
    }
    return Flush();
  }

  char volumeName[qm::kVolumeNameBytes] = {};

private:
  // A whole number of sectors and of records, so that a full block leaves
  // no room and no record straddles two blocks whatever the sector size
  // (1536-byte sectors hold no whole number of megabytes); no larger than
  // the $MFT, so that a small volume does not cost a megabyte.
  static std::size_t SweepBlockBytes(const VolumeLayout& layout, const qm::NtfsRunList& runs) {
    const std::size_t unit = std::lcm(std::size_t{layout.sectorSize}, std::size_t{layout.recordSize});
    const std::uint64_t mftClusters = std::min<std::uint64_t>(TotalClusters(runs), kBlockBytes);
    const std::uint64_t mftBytes = std::min<std::uint64_t>(mftClusters * layout.ClusterBytes(), kBlockBytes);
    const std::uint64_t units =
        std::max<std::uint64_t>(std::min((mftBytes + unit - 1) / unit, kBlockBytes / unit), 1);
    return static_cast<std::size_t>(units * unit);
  }

  void Skip(std::uint64_t sectors) {
    Flush();
    mftByte_ += sectors * layout_.sectorSize;
    sectorsDone_ += sectors;
  }

  // Processes the buffered records; false when the callback cancels.
  bool Flush() {
    if (filled_ == 0) return true;
    Process();
    mftByte_ += filled_;
    sectorsDone_ += filled_ / layout_.sectorSize;
    filled_ = 0;
    if (callback_ == nullptr) return true;
    callback_->OnPosition(static_cast<std::uint32_t>(sectorsDone_ / qm::kNtfsProgressSectors));
    return callback_->Poll() != kCallbackCancel;
  }

  void Process() {
    const std::size_t recordSize = layout_.recordSize;
    for (std::size_t pos = 0; pos + recordSize <= filled_; pos += recordSize) {
      const std::span<std::uint8_t> raw(block_.data() + pos, recordSize);
      if (!IsFileRecordHeader(qm::ByteView(raw.data(), raw.size()))) continue;
      const std::uint64_t number = (mftByte_ + pos) / recordSize;
      const std::uint64_t sector = blockSectors_[pos / layout_.sectorSize];
      const auto offset = static_cast<std::uint32_t>(pos % layout_.sectorSize);
      // One copy, one check and one fix-up a record; the block keeps the
      // record as it lies for the extension-record lookup.
      record_.Reset(raw, sector, &device_, kNoExtensions, offset);
      if (!record_.IsValid()) continue;
      const qm::ByteView fixed = record_.Record();
      if (IsExtensionRecord(fixed)) continue;
      if (IsSystemFileRecord(record_.Attributes())) {
        // The volume's name comes from its system record, read on the way.
        if (number == qm::kVolumeRecordNumber) GetVolumeNameFromRecord(raw, volumeName);
        continue;
      }
      const bool isFolder = IsDirectory(fixed);
      std::optional<qm::ExtensionRecordList> extensions;
      if (record_.Attributes().Find(qm::mft::kAttributeList, 0)) {
        extensions = BuildExtensionRecordList(raw, sector, device_, layout_.Geometry(), runs_);
        if (extensions) record_.Reset(raw, sector, &device_, *extensions, offset);
      }
      NtfsRecordEntry entry;
      entry.isFolder = isFolder ? 1 : 0;
      entry.recordSector = sector;
      entry.recordNumber = number;
      std::uint64_t parent = qm::kNoNumber;
      entry.properties =
          BuildNtfsFileProperties(sector, record_, layout_.ClusterBytes(), &parent, extensions);
      entry.parentNumber = parent;
      entries_.push_back(std::move(entry));
    }
  }

  static inline const qm::ExtensionRecordList kNoExtensions{};

  IStorageDevice& device_;
  const VolumeLayout& layout_;
  const qm::NtfsRunList& runs_;
  IDIRBuildCallback* callback_;
  std::vector<NtfsRecordEntry>& entries_;
  std::size_t blockBytes_;
  std::vector<std::uint8_t> block_;
  std::vector<std::uint64_t> blockSectors_;
  CNTFSFileRecord record_;
  std::size_t filled_ = 0;
  std::uint64_t mftByte_ = 0;
  std::uint64_t sectorsDone_ = 0;
};

} // namespace

CFileNode* CNtfsTreeBuilder::Build(std::uint64_t firstSector, IStorageDevice* device,
                                   IDIRBuildCallback* callback) {
  counter_ = {};
  mftRuns_.clear();
  entriesFound_ = 0;
  if (device == nullptr) return nullptr;
  CNTFSDBR boot;
  const auto layout = ReadLayout(*device, firstSector, boot);
  if (!layout) return nullptr;

  std::vector<std::uint8_t> raw;
  std::vector<std::uint8_t> fixed;
  std::optional<std::uint64_t> mftSector = ClusterSector(*layout, boot.GetMftStartCluster());
  if (!mftSector || !ReadRecord(*device, *layout, *mftSector, raw, fixed)) {
    mftSector = ClusterSector(*layout, boot.GetMftMirrStartCluster());
    if (!mftSector || !ReadRecord(*device, *layout, *mftSector, raw, fixed)) return nullptr;
  }
  mftRuns_ = CollectMftRuns(*device, *layout, *mftSector, raw, fixed);
  if (mftRuns_.empty()) return nullptr;

  const std::uint64_t mftClusters = TotalClusters(mftRuns_);
  if (callback != nullptr)
    callback->OnBegin(
        qm::kNtfsReadingFilesTitle,
        static_cast<std::uint32_t>(mftClusters * layout->sectorsPerCluster / qm::kNtfsProgressSectors));

  NtfsRecordCollection collection;
  collection.mft.recordSector = *mftSector;
  collection.mft.extents = mftRuns_;
  collection.mft.sectorsPerCluster =
      static_cast<std::uint8_t>(std::min<std::uint32_t>(layout->sectorsPerCluster, 255));
  collection.mft.sectorsPerFileRecord =
      static_cast<std::uint8_t>(std::max<std::uint32_t>(layout->recordSize / layout->sectorSize, 1));
  const std::uint64_t mftRecords =
      std::min(mftClusters, layout->deviceSectors) * layout->ClusterBytes() / layout->recordSize;
  collection.entries.reserve(
      static_cast<std::size_t>(std::min<std::uint64_t>(mftRecords, kMaxReservedEntries)));
  qm::AdviseHugePages(collection.entries.data(), collection.entries.capacity() * sizeof(NtfsRecordEntry));
  MftSweep sweep(*device, *layout, mftRuns_, callback, collection.entries);
  const bool completed = sweep.Run();
  entriesFound_ = collection.entries.size();
  if (!completed) return nullptr;

  if (callback != nullptr)
    callback->OnBegin(qm::kNtfsBuildingTitle, static_cast<std::uint32_t>(collection.entries.size()));
  CFileSystemNode* root = MakeNtfsRootNode(firstSector, layout->sectorsPerCluster, 0, sweep.volumeName);
  collection.root = root;
  BuildTreeFromRecords(collection, firstSector, device, callback, counter_);
  MarkReusedNtfsDeletedFiles(root, *device, layout->Geometry(), mftRuns_);
  if (GetAppSettings()->bPhotoRecovery != 0) RemoveEmptyFoldersNtfs(root);
  collection.entries.clear();
  if (root->GetFirstChild() == nullptr || (callback != nullptr && callback->Poll() == kCallbackCancel)) {
    DeleteFileTree(root);
    return nullptr;
  }
  if (callback != nullptr) callback->OnEnd();
  return root;
}

CFileNode* CNtfsTreeBuilder::Start(std::uint64_t firstSector, IStorageDevice* device,
                                   IDIRBuildCallback* callback) {
  std::atomic<bool> done{false};
  CFileNode* root = nullptr;
  std::thread worker;
  try {
    worker = qm::StartWorker([&] {
      root = Build(firstSector, device, callback);
      done = true;
    });
  } catch (const std::system_error&) {
    return nullptr;
  }
  qm::WaitPumping([&] { return done.load(); });
  worker.join();
  return root;
}
