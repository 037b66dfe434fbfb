// Pages of the NTFS $LogFile: the two restart pages ("RSTR") at its start
// and the log record pages ("RCRD") after them. The deep scan uses both as
// evidence of a volume whose boot sector is gone: their positions tie the
// $LogFile record's clusters to a partition start.
#pragma once

#include "platform/byte_view.h"

namespace qm::logfile {
inline constexpr std::size_t kPageBytes = 4096;
inline constexpr std::size_t kStride = 512;
inline constexpr std::size_t kStrides = kPageBytes / kStride;

// Log record page header.
inline constexpr std::size_t kMagic = 0x00;     // "RCRD" / "RSTR"
inline constexpr std::size_t kUsaOffset = 0x04; // u16
inline constexpr std::size_t kUsaCount = 0x06;  // u16
inline constexpr std::uint16_t kRcrdUsaOffset = 40;
inline constexpr std::uint16_t kRcrdUsaCount = kStrides + 1;

// Restart page: its update-sequence number, and the client name of the
// restart area that NTFS writes ("NTFS" in UTF-16).
inline constexpr std::size_t kRstrSequence = 0x1E; // u16
inline constexpr std::size_t kRstrClientName = 0x90;
} // namespace qm::logfile

bool IsRcrdMagic(qm::ByteView page);
// "RCRD", an update-sequence count of 9 at offset 40, and the last two
// bytes of each of the eight 512-byte strides equal to the sequence number.
bool IsValidRcrdPage(qm::ByteView page);

bool IsRstrMagic(qm::ByteView page);
// At least 4096 bytes, "RSTR", the client name "NTFS" at 0x90, and the
// last two bytes of each of the eight strides equal to the u16 at 0x1E.
bool IsValidRstrPage(qm::ByteView page);
