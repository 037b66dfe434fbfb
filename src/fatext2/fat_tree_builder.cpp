#include "fatext2/fat_tree_builder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <system_error>
#include <thread>

#include "fatext2/fat_boot_sector.h"
#include "fatext2/fat_dir_entry.h"
#include "fatext2/fat_dir_sector_scanner.h"
#include "fatext2/fat_file_properties.h"
#include "fatext2/fat_file_runs.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_shared_clusters.h"
#include "fatext2/fat_table.h"
#include "fatext2/fat_volume_analyze.h"
#include "filemodel/dir_build_callback.h"
#include "filemodel/file_extension.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "ntfs/carved_files_seam.h"
#include "ntfs/cluster_use_bitmap.h"
#include "ntfs/partition_display_name.h"
#include "ntfs/recycle_bin.h"
#include "ntfs/tree_build_filters.h"
#include "platform/log.h"
#include "platform/message_pump.h"
#include "platform/worker_thread.h"
#include "storage/app_settings.h"
#include "storage/storage_device.h"

using qm::fat_dir::kEntryBytes;
using qm::fat_table::kEndOfChain;

namespace {

// A directory is read in pieces of at most this many sectors.
constexpr std::uint32_t kPieceSectors = 128;
// An unfinished long name carried from one piece into the next is shorter
// than this (20 pieces of 32 bytes, with room to spare).
constexpr std::int64_t kMaxCarriedBytes = 1024;
constexpr std::uint32_t kNoCluster = CFATFileProperties::kNoCluster;
constexpr std::uint8_t kStateDeletedBit = 0x01;
constexpr std::uint8_t kStateSyntheticBit = 0x08;
// No folder holds more than 65536 entries of 32 bytes.
constexpr std::uint64_t kMaxDirectoryBytes = 65536 * 32;

// Numbers the "DIR%d" folders of every complete build of the process.
std::atomic<int> g_dirCounter{0};

CFATFileProperties* FatProperties(const CFileNode* node) {
  return static_cast<CFATFileProperties*>(node->GetProperties());
}

bool IsFolder(const CFileNode* node) {
  return node->GetProperties() != nullptr && node->GetProperties()->IsFolder();
}

const char* FatTypeName(int type) {
  switch (type) {
  case kFatType12: return "FAT12";
  case kFatType16: return "FAT16";
  case kFatType32: return "FAT32";
  default: return "UNKNOWN";
  }
}

// Cuts text to at most max bytes without splitting a UTF-8 sequence.
std::string CutUtf8(std::string text, std::size_t max) {
  if (text.size() <= max) return text;
  std::size_t length = max;
  while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
    --length;
  text.resize(length);
  return text;
}

bool IsAncestorOrSelf(const CFileNode* candidate, const CFileNode* node) {
  for (const CFileNode* at = node; at != nullptr; at = at->GetParent())
    if (at == candidate) return true;
  return false;
}

void DeleteDetached(CFileNode* node) {
  if (CFileNode* parent = node->GetParent()) parent->RemoveChild(node);
  DeleteFileTree(node);
}

std::uint32_t SectorSizeOf(IStorageDevice* device) {
  const std::int32_t size = device != nullptr ? device->GetSectorSize() : 0;
  return size > 0 ? static_cast<std::uint32_t>(size) : 512;
}

template <typename Build> CFileSystemNode* RunPumping(Build&& build) {
  std::atomic<bool> done{false};
  CFileSystemNode* root = nullptr;
  std::thread worker;
  try {
    worker = qm::StartWorker([&] {
      root = build();
      done = true;
    });
  } catch (const std::system_error&) {
    return nullptr;
  }
  qm::WaitPumping([&] { return done.load(); });
  worker.join();
  return root;
}

std::uint64_t ElapsedMs(std::chrono::steady_clock::time_point since) {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count());
}

} // namespace

int CompareDirectories(const CFATFileProperties& existing, const CFATFileProperties& found) {
  const std::uint8_t old = static_cast<std::uint8_t>(existing.GetState());
  const std::uint8_t now = static_cast<std::uint8_t>(found.GetState());
  if (old & kStateSyntheticBit) return (now & kStateSyntheticBit) ? 0 : -1;
  if (old & kStateDeletedBit) {
    if (now & kStateSyntheticBit) return 1;
    if (!(now & kStateDeletedBit)) return -1;
    qm::FileTime a = 0;
    qm::FileTime b = 0;
    existing.GetLastWriteTime(&a);
    found.GetLastWriteTime(&b);
    return a < b ? -1 : a > b ? 1 : 0;
  }
  if (now & (kStateDeletedBit | kStateSyntheticBit)) return 1;
  LogError("Some thing must be wrong!        We found two undeleted directory got the same first cluster number!");
  return 0;
}

std::unique_ptr<CFATFileProperties> MakeFatFilePropertiesFromEntries(qm::ByteView entries) {
  std::string longName;
  CFatDirEntry entry;
  std::size_t at = 0;
  for (; entries.has(at + kEntryBytes, kEntryBytes); at += kEntryBytes) {
    entry.SetEntry(entries.sub(at, kEntryBytes));
    if (!entry.IsLongNamePiece()) continue;
    std::string piece;
    entry.GetLongNamePiece(piece);
    longName.insert(0, piece);
  }
  if (!entries.has(at, kEntryBytes)) return nullptr;
  entry.SetEntry(entries.sub(at, kEntryBytes));
  const std::string name =
      (longName.empty() || !IsValidFileName(longName.c_str())) ? entry.GetShortName(false) : longName;

  const bool folder = entry.IsDirectory();
  if (!folder && !entry.IsVolumeLabel() && !GetExtensionFilter()->Accepts(name.c_str(), 0)) return nullptr;
  if (GetAppSettings()->bPhotoRecovery != 0 && !folder) {
    char16_t extension[kMaxExtensionLength] = {};
    std::size_t length = 0;
    if (!GetExtensionA(name, extension, length) || !IsMediaExtensionA(std::u16string_view(extension, length)))
      return nullptr;
  }
  auto properties = CreateFatFileProperties();
  properties->SetName(name.c_str());
  properties->SetSize(entry.GetFileSize());
  properties->SetAttributes(entry.GetAttributes());
  properties->SetCreationTime(entry.GetCreationDate(), entry.GetCreationTime());
  properties->SetLastWriteTime(entry.GetLastWriteDate(), entry.GetLastWriteTime());
  properties->SetLastAccessDate(entry.GetLastAccessDate());
  properties->SetState(entry.IsDeleted() ? CFATFileProperties::kStateDeleted : CFATFileProperties::kStateLive);
  properties->SetCheckState(0);
  properties->SetExtraValue(0);
  return properties;
}

CFatTreeBuilder::CFatTreeBuilder() = default;
CFatTreeBuilder::~CFatTreeBuilder() = default;

void CFatTreeBuilder::Reset(IDIRBuildCallback* callback, IStorageDevice* device) {
  callback_ = callback;
  device_ = device;
  sectorSize_ = SectorSizeOf(device);
  cancel_ = 0;
  hasRoot_ = 0;
  fatType_ = kFatTypeNone;
  rootDirStart_ = 0;
  rootDirSectors_ = 0;
  rootCluster_ = 0;
  directories_.clear();
  binFolders_.clear();
  visited_.clear();
  clusterUse_.clear();
  queue_.clear();
  root_ = nullptr;
  lostFolders_ = nullptr;
  fat_ = nullptr;
}

void CFatTreeBuilder::SetGeometry(std::uint64_t dataStart, std::uint64_t totalSectors) {
  dataStart_ = dataStart;
  totalSectors_ = totalSectors;
  const std::uint64_t end = partitionStart_ + totalSectors_;
  clusterCount_ = (sectorsPerCluster_ == 0 || end <= dataStart_) ? 0 : (end - dataStart_) / sectorsPerCluster_;
  // A FAT cannot name more clusters than this; a hostile count must not
  // size the bit vectors beyond it.
  clusterCount_ = std::min<std::uint64_t>(clusterCount_, qm::fat_table::kMaxFat32Cluster);
  visited_.assign(clusterCount_ + 2, false);
  clusterUse_.assign(clusterCount_ + 3, false);
  const std::uint64_t piece = std::max(kPieceSectors, sectorsPerCluster_);
  buffer_.assign(static_cast<std::size_t>(piece * sectorSize_ + kMaxCarriedBytes), 0);
}

bool CFatTreeBuilder::ClusterInVolume(std::uint64_t cluster) const {
  return cluster >= 2 && cluster - 2 < clusterCount_;
}

bool CFatTreeBuilder::Polled() {
  if (callback_ != nullptr && callback_->Poll() == kCallbackCancel) cancel_ = 2;
  return cancel_ != 0;
}

CFileSystemNode* CFatTreeBuilder::MakeRootNode(int number) {
  CFileSystemNode* root = CreateFileSystemNode();
  auto properties = CreateFatFileProperties();
  const std::string name =
      CutUtf8(FormatPartitionDisplayName(*GetAppSettings(), FatTypeName(fatType_), number + 1),
              qm::kFatRootNameMaxBytes);
  properties->SetName(name.c_str());
  properties->SetAttributes(qm::fat_dir::kAttrDirectory);
  properties->SetFirstCluster(0);
  properties->SetParentCluster(kNoCluster);
  root->SetProperties(std::move(properties));
  root->SetVolumeGeometry(dataStart_, sectorsPerCluster_);
  root->SetVolumeState(static_cast<std::uint32_t>(fatType_));
  return root;
}

bool CFatTreeBuilder::AttachRuns(CFATFileProperties& properties) {
  // Runs count from the data area's first sector, so it is the data area
  // they must fit in, not the whole partition.
  const qm::FatVolumeGeometry geometry{sectorsPerCluster_, sectorSize_, clusterCount_ * sectorsPerCluster_};
  bool damaged = false;
  auto runs = BuildFatFileRuns(fat_, properties.GetFirstCluster(), properties.GetSize(),
                               (properties.GetState() & kStateDeletedBit) != 0, geometry, &damaged);
  if (damaged) properties.SetState(static_cast<std::uint8_t>(properties.GetState() | qm::kStateDamaged));
  if (runs == nullptr) return false;
  for (const auto& run : runs->Runs()) {
    const std::uint64_t end = std::min<std::uint64_t>(run.start + run.count, clusterUse_.size());
    for (std::uint64_t i = run.start; i < end; ++i)
      clusterUse_[i] = true;
  }
  properties.SetDataRunList(std::move(runs));
  return true;
}

bool CFatTreeBuilder::EnterDirectory(CFileNode* node, CFileNode* folder, bool lostMode) {
  CFATFileProperties* found = FatProperties(node);
  const std::uint32_t cluster = found->GetFirstCluster();
  DebugTrace("Find directory: %s at cluster :%x, parent :%x", found->GetName(), cluster, found->GetParentCluster());
  const auto existing = directories_.find(cluster);
  if (existing == directories_.end()) {
    directories_.emplace(cluster, node);
    queue_.push_back(node);
    return true;
  }
  CFileNode* old = existing->second;
  // A folder that claims the cluster of one of the folders above it would
  // take that folder, and so itself, as its child: the one above stays.
  if (CompareDirectories(*FatProperties(old), *found) >= 0 || IsAncestorOrSelf(old, folder)) {
    DebugTrace("Discard a directory named %s, cur:%x, parent:%x", found->GetName(), cluster,
               found->GetParentCluster());
    DeleteFileTree(node);
    return false;
  }
  DebugTrace("Discard a directory named %s, cur: %x, parent:%x", FatProperties(old)->GetName(), cluster,
             FatProperties(old)->GetParentCluster());
  if (lostMode) {
    found->SetParentCluster(FatProperties(old)->GetParentCluster());
    const std::unique_ptr<IFileProperties> replaced(old->GetProperties());
    old->SetProperties(node->GetProperties());
    node->SetProperties(static_cast<IFileProperties*>(nullptr));
    DeleteFileNode(node);
    return false;
  }
  if (CFileNode* parent = old->GetParent()) parent->RemoveChild(old);
  while (CFileNode* child = old->GetFirstChild()) {
    old->RemoveChild(child);
    node->AddChild(child);
  }
  existing->second = node;
  std::erase(queue_, old);
  if (binFolders_.erase(old) != 0) binFolders_.insert(node);
  DeleteFileTree(old);
  queue_.push_back(node);
  return true;
}

std::int64_t CFatTreeBuilder::ParseEntries(qm::ByteView buffer, CFileNode* folder, bool lostMode) {
  const CFATFileProperties* folderProperties = FatProperties(folder);
  const bool parentDeleted = (folderProperties->GetState() & kStateDeletedBit) != 0;
  const std::uint32_t folderCluster = folderProperties->GetFirstCluster();
  std::int64_t longNameStart = -1;
  int dots = 0;
  std::vector<CFileNode*> recyclePending;
  // Whether the folder lies in a recycle bin is known from when it was
  // added, rather than walked up to the root for every entry.
  const bool folderInBin = binFolders_.count(folder) != 0 || IsRecycleBinFolder(folder);
  CFatDirEntry entry;
  std::size_t at = 0;
  for (; buffer.has(at, kEntryBytes); at += kEntryBytes) {
    entry.SetEntry(buffer.sub(at, kEntryBytes));
    if (!entry.IsValid(false)) {
      longNameStart = -1;
      if (lostMode) break;
      continue;
    }
    if (entry.IsLongNamePiece()) {
      if (longNameStart < 0) longNameStart = static_cast<std::int64_t>(at);
      continue;
    }
    const std::size_t first = longNameStart >= 0 ? static_cast<std::size_t>(longNameStart) : at;
    longNameStart = -1;
    if (entry.IsVolumeLabel()) {
      if (!lostMode && !entry.IsDeleted()) root_->SetName(entry.GetShortName(true).c_str());
      continue;
    }
    if (entry.GetFirstByte() == '.') {
      if (++dots > 2) return -1;
      continue;
    }
    if (!includeLiveFiles_ && !parentDeleted && !entry.IsDirectory() && !entry.IsDeleted()) continue;
    const std::uint32_t cluster = entry.GetFirstCluster();
    if (cluster >= 2 && !ClusterInVolume(cluster)) {
      if (lostMode) break;
      continue;
    }
    if (cluster >= 2 && cluster == folderCluster) continue;

    auto properties = MakeFatFilePropertiesFromEntries(buffer.sub(first, at + kEntryBytes - first));
    if (properties == nullptr) continue;
    if (parentDeleted) properties->SetState(CFATFileProperties::kStateDeleted);
    properties->SetParentCluster(folderCluster);
    properties->SetFirstCluster(cluster);
    const bool directory = entry.IsDirectory();
    if (!directory) {
      DebugTrace("Found a File %s!", properties->GetName());
      // An empty file has no clusters; it still belongs in the tree.
      if (properties->GetSize() != 0 && !AttachRuns(*properties)) {
        DebugTrace("Failed build Datarun list!");
        continue;
      }
    }
    CFileNode* node = CreateFileNode();
    node->SetProperties(std::move(properties));
    if (directory && !EnterDirectory(node, folder, lostMode)) continue;
    folder->AddChild(node);
    if (directory && (folderInBin || IsRecycleBinFolder(node))) binFolders_.insert(node);
    if (!directory && folderInBin) {
      if (CFileNode* partner = FindRecycleBinPartner(recyclePending, node)) {
        CFileNode* info = IsRecycleBinInfoFile(partner) ? partner : node;
        CFileNode* data = info == partner ? node : partner;
        ReadRecycleBinOriginalName(device_, data, info);
      }
    }
  }
  if (longNameStart >= 0) {
    DebugTrace("Unporcessed long file name directory entry at %lld", static_cast<long long>(longNameStart));
    return longNameStart;
  }
  return static_cast<std::int64_t>(buffer.size());
}

std::uint32_t CFatTreeBuilder::NextFreeCluster(std::uint32_t after) const {
  if (fat_ == nullptr) return 0;
  // Clusters that live files hold, or that are bad, are stepped over; no
  // further than a folder's largest size, so that a full volume after a
  // deleted folder costs little.
  const std::uint64_t clusterBytes = std::uint64_t{sectorsPerCluster_} * sectorSize_;
  const std::uint64_t maxSkip = kMaxDirectoryBytes / std::max<std::uint64_t>(clusterBytes, 1) + 1;
  std::uint64_t cluster = std::uint64_t{after} + 1;
  for (std::uint64_t skipped = 0; ClusterInVolume(cluster) && skipped <= maxSkip; ++cluster, ++skipped)
    if (fat_->GetNextCluster(static_cast<std::uint32_t>(cluster)) == 0) return static_cast<std::uint32_t>(cluster);
  return 0;
}

bool CFatTreeBuilder::ContinuesDirectory(qm::ByteView cluster) const {
  // A cluster in the middle of a folder holds entries from its first byte
  // on; one that starts with "." and ".." is the start of another folder.
  CFatDirSectorScanner scanner;
  scanner.SetBufferSize(static_cast<std::uint32_t>(std::min<std::uint64_t>(cluster.size(), sectorSize_)));
  return scanner.Analyze(cluster) && scanner.GetKind() == CFatDirSectorScanner::kPartOfDirectory;
}

int CFatTreeBuilder::ReadDirectoryChain(CFileNode* folder, std::uint32_t firstCluster, bool dotRule) {
  const std::uint64_t clusterBytes = std::uint64_t{sectorsPerCluster_} * sectorSize_;
  // A deleted folder's chain is zeroed: its first cluster is free in the
  // table. Its further clusters are guessed as the free ones that follow,
  // for as long as they hold directory entries.
  const bool freeChain =
      fat_ != nullptr && ClusterInVolume(firstCluster) && fat_->GetNextCluster(firstCluster) == 0;
  const std::uint64_t maxGuessed = kMaxDirectoryBytes / std::max<std::uint64_t>(clusterBytes, 1);
  std::uint64_t guessed = 0;
  bool guessing = false;
  std::size_t carried = 0;
  std::uint32_t cluster = firstCluster;
  while (cluster != 0 && cluster < kEndOfChain) {
    // A chain that leaves the volume ends there.
    if (!ClusterInVolume(cluster)) return 0;
    std::uint32_t count = 0;
    std::uint32_t current = cluster;
    std::uint32_t next = 0;
    for (;;) {
      ++count;
      next = fat_ != nullptr ? fat_->GetNextCluster(current) : 0;
      if (guessing || next != current + 1 || std::uint64_t{count} * sectorsPerCluster_ >= kPieceSectors ||
          !ClusterInVolume(next))
        break;
      current = next;
    }
    if (Polled()) return 0;
    if (visited_[cluster]) return guessing ? 1 : 0; // a loop, or a guess into a folder already read
    const std::uint64_t bytes = std::uint64_t{count} * clusterBytes;
    if (!device_->ReadSectors(buffer_.data() + carried,
                              dataStart_ + std::uint64_t{cluster - 2} * sectorsPerCluster_,
                              std::uint64_t{count} * sectorsPerCluster_))
      return guessing ? 1 : 0;
    if (guessing && !ContinuesDirectory(qm::ByteView(buffer_.data() + carried, static_cast<std::size_t>(bytes))))
      return 1;
    for (std::uint32_t c = cluster; c < cluster + count; ++c)
      visited_[c] = true;
    const qm::ByteView piece(buffer_.data(), carried + bytes);
    if (cluster == firstCluster) {
      const CFatDirEntry dot(piece.sub(0, kEntryBytes));
      const CFatDirEntry dotDot(piece.sub(kEntryBytes, kEntryBytes));
      const bool dots = dot.IsDotEntry() || dotDot.IsDotDotEntry();
      if (dotRule ? !(dot.IsDotEntry() && dotDot.IsDotDotEntry()) : dots) return 0;
    }
    const std::int64_t parsed = ParseEntries(piece, folder, false);
    if (parsed < 0) return 0;
    const std::int64_t rest = static_cast<std::int64_t>(piece.size()) - parsed;
    carried = 0;
    if (rest > 0 && rest < kMaxCarriedBytes) {
      DebugTrace("Found unproessed buffer, lengh:%d bytes", static_cast<int>(rest));
      std::memmove(buffer_.data(), buffer_.data() + parsed, static_cast<std::size_t>(rest));
      carried = static_cast<std::size_t>(rest);
    }
    if (freeChain && (guessing || next == 0)) {
      if (++guessed > maxGuessed) return 1;
      guessing = true;
      next = NextFreeCluster(current);
    }
    cluster = next;
  }
  return 1;
}

void CFatTreeBuilder::ReadRoot(bool lostMode) {
  if (fatType_ == kFatType32) {
    ReadDirectoryChain(root_, rootCluster_, false);
    return;
  }
  // No root directory holds more than 65535 entries.
  const std::uint32_t sectors = std::min<std::uint32_t>(rootDirSectors_, 0xFFFF * kEntryBytes / sectorSize_ + 1);
  if (sectors == 0) return;
  std::vector<std::uint8_t> root(static_cast<std::size_t>(sectors) * sectorSize_);
  if (!device_->ReadSectors(root.data(), rootDirStart_, sectors)) {
    LogError("Failed to read the root directory at sector %llu", static_cast<unsigned long long>(rootDirStart_));
    return;
  }
  ParseEntries(qm::ByteView(root.data(), root.size()), root_, lostMode);
}

void CFatTreeBuilder::ReadQueuedFolders() {
  std::uint64_t done = 0;
  std::uint32_t shown = 0;
  while (!queue_.empty() && !Cancelled()) {
    CFileNode* folder = queue_.front();
    queue_.pop_front();
    ++done;
    if (!ReportProgress(done, queue_.size(), shown)) break;
    if (folder->GetFirstChild() != nullptr) continue;
    ReadDirectoryChain(folder, FatProperties(folder)->GetFirstCluster(), true);
  }
}

bool CFatTreeBuilder::ReportProgress(std::uint64_t done, std::uint64_t queued, std::uint32_t& shown) {
  const auto position = static_cast<std::uint32_t>(done * 100 / (done + queued));
  if (position <= shown) return true;
  shown = position;
  if (callback_ != nullptr && callback_->OnPosition(position) == kCallbackCancel) cancel_ = 2;
  return cancel_ == 0;
}

void CFatTreeBuilder::Prune() {
  if (GetAppSettings()->bPhotoRecovery != 0) {
    RemoveEmptyFolders(root_);
    return;
  }
  std::deque<CFileNode*> queue{root_};
  while (!queue.empty()) {
    CFileNode* folder = queue.front();
    queue.pop_front();
    CFileNode* child = folder->GetFirstChild();
    while (child != nullptr) {
      CFileNode* next = child->GetNextSibling();
      if (IsFolder(child)) {
        if (child->GetFirstChild() == nullptr && (child->GetProperties()->GetState() & kStateDeletedBit) != 0)
          DeleteDetached(child);
        else
          queue.push_back(child);
      }
      child = next;
    }
  }
}

CFileSystemNode* CFatTreeBuilder::StartQuickBuild(IDIRBuildCallback* callback,
                                                  const CFATSearchedPartitionInfo& partition,
                                                  IStorageDevice* device, int includeLiveFiles, int number) {
  return RunPumping([&] { return QuickBuild(callback, partition, device, includeLiveFiles, number); });
}

CFileSystemNode* CFatTreeBuilder::QuickBuild(IDIRBuildCallback* callback, const CFATSearchedPartitionInfo& partition,
                                             IStorageDevice* device, int includeLiveFiles, int number) {
  const auto started = std::chrono::steady_clock::now();
  Reset(callback, device);
  includeLiveFiles_ = includeLiveFiles != 0;
  if (callback_ != nullptr) callback_->OnBegin("Reading partition parameters...", 100);

  const std::uint64_t start = partition.GetStartSector();
  const std::uint32_t flags = partition.GetFlags();
  std::vector<std::uint8_t> boot(sectorSize_);
  bool good = false;
  if (device_ != nullptr && (flags & qm::kFatBootFlags) != 0)
    good = device_->ReadSectors(boot.data(), start, 1) &&
           CheckBootSectorAndFats(qm::ByteView(boot.data(), boot.size()), start, device_);
  if (callback_ != nullptr) callback_->OnStep(30);
  if (!good && device_ != nullptr && (flags & qm::kFatFoundBackupBoot) != 0)
    good = device_->ReadSectors(boot.data(), start + qm::kFatBackupBootOffset, 1) &&
           CheckBootSectorAndFats(qm::ByteView(boot.data(), boot.size()), start, device_);
  if (callback_ != nullptr) callback_->OnStep(30);
  if (!good) {
    LogError("Failed to read DBR information!");
    if (callback_ != nullptr) callback_->OnEnd();
    return nullptr;
  }

  const CFATDBR dbr(qm::ByteView(boot.data(), boot.size()), sectorSize_);
  fatType_ = dbr.GetFatType();
  partitionStart_ = start;
  sectorsPerCluster_ = dbr.GetSectorsPerCluster();
  const std::uint64_t fatStart = start + dbr.GetReservedSectors();
  auto fat = CreateFATTable(device_, fatStart, fatType_, dbr.GetSectorsPerFat(),
                            (flags & qm::kFatUseFirstFat) != 0, (flags & qm::kFatUseSecondFat) != 0);
  fat_ = fat.get();
  if (callback_ != nullptr && callback_->OnEnd() == kCallbackCancel) {
    LogError("User abort searching!");
    return nullptr;
  }

  const std::uint64_t fatsEnd = fatStart + std::uint64_t{dbr.GetNumberOfFats()} * dbr.GetSectorsPerFat();
  std::uint64_t dataStart = 0;
  if (fatType_ == kFatType32) {
    dataStart = fatsEnd;
    rootCluster_ = dbr.GetRootCluster();
    rootDirStart_ = dataStart + std::uint64_t{rootCluster_ - 2} * sectorsPerCluster_;
  } else {
    rootDirStart_ = fatsEnd;
    rootDirSectors_ = dbr.GetRootEntryCount() * kEntryBytes / sectorSize_;
    dataStart = rootDirStart_ + rootDirSectors_;
  }
  SetGeometry(dataStart, dbr.GetTotalSectors());
  hasRoot_ = 1;

  if (callback_ != nullptr) callback_->OnBegin("Building Directories...", 100);
  root_ = MakeRootNode(number);
  if (callback_ != nullptr) callback_->OnPosition(1);
  ReadRoot(false);
  ReadQueuedFolders();
  fat_ = nullptr;
  fat.reset();
  if (callback_ != nullptr) callback_->OnEnd();

  CFileSystemNode* root = root_;
  root_ = nullptr;
  directories_.clear();
  queue_.clear();
  if (Cancelled()) {
    DeleteFileTree(root);
    return nullptr;
  }
  root_ = root;
  MarkFatOlderClaimants(root, std::uint64_t{sectorsPerCluster_} * sectorSize_);
  Prune();
  root_ = nullptr;
  LogInfo("FAT Quick Build directory tree used %d millseconds!", static_cast<int>(ElapsedMs(started)));
  return root;
}

CFileNode* CFatTreeBuilder::MakeSyntheticFolder(const char* name, std::uint32_t firstCluster,
                                                std::uint32_t parentCluster) {
  auto properties = CreateFatFileProperties();
  properties->SetName(name);
  properties->SetAttributes(qm::fat_dir::kAttrDirectory);
  properties->SetState(CFATFileProperties::kStateSynthetic);
  properties->SetFirstCluster(firstCluster);
  properties->SetParentCluster(parentCluster);
  CFileNode* node = CreateFileNode();
  node->SetProperties(std::move(properties));
  return node;
}

CFileNode* CFatTreeBuilder::LostFolders() {
  if (lostFolders_ == nullptr) {
    lostFolders_ = MakeSyntheticFolder(qm::kFatLostFoldersName, kNoCluster, kNoCluster);
    root_->AddChild(lostFolders_);
  }
  return lostFolders_;
}

CFileNode* CFatTreeBuilder::MakeNumberedFolder(std::uint32_t firstCluster, std::uint32_t parentCluster) {
  const std::string name = "DIR" + std::to_string(g_dirCounter.fetch_add(1));
  return MakeSyntheticFolder(name.c_str(), firstCluster, parentCluster);
}

void CFatTreeBuilder::ReplaceTemporaryDirectories(CFileNode* folder) {
  std::vector<CFileNode*> deleted;
  std::vector<CFileNode*> synthetic;
  for (CFileNode* child = folder->GetFirstChild(); child != nullptr; child = child->GetNextSibling()) {
    if (!IsFolder(child)) continue;
    const auto state = FatProperties(child)->GetState();
    if (state & kStateSyntheticBit)
      synthetic.push_back(child);
    else if ((state & kStateDeletedBit) && child->GetFirstChild() == nullptr)
      deleted.push_back(child);
  }
  for (CFileNode* gone : deleted) {
    CFATFileProperties* goneProperties = FatProperties(gone);
    for (CFileNode*& made : synthetic) {
      if (made == nullptr) continue;
      CFATFileProperties* madeProperties = FatProperties(made);
      // A deleted entry may have lost the high half of its cluster number.
      if ((madeProperties->GetFirstCluster() & 0xFFFF) != goneProperties->GetFirstCluster()) continue;
      DebugTrace("Replace a temp directory %s first clusternum %x with directory %s firstclusternum %x!",
                 madeProperties->GetName(), madeProperties->GetFirstCluster(), goneProperties->GetName(),
                 goneProperties->GetFirstCluster());
      goneProperties->SetFirstCluster(madeProperties->GetFirstCluster());
      gone->SetProperties(static_cast<IFileProperties*>(madeProperties));
      made->SetProperties(static_cast<IFileProperties*>(goneProperties));
      made = nullptr;
      break;
    }
  }
}

CFileSystemNode* CFatTreeBuilder::StartCompleteBuild(IDIRBuildCallback* callback,
                                                     const qm::FatDirCandidateMap& candidates,
                                                     const CFATSearchedPartitionInfo& partition,
                                                     CRawFileCollection* rawFiles, IStorageDevice* device, int number) {
  return RunPumping([&] { return CompleteBuild(callback, candidates, partition, rawFiles, device, number); });
}

CFileSystemNode* CFatTreeBuilder::CompleteBuild(IDIRBuildCallback* callback, const qm::FatDirCandidateMap& candidates,
                                                const CFATSearchedPartitionInfo& partition,
                                                CRawFileCollection* rawFiles, IStorageDevice* device,
                                                int number) {
  const auto started = std::chrono::steady_clock::now();
  Reset(callback, device);
  if (device_ == nullptr) return nullptr;
  includeLiveFiles_ = true;
  fatType_ = static_cast<int>(partition.GetFileSystemType());
  partitionStart_ = partition.GetStartSector();
  sectorsPerCluster_ = partition.GetSectorsPerCluster();
  if (sectorsPerCluster_ == 0) return nullptr;
  const std::uint32_t flags = partition.GetFlags();
  const std::uint64_t fatStart = partitionStart_ + partition.GetReservedSectors();

  if (callback_ != nullptr) callback_->OnBegin("Reading partition parameters...", 100);
  auto fat = CreateFATTable(device_, fatStart, fatType_, partition.GetSectorsPerFat(),
                            (flags & qm::kFatUseFirstFat) != 0, (flags & qm::kFatUseSecondFat) != 0);
  fat_ = fat.get();
  if (callback_ != nullptr) callback_->OnStep(50);
  if ((flags & (qm::kFatBootFlags | qm::kFatFoundBackupBoot)) != 0) {
    hasRoot_ = 1;
    if (fatType_ == kFatType32) {
      rootCluster_ = partition.GetRootValue();
    } else {
      // Two FAT copies are assumed.
      rootDirStart_ = fatStart + 2 * std::uint64_t{partition.GetSectorsPerFat()};
      rootDirSectors_ = partition.GetRootValue();
    }
  }
  if (callback_ != nullptr) callback_->OnEnd();
  SetGeometry(partition.GetClusterZeroSector(), partition.GetSectorCount());

  root_ = MakeRootNode(number);
  if (hasRoot_) ReadRoot(false);
  directories_[0] = root_;

  // The directory sectors of this partition.
  std::uint64_t low = dataStart_;
  if (fatType_ != kFatType32 && !hasRoot_) {
    const std::uint64_t rootArea = 0x20000 / sectorSize_;
    low = dataStart_ > rootArea ? dataStart_ - rootArea : 0;
  }
  const std::uint64_t high = partitionStart_ + totalSectors_;
  const auto first = candidates.lower_bound(low);
  const auto last = candidates.lower_bound(high);
  const auto candidateCount = static_cast<std::uint32_t>(std::min<std::size_t>(
      static_cast<std::size_t>(std::distance(first, last)), 0xFFFFFFFFu));
  std::vector<std::uint8_t> sector(sectorSize_);

  if (callback_ != nullptr) callback_->OnBegin("Building normal files...", candidateCount);
  for (auto it = first; it != last && !Cancelled(); ++it) {
    if (callback_ != nullptr && callback_->OnStep(1) == kCallbackCancel) {
      cancel_ = 2;
      break;
    }
    const std::uint64_t at = it->first;
    const qm::FatDirCandidate& candidate = it->second;
    if (at < dataStart_) {
      if (device_->ReadSectors(sector.data(), at, 1)) ParseEntries(qm::ByteView(sector.data(), sector.size()), root_, true);
      continue;
    }
    if (candidate.firstCluster == qm::FatDirCandidate::kNoCluster) continue;
    const std::uint64_t offset = at - dataStart_;
    if (offset % sectorsPerCluster_ != 0 || offset / sectorsPerCluster_ + 2 != candidate.firstCluster) continue;
    const std::uint32_t cluster = candidate.firstCluster;
    DebugTrace("Build Cluster %u Sector %llu", cluster, static_cast<unsigned long long>(at));
    CFileNode*& node = directories_[cluster];
    if (node == nullptr) node = MakeNumberedFolder(cluster, candidate.parentCluster);
    ReadDirectoryChain(node, cluster, true);
  }
  queue_.clear();
  if (callback_ != nullptr) callback_->OnEnd();

  if (!Cancelled()) {
    if (callback_ != nullptr) callback_->OnBegin("Building layout...", static_cast<std::uint32_t>(directories_.size()));
    for (const auto& [cluster, node] : directories_) {
      if (node == root_ || node->GetParent() != nullptr) continue;
      // A folder that names no parent goes to "Lost Folders" too rather
      // than being left out of the tree.
      const std::uint32_t parentCluster = FatProperties(node)->GetParentCluster();
      const auto parent = parentCluster == kNoCluster ? directories_.end() : directories_.find(parentCluster);
      // Two folders that name each other as parent would hang below each
      // other, away from the root: the second goes to "Lost Folders".
      if (parent != directories_.end() && !IsAncestorOrSelf(node, parent->second))
        parent->second->AddChild(node);
      else
        LostFolders()->AddChild(node);
    }
    LostFolders();
    if (callback_ != nullptr) callback_->OnEnd();
  }
  // Only new folders under "Lost Folders" are parsed from here on.
  binFolders_.clear();

  if (!Cancelled()) {
    if (callback_ != nullptr) callback_->OnBegin("Building lost files...", candidateCount);
    const std::uint64_t clusterBytes = std::uint64_t{sectorsPerCluster_} * sectorSize_;
    std::vector<std::uint8_t> clusterData(static_cast<std::size_t>(clusterBytes));
    for (auto it = first; it != last && !Cancelled(); ++it) {
      const std::uint64_t at = it->first;
      if (it->second.firstCluster != qm::FatDirCandidate::kNoCluster || at < dataStart_) continue;
      const std::uint64_t offset = at - dataStart_;
      const std::uint64_t cluster = offset / sectorsPerCluster_ + 2;
      if (offset % sectorsPerCluster_ != 0 || !ClusterInVolume(cluster) || visited_[cluster]) continue;
      if (Polled()) break;
      if (!device_->ReadSectors(clusterData.data(), at, sectorsPerCluster_)) continue;
      DebugTrace("Build Lost Cluster %llu Sector %llu", static_cast<unsigned long long>(cluster),
                 static_cast<unsigned long long>(at));
      CFileNode* folder = MakeNumberedFolder(kNoCluster, kNoCluster);
      LostFolders()->AddChild(folder);
      ParseEntries(qm::ByteView(clusterData.data(), clusterData.size()), folder, true);
    }
    queue_.clear();
    if (callback_ != nullptr) callback_->OnEnd();
  }

  if (!Cancelled()) {
    if (callback_ != nullptr) callback_->OnBegin("Fixing directories...", 100);
    std::deque<CFileNode*> folders{root_};
    std::uint64_t done = 0;
    std::uint32_t shown = 0;
    while (!folders.empty()) {
      CFileNode* folder = folders.front();
      folders.pop_front();
      if (++done > 5 && !ReportProgress(done, folders.size(), shown)) break;
      ReplaceTemporaryDirectories(folder);
      for (CFileNode* child = folder->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
        if (IsFolder(child)) folders.push_back(child);
    }
    if (callback_ != nullptr) callback_->OnEnd();
  }

  fat_ = nullptr;
  fat.reset();
  CFileSystemNode* root = root_;
  if (Cancelled()) {
    // Folders the layout did not reach yet hang below nothing.
    std::vector<CFileNode*> unlinked;
    for (const auto& [cluster, node] : directories_)
      if (node != root_ && node->GetParent() == nullptr) unlinked.push_back(node);
    for (CFileNode* node : unlinked)
      DeleteFileTree(node);
    directories_.clear();
    root_ = nullptr;
    lostFolders_ = nullptr;
    DeleteFileTree(root);
    return nullptr;
  }
  directories_.clear();
  MarkFatOlderClaimants(root, std::uint64_t{sectorsPerCluster_} * sectorSize_);
  // Carved files that start in clusters no file claims join the tree under
  // "Raw Files" (index of the use bits = cluster - 2, from the data start).
  if (rawFiles != nullptr && sectorsPerCluster_ <= 0xFF) {
    // Directory clusters are in use as much as file clusters.
    std::vector<bool> bits = clusterUse_;
    for (std::size_t cluster = 2; cluster < visited_.size() && cluster - 2 < bits.size(); ++cluster)
      if (visited_[cluster]) bits[cluster - 2] = true;
    const CClusterUseBitMap used(&bits, dataStart_, static_cast<std::uint8_t>(sectorsPerCluster_), clusterCount_);
    AddCarvedFilesInUnusedClusters(root, used, rawFiles, device_, callback_);
  }
  Prune();
  root_ = nullptr;
  lostFolders_ = nullptr;
  LogInfo("FAT Complete Build directory tree used %d millseconds!", static_cast<int>(ElapsedMs(started)));
  return root;
}

