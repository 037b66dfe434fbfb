// The $AttrDef and $UpCase evidence of the NTFS deep scan: sectors whose
// bytes equal the standard contents of those system files, and the records
// of the files themselves. At the end of a sweep a candidate partition
// counts the matching sectors that lie inside the file's data as its
// geometry places it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ntfs/ntfs_scan_evidence.h"
#include "platform/byte_view.h"

class CSearchedNTFSPartitionInfo;

namespace qm {

class CNtfsTemplateMatcher {
public:
  enum class Kind { kAttrDef, kUpCase };

  // sectorSize: the scanned device's (a multiple of 512).
  CNtfsTemplateMatcher(Kind kind, std::uint32_t sectorSize);

  // Compares every 512-byte stride of one device sector with the templates
  // and notes the strides that equal one.
  void MatchTemplates(std::uint64_t sector, ByteView bytes);
  // The system file's own record (fixed up or protected).
  void AddSystemRecord(std::uint64_t sector, std::span<std::uint8_t> record);
  bool IsRecordListFull() const { return records_.size() >= kEvidenceListCap; }
  // Sets the candidate's match count and system-file sector.
  void SetTemplateMatch(CSearchedNTFSPartitionInfo& candidate);
  // Before the joins: the record list in sector order.
  void Finish() { SortBySector(records_); }

  const NtfsSectorRunList& Matches() const { return matches_; }
  const std::vector<NtfsSystemFileInfo>& Records() const { return records_; }

private:
  bool MatchesStride(ByteView stride) const;

  Kind kind_;
  std::uint32_t sectorSize_;
  std::uint64_t unitsPerSector_;
  // The $UpCase template whose second byte is b although it is not
  // template b (-1 for none): a sector whose first code unit changes case.
  std::int16_t upCaseByOtherByte_[256];
  std::vector<NtfsSystemFileInfo> records_;
  NtfsSectorRunList matches_;
};

} // namespace qm
