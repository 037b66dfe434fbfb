// Small text functions that the pages, dialogs and controls share: the
// program's folder, path roots, file-system names, sizes and dates, and the
// detail rows of a found partition.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CSearchedPartitionInfo;
class CSearchedNTFSPartitionInfo;

// 1 and the folder of the running program, ending in '/'; 0 when buffer is
// null, size is not positive, the path cannot be read or does not fit.
int GetModuleDirectory(char* buffer, int size);

// The root of a stored Windows path: "C:\" for a drive path, "\\server\share\"
// for a network path, "" for anything else (returns 1). Returns 0 and leaves
// out untouched for a null path or one of length 1 or more than 260. out
// must hold 520 bytes.
int GetPathRoot(const char* path, char* out);

// "FAT12", "FAT16", "FAT32", "NTFS", "EXT2", "EXT3", "RAW", "Unknown" for
// 0 to 7, "" for any other kind.
std::string GetFileSystemTypeName(unsigned kind);

// Two decimals and a unit: TB from 1024^4 bytes, GB from 1024^3, MB from
// 1024^2, else (and for negative values) KB; there is no byte unit.
std::string FormatSizeText(std::int64_t bytes);

// The size text of a sector count; a sector size of 0 or not a multiple of
// 512 counts as 512. A product past the 64-bit range shows as the largest
// size.
std::string FormatSectorsSize(std::uint64_t sectors, unsigned bytesPerSector);

// "%d-%d-%d %d:%d:%d" (year, month, day, hour, minute, second; no leading
// zeros) of a file time (100 ns units since 1601-01-01, UTC, not converted
// to local time). Every 64-bit value gives a date.
std::string FormatDateTime(std::uint64_t fileTime);

namespace qm {

// One row of a found partition's two-column property list.
struct DetailRow {
    std::string label;
    std::string value;
    friend bool operator==(const DetailRow&, const DetailRow&) = default;
};

// The nine "found by" rows of an NTFS partition: "Yes" for a set flag bit
// (0 to 8), "-" otherwise.
std::vector<DetailRow> NtfsFoundByRows(unsigned flags);

// The found-by rows, then the NTFS values of the partition.
std::vector<DetailRow> NtfsPartitionDetails(const CSearchedNTFSPartitionInfo& partition);

// Sector count, data area start sector and sectors per cluster, for any
// other file system.
std::vector<DetailRow> PartitionDetails(const CSearchedPartitionInfo& partition);

}  // namespace qm
