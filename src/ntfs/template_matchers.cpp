#include "ntfs/template_matchers.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "ntfs/ntfs_partition_info.h"
#include "ntfs/ntfs_templates.h"

namespace qm {
namespace {

// System-file numbers of the two files: the record lies this many records
// after the $MFT's own.
constexpr std::uint64_t kAttrDefNumber = 4;
constexpr std::uint64_t kUpCaseNumber = 10;

std::uint64_t Head(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

bool SameStride(const std::uint8_t* a, ByteView t) {
  // The first eight bytes turn away almost every sector before the
  // full comparison.
  return Head(a) == Head(t.data()) && std::memcmp(a, t.data(), ntfs_templates::kSectorBytes) == 0;
}

} // namespace

CNtfsTemplateMatcher::CNtfsTemplateMatcher(Kind kind, std::uint32_t sectorSize)
    : kind_(kind), sectorSize_(sectorSize == 0 || sectorSize % 512 != 0 ? 512 : sectorSize),
      unitsPerSector_(sectorSize_ / 512) {
  // Template k is looked for where a sector's second byte is k, which
  // holds wherever the table maps a sector's first code unit to itself.
  // Where it does not (the Georgian capitals at 0x2D00 map to 0x10A0),
  // the template is looked for under the byte it starts with as well, so
  // that every sector of the table can match.
  std::fill(std::begin(upCaseByOtherByte_), std::end(upCaseByOtherByte_), std::int16_t{-1});
  if (kind_ != Kind::kUpCase) return;
  for (std::size_t k = 0; k < ntfs_templates::kUpCaseTemplates; ++k) {
    const std::uint8_t b = ntfs_templates::UpCaseTemplate(k).u8(1);
    if (b != k) upCaseByOtherByte_[b] = static_cast<std::int16_t>(k);
  }
}

bool CNtfsTemplateMatcher::MatchesStride(ByteView stride) const {
  const std::uint8_t* p = stride.data();
  if (kind_ == Kind::kUpCase) {
    if (SameStride(p, ntfs_templates::UpCaseTemplate(p[1]))) return true;
    const std::int16_t other = upCaseByOtherByte_[p[1]];
    return other >= 0 && SameStride(p, ntfs_templates::UpCaseTemplate(static_cast<std::size_t>(other)));
  }
  for (std::size_t k = 0; k < ntfs_templates::kAttrDefTemplates; ++k)
    if (SameStride(p, ntfs_templates::AttrDefTemplate(k))) return true;
  return false;
}

void CNtfsTemplateMatcher::MatchTemplates(std::uint64_t sector, ByteView bytes) {
  for (std::uint64_t unit = 0; unit < unitsPerSector_; ++unit) {
    if (!bytes.has(unit * 512, 512)) return;
    if (MatchesStride(bytes.sub(unit * 512, 512))) matches_.Add(sector * unitsPerSector_ + unit);
  }
}

void CNtfsTemplateMatcher::AddSystemRecord(std::uint64_t sector, std::span<std::uint8_t> record) {
  if (IsRecordListFull()) return;
  if (auto info = MakeSystemFileInfo(record, sector, sectorSize_)) records_.push_back(std::move(*info));
}

void CNtfsTemplateMatcher::SetTemplateMatch(CSearchedNTFSPartitionInfo& c) {
  const std::uint64_t number = kind_ == Kind::kAttrDef ? kAttrDefNumber : kUpCaseNumber;
  const std::uint64_t perRecord = c.GetSectorsPerFileRecord() > 0 ? c.GetSectorsPerFileRecord() : 1;
  const NtfsSystemFileInfo* found = FindSystemRecordOf(
      records_, c.m_u64MftSector, number * perRecord, c.GetStartSector(), CandidateEnd(c));
  std::uint64_t& sectorField = kind_ == Kind::kAttrDef ? c.m_u64AttrDefSector : c.m_u64UpCaseSector;
  std::uint64_t& matchField = kind_ == Kind::kAttrDef ? c.m_u64AttrDefMatches : c.m_u64UpCaseMatches;
  if (found == nullptr) {
    matchField = 0;
    return;
  }
  sectorField = found->recordSector;
  matchField = CountUnitsInRuns(matches_, found->dataRuns, c.GetStartSector(), c.GetSectorsPerCluster(),
                                unitsPerSector_);
}

} // namespace qm
