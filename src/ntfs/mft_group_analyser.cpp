#include "ntfs/mft_group_analyser.h"

#include <algorithm>

#include "ntfs/mft_attribute.h"
#include "ntfs/system_files.h"

namespace qm {
namespace {

constexpr int kMftNumber = 0;
constexpr int kMftMirrNumber = 1;
constexpr int kBitmapNumber = 6;
// A group is the records $MFT to $BadClus.
constexpr std::uint64_t kGroupRecords = 8;

std::uint64_t RecordSectors(ByteView record, std::uint32_t sectorSize) {
  const std::uint64_t bytes = record.le32(mft::kBytesAllocated);
  return std::max<std::uint64_t>(1, bytes / sectorSize);
}

// Bytes of the unnamed $DATA of a record, resident or not; nothing when
// the record has none.
std::optional<std::uint64_t> UnnamedDataBytes(ByteView record) {
  for (unsigned i = 0;; ++i) {
    const NtfsAttribute a = FindAttribute(record, mft::kData, i);
    if (!a) return std::nullopt;
    if (attr::NameLength(a.bytes) != 0) continue;
    if (attr::IsResident(a.bytes)) {
      const auto value = attr::ResidentValue(a.bytes);
      if (!value) return std::nullopt;
      return value->size();
    }
    const auto nr = ReadNonResident(a.bytes);
    if (!nr || nr->firstVcn != 0) return std::nullopt;
    return nr->realSize;
  }
}

} // namespace

std::optional<NtfsMftInfo> MakeMftInfo(const CNTFSFileRecordView& view, std::uint64_t sector,
                                       std::uint32_t sectorSize) {
  if (!view.IsValid()) return std::nullopt;
  NtfsMftInfo info;
  std::uint64_t realSize = 0;
  if (!CollectUnnamedDataRuns(view.Record(), false, info.extents, realSize) || info.extents.empty())
    return std::nullopt;
  SortByVcn(info.extents);
  info.recordSector = sector;
  info.sectorsPerFileRecord = static_cast<std::uint8_t>(std::min<std::uint64_t>(RecordSectors(view.Record(), sectorSize), 255));
  info.sectorsPerCluster = static_cast<std::uint8_t>(GuessSectorsPerClusterFromMftRecord(view.Record(), sectorSize));
  return info;
}

CNtfsMftAnalyser::CNtfsMftAnalyser(NtfsCandidateMap& candidates, std::vector<NtfsMftInfo>& mftList,
                                   std::uint32_t sectorSize, bool useBitmapForSize)
    : candidates_(candidates), mfts_(mftList),
      sectorSize_(sectorSize == 0 || sectorSize % 512 != 0 ? 512 : sectorSize),
      useBitmapForSize_(useBitmapForSize), recordSectors_(std::max<std::uint32_t>(1, 1024 / sectorSize_)) {}

bool CNtfsMftAnalyser::IsSystemListFull(int systemNumber) const {
  if (systemNumber == kMftNumber) return mfts_.size() >= kEvidenceListCap;
  if (systemNumber == kMftMirrNumber) return mirrs_.size() >= kEvidenceListCap;
  return false;
}

void CNtfsMftAnalyser::AnalyzeMftGroupSector(std::uint64_t s, const CNTFSFileRecordView& view, int number) {
  const bool valid = view.IsValid();
  const std::uint64_t m = lastMft_;
  const bool inReach = pendingMft_ && s > m && s - m <= kGroupRecords * recordSectors_;
  // The other sectors of a record of the group.
  if (!valid && inReach && (s - m) % recordSectors_ != 0) return;
  if (!valid || number < 0 || !pendingMft_ || !inReach || (s - m) % recordSectors_ != 0 ||
      static_cast<std::uint64_t>(number) != (s - m) / recordSectors_)
    CloseGroup();
  if (!valid) return;

  if (number == kMftNumber) {
    lastMft_ = s;
    recordSectors_ = RecordSectors(view.Record(), sectorSize_);
    if (mfts_.size() >= kEvidenceListCap) return;
    auto info = MakeMftInfo(view, s, sectorSize_);
    if (!info) {
      CloseGroup();
      return;
    }
    mfts_.push_back(std::move(*info));
    pendingMft_ = mfts_.size() - 1;
  } else if (number == kMftMirrNumber) {
    if (mirrs_.size() >= kEvidenceListCap || !pendingMft_) return;
    auto span = std::span<std::uint8_t>(const_cast<std::uint8_t*>(view.Record().data()), view.Record().size());
    if (auto info = MakeSystemFileInfo(span, s, sectorSize_)) {
      mirrs_.push_back(*info);
      pendingMirr_ = std::move(*info);
    }
  } else if (number == kBitmapNumber && useBitmapForSize_ && pendingMft_) {
    if (const auto bytes = UnnamedDataBytes(view.Record()); bytes && *bytes <= (kNoNumber >> 3))
      bitmapClusters_ = *bytes * 8;
  }
}

void CNtfsMftAnalyser::UpdateFromGroup(CSearchedNTFSPartitionInfo& c) const {
  if (c.m_u64MftSector == CSearchedNTFSPartitionInfo::kUnknown) c.m_u64MftSector = lastMft_;
  c.m_nSectorsPerFileRecord = static_cast<std::uint32_t>(recordSectors_);
  const std::uint64_t spc = c.GetSectorsPerCluster();
  if (bitmapClusters_ == kNoNumber || bitmapClusters_ == 0 || spc == 0) return;
  if ((c.m_nFoundFlags & kFoundFirstBoot) == 0) {
    c.m_u64TotalClusters = std::min(c.m_u64TotalClusters, bitmapClusters_);
    c.SetSectorCount(c.m_u64TotalClusters * spc);
  }
  if (bitmapClusters_ <= kNoNumber / spc) c.m_u64SectorsFromSystemFiles = bitmapClusters_ * spc;
}

void CNtfsMftAnalyser::UpdateMatching(const CSearchedNTFSPartitionInfo& key) {
  auto [it, end] = candidates_.Matching(NtfsCandidateMap::KeyOf(key));
  for (; it != end; ++it) UpdateFromGroup(*it->second);
}

void CNtfsMftAnalyser::SingleMft(const NtfsMftInfo& mft) {
  const std::int64_t cluster = VcnToLcn(mft.extents, 0);
  const std::uint64_t d = candidates_.DeviceSectors();
  std::vector<NtfsCandidatePtr> made;
  if (mft.sectorsPerCluster != 0) {
    if (auto c = MakeCandidateAtCluster(mft.recordSector, cluster, mft.sectorsPerCluster, kFoundSingleMft, d,
                                        sectorSize_))
      made.push_back(std::move(c));
  } else {
    made = MakeCandidatesForAllClusterSizes(mft.recordSector, cluster, kFoundSingleMft, d, sectorSize_);
  }
  for (auto& c : made) {
    UpdateFromGroup(*c);
    if (candidates_.UpdateFoundFlags(*c, kFoundSingleMft, 0)) {
      UpdateMatching(*c);
      return; // the other cluster sizes are not tried
    }
    candidates_.Insert(std::move(c));
  }
}

void CNtfsMftAnalyser::CloseGroup() {
  if (!pendingMft_) {
    ResetGroup();
    return;
  }
  const NtfsMftInfo mft = mfts_[*pendingMft_];
  if (!pendingMirr_) {
    SingleMft(mft);
    ResetGroup();
    return;
  }
  // A pair: the group may be the copy of the first records at the
  // $MFTMirr's clusters.
  pairs_.emplace_back(mft.recordSector, pendingMirr_->recordSector);
  const std::int64_t mirrCluster = VcnToLcn(pendingMirr_->dataRuns, 0);
  NtfsCandidatePtr made;
  if (mft.sectorsPerCluster != 0 && mirrCluster >= 0)
    made = MakeCandidateAtCluster(mft.recordSector, mirrCluster, mft.sectorsPerCluster, kFoundMftMirr,
                                  candidates_.DeviceSectors(), sectorSize_);
  if (!made) {
    SingleMft(mft);
  } else {
    const std::int64_t mftCluster = VcnToLcn(mft.extents, 0);
    const std::uint64_t spc = mft.sectorsPerCluster;
    bool realSeen = false;
    if (mftCluster >= 0 && static_cast<std::uint64_t>(mftCluster) <= (kNoSector - made->GetStartSector()) / spc) {
      const std::uint64_t realMft = made->GetStartSector() + static_cast<std::uint64_t>(mftCluster) * spc;
      realSeen = pairMftSectors_.count(realMft) != 0;
    }
    if (realSeen) {
      // The volume's own $MFT was met as a pair before: proven by both.
      auto [it, end] = candidates_.Matching(NtfsCandidateMap::KeyOf(*made));
      for (; it != end; ++it)
        it->second->m_nFoundFlags = (it->second->m_nFoundFlags & ~kFoundSingleMft) | kFoundMftPair;
    } else if (candidates_.UpdateFoundFlags(*made, kFoundMftMirr, 0)) {
      UpdateMatching(*made);
    } else {
      SingleMft(mft);
    }
  }
  pairMftSectors_.insert(mft.recordSector);
  ResetGroup();
}

void CNtfsMftAnalyser::ResetGroup() {
  pendingMft_.reset();
  pendingMirr_.reset();
  lastMft_ = kNoSector;
  bitmapClusters_ = kNoNumber;
}

} // namespace qm
