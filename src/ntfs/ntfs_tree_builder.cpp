#include "ntfs/ntfs_tree_builder.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
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
#include "platform/thread_pool.h"
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

// Turns one record of the $MFT, as it lies in the sweep's block, into the
// entry of a base record; the block's bytes come back unchanged. The record
// is fixed up where it lies, not copied. Only the build's thread may read
// the device: elsewhere the few records that need it (those with an
// attribute list, whose extension records are read) and the volume's
// record (whose name goes to the build) are left to that thread, which
// reads them again with the same function.
class RecordReader {
public:
  RecordReader(IStorageDevice& device, const VolumeLayout& layout, const qm::NtfsRunList& runs)
      : device_(device), layout_(layout), runs_(runs), record_({}, 0, nullptr, {}) {}

  enum class Result { kRead, kForBuildThread };

  // buildThread: this is the build's thread, which may read the device and
  // sets volumeName.
  Result Read(std::span<std::uint8_t> raw, std::uint64_t number, std::uint64_t sector, std::uint32_t offset,
              bool buildThread, std::vector<NtfsRecordEntry>& entries,
              char (&volumeName)[qm::kVolumeNameBytes]) {
    if (!IsFileRecordHeader(qm::ByteView(raw.data(), raw.size()))) return Result::kRead;
    Taken taken{record_};
    record_.Borrow(raw, sector, &device_, kNoExtensions, offset);
    if (!record_.IsValid()) return Result::kRead;
    const qm::ByteView fixed = record_.Record();
    if (IsExtensionRecord(fixed)) return Result::kRead;
    if (IsSystemFileRecord(record_.Attributes())) {
      if (number != qm::kVolumeRecordNumber) return Result::kRead;
      if (!buildThread) return Result::kForBuildThread;
      // The volume's name comes from its system record, read on the way.
      record_.Release();
      GetVolumeNameFromRecord(raw, volumeName);
      return Result::kRead;
    }
    const bool isFolder = IsDirectory(fixed);
    std::optional<qm::ExtensionRecordList> extensions;
    if (record_.Attributes().Find(qm::mft::kAttributeList, 0)) {
      if (!buildThread) return Result::kForBuildThread;
      record_.Release();
      extensions = BuildExtensionRecordList(raw, sector, device_, layout_.Geometry(), runs_);
      record_.Borrow(raw, sector, &device_, extensions ? *extensions : kNoExtensions, offset);
    }
    NtfsRecordEntry entry;
    entry.isFolder = isFolder ? 1 : 0;
    entry.recordSector = sector;
    entry.recordNumber = number;
    std::uint64_t parent = qm::kNoNumber;
    entry.properties = BuildNtfsFileProperties(sector, record_, layout_.ClusterBytes(), &parent, extensions);
    entry.parentNumber = parent;
    entries.push_back(std::move(entry));
    return Result::kRead;
  }

private:
  // Gives the borrowed record back however Read returns.
  struct Taken {
    CNTFSFileRecord& record;
    ~Taken() { record.Release(); }
  };

  static inline const qm::ExtensionRecordList kNoExtensions{};

  IStorageDevice& device_;
  const VolumeLayout& layout_;
  const qm::NtfsRunList& runs_;
  CNTFSFileRecord record_;
};

// Reads the $MFT in blocks in record order and turns every base record
// into an entry. With more than one thread, the records of each block are
// read in slices on a pool while the next blocks are read from the device;
// the blocks are taken back in order and their slices' entries appended in
// record order, so the entries are those of one thread, in the same order.
class MftSweep {
public:
  // entries holds room for every record when it has room for maxRecords.
  MftSweep(IStorageDevice& device, const VolumeLayout& layout, const qm::NtfsRunList& runs,
           IDIRBuildCallback* callback, std::vector<NtfsRecordEntry>& entries, std::uint64_t maxRecords,
           unsigned threads)
      : device_(device), layout_(layout), runs_(runs), callback_(callback), entries_(entries),
        entriesStay_(entries.capacity() >= maxRecords), blockBytes_(SweepBlockBytes(layout, runs)),
        reader_(device, layout, runs) {
    if (threads > 1) {
      pool_ = std::make_unique<qm::ThreadPool>(threads);
      for (unsigned i = 0; i < pool_->Size(); ++i)
        workerReaders_.push_back(std::make_unique<RecordReader>(device, layout, runs));
      slicesPerBlock_ = threads;
    }
    blocks_.resize(pool_ ? kBlocksInFlight : 1);
    // The blocks of a large $MFT lie in huge pages: where the first touch
    // of a page costs much (a virtual machine), hundreds of small pages
    // cost more than the reading.
    const std::size_t alignment = blocks_.size() * blockBytes_ >= kBlockBytes ? kHugePage : kPage;
    const std::size_t memory = (blocks_.size() * blockBytes_ + alignment - 1) / alignment * alignment;
    blockMemory_.reset(static_cast<std::uint8_t*>(std::aligned_alloc(alignment, memory)));
    if (!blockMemory_) throw std::bad_alloc();
    qm::AdviseHugePages(blockMemory_.get(), memory);
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
      blocks_[i].bytes = blockMemory_.get() + i * blockBytes_;
      blocks_[i].sectors.resize(blockBytes_ / layout.sectorSize);
    }
  }
  ~MftSweep() {
    // A cancelled sweep: no slice may still be reading a block.
    if (pool_) {
      pool_->DropPending();
      pool_->WaitIdle();
    }
  }

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
        Block& block = blocks_[current_];
        const std::uint64_t room = (blockBytes_ - block.filled) / layout_.sectorSize;
        const std::uint64_t n = std::min({runSectors - done, room, layout_.deviceSectors - sector, budget});
        std::uint8_t* at = block.bytes + block.filled;
        if (!device_.ReadSectors(at, sector, n)) std::fill(at, at + n * layout_.sectorSize, std::uint8_t{0});
        for (std::uint64_t i = 0; i < n; ++i)
          block.sectors[block.filled / layout_.sectorSize + i] = sector + i;
        block.filled += n * layout_.sectorSize;
        done += n;
        budget -= n;
        if (block.filled == blockBytes_ && !Flush()) return false;
      }
      if (budget == 0) break;
    }
    if (!Flush()) return false;
    while (inFlight_ > 0) {
      if (!Retire(Oldest())) return false;
    }
    // The workers have given back what their caches held.
    if (pool_) pool_->WaitIdle();
    return true;
  }

  char volumeName[qm::kVolumeNameBytes] = {};

private:
  // Blocks read ahead of the one whose records are taken back.
  static constexpr std::size_t kBlocksInFlight = 4;
  static constexpr std::size_t kHugePage = std::size_t{2} << 20;
  static constexpr std::size_t kPage = 4096;
  struct FreeMemory {
    void operator()(std::uint8_t* memory) const { std::free(memory); }
  };
  // Fewer records a slice are not worth a task.
  static constexpr std::size_t kMinSliceRecords = 16;

  // A record left to the build's thread: its place among the slice's
  // entries and its offset in the block.
  struct Deferred {
    std::size_t entriesBefore;
    std::size_t pos;
  };
  struct Slice {
    std::size_t begin = 0; // byte offsets in the block
    std::size_t end = 0;
    std::vector<NtfsRecordEntry> entries;
    std::vector<Deferred> deferred;
  };
  struct Block {
    std::uint8_t* bytes = nullptr;      // blockBytes_ of blockMemory_
    std::vector<std::uint64_t> sectors; // the device sector of each of its sectors
    std::size_t filled = 0;
    std::uint64_t mftByte = 0;     // of the block's first byte
    std::uint64_t sectorsDone = 0; // after this block, for the progress
    std::vector<Slice> slices;     // the first sliceCount are in use
    std::size_t sliceCount = 0;
    unsigned pending = 0; // slices still being read, under mutex_
  };

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

  std::size_t Oldest() const { return (current_ + blocks_.size() - inFlight_) % blocks_.size(); }

  void Skip(std::uint64_t sectors) {
    Flush();
    mftByte_ += sectors * layout_.sectorSize;
    sectorsDone_ += sectors;
  }

  // Hands the buffered records on: read here with one thread, else to the
  // pool, taking back the oldest block when every block is in flight.
  // False when the callback cancels.
  bool Flush() {
    Block& block = blocks_[current_];
    if (block.filled == 0) return true;
    block.mftByte = mftByte_;
    mftByte_ += block.filled;
    sectorsDone_ += block.filled / layout_.sectorSize;
    block.sectorsDone = sectorsDone_;
    if (!pool_) {
      // Each record takes two objects of the tree-object pool: they are
      // taken in runs, not one lock each.
      const qm::TreeObjectCache cache;
      for (std::size_t pos = 0; pos + layout_.recordSize <= block.filled; pos += layout_.recordSize)
        ReadRecord(block, pos, reader_, true);
      block.filled = 0;
      return Report(block.sectorsDone);
    }
    PrefaultEntriesAhead();
    Submit(block);
    ++inFlight_;
    current_ = (current_ + 1) % blocks_.size();
    if (inFlight_ == blocks_.size()) return Retire(current_);
    return true;
  }

  bool Report(std::uint64_t sectorsDone) {
    if (callback_ == nullptr) return true;
    callback_->OnPosition(static_cast<std::uint32_t>(sectorsDone / qm::kNtfsProgressSectors));
    return callback_->Poll() != kCallbackCancel;
  }

  RecordReader::Result ReadRecord(Block& block, std::size_t pos, RecordReader& reader, bool buildThread,
                                  std::vector<NtfsRecordEntry>* into = nullptr) {
    const std::size_t recordSize = layout_.recordSize;
    return reader.Read(std::span<std::uint8_t>(block.bytes + pos, recordSize),
                       (block.mftByte + pos) / recordSize, block.sectors[pos / layout_.sectorSize],
                       static_cast<std::uint32_t>(pos % layout_.sectorSize), buildThread,
                       into != nullptr ? *into : entries_, volumeName);
  }

  void Submit(Block& block) {
    const std::size_t recordSize = layout_.recordSize;
    const std::size_t records = block.filled / recordSize;
    const std::size_t perSlice = std::max<std::size_t>(
        {(records + slicesPerBlock_ - 1) / slicesPerBlock_, std::min(records, kMinSliceRecords), 1});
    const std::size_t slices = (records + perSlice - 1) / perSlice;
    if (block.slices.size() < slices) block.slices.resize(slices);
    block.sliceCount = slices;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      block.pending = static_cast<unsigned>(slices);
    }
    for (std::size_t i = 0; i < slices; ++i) {
      Slice& slice = block.slices[i];
      slice.begin = i * perSlice * recordSize;
      slice.end = std::min(records, (i + 1) * perSlice) * recordSize;
      slice.entries.clear();
      slice.deferred.clear();
      pool_->Submit([this, &block, &slice](unsigned worker) {
        const qm::TreeObjectCache cache; // as in Flush
        RecordReader& reader = *workerReaders_[worker];
        for (std::size_t pos = slice.begin; pos < slice.end; pos += layout_.recordSize) {
          // The block was filled on another core: the next record's lines
          // are asked for while this one is read.
          if (pos + layout_.recordSize < slice.end) Prefetch(block.bytes + pos + layout_.recordSize);
          const std::size_t before = slice.entries.size();
          if (ReadRecord(block, pos, reader, false, &slice.entries) == RecordReader::Result::kForBuildThread)
            slice.deferred.push_back({before, pos});
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (--block.pending == 0) sliceDone_.notify_all();
      });
    }
  }

  void Prefetch(const std::uint8_t* record) const {
    for (std::size_t at = 0; at < layout_.recordSize; at += 64)
      __builtin_prefetch(record + at);
  }

  // The entries are appended on this thread: the pages of the list ahead
  // of them are made to exist on the pool, so that this thread does not
  // wait for the system to clear them.
  void PrefaultEntriesAhead() {
    // Never over storage that a growing list could give up meanwhile.
    if (!entriesStay_) return;
    constexpr std::size_t kPiece = std::size_t{2} << 20;
    const std::size_t capacity = entries_.capacity() * sizeof(NtfsRecordEntry);
    const std::size_t used = entries_.size() * sizeof(NtfsRecordEntry);
    if (prefaulted_ >= capacity || prefaulted_ > used + kPiece) return;
    auto* at = reinterpret_cast<std::uint8_t*>(entries_.data()) + prefaulted_;
    const std::size_t bytes = std::min(kPiece, capacity - prefaulted_);
    prefaulted_ += bytes;
    pool_->Submit([at, bytes](unsigned) { qm::PrefaultPages(at, bytes); });
  }

  // Waits for the block's slices, appends their entries in record order
  // with the records left to this thread read in their places, and reports
  // the progress. False when the callback cancels.
  bool Retire(std::size_t index) {
    Block& block = blocks_[index];
    {
      std::unique_lock<std::mutex> lock(mutex_);
      sliceDone_.wait(lock, [&block] { return block.pending == 0; });
    }
    for (std::size_t i = 0; i < block.sliceCount; ++i) {
      Slice& slice = block.slices[i];
      std::size_t next = 0;
      for (const Deferred& deferred : slice.deferred) {
        for (; next < deferred.entriesBefore; ++next)
          entries_.push_back(std::move(slice.entries[next]));
        ReadRecord(block, deferred.pos, reader_, true);
      }
      for (; next < slice.entries.size(); ++next)
        entries_.push_back(std::move(slice.entries[next]));
      slice.entries.clear();
      slice.deferred.clear();
    }
    block.sliceCount = 0;
    block.filled = 0;
    --inFlight_;
    return Report(block.sectorsDone);
  }

  IStorageDevice& device_;
  const VolumeLayout& layout_;
  const qm::NtfsRunList& runs_;
  IDIRBuildCallback* callback_;
  std::vector<NtfsRecordEntry>& entries_;
  bool entriesStay_; // the entries' storage is never moved
  std::size_t blockBytes_;
  RecordReader reader_; // the build thread's
  std::unique_ptr<std::uint8_t, FreeMemory> blockMemory_;
  std::vector<Block> blocks_;
  std::size_t current_ = 0;  // the block being filled
  std::size_t inFlight_ = 0; // blocks handed to the pool and not taken back
  std::uint64_t mftByte_ = 0;
  std::uint64_t sectorsDone_ = 0;
  std::size_t slicesPerBlock_ = 1;
  std::size_t prefaulted_ = 0; // bytes of the entries' storage
  std::mutex mutex_;
  std::condition_variable sliceDone_;
  std::vector<std::unique_ptr<RecordReader>> workerReaders_;
  // Last, so that it goes first: its workers use everything above.
  std::unique_ptr<qm::ThreadPool> pool_;
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
  MftSweep sweep(*device, *layout, mftRuns_, callback, collection.entries, mftRecords, threads_);
  const bool completed = sweep.Run();
  entriesFound_ = collection.entries.size();
  // Threads that ran out of room at the same time each made a chunk of
  // the tree-object pool; the ones not needed go back.
  if (threads_ > 1) qm::TrimTreeObjectPool();
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

void CNtfsTreeBuilder::SetThreads(unsigned threads) {
  threads_ = threads != 0 ? threads : std::max(std::thread::hardware_concurrency(), 1u);
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
