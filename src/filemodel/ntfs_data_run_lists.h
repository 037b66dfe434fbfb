// The two run lists of an NTFS file: the clusters of a non-resident
// attribute, and the place inside the MFT record of a resident one. They
// live beside the file model because saved results unpack every packed
// extent list into them.
#pragma once

#include <cstdint>

#include "filemodel/data_run_list.h"
#include "platform/byte_view.h"

// The runs of a non-resident attribute in VCN order; starts are LCNs
// relative to the partition start, kSparseRunStart for a sparse run.
class CNoneResidentNTFSDataRunList : public IDataRunList {
public:
  std::uint32_t GetKind() const override { return qm::kRunListNtfsNonResident; }

  // Appends the runs that the mapping pairs describe. Decoding stops at the
  // 0 byte, at the end of the bytes, at an entry that runs past the end and
  // at a size nibble above 8; what was decoded before stays. Returns 1.
  int ParseMappingPairs(qm::ByteView bytes);
  int ParseMappingPairs(const std::uint8_t* bytes, std::uint64_t length) {
    return ParseMappingPairs(qm::ByteView(bytes, static_cast<std::size_t>(length)));
  }
};

// Exactly one run, (absolute sector of the MFT record, 1), plus the byte
// offset of the attribute's value from the start of that sector.
class CResidentNTFSDataRunList : public IDataRunList {
public:
  int IsResident() const override { return 1; }
  std::uint32_t GetResidentValue() const override { return residentOffset_; }
  // The base record, then the offset as 4 bytes.
  int Save(IRSData* stream) const override;
  int Load(IRSData* stream) override;
  std::uint32_t GetKind() const override { return qm::kRunListNtfsResident; }

  // Appends the single run and sets the offset.
  void SetResidentData(std::uint64_t recordSector, std::uint64_t count, std::uint32_t residentOffset);

private:
  std::uint32_t residentOffset_ = 0;
};
