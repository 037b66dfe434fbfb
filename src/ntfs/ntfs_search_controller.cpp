#include "ntfs/ntfs_search_controller.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "filemodel/rs_data.h"
#include "ntfs/index_folder_evidence.h"
#include "ntfs/index_record.h"
#include "ntfs/log_pages.h"
#include "ntfs/logfile_analyser.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_group_analyser.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_boot_sector.h"
#include "ntfs/ntfs_lost_tree_builder.h"
#include "ntfs/ntfs_scan_evidence.h"
#include "ntfs/system_files.h"
#include "ntfs/template_matchers.h"
#include "platform/log.h"
#include "platform/tick_count.h"
#include "storage/app_settings.h"
#include "storage/search_statistics.h"
#include "storage/storage_device.h"
#include "storage/storage_device_with_cache.h"

namespace {

constexpr std::uint32_t kSlowStageMs = 30;
constexpr int kLogFileNumber = 2;
constexpr int kAttrDefNumber = 4;
constexpr int kUpCaseNumber = 10;
// Beyond this many candidates only those scoring above kWeakScore stay.
constexpr std::size_t kKeptCandidates = 1000;
constexpr std::uint64_t kWeakScore = 10;
// With this many candidates, those found by one index/folder comparison
// alone are dropped.
constexpr std::size_t kManyCandidates = 50;

std::uint32_t Magic(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
constexpr std::uint32_t MagicOf(const char (&s)[5]) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[0])) |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[1])) << 8 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[2])) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[3])) << 24;
}
constexpr std::uint32_t kFileMagic = MagicOf("FILE");
constexpr std::uint32_t kIndxMagic = MagicOf("INDX");
constexpr std::uint32_t kRstrMagic = MagicOf("RSTR");
constexpr std::uint32_t kRcrdMagic = MagicOf("RCRD");

// Notes a stage that took long in the debugger output.
class StageTimer {
public:
  StageTimer(const char* label, std::uint64_t sector) : label_(label), sector_(sector), start_(qm::GetTickCount64()) {}
  ~StageTimer() {
    const std::uint64_t elapsed = qm::GetTickCount64() - start_;
    if (elapsed > kSlowStageMs)
      DebugTrace("%s curSector %lld dwElapsedTime %u \n", label_, static_cast<long long>(sector_),
                 static_cast<unsigned>(elapsed));
  }
  StageTimer(const StageTimer&) = delete;
  StageTimer& operator=(const StageTimer&) = delete;

private:
  const char* label_;
  std::uint64_t sector_;
  std::uint64_t start_;
};

// The score of a candidate: 10 a found-flag (30 for a confirmed $MFT
// pair), and up to 10 for each kind of system-file content matched.
std::uint64_t ScoreCandidate(const CSearchedNTFSPartitionInfo& c) {
  std::uint64_t score = 0;
  for (const std::uint32_t flag : {qm::kFoundFirstBoot, qm::kFoundLastBoot, qm::kFoundSingleMft, qm::kFoundMftMirr,
                                   qm::kFoundFirstRstr, qm::kFoundSecondRstr})
    if (c.m_nFoundFlags & flag) score += 10;
  if (c.m_nFoundFlags & qm::kFoundMftPair) score += 30;
  const auto term = [](std::uint64_t matches, std::uint64_t full) {
    if (matches == CSearchedNTFSPartitionInfo::kUnknown) return std::uint64_t{0};
    return std::min<std::uint64_t>(10, matches / full >= 1 ? 10 : 0);
  };
  score += term(c.m_u64UpCaseMatches, 256);
  score += term(c.m_u64LogFileMatches, 10000);
  score += term(c.m_u64AttrDefMatches, 5);
  return score;
}

// The device sectors of a boot sector's total, or nothing when its sector
// size does not divide into the device's.
std::optional<std::uint64_t> BootTotalInDeviceSectors(const CNTFSDBR& dbr, std::uint32_t sectorSize) {
  const std::uint64_t bps = dbr.GetBytesPerSector();
  const std::uint64_t total = dbr.GetTotalSectors();
  if (bps == sectorSize) return total;
  if (bps > sectorSize && bps % sectorSize == 0) {
    const std::uint64_t f = bps / sectorSize;
    if (total > ~std::uint64_t{0} / f) return std::nullopt;
    return total * f;
  }
  if (bps < sectorSize && sectorSize % bps == 0) return total / (sectorSize / bps);
  return std::nullopt;
}

} // namespace

CNTFSSearchController::CNTFSSearchController() = default;
CNTFSSearchController::~CNTFSSearchController() = default;

void CNTFSSearchController::SetDevice(IStorageDevice* device) {
  device_ = device;
  cache_ = dynamic_cast<CStorageDeviceWithCache*>(device);
  if (device_ == nullptr) return;
  deviceSectors_ = device_->GetSectorCount();
  const std::int32_t size = device_->GetSectorSize();
  sectorSize_ = CSearchedPartitionInfo::NormalizeBytesPerSector(size > 0 ? static_cast<std::uint32_t>(size) : 0);
  candidates_.SetDevice(deviceSectors_, sectorSize_);
}

int CNTFSSearchController::PrepareSearch() {
  if (device_ == nullptr) return 0;
  FreeSweep();
  const AppSettings* settings = GetAppSettings();
  candidates_.SetDevice(deviceSectors_, sectorSize_);
  useBootRecords_ = settings->bUseBootRecords != 0;
  mftAnalyser_ = std::make_unique<qm::CNtfsMftAnalyser>(candidates_, mfts_, sectorSize_,
                                                        settings->bUseNtfsFilesForSize != 0);
  logAnalyser_ = std::make_unique<qm::CNtfsLogFileAnalyser>(candidates_, sectorSize_);
  attrDefMatcher_ =
      std::make_unique<qm::CNtfsTemplateMatcher>(qm::CNtfsTemplateMatcher::Kind::kAttrDef, sectorSize_);
  upCaseMatcher_ = std::make_unique<qm::CNtfsTemplateMatcher>(qm::CNtfsTemplateMatcher::Kind::kUpCase, sectorSize_);
  folders_ = std::make_unique<qm::CNtfsIndexFolderEvidence>(candidates_, sectorSize_);
  // Blocks of the read-ahead cache are seen in place; any other device is
  // read into a buffer of our own.
  if (cache_ == nullptr) buffer_.assign(std::uint64_t{sectorsPerBlock_} * sectorSize_, 0);
  seam_.assign(2 * std::uint64_t{kWindowSectors} * sectorSize_, 0);
  scratch_.assign(std::max<std::uint64_t>(qm::kMaxIndexWindowBytes, sectorSize_), 0);
  pendingCount_ = 0;
  return 1;
}

const std::uint8_t* CNTFSSearchController::BlockData(std::uint64_t first, std::uint64_t count) {
  if (cache_ != nullptr) {
    std::uint64_t blockFirst = 0;
    std::uint64_t blockSectors = 0;
    const std::uint8_t* data = cache_->GetCurBlockData(&blockFirst, &blockSectors);
    if (data != nullptr && blockFirst == first && blockSectors >= count) return data;
  }
  const std::uint64_t bytes = count * sectorSize_;
  if (buffer_.size() < bytes) buffer_.assign(bytes, 0);
  // A failed read leaves no stale sectors behind to be taken for evidence
  // twice.
  if (!device_->ReadSectors(buffer_.data(), first, count)) std::memset(buffer_.data(), 0, bytes);
  return buffer_.data();
}

int CNTFSSearchController::AnalyzeBlock(std::uint64_t first, std::uint64_t count, SearchStatistics* statistics) {
  if (device_ == nullptr || !mftAnalyser_ || count == 0) return 0;
  SectorCounts counts;
  const std::uint64_t ss = sectorSize_;
  const std::uint8_t* data = BlockData(first, count);
  if (pendingCount_ != 0 && pendingFirst_ + pendingCount_ != first) FinishPending(counts);
  const bool atEnd = first + count >= deviceSectors_;
  if (pendingCount_ != 0) {
    CarrySeam(first, data, count, counts);
  } else {
    const std::uint64_t limit = atEnd ? count : (count > kWindowSectors ? count - kWindowSectors : 0);
    AnalyzeSectors(first, data, count, limit, counts);
    pendingFirst_ = first + limit;
    pendingCount_ = count - limit;
    std::memcpy(seam_.data(), data + limit * ss, pendingCount_ * ss);
  }

  if (statistics != nullptr) {
    statistics->NTFSBootRecords += counts.bootRecords;
    statistics->Counter13 += counts.bootRecords;
    statistics->NTFSFileRecords += counts.fileRecords;
    statistics->TotalFilesFound += counts.fileRecords;
    statistics->Counter16 += counts.fileRecords;
    statistics->Counter14 = counts.fileRecords;
  }
  return 1;
}

void CNTFSSearchController::CarrySeam(std::uint64_t first, const std::uint8_t* data, std::uint64_t count,
                                      SectorCounts& counts) {
  // The sectors waiting, then as many of this block as a window reaches.
  const std::uint64_t ss = sectorSize_;
  const std::uint64_t waiting = pendingCount_;
  const std::uint64_t ahead = std::min<std::uint64_t>(kWindowSectors, count);
  std::memcpy(seam_.data() + waiting * ss, data, ahead * ss);
  const std::uint64_t total = waiting + count;
  const bool atEnd = first + count >= deviceSectors_;
  const std::uint64_t limit = atEnd ? total : (total > kWindowSectors ? total - kWindowSectors : 0);
  AnalyzeSectors(pendingFirst_, seam_.data(), waiting + ahead, std::min(limit, waiting), counts);
  if (limit > waiting) AnalyzeSectors(first, data, count, limit - waiting, counts);
  // What is left waits: part of the seam and the whole block, or the end
  // of the block.
  if (limit < waiting) {
    std::memmove(seam_.data(), seam_.data() + limit * ss, (waiting - limit) * ss);
    std::memcpy(seam_.data() + (waiting - limit) * ss, data, count * ss);
  } else {
    std::memcpy(seam_.data(), data + (limit - waiting) * ss, (total - limit) * ss);
  }
  pendingFirst_ += limit;
  pendingCount_ = total - limit;
}

void CNTFSSearchController::FinishPending() {
  SectorCounts counts;
  FinishPending(counts);
}

void CNTFSSearchController::FinishPending(SectorCounts& counts) {
  if (pendingCount_ != 0 && mftAnalyser_) AnalyzeSectors(pendingFirst_, seam_.data(), pendingCount_, pendingCount_, counts);
  pendingCount_ = 0;
}

void CNTFSSearchController::AnalyzeSectors(std::uint64_t base, const std::uint8_t* data, std::uint64_t count,
                                           std::uint64_t limit, SectorCounts& counts) {
  for (std::uint64_t i = 0; i < limit; ++i)
    AnalyzeSector(base + i, data + i * sectorSize_, std::min<std::uint64_t>(kWindowSectors, count - i), counts);
}

void CNTFSSearchController::AnalyzeSector(std::uint64_t sector, const std::uint8_t* p, std::uint64_t windowSectors,
                                          SectorCounts& counts) {
  const std::uint64_t windowBytes = windowSectors * sectorSize_;
  const qm::ByteView window(p, windowBytes);
  const std::uint32_t magic = Magic(p);
  if ((p[3] | 0x20) == 'n' && IsValidNTFSBootSector(window)) {
    if (useBootRecords_) {
      StageTimer timer("AnalyzeNTFSDBRSector", sector);
      AnalyzeNTFSDBRSector(sector, p);
      ++counts.bootRecords;
    }
  } else if (magic == kRstrMagic && IsValidRstrPage(window)) {
    StageTimer timer("AnalyzeRSTRRecord", sector);
    logAnalyser_->AnalyzeRSTRRecord(sector);
  } else if (magic == kIndxMagic) {
    // The check fixes the block up while it looks: on a copy.
    const std::size_t bytes = static_cast<std::size_t>(std::min<std::uint64_t>(windowBytes, scratch_.size()));
    std::memcpy(scratch_.data(), p, bytes);
    folders_->AnalyzeIndexBlock(sector, std::span<std::uint8_t>(scratch_.data(), bytes));
  }
  if (magic == kFileMagic) {
    if (AnalyzeNTFSFileRecordSector(sector, p, windowBytes)) ++counts.fileRecords;
  } else if (mftAnalyser_->HasPendingGroup()) {
    static const CNTFSFileRecordView kNoRecord(std::span<std::uint8_t>{}, false);
    mftAnalyser_->AnalyzeMftGroupSector(sector, kNoRecord, -1);
  }
  const qm::ByteView one(p, sectorSize_);
  attrDefMatcher_->MatchTemplates(sector, one);
  upCaseMatcher_->MatchTemplates(sector, one);
  if (magic == kRcrdMagic) logAnalyser_->ScanLogPage(sector, window);
}

void CNTFSSearchController::AnalyzeNTFSDBRSector(std::uint64_t s, const std::uint8_t* data) {
  CNTFSDBR dbr;
  if (!dbr.Load(qm::ByteView(data, qm::ntfs_boot::kSectorBytes))) return;
  const auto total = BootTotalInDeviceSectors(dbr, sectorSize_);
  if (!total) return;
  const std::uint64_t t = *total;
  const bool fits = t <= s;
  // Read as the backup boot sector at the end of a volume.
  auto backup = fits ? qm::MakeCandidateFromBootSector(dbr, static_cast<std::int64_t>(s - t), qm::kFoundLastBoot,
                                                       deviceSectors_, sectorSize_)
                     : nullptr;
  if (backup) {
    bool known = false;
    auto [it, end] = candidates_.Matching(qm::NtfsCandidateMap::KeyOf(*backup));
    for (; it != end; ++it) {
      CSearchedNTFSPartitionInfo& c = *it->second;
      if ((c.GetSectorCount() == backup->GetSectorCount() && c.m_u64SerialNumber == backup->m_u64SerialNumber) ||
          (c.m_nFoundFlags & qm::kFoundFirstBoot) != 0) {
        known = true;
        c.m_nFoundFlags |= qm::kFoundLastBoot;
      }
    }
    if (known) {
      // The volume's first boot sector was read as a backup too, placing a
      // volume one size before it: that reading goes.
      if (backup->GetStartSector() >= t) {
        backup->SetStartSector(backup->GetStartSector() - t);
        candidates_.UpdateFoundFlags(*backup, 0, qm::kFoundLastBoot);
      }
      return;
    }
    auto [same, sameEnd] = candidates_.Matching(qm::NtfsCandidateMap::KeyOf(*backup));
    for (; same != sameEnd; ++same) {
      CSearchedNTFSPartitionInfo& c = *same->second;
      if (c.GetSectorCount() == 0) {
        c.SetSectorCount(backup->GetSectorCount());
        c.m_u64TotalClusters = backup->m_u64TotalClusters;
      }
    }
    candidates_.Insert(std::move(backup));
  }
  candidates_.Insert(qm::MakeCandidateFromBootSector(dbr, static_cast<std::int64_t>(s), qm::kFoundFirstBoot,
                                                     deviceSectors_, sectorSize_));
}

bool CNTFSSearchController::AnalyzeNTFSFileRecordSector(std::uint64_t s, const std::uint8_t* p,
                                                        std::uint64_t windowBytes) {
  static const CNTFSFileRecordView kNoRecord(std::span<std::uint8_t>{}, false);
  const qm::ByteView head(p, windowBytes);
  if (!IsFileRecordHeader(head) || head.le32(qm::mft::kBytesAllocated) > windowBytes) {
    mftAnalyser_->AnalyzeMftGroupSector(s, kNoRecord, -1);
    return false;
  }
  // The view fixes the record up while it lives: on a copy.
  const std::size_t size = head.le32(qm::mft::kBytesAllocated);
  std::memcpy(scratch_.data(), p, size);
  const std::span<std::uint8_t> raw(scratch_.data(), size);
  const CNTFSFileRecordView view(raw, false);
  const int number = view.IsValid() ? GetSystemFileNumber(view) : -1;
  mftAnalyser_->AnalyzeMftGroupSector(s, view, number);
  if (!view.IsValid()) return false;
  const qm::ByteView record = view.Record();
  if (IsFolderWithIndexAllocation(record)) {
    StageTimer timer("AnalyzeFolderFileRecordHavingIndexAllocation", s);
    if (folders_->AnalyzeFolderRecord(s, record) && ranges_.size() < qm::kEvidenceListCap)
      ranges_.push_back({s, 1});
  } else if (number == kLogFileNumber && IsLogFileFileRecord(view)) {
    logAnalyser_->AddLogFileRecord(s, raw);
  } else if (number == kAttrDefNumber && IsAttrDefFileRecord(view)) {
    attrDefMatcher_->AddSystemRecord(s, raw);
  } else if (number == kUpCaseNumber && IsUpCaseFileRecord(view)) {
    upCaseMatcher_->AddSystemRecord(s, raw);
  } else if (!IsExtensionRecord(record) && !mftAnalyser_->IsSystemListFull(number) &&
             !logAnalyser_->IsRecordListFull()) {
    AddRecordToRange(s);
    AddFileTypeMatchOf(s, record);
  }
  return true;
}

void CNTFSSearchController::AddRecordToRange(std::uint64_t s) {
  if (!ranges_.empty()) {
    qm::NtfsRecordRange& last = ranges_.back();
    // Records of one sector each (4096-byte records on 4096-byte sectors)
    // fall between the two-sector steps of a range; the tree build tries
    // every sector of a range, so they are inside it already.
    if (s >= last.firstSector && s < last.EndSector()) return;
    if (last.Extend(s)) return;
  }
  if (ranges_.size() < qm::kEvidenceListCap) ranges_.push_back({s, 1});
}

void CNTFSSearchController::AddFileTypeMatchOf(std::uint64_t s, qm::ByteView record) {
  if (typeMatches_.size() >= qm::kEvidenceListCap) return;
  const qm::NtfsAttribute fn = FindAttribute(record, qm::mft::kFileName, 0);
  if (!fn) return;
  const qm::ByteView nameBytes = qm::FileNameBytes(fn.bytes);
  if (nameBytes.empty()) return;
  char16_t name[256];
  const std::size_t length = std::min<std::size_t>(nameBytes.size() / 2, 255);
  for (std::size_t i = 0; i < length; ++i)
    name[i] = static_cast<char16_t>(nameBytes.le16(2 * i));
  FileTypeMatch match;
  // The name's type first: most records name no carved type.
  if (!MatchFileTypeW(std::u16string_view(name, length), 0, static_cast<std::int64_t>(s), match)) return;
  qm::NtfsRunList runs;
  std::uint64_t realSize = 0;
  if (!CollectUnnamedDataRuns(record, true, runs, realSize) || runs.empty()) return;
  const std::int64_t cluster = VcnToLcn(runs, 0);
  if (cluster < 0) return;
  match.first = cluster;
  typeMatches_.push_back(match);
}

void CNTFSSearchController::EndSearch() {
  StageTimer timer("EndSearch", 0);
  if (mftAnalyser_) {
    FinishPending();
    logAnalyser_->Finish();
    attrDefMatcher_->Finish();
    upCaseMatcher_->Finish();
    std::stable_sort(typeMatches_.begin(), typeMatches_.end(),
                     [](const FileTypeMatch& a, const FileTypeMatch& b) { return a.second < b.second; });
    ScoreAndThin();
  }
  FreeSweep();
}

void CNTFSSearchController::ScoreAndThin() {
  const AppSettings* settings = GetAppSettings();
  auto& map = candidates_.Entries();
  const std::size_t n = map.size();
  std::size_t i = 0;
  for (auto it = map.begin(); it != map.end(); ++i) {
    CSearchedNTFSPartitionInfo& c = *it->second;
    attrDefMatcher_->SetTemplateMatch(c);
    upCaseMatcher_->SetTemplateMatch(c);
    logAnalyser_->SetLogFileMatch(c);
    if (c.m_u64MftSector != CSearchedNTFSPartitionInfo::kUnknown) {
      c.m_bUseMft = settings->bUseMft != 0 ? 1 : 0;
      c.m_bFilesFromMftOnly = settings->bMftFilesOnly != 0 ? 1 : 0;
    }
    const std::uint64_t score = ScoreCandidate(c);
    c.SetScore(score);
    if (n <= kKeptCandidates || i < kKeptCandidates || score > kWeakScore) {
      c.SetClusterZeroSector(c.GetStartSector());
      if (raw_ != nullptr) CountFileTypeMatches(typeMatches_, *raw_, c);
      ++it;
    } else {
      it = map.erase(it);
    }
  }
  if (map.size() >= kManyCandidates) {
    for (auto it = map.begin(); it != map.end();) {
      const CSearchedNTFSPartitionInfo& c = *it->second;
      if (c.m_nFoundFlags == qm::kFoundIndexFolder && c.GetFilesMatched() == 0 && c.GetFoldersMatched() == 0)
        it = map.erase(it);
      else
        ++it;
    }
  }
}

void CNTFSSearchController::FreeSweep() {
  mftAnalyser_.reset();
  logAnalyser_.reset();
  attrDefMatcher_.reset();
  upCaseMatcher_.reset();
  folders_.reset();
  typeMatches_ = {};
  buffer_ = {};
  seam_ = {};
  scratch_ = {};
  pendingCount_ = 0;
}

void CNTFSSearchController::GetFoundPartitions(std::vector<CSearchedPartitionInfo*>& partitions) {
  candidates_.ReleaseTo(partitions);
}

int CNTFSSearchController::Save(IRSData* stream) {
  if (stream == nullptr) return 0;
  qm::RSWrite<std::uint64_t>(*stream, mfts_.size());
  for (const NtfsMftInfo& mft : mfts_) mft.Save(*stream);
  qm::RSWrite<std::uint64_t>(*stream, ranges_.size());
  for (const qm::NtfsRecordRange& range : ranges_) qm::SaveRecordRange(*stream, range);
  return 1;
}

int CNTFSSearchController::Load(IRSData* stream) {
  if (stream == nullptr) return 0;
  const auto mftCount = qm::RSRead<std::uint64_t>(*stream);
  if (mftCount > qm::kEvidenceListCap) {
    LogError("Saved NTFS scan holds %llu $MFT records; refused\n", static_cast<unsigned long long>(mftCount));
    return 0;
  }
  for (std::uint64_t i = 0; i < mftCount; ++i) {
    // An entry no mapping can use was read whole and is left out.
    if (auto mft = NtfsMftInfo::Load(*stream)) mfts_.push_back(std::move(*mft));
  }
  const auto rangeCount = qm::RSRead<std::uint64_t>(*stream);
  if (rangeCount > qm::kEvidenceListCap) {
    LogError("Saved NTFS scan holds %llu record ranges; refused\n", static_cast<unsigned long long>(rangeCount));
    return 0;
  }
  for (std::uint64_t i = 0; i < rangeCount; ++i) ranges_.push_back(qm::LoadRecordRange(*stream));
  return 1;
}

CFileNode* CNTFSSearchController::BuildTree(CSearchedPartitionInfo* partition, IStorageDevice* device, int ordinal,
                                            IDIRBuildCallback* callback) {
  if (partition == nullptr || device == nullptr) return nullptr;
  CNtfsLostPartitionTreeBuilder builder;
  return builder.Start(mfts_, ranges_, partition, raw_, device, ordinal, callback);
}
