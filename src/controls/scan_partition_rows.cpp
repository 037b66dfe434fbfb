#include "controls/scan_partition_rows.h"

#include <QtCore/QCoreApplication>

#include "app/format_text.h"
#include "fatext2/fat_partition_info.h"
#include "ntfs/ntfs_partition_info.h"
#include "storage/searched_partition_info.h"

namespace qm {
namespace {

enum Family { kNtfs, kFat, kExt, kOther };

Family FamilyOf(std::uint32_t fs) {
  if (fs == 3) return kNtfs;
  if (fs <= 2) return kFat;
  if (fs == 4 || fs == 5) return kExt;
  return kOther;
}

CSearchedNTFSPartitionInfo* AsNtfs(CSearchedPartitionInfo* p) {
  return p && p->GetKind() == kPartitionKindNtfs ? static_cast<CSearchedNTFSPartitionInfo*>(p) : nullptr;
}

CFATSearchedPartitionInfo* AsFat(CSearchedPartitionInfo* p) {
  return p && p->GetKind() == kPartitionKindFat ? static_cast<CFATSearchedPartitionInfo*>(p) : nullptr;
}

std::uint32_t Clamp32(std::uint64_t v) {
  return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(v);
}

} // namespace

Suggestion SuggestionOf(double rank, double threshold) {
  if (rank > 0.99) return Suggestion::High;
  if (rank >= threshold) return Suggestion::Medium;
  return Suggestion::Low;
}

const char* SuggestionText(Suggestion s) {
  switch (s) {
  case Suggestion::High:
    return QT_TRANSLATE_NOOP("CMultipleChoosePartitionListCtrl", "High");
  case Suggestion::Medium:
    return QT_TRANSLATE_NOOP("CMultipleChoosePartitionListCtrl", "Medium");
  default:
    return QT_TRANSLATE_NOOP("CMultipleChoosePartitionListCtrl", "Low");
  }
}

double ComputeThreshold(const std::vector<ScanPartitionEntry>& entries) {
  double lowest = 0.99, highest = 0.0;
  bool any = false;
  for (const ScanPartitionEntry& e : entries) {
    if (e.score > 0.99) continue;
    any = true;
    if (e.score < lowest) lowest = e.score;
    if (e.score > highest) highest = e.score;
  }
  if (!any || highest < lowest) return 0.5;
  return (lowest + highest) / 2.0;
}

void SelectBestPartition(std::vector<ScanPartitionEntry>& entries) {
  ScanPartitionEntry* best = nullptr;
  for (ScanPartitionEntry& e : entries) {
    e.level = 0;
    if (e.score > 0.0 && (!best || e.score > best->score)) best = &e;
  }
  if (best) best->level = 1;
}

unsigned CountMarkedAfterFirst(const std::vector<ScanPartitionEntry>& entries) {
  for (std::size_t i = 1; i < entries.size(); ++i)
    if (entries[i].partition && entries[i].partition->GetChosen()) return 2;
  return 1;
}

bool PrecheckRow(std::uint32_t kind, unsigned alreadyChecked, unsigned limit) {
  return kind == 1 && alreadyChecked < limit;
}

std::vector<IntelligentPartitionResult> BuildPartitionRows(const std::vector<ScanPartitionEntry>& entries) {
  std::vector<IntelligentPartitionResult> rows;
  std::size_t perFamily[4] = {};
  int number = 0;
  for (const ScanPartitionEntry& e : entries) {
    ++number;
    CSearchedPartitionInfo* p = e.partition;
    if (!p) continue;
    const std::uint32_t fs = p->GetFileSystemType();
    const Family family = FamilyOf(fs);
    if (perFamily[family] >= kMaxRowsPerKind) continue;
    ++perFamily[family];

    IntelligentPartitionResult r;
    r.name = QCoreApplication::translate("CMultipleChoosePartitionListCtrl", "Partition %1 %2")
                 .arg(number)
                 .arg(QString::fromStdString(GetFileSystemTypeName(fs)))
                 .toStdString();
    r.fileSystem = fs;
    r.filesMatched = Clamp32(p->GetFilesMatched());
    r.foldersMatched = Clamp32(p->GetFoldersMatched());
    r.rank = e.score;
    r.kind = (e.level == 1 || e.level == 2) ? e.level : 0;
    r.bytesPerSector = p->GetBytesPerSector();
    r.partition = p;
    const std::uint64_t start = p->GetStartSector();
    const std::uint64_t size = p->GetSectorCount();
    // The last sector is inclusive for every file system (start + size
    // would make two adjacent partitions overlap in the layout); a size of
    // 0 shows the start alone rather than wrapping below it.
    const std::uint64_t last = size ? start + size - 1 : start;
    switch (family) {
    case kNtfs:
      r.firstSector = start;
      r.lastSector = last;
      if (auto* ntfs = AsNtfs(p); ntfs && ntfs->m_u64MftSector != CSearchedNTFSPartitionInfo::kUnknown)
        r.options.push_back(
            {ntfs->m_bFilesFromMftOnly, QT_TRANSLATE_NOOP("CMultipleChoosePartitionListCtrl", "$MFT Only")});
      break;
    case kFat:
      r.firstSector = start;
      r.lastSector = last;
      if (auto* fat = AsFat(p)) {
        const std::uint32_t flags = fat->GetFlags();
        if (flags & kFatFoundFat1) r.options.push_back({(flags & kFatUseFat1) ? 1u : 0u, "FAT1"});
        if (flags & kFatFoundFat2) r.options.push_back({(flags & kFatUseFat2) ? 1u : 0u, "FAT2"});
      }
      break;
    case kExt:
      r.firstSector = start;
      r.lastSector = last;
      break;
    case kOther:
      break;
    }
    rows.push_back(std::move(r));
  }
  return rows;
}

bool ApplyPartitionOption(CSearchedPartitionInfo* partition, unsigned cell, unsigned part, bool checked) {
  if (cell != 3 || part >= 2 || !partition) return false;
  const std::uint32_t fs = partition->GetFileSystemType();
  if (fs == 3) {
    auto* ntfs = AsNtfs(partition);
    if (!ntfs || part != 0 || ntfs->m_u64MftSector == CSearchedNTFSPartitionInfo::kUnknown) return false;
    ntfs->m_bFilesFromMftOnly = checked ? 1 : 0;
    return true;
  }
  if (fs <= 2) {
    auto* fat = AsFat(partition);
    if (!fat) return false;
    const std::uint32_t flags = fat->GetFlags();
    std::uint32_t bit = 0;
    if (part == 0 && (flags & kFatFoundFat1))
      bit = kFatUseFat1;
    else if ((part == 0 && !(flags & kFatFoundFat1)) || (part == 1 && (flags & kFatFoundFat2)))
      bit = kFatUseFat2;
    if (!bit) return false;
    fat->SetFlags(checked ? (flags | bit) : (flags & ~bit));
    return true;
  }
  return false;
}

} // namespace qm
