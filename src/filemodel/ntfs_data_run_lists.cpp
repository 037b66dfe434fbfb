#include "filemodel/ntfs_data_run_lists.h"

#include "filemodel/mapping_pairs.h"
#include "filemodel/rs_data.h"

int CNoneResidentNTFSDataRunList::ParseMappingPairs(qm::ByteView bytes) {
  qm::MappingPairsReader reader(bytes);
  DataRunEntry run;
  while (reader.Next(run))
    AddRun(run);
  return 1;
}

void CResidentNTFSDataRunList::SetResidentData(std::uint64_t recordSector, std::uint64_t count,
                                               std::uint32_t residentOffset) {
  AddRun(recordSector, count);
  residentOffset_ = residentOffset;
}

int CResidentNTFSDataRunList::Save(IRSData* stream) const {
  IDataRunList::Save(stream);
  qm::RSWrite(*stream, residentOffset_);
  return 1;
}

int CResidentNTFSDataRunList::Load(IRSData* stream) {
  IDataRunList::Load(stream);
  residentOffset_ = qm::RSRead<std::uint32_t>(*stream);
  return 1;
}
