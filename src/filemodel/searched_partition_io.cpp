// The virtual functions of the found-partition record, among them its
// stream I/O. They live in the file model library because the stream
// (IRSData) does; the record type itself is declared with the storage code.
#include <cstdint>

#include "filemodel/rs_data.h"
#include "storage/searched_partition_info.h"

CSearchedPartitionInfo::~CSearchedPartitionInfo() = default;

int CSearchedPartitionInfo::GetKind() { return kPartitionKindBase; }

int CSearchedPartitionInfo::Save(IRSData* stream) {
  if (stream == nullptr) return 0;
  std::uint8_t record[qm::kSearchedPartitionRecordSize];
  qm::EncodeSearchedPartition(*this, record);
  return stream->Write(record, sizeof record) ? 1 : 0;
}

int CSearchedPartitionInfo::Load(IRSData* stream) {
  if (stream == nullptr) return 0;
  std::uint8_t record[qm::kSearchedPartitionRecordSize];
  // A short section raises from inside Read; nothing is changed then.
  if (!stream->Read(record, sizeof record)) return 0;
  qm::DecodeSearchedPartition(qm::ByteView(record, sizeof record), *this);
  return 1;
}
