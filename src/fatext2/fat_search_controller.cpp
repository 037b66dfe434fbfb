#include "fatext2/fat_search_controller.h"

#include <algorithm>

#include "fatext2/fat_boot_sector.h"
#include "fatext2/fat_dir_entry.h"
#include "fatext2/fat_partition_info.h"
#include "fatext2/fat_table.h"
#include "filemodel/file_system_node.h"
#include "filemodel/raw_file_collection.h"
#include "filemodel/rs_data.h"
#include "platform/log.h"
#include "storage/app_settings.h"
#include "storage/search_statistics.h"
#include "storage/storage_device.h"

namespace {

struct FatLimits {
  std::uint64_t low;  // fewest clusters
  std::uint64_t high; // first cluster count that is too many
  std::uint64_t halfBytes;
};

FatLimits LimitsOf(int type) {
  switch (type) {
  case kFatType12: return {1, 4085, 3};
  case kFatType16: return {4085, 65524, 4};
  default: return {65524, 0x0FFFFFF4, 8};
  }
}

bool InLimits(const FatLimits& limits, std::uint64_t clusters) {
  return clusters >= limits.low && clusters < limits.high;
}

// Sectors one FAT copy needs for `clusters` entries.
std::uint64_t FatSectorsFor(const FatLimits& limits, std::uint64_t clusters, std::uint32_t sectorSize) {
  const std::uint64_t halfBytesPerSector = 2 * std::uint64_t{sectorSize};
  return (limits.halfBytes * clusters + halfBytesPerSector - 1) / halfBytesPerSector;
}

constexpr std::uint64_t kPrefetchSectors = 8;

// Tests that the first entry of a directory sector passes whatever the
// settings (a subset of CFatDirEntry::IsValid(true), which the scanner
// applies to it first): a sector that fails them holds no directory.
inline bool FirstEntryMayBeValid(qm::ByteView entry) {
  const std::uint8_t attributes = entry.u8(qm::fat_dir::kAttributes);
  if (attributes == qm::fat_dir::kAttrLongName) return true;
  if ((attributes & qm::fat_dir::kAttrReserved) != 0) return false;
  if (attributes != qm::fat_dir::kAttrVolumeLabel && (entry.u8(0) == ' ' || entry.u8(0) < 0x1A))
    return false;
  const std::uint32_t size = entry.le32(qm::fat_dir::kFileSize);
  const std::uint32_t high = entry.le16(qm::fat_dir::kClusterHigh);
  if ((attributes & qm::fat_dir::kAttrDirectory) != 0) return size == 0 || high == 0;
  const bool noCluster = high == 0 && entry.le16(qm::fat_dir::kClusterLow) == 0;
  return (size == 0) == noCluster;
}
constexpr std::uint32_t kSeenFats = qm::kFatSeenFirstFat | qm::kFatSeenSecondFat;
constexpr std::uint32_t kAnyBootFlag = qm::kFatBootFlags | qm::kFatFoundBackupBoot;

} // namespace

CFATSearchedPartitionInfo* NewFATSearchedPartitionInfo(std::uint32_t bytesPerSector) {
  return new CFATSearchedPartitionInfo(bytesPerSector);
}

void DeleteFATSearchedPartitionInfo(CFATSearchedPartitionInfo* info) { delete info; }

CFATSearchController::CFATSearchController() = default;
CFATSearchController::~CFATSearchController() = default;

void CFATSearchController::SetDevice(IStorageDevice* device) {
  device_ = device;
  source_.SetDevice(device);
  sectorSize_ = source_.SectorSize();
  deviceSectors_ = device != nullptr ? device->GetSectorCount() : 0;
  scanner_.SetBufferSize(sectorSize_);
}

int CFATSearchController::AnalyzeBlock(std::uint64_t first, std::uint64_t count, SearchStatistics* statistics) {
  source_.ForEachPiece(first, count, [&](std::uint64_t at, const std::uint8_t* data, std::uint64_t sectors) {
    AnalyzeSectors(at, data, sectors, statistics);
    return true;
  });
  return 1;
}

void CFATSearchController::AnalyzeSectors(std::uint64_t first, const std::uint8_t* data, std::uint64_t sectors,
                                          SearchStatistics* statistics) {
  for (std::uint64_t i = 0; i < sectors; ++i) {
    // The tests look at the start and the end of every sector: both lines
    // of a sector a little ahead are fetched, the sweep is bound by memory.
    if (i + kPrefetchSectors < sectors) {
      const std::uint8_t* ahead = data + (i + kPrefetchSectors) * sectorSize_;
      __builtin_prefetch(ahead);
      __builtin_prefetch(ahead + qm::fat_boot::kSignature);
    }
    AnalyzeSector(first + i, qm::ByteView(data + i * sectorSize_, sectorSize_), statistics);
  }
}

void CFATSearchController::AnalyzeSector(std::uint64_t sector, qm::ByteView bytes, SearchStatistics* statistics) {
  if (bytes.size() < qm::fat_boot::kSectorBytes) return;
  // Byte tests that every kind of evidence needs come first: most sectors
  // fail them and never reach the full tests.
  const std::uint8_t* p = bytes.data();
  if (p[0] == 0) return;
  if (p[qm::fat_boot::kSignature] == 0x55 && p[qm::fat_boot::kSignature + 1] == 0xAA && HasBootSignature(bytes) &&
      AnalyzeBootSector(sector, bytes)) {
    LogInfo("Found a valid DBR at sector:%llu\n", static_cast<unsigned long long>(sector));
    if (statistics != nullptr) ++statistics->FATBootRecords;
    return;
  }
  if (p[0] == 0xF8 && p[1] == 0xFF && p[2] == 0xFF && IsFatTableStartSector(bytes)) {
    AnalyzeFatStart(sector);
    return;
  }
  if (!FirstEntryMayBeValid(bytes.sub(0, qm::fat_dir::kEntryBytes)) || !scanner_.Analyze(bytes)) return;
  if (scanner_.GetKind() == CFatDirSectorScanner::kDirectoryStart) {
    DebugTrace("Found a valid first dir entry at sector:%llu\n", static_cast<unsigned long long>(sector));
    AnalyzeFirstDirectorySector(sector, scanner_.GetDotCluster());
    if (statistics != nullptr) ++statistics->FATFolders;
    directories_.emplace(sector, qm::FatDirCandidate{scanner_.GetDotCluster(), scanner_.GetDotDotCluster()});
  } else {
    if (statistics != nullptr) ++statistics->FATFolderParts;
    DebugTrace("Found a valid part dir entry at sector:%llu\n", static_cast<unsigned long long>(sector));
    directories_.emplace(sector, qm::FatDirCandidate{});
  }
  if (statistics != nullptr) statistics->TotalFilesFound += scanner_.GetEntryCount();
  CollectFileTypes(sector, bytes);
}

void CFATSearchController::CollectFileTypes(std::uint64_t sector, qm::ByteView bytes) {
  CFatDirEntry entry;
  for (std::size_t at = 0; bytes.has(at, qm::fat_dir::kEntryBytes); at += qm::fat_dir::kEntryBytes) {
    entry.SetEntry(bytes.sub(at, qm::fat_dir::kEntryBytes));
    if (!entry.IsValid(false)) break;
    if (entry.IsLongNamePiece() || entry.IsDirectory() || entry.IsVolumeLabel()) continue;
    const std::uint32_t cluster = entry.GetFirstCluster();
    if (cluster < 2) continue;
    FileTypeMatch match;
    if (MatchFileTypeA(entry.GetShortName(false), std::int64_t{cluster} - 2, static_cast<std::int64_t>(sector),
                       match) &&
        match.type != 0)
      fileTypes_.push_back(match);
  }
}

std::unique_ptr<CFATSearchedPartitionInfo> CFATSearchController::MakeFromBootSector(std::uint64_t sector,
                                                                                    qm::ByteView bytes,
                                                                                    int backup) const {
  const CFATDBR dbr(bytes, sectorSize_);
  const int type = dbr.GetFatType();
  if (type == kFatTypeNone || sector >= deviceSectors_) return nullptr;
  const std::uint64_t reserved = dbr.GetReservedSectors();
  const std::uint64_t fats = dbr.GetNumberOfFats();
  const std::uint64_t perFat = dbr.GetSectorsPerFat();
  const std::uint64_t perCluster = dbr.GetSectorsPerCluster();
  std::uint64_t total = dbr.GetTotalSectors();
  if (perCluster == 0) return nullptr;
  if (total > deviceSectors_ - sector) total = deviceSectors_ - sector;

  std::uint64_t dataStart = sector + reserved + fats * perFat;
  std::uint64_t rootValue = 0;
  if (type == kFatType32) {
    rootValue = dbr.GetRootCluster();
  } else {
    rootValue = std::uint64_t{dbr.GetRootEntryCount()} * qm::fat_boot::kDirEntryBytes / sectorSize_;
    dataStart += rootValue;
  }
  const FatLimits limits = LimitsOf(type);
  if (sector + total <= dataStart) return nullptr;
  const std::uint64_t clusters = (sector + total - dataStart) / perCluster;
  if (!InLimits(limits, clusters)) return nullptr;
  if (perFat < FatSectorsFor(limits, clusters, sectorSize_)) return nullptr;
  if (type == kFatType32 && clusters < rootValue) return nullptr;

  auto candidate = std::make_unique<CFATSearchedPartitionInfo>(sectorSize_);
  candidate->SetFileSystemType(static_cast<std::uint32_t>(type));
  candidate->SetSectorsPerCluster(static_cast<std::uint8_t>(perCluster));
  candidate->SetClusterZeroSector(dataStart);
  candidate->SetStartSector(sector);
  candidate->SetSectorCount(total);
  candidate->SetFilesMatched(0);
  candidate->SetFoldersMatched(0);
  candidate->SetReservedSectors(static_cast<std::uint16_t>(reserved));
  candidate->SetSectorsPerFat(static_cast<std::uint32_t>(perFat));
  candidate->SetClusterCount(static_cast<std::uint32_t>(clusters));
  candidate->SetRootValue(static_cast<std::uint32_t>(rootValue));
  if (backup == 0)
    candidate->SetFlags(type == kFatType12 ? qm::kFatFoundBoot12
                        : type == kFatType16 ? qm::kFatFoundBoot16
                                             : qm::kFatFoundBoot32);
  else
    candidate->SetFlags(type == kFatType32 ? std::uint32_t{qm::kFatFoundBackupBoot} : 0u);
  return candidate;
}

void CFATSearchController::AddCandidate(std::unique_ptr<CFATSearchedPartitionInfo> candidate, bool indexFats) {
  CFATSearchedPartitionInfo* added = candidate.get();
  found_.emplace(static_cast<std::int64_t>(added->GetClusterZeroSector()), std::move(candidate));
  if (!indexFats) return;
  const std::uint64_t fatStart = added->GetStartSector() + added->GetReservedSectors();
  fatStarts_.emplace(fatStart, added);
  fatStarts_.emplace(fatStart + added->GetSectorsPerFat(), added);
}

int CFATSearchController::AnalyzeBootSector(std::uint64_t sector, qm::ByteView bytes) {
  if (GetAppSettings()->bUseBootRecords == 0) return 0;
  const CFATDBR dbr(bytes, sectorSize_);
  if (!dbr.IsFat()) return 0;
  int made = 0;
  if (auto candidate = MakeFromBootSector(sector, bytes, 0)) {
    AddCandidate(std::move(candidate), true);
    made = 1;
  }
  if (dbr.GetFatType() == kFatType32 && sector >= qm::kFatBackupBootOffset) {
    if (auto candidate = MakeFromBootSector(sector - qm::kFatBackupBootOffset, bytes, 1)) {
      made = 1;
      const auto [begin, end] = found_.equal_range(static_cast<std::int64_t>(candidate->GetClusterZeroSector()));
      auto same = std::find_if(begin, end, [&](const auto& entry) {
        return entry.second->GetSectorsPerCluster() == candidate->GetSectorsPerCluster();
      });
      if (same != end)
        same->second->AddFlags(qm::kFatFoundBackupBoot);
      else
        AddCandidate(std::move(candidate), true);
    }
  }
  return made;
}

void CFATSearchController::AnalyzeFatStart(std::uint64_t sector) {
  const auto [begin, end] = fatStarts_.equal_range(sector);
  if (begin == end) return;
  const AppSettings* settings = GetAppSettings();
  for (auto it = begin; it != end; ++it) {
    CFATSearchedPartitionInfo& candidate = *it->second;
    const std::uint64_t fatStart = candidate.GetStartSector() + candidate.GetReservedSectors();
    if (sector == fatStart) {
      candidate.AddFlags(qm::kFatSeenFirstFat | (settings->bUseFirstFat != 0 ? std::uint32_t{qm::kFatUseFirstFat} : 0u));
    } else if (sector == fatStart + candidate.GetSectorsPerFat()) {
      candidate.AddFlags(qm::kFatSeenSecondFat | (settings->bUseSecondFat != 0 ? std::uint32_t{qm::kFatUseSecondFat} : 0u));
    }
  }
  fatStarts_.erase(begin, end);
}

void CFATSearchController::AnalyzeFirstDirectorySector(std::uint64_t sector, std::uint32_t dotCluster) {
  if (dotCluster < 2) return;
  std::uint32_t remembered[8];
  int rememberedCount = 0;
  for (std::uint32_t perCluster = 1; perCluster <= 128; perCluster *= 2) {
    const std::uint64_t offset = std::uint64_t{dotCluster - 2} * perCluster;
    if (offset > sector) continue;
    const std::uint64_t dataStart = sector - offset;
    const auto [begin, end] = found_.equal_range(static_cast<std::int64_t>(dataStart));
    for (auto it = begin; it != end; ++it) {
      CFATSearchedPartitionInfo& candidate = *it->second;
      if (candidate.GetSectorsPerCluster() != perCluster) continue;
      candidate.AddFlags(qm::kFatFoundDirectory);
      candidate.SetFoldersMatched(candidate.GetFoldersMatched() + 1);
      return;
    }
    remembered[rememberedCount++] = perCluster;
  }
  for (int i = 0; i < rememberedCount; ++i)
    if (auto candidate = MakeFromDirectory(sector, dotCluster, remembered[i]))
      AddCandidate(std::move(candidate), false);
}

bool CFATSearchController::GuessOne(int type, std::uint64_t dataStart, std::uint32_t sectorsPerCluster,
                                    std::uint64_t& clusters, std::uint64_t& sectorsPerFat) const {
  if (sectorsPerCluster == 0 || dataStart >= deviceSectors_) return false;
  const FatLimits limits = LimitsOf(type);
  clusters = (deviceSectors_ - dataStart) / sectorsPerCluster;
  if (!InLimits(limits, clusters)) return false;
  sectorsPerFat = FatSectorsFor(limits, clusters, sectorSize_);
  if (dataStart / 2 >= sectorsPerFat) return true;
  // Two copies of that size do not fit below the data: the largest
  // cluster count whose FAT fits. Its FAT size is taken with it, so that
  // the partition's start can still be placed before the data.
  clusters = 2 * std::uint64_t{sectorSize_} * (dataStart / 2) / limits.halfBytes;
  sectorsPerFat = FatSectorsFor(limits, clusters, sectorSize_);
  return InLimits(limits, clusters);
}

int CFATSearchController::GuessFatType(std::uint64_t dataStart, std::uint32_t sectorsPerCluster,
                                       std::uint64_t& clusters, std::uint64_t& sectorsPerFat) const {
  if (GuessOne(kFatType32, dataStart, sectorsPerCluster, clusters, sectorsPerFat)) return kFatType32;
  if (GuessOne(kFatType16, dataStart, sectorsPerCluster, clusters, sectorsPerFat)) return kFatType16;
  return kFatTypeNone;
}

std::unique_ptr<CFATSearchedPartitionInfo>
CFATSearchController::MakeFromDirectory(std::uint64_t sector, std::uint32_t dotCluster,
                                        std::uint32_t sectorsPerCluster) const {
  if (dotCluster < 2) return nullptr;
  const std::uint64_t offset = std::uint64_t{dotCluster - 2} * sectorsPerCluster;
  if (offset > sector) return nullptr;
  const std::uint64_t dataStart = sector - offset;
  std::uint64_t clusters = 0;
  std::uint64_t perFat = 0;
  const int type = GuessFatType(dataStart, sectorsPerCluster, clusters, perFat);
  if (type == kFatTypeNone) return nullptr;
  if (2 * perFat + 1 > dataStart) return nullptr;
  std::uint64_t start = dataStart - 2 * perFat - 1;
  std::uint64_t rootSectors = 0;
  std::uint64_t rootValue = 2;
  if (type == kFatType16) {
    rootSectors = std::min<std::uint64_t>(16384 / sectorSize_, start);
    start -= rootSectors;
    rootValue = rootSectors;
  }
  auto candidate = std::make_unique<CFATSearchedPartitionInfo>(sectorSize_);
  candidate->SetFileSystemType(static_cast<std::uint32_t>(type));
  candidate->SetSectorsPerCluster(static_cast<std::uint8_t>(sectorsPerCluster));
  candidate->SetClusterZeroSector(dataStart);
  candidate->SetStartSector(start);
  candidate->SetSectorCount(sectorsPerCluster * clusters + rootSectors + 1 + 2 * perFat);
  candidate->SetSectorsPerFat(static_cast<std::uint32_t>(perFat));
  candidate->SetClusterCount(static_cast<std::uint32_t>(clusters));
  candidate->SetReservedSectors(1);
  candidate->SetRootValue(static_cast<std::uint32_t>(rootValue));
  candidate->SetFilesMatched(0);
  candidate->SetFoldersMatched(0);
  candidate->SetFlags(qm::kFatFoundDirectory);
  return candidate;
}

void CFATSearchController::CountFilesMatched(CFATSearchedPartitionInfo& candidate) const {
  if (rawFiles_ == nullptr) return;
  const std::uint64_t dataStart = candidate.GetClusterZeroSector();
  const std::uint64_t count = candidate.GetSectorCount();
  const std::uint64_t end = count > ~std::uint64_t{0} - dataStart ? ~std::uint64_t{0} : dataStart + count;
  const std::uint64_t perCluster = candidate.GetSectorsPerCluster();
  const auto first = std::lower_bound(fileTypes_.begin(), fileTypes_.end(), dataStart,
                                      [](const FileTypeMatch& m, std::uint64_t at) {
                                        return static_cast<std::uint64_t>(m.second) < at;
                                      });
  std::uint64_t matched = 0;
  for (auto it = first; it != fileTypes_.end(); ++it) {
    if (static_cast<std::uint64_t>(it->second) >= end) break;
    const auto index = static_cast<std::uint64_t>(it->first);
    if (perCluster != 0 && index > (end - dataStart) / perCluster) continue;
    const std::uint64_t fileSector = dataStart + index * perCluster;
    if (fileSector >= end) continue;
    const CRawFileInfo* carved = rawFiles_->FindByStartSector(fileSector);
    if (carved != nullptr && carved->GetType() == it->type) ++matched;
  }
  candidate.SetFilesMatched(candidate.GetFilesMatched() + matched);
}

void CFATSearchController::GetFoundPartitions(std::vector<CSearchedPartitionInfo*>& partitions) {
  for (auto& [key, owned] : found_) {
    CFATSearchedPartitionInfo& candidate = *owned;
    const std::uint32_t flags = candidate.GetFlags();
    const bool fatSeen = (flags & kSeenFats) != 0;
    if (candidate.GetFoldersMatched() == 0 && ((flags & kAnyBootFlag) == 0 || !fatSeen)) {
      owned.reset();
      continue;
    }
    const std::uint64_t a = (flags & kSeenFats) == kSeenFats ? 50 : fatSeen ? 45 : 10;
    std::uint64_t b = 10;
    if (candidate.GetFileSystemType() == kFatType32) {
      const bool primary = (flags & qm::kFatFoundBoot32) != 0;
      const bool backup = (flags & qm::kFatFoundBackupBoot) != 0;
      b = primary && backup ? 50 : primary || backup ? 45 : 10;
    } else if ((flags & (qm::kFatFoundBoot12 | qm::kFatFoundBoot16)) != 0) {
      b = 50;
    }
    candidate.SetScore(a + b);
    CountFilesMatched(candidate);
    partitions.push_back(owned.release());
  }
  fileTypes_.clear();
  fatStarts_.clear();
  found_.clear();
}

int CFATSearchController::Save(IRSData* stream) {
  if (stream == nullptr) return 0;
  qm::RSWrite<std::uint32_t>(*stream, static_cast<std::uint32_t>(directories_.size()));
  for (const auto& [sector, candidate] : directories_) {
    qm::RSWrite<std::uint64_t>(*stream, sector);
    qm::RSWrite<std::uint32_t>(*stream, candidate.firstCluster);
    qm::RSWrite<std::uint32_t>(*stream, candidate.parentCluster);
  }
  return 1;
}

int CFATSearchController::Load(IRSData* stream) {
  if (stream == nullptr) return 0;
  directories_.clear();
  const auto count = qm::RSRead<std::uint32_t>(*stream);
  // Entries are read one by one: a damaged count ends at the stream's end
  // (an exception) rather than sizing anything.
  for (std::uint32_t i = 0; i < count; ++i) {
    const auto sector = qm::RSRead<std::uint64_t>(*stream);
    qm::FatDirCandidate candidate;
    candidate.firstCluster = qm::RSRead<std::uint32_t>(*stream);
    candidate.parentCluster = qm::RSRead<std::uint32_t>(*stream);
    directories_.emplace(sector, candidate);
  }
  return 1;
}

CFileNode* CFATSearchController::BuildTree(CSearchedPartitionInfo* partition, IStorageDevice* device, int ordinal,
                                           IDIRBuildCallback* callback) {
  auto* fat = dynamic_cast<CFATSearchedPartitionInfo*>(partition);
  if (fat == nullptr || !AcceptsPartitionType(static_cast<int>(fat->GetFileSystemType()))) return nullptr;
  // The sweep's device (the read-ahead cache) is gone by now; trees are
  // read from the device the caller names.
  if (device == nullptr) return nullptr;
  CFatTreeBuilder builder;
  return builder.StartCompleteBuild(callback, directories_, *fat, rawFiles_, device, ordinal);
}
