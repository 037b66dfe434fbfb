// A partition that a deep scan found on a device (a candidate), with the
// evidence that the intelligent search weighs. The NTFS, FAT and EXT2
// engines derive their own records from it; scan-result files store it.
//
// The stream I/O (Save / Load through IRSData) and the other virtual
// functions are defined in the file model library (filemodel/
// searched_partition_io.cpp), which sits above this one: the storage code
// may hold, read, rank and delete these records, but making one needs the
// file model library linked. The 73-byte base record's encoding lives here.
#pragma once

#include <cstdint>
#include <span>

#include "platform/byte_view.h"

class IRSData;

// File-system type codes of found partitions, volume analysers and
// partition lists. 6 is not used.
enum : std::uint32_t {
  kFsFat12 = 0,
  kFsFat16 = 1,
  kFsFat32 = 2,
  kFsNtfs = 3,
  kFsExt2 = 4,
  kFsExt3 = 5,
  kFsUnknown = 7,
};

// Which engine's record a CSearchedPartitionInfo is.
enum : int {
  kPartitionKindNtfs = 0,
  kPartitionKindFat = 1,
  kPartitionKindExt2 = 2,
  kPartitionKindBase = 3,
};

class CSearchedPartitionInfo {
public:
  // 0, or a value that is not a multiple of 512, is taken as 512.
  explicit CSearchedPartitionInfo(std::uint32_t bytesPerSector = 512)
      : m_nBytesPerSector(NormalizeBytesPerSector(bytesPerSector)) {}
  CSearchedPartitionInfo(const CSearchedPartitionInfo&) = default;
  CSearchedPartitionInfo& operator=(const CSearchedPartitionInfo&) = default;
  virtual ~CSearchedPartitionInfo();

  // 0 NTFS, 1 FAT, 2 EXT2; the base record answers 3.
  virtual int GetKind();
  // Writes the 73-byte base record (a derived record then adds its own
  // fields); Load reads the same. 1 on success; stream errors raise
  // CRSException as the stream does.
  virtual int Save(IRSData* stream);
  virtual int Load(IRSData* stream);

  static std::uint32_t NormalizeBytesPerSector(std::uint32_t bytes) {
    return bytes == 0 || bytes % 512 != 0 ? 512 : bytes;
  }

  std::uint32_t GetFileSystemType() const { return m_nFileSystemType; }
  void SetFileSystemType(std::uint32_t type) { m_nFileSystemType = type; }
  std::uint8_t GetSectorsPerCluster() const { return m_nSectorsPerCluster; }
  void SetSectorsPerCluster(std::uint8_t sectors) { m_nSectorsPerCluster = sectors; }
  // "Data area start sector": where the engine ties the geometry (see the
  // engines' records for what each means by it).
  std::uint64_t GetClusterZeroSector() const { return m_nClusterZeroSector; }
  void SetClusterZeroSector(std::uint64_t sector) { m_nClusterZeroSector = sector; }
  std::uint64_t GetStartSector() const { return m_nStartSector; }
  void SetStartSector(std::uint64_t sector) { m_nStartSector = sector; }
  // Files that confirm the partition (weight 1 in the ranking).
  std::uint64_t GetFilesMatched() const { return m_nFilesMatched; }
  void SetFilesMatched(std::uint64_t count) { m_nFilesMatched = count; }
  // Structures that confirm its geometry (weight 50 in the ranking).
  std::uint64_t GetFoldersMatched() const { return m_nFoldersMatched; }
  void SetFoldersMatched(std::uint64_t count) { m_nFoldersMatched = count; }
  std::uint32_t GetBytesPerSector() const { return m_nBytesPerSector; }
  void SetBytesPerSector(std::uint32_t bytes) { m_nBytesPerSector = bytes; }
  // Stored and loaded, interpreted by nothing.
  std::uint32_t GetAuxValue() const { return m_nAuxValue; }
  void SetAuxValue(std::uint32_t value) { m_nAuxValue = value; }
  std::uint64_t GetSectorCount() const { return m_nSectorCount; }
  void SetSectorCount(std::uint64_t count) { m_nSectorCount = count; }
  std::uint64_t GetScore() const { return m_nScore; }
  void SetScore(std::uint64_t score) { m_nScore = score; }
  double GetWeight() const { return m_dWeight; }
  void SetWeight(double weight) { m_dWeight = weight; }
  // Set by the ranking; the whole-disk flag is not saved.
  std::uint32_t GetWholeDisk() const { return m_nWholeDisk; }
  void SetWholeDisk(std::uint32_t flag) { m_nWholeDisk = flag; }
  std::uint32_t GetChosen() const { return m_nChosen; }
  void SetChosen(std::uint32_t flag) { m_nChosen = flag; }

protected:
  std::uint32_t m_nFileSystemType = kFsUnknown;
  std::uint8_t m_nSectorsPerCluster = 0;
  std::uint64_t m_nClusterZeroSector = 0;
  std::uint64_t m_nStartSector = 0;
  std::uint64_t m_nFilesMatched = 0;
  std::uint64_t m_nFoldersMatched = 0;
  std::uint32_t m_nBytesPerSector = 512;
  std::uint32_t m_nAuxValue = 0;
  std::uint64_t m_nSectorCount = 0;
  std::uint64_t m_nScore = 1;
  double m_dWeight = 0.0;
  std::uint32_t m_nWholeDisk = 0;
  std::uint32_t m_nChosen = 0;
};

namespace qm {

// The base record as stored, fields little-endian, nothing between them:
//    0  4  file-system type           37  4  auxiliary value
//    4  1  sectors per cluster        41  8  sector count
//    5  8  cluster-zero sector        49  8  score
//   13  8  start sector               57  8  weight (IEEE 754 double)
//   21  8  first evidence count       65  4  chosen flag
//   29  8  second evidence count      69  4  bytes per sector
inline constexpr std::size_t kSearchedPartitionRecordSize = 73;

void EncodeSearchedPartition(const CSearchedPartitionInfo& info, std::span<std::uint8_t, kSearchedPartitionRecordSize> out);
// Fills every stored field of info from the record (the whole-disk flag is
// left as it is). A stored bytes-per-sector value that is 0 or not a
// multiple of 512 is read as 512, as the constructor takes it.
void DecodeSearchedPartition(ByteView record, CSearchedPartitionInfo& info);

} // namespace qm
