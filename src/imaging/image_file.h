// The files of a disk image: the index (a 512-byte header, then one u32 per
// block: the end of the block's stored bytes in its part), the part files
// (512 reserved bytes, then the stored blocks back to back) and the part
// list (one full part path per line, ended by CR LF). All integers are
// little-endian.
//
// Header of the index file:
//   offset  size       meaning
//   0       256        source description, NUL-terminated (byte 255 always 0)
//   256     u32        bytes per sector of the source
//   260     u32        compression type (0 none, 1 bzip2, 2 zlib, 3 LZMA)
//   264     u32        source device type (255 unknown)
//   268     u32        number of finished parts
//   272     u32        total number of blocks
//   276     58 x u32   blocks per part
//   508     u32        always 0 (read as the "previous end" of block 0)
//
// Everything read from these files is treated as hostile: counts are
// checked against the format's limits before they size anything, and a
// block's stored range is checked against the block bound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "filemodel/plain_file.h"

namespace qm::image {

inline constexpr std::uint32_t kHeaderSize = 512;
inline constexpr std::uint32_t kDescriptionOffset = 0;
inline constexpr std::uint32_t kDescriptionSize = 260; // the write covers 260 bytes; 256 are its own
inline constexpr std::uint32_t kSectorSizeOffset = 256;
inline constexpr std::uint32_t kCompressionOffset = 260;
inline constexpr std::uint32_t kSourceTypeOffset = 264;
inline constexpr std::uint32_t kPartCountOffset = 268;
inline constexpr std::uint32_t kTotalBlocksOffset = 272;
inline constexpr std::uint32_t kPartBlocksOffset = 276;
inline constexpr std::uint32_t kMaxParts = 58; // the blocks-per-part array ends at 508
inline constexpr std::uint32_t kBlockSectors = 256;
inline constexpr std::uint32_t kUnknownSourceType = 255;
// Part-list lines are read with this limit (a path is at most 259 characters).
inline constexpr std::uint32_t kPartListLineLimit = 270;
// More blocks than this would not fit the 32-bit table offsets.
inline constexpr std::uint32_t kMaxTotalBlocks = (0xFFFFFFFFu - kHeaderSize) / 4;

// The most stored bytes a block of raw length n may take: n + n x 0.2 %.
constexpr std::uint32_t StoredBound(std::uint32_t rawLength) { return rawLength + rawLength / 500; }

// The sector size a header field stands for: a multiple of 512 from 512 to
// 4096, anything else 512.
constexpr std::uint32_t SaneSectorSize(std::uint32_t value) {
  return value >= 512 && value <= 4096 && value % 512 == 0 ? value : 512;
}

// Part n of index <dir>/<stem>.qmi is <dir>/<stem>.part<n>.qmf: the index
// path up to and including its last "." (a "." inside a folder name does not
// count), then "part<n>.qmf"; a name without "." gets ".part<n>.qmf".
std::string MakePartFileName(const std::string& indexPath, std::uint32_t part);
// The part list: the index path with what follows its last "." replaced by
// "qmp"; ".qmp" appended to a name without ".".
std::string PartListPath(const std::string& indexPath);
// A part-list line without its line end: only real trailing CR and LF
// characters go.
std::string StripLineEnd(std::string line);

// Whether the file is an image's index by its content (whatever its name):
// a header whose counts agree with each other and with the file's length.
// A raw image of a disk or a volume is never one: its first sector ends in
// a boot signature, or holds no part table.
bool IsImageIndex(const std::string& path);

class CImageFile {
public:
  static constexpr int kIndexFile = 0;
  static constexpr int kPartFile = 1;

  explicit CImageFile(const std::string& indexPath);
  virtual ~CImageFile();
  CImageFile(const CImageFile&) = delete;
  CImageFile& operator=(const CImageFile&) = delete;

  const std::string& IndexPath() const { return indexPath_; }

  // Opens the index in a CPlainFile mode; mode 3 (create) also writes the
  // empty header. 1 on success, 0 on failure.
  int OpenIndex(int mode);
  // Description (cut to 255 characters), bytes per sector, compression
  // type and source type into the header.
  int WriteHeader(const std::string& description, std::uint32_t sourceType, std::uint32_t compressionType,
                  std::uint32_t bytesPerSector);
  // Records a finished part. 0 (nothing written) when the header cannot be
  // read or already holds the most parts the format has room for.
  int UpdatePartTable(std::uint32_t partCount, std::uint32_t blocksInPart, std::uint32_t bytesInPart);

  std::uint32_t GetSectorSize();
  std::uint32_t GetCompressionType();
  std::uint32_t GetPartCount();
  std::uint32_t GetTotalBlocks();
  std::uint32_t GetSourceDeviceType();
  // The 256 description bytes up to the first NUL.
  std::string GetSourceDescription();
  // The blocks-per-part entries of the first `parts` parts (at most 58).
  std::vector<std::uint32_t> GetPartBlockCounts(std::uint32_t parts);

  // The stored bytes of block n: their offset in the part file, or -1 when
  // the index is not open, the entries cannot be read or they describe no
  // sane range (an end below the previous end inside a part, or a length
  // above the bound for rawLength bytes). firstInPart says that the block
  // begins its part, so that its bytes start at 512 whatever the entry
  // before it holds.
  std::int64_t GetBlockLocation(std::uint32_t block, bool firstInPart, std::uint32_t rawLength,
                                std::uint32_t& length);
  // Entry n of the block table.
  int WriteBlockEnd(std::uint32_t block, std::uint32_t end);

  // Bytes read; for a write 1 only when all were written.
  std::uint32_t ReadAt(void* buffer, std::uint64_t offset, std::uint32_t length, int file);
  int WriteAt(const void* buffer, std::uint64_t offset, std::uint32_t length, int file);

  int OpenPartList(int mode);
  // Mode 3: creates part n at `namingPath`'s part name and appends its
  // path to the part list. Other modes: opens the part that line n of the
  // part list names (nothing is done for the part already open).
  int OpenPart(const std::string& namingPath, std::uint32_t part, int mode);
  // The path that line n of the part list names; empty when the list
  // cannot be read or ends before it.
  std::string PartPath(std::uint32_t part);
  void ClosePart();

private:
  bool ReadHeader(std::uint8_t (&header)[kHeaderSize]);
  std::uint32_t HeaderWord(std::uint32_t offset);

  CPlainFile part_;
  CPlainFile index_;
  std::string indexPath_;
  CPlainFile partList_;
  std::int32_t openPart_ = -1;
  std::int32_t sectorSize_ = -1;
};

} // namespace qm::image
