// The NTFS side of a found file's extents: turning the runs of its $DATA
// attributes into the run lists of the file model, gathering a file's size,
// compression / encryption bits and packed extents while a tree is built,
// and reading resident content and the $LOGGED_UTILITY_STREAM.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "filemodel/ntfs_data_run_lists.h"
#include "filemodel/packed_data_run_list.h"
#include "ntfs/data_runs.h"
#include "ntfs/ntfs_file_record.h"
#include "storage/storage_device.h"

// A non-resident run list with the LCN and length of every decoded run, and
// the sum of the lengths; null (and 0) for no runs.
std::unique_ptr<CNoneResidentNTFSDataRunList> BuildNonResidentRunList(const qm::NtfsRunList& runs,
                                                                      std::uint64_t* totalClusters);

// A resident run list: the run (record sector, 1) and the offset of the
// value from the start of that sector. attributeOffset is the attribute's
// offset from the start of the record's sector.
std::unique_ptr<CResidentNTFSDataRunList> BuildResidentRunList(qm::ByteView attribute,
                                                               std::uint64_t recordSector,
                                                               std::uint32_t attributeOffset,
                                                               std::uint64_t* valueLength);

namespace qm {
// What CollectFileDataRuns fills of a file's information.
struct NtfsFileExtents {
  std::int64_t size = 0;        // in: the size so far (from $FILE_NAME); out: the data size
  std::uint16_t attributes = 0; // gains 0x800 compressed or 0x40 encrypted
  std::unique_ptr<CPackedDataRunList> extents;
};
} // namespace qm

// Gathers the unnamed $DATA of a file from its base and extension records:
// a resident value gives a resident list and its length; non-resident
// pieces give their runs in VCN order and the real size of the first piece.
// With bytesPerCluster (a multiple of 512) the size is cut to the clusters
// held. Named $DATA (streams) are passed over.
void CollectFileDataRuns(CNTFSFileRecord& record, std::uint64_t bytesPerCluster, qm::NtfsFileExtents& info);

// The resident content of the record's first unnamed $DATA, copied when it
// fits the buffer; its length, or nothing.
std::optional<std::uint64_t> NtfsReadResidentFileData(CNTFSFileRecord& record,
                                                      std::span<std::uint8_t> buffer);

// The content of the record's $LOGGED_UTILITY_STREAM, accepted only when
// its first 8 bytes state its own size (as a u64 when non-resident, as a u32
// and a zero u32 when resident); its length, or nothing.
std::optional<std::uint64_t> ReadNtfsFileStreamForRecovery(CNTFSFileRecord& record,
                                                           std::span<std::uint8_t> buffer,
                                                           std::uint64_t firstSector,
                                                           std::uint32_t sectorsPerCluster,
                                                           IStorageDevice& device);

// length bytes of resident content that a resident run list points at: the
// record around the offset is read from the device and fixed up, so the
// bytes come back as the file held them. Nothing when no sound record is
// there or the content would leave it.
std::optional<std::vector<std::uint8_t>>
NtfsReadResidentContent(IStorageDevice& device, const IDataRunList& list, std::uint64_t length);
