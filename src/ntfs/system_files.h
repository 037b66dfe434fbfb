// Recognising the NTFS system files by the first name of their record, the
// volume label of the $Volume record, and the cluster size guessed from a
// $MFT record found without its boot sector.
#pragma once

#include <cstdint>
#include <span>

#include "ntfs/data_runs.h"
#include "ntfs/mft_record.h"
#include "platform/byte_view.h"

// The system-file number whose name the record's first $FILE_NAME carries
// (exact, letter case significant), or -1. Extension records have none.
int GetSystemFileNumber(const CNTFSFileRecordView& view);
// The same, and $STANDARD_INFORMATION marks the file hidden and system.
bool IsSystemFileRecord(const CNTFSFileRecordView& view);
// The same over a record that is already fixed up (and known valid).
bool IsSystemFileRecord(qm::ByteView fixedRecord);
// The same over a checked record's attribute table.
bool IsSystemFileRecord(const qm::NtfsAttributeTable& attributes);

bool IsMftFileRecord(const CNTFSFileRecordView& view);
bool IsMftMirrFileRecord(const CNTFSFileRecordView& view);
bool IsLogFileFileRecord(const CNTFSFileRecordView& view);
bool IsVolumeFileRecord(const CNTFSFileRecordView& view);
bool IsBitmapFileRecord(const CNTFSFileRecordView& view);
bool IsAttrDefFileRecord(const CNTFSFileRecordView& view);
bool IsUpCaseFileRecord(const CNTFSFileRecordView& view);
// Buffer forms: a view over the first 1024 bytes of the buffer.
bool IsMftFileRecord(std::span<std::uint8_t> record);
bool IsMftMirrFileRecord(std::span<std::uint8_t> record);
bool IsLogFileFileRecord(std::span<std::uint8_t> record);
bool IsVolumeFileRecord(std::span<std::uint8_t> record);
bool IsBitmapFileRecord(std::span<std::uint8_t> record);
bool IsAttrDefFileRecord(std::span<std::uint8_t> record);
bool IsUpCaseFileRecord(std::span<std::uint8_t> record);

inline constexpr std::size_t kVolumeLabelBytes = 80;
// Writes the label of a $Volume record as UTF-8 into the 80-byte output,
// always terminated and cut at a whole character when it is longer. Leaves
// the output as it was (and returns false) when the record is not a sound
// $Volume record or its label does not end inside the first 1024 bytes.
bool GetVolumeLabelFromRecord(std::span<std::uint8_t> record, char (&label)[kVolumeLabelBytes]);

// The runs of the unnamed $DATA pieces of a record, each moved by its first
// VCN, and the real size of the piece that starts at VCN 0. Fails at a
// zero-length or unnamed resident $DATA and, with checkLengths, at an
// uncompressed piece whose run lengths do not add up to its VCN range.
bool CollectUnnamedDataRuns(qm::ByteView record, bool checkLengths, qm::NtfsRunList& runs,
                            std::uint64_t& realSize);

// Sectors per cluster (1 to 128) that make the $MFT record's runs hold its
// real size, or 0. sectorSize is the scanned device's (512 when unknown or
// not a multiple of 512).
unsigned GuessSectorsPerClusterFromMftRecord(qm::ByteView record, std::uint32_t sectorSize = 512);
