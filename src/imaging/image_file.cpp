#include "imaging/image_file.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_view.h"

namespace qm::image {

namespace {

void PutLe32(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
  at[2] = static_cast<std::uint8_t>(value >> 16);
  at[3] = static_cast<std::uint8_t>(value >> 24);
}

// Where the name part of a path begins (after its last "/").
std::size_t NameStart(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

// The position of the last "." of the file name, or npos.
std::size_t LastDot(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  return dot == std::string::npos || dot < NameStart(path) ? std::string::npos : dot;
}

// Longest part-list line read: a path of the system's longest length and
// its CR LF. A longer line is no path of ours.
constexpr std::uint32_t kLineRoom = 4096 + 2;

} // namespace

std::string MakePartFileName(const std::string& indexPath, std::uint32_t part) {
  const std::size_t dot = LastDot(indexPath);
  const std::string stem = dot == std::string::npos ? indexPath + "." : indexPath.substr(0, dot + 1);
  return stem + "part" + std::to_string(part) + ".qmf";
}

std::string PartListPath(const std::string& indexPath) {
  const std::size_t dot = LastDot(indexPath);
  return (dot == std::string::npos ? indexPath + "." : indexPath.substr(0, dot + 1)) + "qmp";
}

std::string StripLineEnd(std::string line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.pop_back();
  }
  return line;
}

CImageFile::CImageFile(const std::string& indexPath) : indexPath_(indexPath) {}

CImageFile::~CImageFile() {
  partList_.Close();
  index_.Close();
  part_.Close();
}

int CImageFile::OpenIndex(int mode) {
  if (!index_.Open(indexPath_.c_str(), mode)) {
    return 0;
  }
  if (mode == CPlainFile::kCreateAlways) {
    const std::uint8_t empty[kHeaderSize] = {};
    return WriteAt(empty, 0, kHeaderSize, kIndexFile);
  }
  return 1;
}

int CImageFile::WriteHeader(const std::string& description, std::uint32_t sourceType,
                            std::uint32_t compressionType, std::uint32_t bytesPerSector) {
  std::uint8_t text[kDescriptionSize] = {};
  std::memcpy(text, description.data(), std::min<std::size_t>(description.size(), 255));
  std::uint8_t fields[12];
  PutLe32(fields, bytesPerSector);
  PutLe32(fields + 4, compressionType);
  PutLe32(fields + 8, sourceType);
  return WriteAt(text, kDescriptionOffset, 256, kIndexFile) &&
         WriteAt(fields, kSectorSizeOffset, 12, kIndexFile);
}

bool CImageFile::ReadHeader(std::uint8_t (&header)[kHeaderSize]) {
  std::memset(header, 0, kHeaderSize);
  return index_.IsOpen() && ReadAt(header, 0, kHeaderSize, kIndexFile) == kHeaderSize;
}

std::uint32_t CImageFile::HeaderWord(std::uint32_t offset) {
  std::uint8_t header[kHeaderSize];
  ReadHeader(header); // a failed read leaves zeros
  return ByteView(header, kHeaderSize).le32(offset);
}

int CImageFile::UpdatePartTable(std::uint32_t partCount, std::uint32_t blocksInPart,
                                std::uint32_t /*bytesInPart*/) {
  std::uint8_t header[kHeaderSize];
  if (!ReadHeader(header)) {
    return 0;
  }
  const ByteView view(header, kHeaderSize);
  const std::uint32_t old = view.le32(kPartCountOffset);
  // A 59th entry would land on the table's first word at 508.
  if (old >= kMaxParts || partCount > kMaxParts) {
    return 0;
  }
  PutLe32(header + kPartCountOffset, partCount);
  PutLe32(header + kTotalBlocksOffset, view.le32(kTotalBlocksOffset) + blocksInPart);
  PutLe32(header + kPartBlocksOffset + 4 * old, blocksInPart);
  return WriteAt(header, 0, kHeaderSize, kIndexFile);
}

std::uint32_t CImageFile::GetSectorSize() {
  if (sectorSize_ > 0) {
    return static_cast<std::uint32_t>(sectorSize_);
  }
  std::uint8_t header[kHeaderSize];
  const std::uint32_t stored =
      ReadHeader(header) ? ByteView(header, kHeaderSize).le32(kSectorSizeOffset) : 512;
  sectorSize_ = static_cast<std::int32_t>(SaneSectorSize(stored));
  return static_cast<std::uint32_t>(sectorSize_);
}

std::uint32_t CImageFile::GetCompressionType() { return HeaderWord(kCompressionOffset); }
std::uint32_t CImageFile::GetPartCount() { return HeaderWord(kPartCountOffset); }
std::uint32_t CImageFile::GetTotalBlocks() { return HeaderWord(kTotalBlocksOffset); }

std::uint32_t CImageFile::GetSourceDeviceType() {
  std::uint8_t header[kHeaderSize];
  return ReadHeader(header) ? ByteView(header, kHeaderSize).le32(kSourceTypeOffset) : kUnknownSourceType;
}

std::string CImageFile::GetSourceDescription() {
  std::uint8_t header[kHeaderSize];
  ReadHeader(header);
  const char* text = reinterpret_cast<const char*>(header);
  return std::string(text, strnlen(text, 256));
}

std::vector<std::uint32_t> CImageFile::GetPartBlockCounts(std::uint32_t parts) {
  std::uint8_t header[kHeaderSize];
  ReadHeader(header);
  const ByteView view(header, kHeaderSize);
  std::vector<std::uint32_t> counts(std::min(parts, kMaxParts));
  for (std::uint32_t p = 0; p < counts.size(); ++p) {
    counts[p] = view.le32(kPartBlocksOffset + 4 * p);
  }
  return counts;
}

std::int64_t CImageFile::GetBlockLocation(std::uint32_t block, bool firstInPart, std::uint32_t rawLength,
                                          std::uint32_t& length) {
  length = 0;
  if (!index_.IsOpen() || block >= kMaxTotalBlocks) {
    return -1;
  }
  // Entry n - 1 (the word at 508 for block 0) and entry n.
  std::uint8_t words[8] = {};
  const std::uint64_t at = kHeaderSize - 4 + 4 * static_cast<std::uint64_t>(block);
  if (ReadAt(words, at, 8, kIndexFile) != 8) {
    return -1;
  }
  const ByteView view(words, 8);
  const std::uint32_t previous = firstInPart ? 0 : view.le32(0);
  const std::uint32_t end = view.le32(4);
  if (end < previous || end - previous > StoredBound(rawLength)) {
    return -1;
  }
  length = end - previous;
  return static_cast<std::int64_t>(previous) + kHeaderSize;
}

int CImageFile::WriteBlockEnd(std::uint32_t block, std::uint32_t end) {
  if (block >= kMaxTotalBlocks) {
    return 0;
  }
  std::uint8_t word[4];
  PutLe32(word, end);
  return WriteAt(word, kHeaderSize + 4 * static_cast<std::uint64_t>(block), 4, kIndexFile);
}

std::uint32_t CImageFile::ReadAt(void* buffer, std::uint64_t offset, std::uint32_t length, int file) {
  CPlainFile& target = file == kIndexFile ? index_ : part_;
  if (!target.Seek(offset)) {
    return 0;
  }
  return target.Read(buffer, length);
}

int CImageFile::WriteAt(const void* buffer, std::uint64_t offset, std::uint32_t length, int file) {
  CPlainFile& target = file == kIndexFile ? index_ : part_;
  return target.Seek(offset) && target.Write(buffer, length) ? 1 : 0;
}

int CImageFile::OpenPartList(int mode) { return partList_.Open(PartListPath(indexPath_).c_str(), mode); }

int CImageFile::OpenPart(const std::string& namingPath, std::uint32_t part, int mode) {
  if (mode == CPlainFile::kCreateAlways) {
    const std::string name = MakePartFileName(namingPath, part);
    if (!part_.Open(name.c_str(), mode)) {
      return 0;
    }
    if (!partList_.WriteLine(name.c_str(), static_cast<std::uint32_t>(name.size()))) {
      part_.Close();
      return 0;
    }
    return 1;
  }
  if (openPart_ == static_cast<std::int32_t>(part) && part_.IsOpen()) {
    return 1;
  }
  if (openPart_ == static_cast<std::int32_t>(part)) {
    return 0; // failed before: not tried again until another part was opened
  }
  openPart_ = static_cast<std::int32_t>(part);
  part_.Close();
  const std::string path = PartPath(part);
  return !path.empty() && part_.Open(path.c_str(), mode) ? 1 : 0;
}

std::string CImageFile::PartPath(std::uint32_t part) {
  // The part list is only read here, whatever mode the part opens in.
  if (!partList_.Open(PartListPath(indexPath_).c_str(), CPlainFile::kRead)) {
    return {};
  }
  std::vector<char> line(kLineRoom + 1);
  std::string path;
  for (std::uint32_t n = 0; n <= part; ++n) {
    const std::uint32_t got = partList_.ReadLine(line.data(), kLineRoom);
    if (got == 0) {
      partList_.Close();
      return {};
    }
    path.assign(line.data(), got);
  }
  partList_.Close();
  return StripLineEnd(path);
}

void CImageFile::ClosePart() { part_.Close(); }

bool IsImageIndex(const std::string& path) {
  CPlainFile file;
  std::uint64_t size = 0;
  std::uint8_t header[kHeaderSize];
  if (!file.Open(path.c_str(), CPlainFile::kRead) || !file.GetSize(&size) || size < kHeaderSize ||
      file.Read(header, kHeaderSize) != kHeaderSize) {
    return false;
  }
  const ByteView view(header, kHeaderSize);
  const std::uint32_t sectorSize = view.le32(kSectorSizeOffset);
  const std::uint32_t parts = view.le32(kPartCountOffset);
  const std::uint32_t total = view.le32(kTotalBlocksOffset);
  // A boot sector or partition table ends in its signature where the
  // header keeps its zero word, and a disk's first sector does not hold
  // part sizes that add up to its block count with a table of block ends
  // behind it. An image stopped while writing may hold more block ends
  // than its finished parts count.
  if (header[255] != 0 || view.le32(kHeaderSize - 4) != 0 || SaneSectorSize(sectorSize) != sectorSize ||
      view.le32(kCompressionOffset) > 3 || parts == 0 || parts > kMaxParts || total == 0 ||
      total > kMaxTotalBlocks || size < kHeaderSize + 4 * static_cast<std::uint64_t>(total) ||
      (size - kHeaderSize) % 4 != 0) {
    return false;
  }
  std::uint64_t sum = 0;
  for (std::uint32_t p = 0; p < kMaxParts; ++p) {
    const std::uint32_t blocks = view.le32(kPartBlocksOffset + 4 * p);
    if (p >= parts && blocks != 0) return false;
    sum += blocks;
  }
  return sum == total;
}

} // namespace qm::image
