#include "preview/compound_file.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>

#include "platform/byte_view.h"
#include "platform/log.h"

namespace qm {
namespace {

// Header (512 bytes), little-endian:
//   0   8  signature D0 CF 11 E0 A1 B1 1A E1
//  28   2  byte order mark FFFE
//  30   2  sector shift (9: 512-byte sectors, 12: 4096)
//  44   4  number of allocation-table sectors
//  48   4  first directory sector
//  68   4  first sector of the allocation-table index (DIFAT)
//  72   4  number of DIFAT sectors
//  76 436  the first 109 allocation-table sector ids
constexpr std::size_t kHeaderSize = 512;
constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::size_t kHeaderFatIds = 109;
constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

// Directory entry (128 bytes):
//   0  64  name, UTF-16LE
//  64   2  name length in bytes, terminator included
//  66   1  type (0 unused, 1 storage, 2 stream, 5 root)
//  68   4  left sibling, 72 4 right sibling, 76 4 child
// 120   8  stream size
constexpr std::size_t kEntrySize = 128;

} // namespace

bool CompoundFile::Fail(std::string text) {
  error_ = std::move(text);
  return false;
}

bool CompoundFile::ReadSector(std::uint32_t sector, std::vector<std::uint8_t>& out) {
  const std::uint64_t size = std::uint64_t{1} << sectorShift_;
  if (sector >= sectorCount_) return false;
  // Sector n lies at (n + 1) * sector size: the header fills sector -1. A
  // last sector cut short by the end of the file reads as zeros past it.
  const std::uint64_t offset = (std::uint64_t{sector} + 1) * size;
  out.assign(static_cast<std::size_t>(size), 0);
  const std::uint64_t available = fileSize_ > offset ? std::min(size, fileSize_ - offset) : 0;
  return available > 0 && read_(offset, out.data(), static_cast<std::size_t>(available));
}

std::optional<std::uint32_t> CompoundFile::NextSector(std::uint32_t sector) {
  const std::uint32_t perSector = (1u << sectorShift_) / 4;
  const std::uint32_t index = sector / perSector;
  if (index >= fatSectors_.size()) return std::nullopt;
  if (index != cachedFatIndex_) {
    if (!ReadSector(fatSectors_[index], cachedFat_)) return std::nullopt;
    cachedFatIndex_ = index;
  }
  return ByteView(cachedFat_.data(), cachedFat_.size()).le32(std::uint64_t{sector % perSector} * 4);
}

bool CompoundFile::Open(std::uint64_t fileSize, CompoundReadFn read) {
  read_ = std::move(read);
  fileSize_ = fileSize;
  fatSectors_.clear();
  rootChildren_.clear();
  cachedFatIndex_ = 0xFFFFFFFF;
  error_.clear();
  std::uint8_t header[kHeaderSize];
  if (fileSize < kHeaderSize || !read_(0, header, kHeaderSize)) return Fail("shorter than a header");
  const ByteView head(header, kHeaderSize);
  if (std::memcmp(header, kSignature, sizeof kSignature) != 0) return Fail("no compound-file signature");
  if (head.le16(28) != 0xFFFE) return Fail("byte order mark is not FFFE");
  sectorShift_ = head.le16(30);
  if (sectorShift_ != 9 && sectorShift_ != 12) return Fail("sector shift " + std::to_string(sectorShift_));
  const std::uint64_t sectorSize = std::uint64_t{1} << sectorShift_;
  // Sectors after the header's, a last partial one included.
  sectorCount_ = fileSize > sectorSize ? (fileSize - sectorSize + sectorSize - 1) / sectorSize : 0;
  const std::uint32_t fatCount = head.le32(44);
  if (fatCount == 0 || fatCount > sectorCount_)
    return Fail("allocation-table sector count " + std::to_string(fatCount));

  // The allocation table's sector ids: 109 in the header, then the DIFAT
  // chain, each of its sectors ending with the id of the next. Every id
  // must name a sector of the file; the chain is at most as long as the
  // file has sectors.
  const std::uint32_t perSector = static_cast<std::uint32_t>(sectorSize / 4);
  for (std::size_t i = 0; i < kHeaderFatIds && fatSectors_.size() < fatCount; ++i) {
    const std::uint32_t id = head.le32(76 + i * 4);
    if (id >= sectorCount_)
      return Fail("allocation-table sector id " + std::to_string(id) + " past the file's end");
    fatSectors_.push_back(id);
  }
  std::uint32_t difat = head.le32(68);
  std::vector<std::uint8_t> buffer;
  std::uint64_t steps = 0;
  while (fatSectors_.size() < fatCount) {
    if (difat >= sectorCount_ || ++steps > sectorCount_) return Fail("DIFAT chain breaks off or loops");
    if (!ReadSector(difat, buffer)) return Fail("DIFAT sector unreadable");
    const ByteView view(buffer.data(), buffer.size());
    for (std::uint32_t i = 0; i + 1 < perSector && fatSectors_.size() < fatCount; ++i) {
      const std::uint32_t id = view.le32(std::uint64_t{i} * 4);
      if (id >= sectorCount_)
        return Fail("allocation-table sector id " + std::to_string(id) + " past the file's end");
      fatSectors_.push_back(id);
    }
    difat = view.le32(std::uint64_t{perSector - 1} * 4);
  }

  // The directory: a chain of sectors of 128-byte entries.
  std::vector<std::uint8_t> directory;
  std::uint32_t sector = head.le32(48);
  steps = 0;
  while (sector != kEndOfChain) {
    if (sector > kMaxRegularSector || sector >= sectorCount_)
      return Fail("directory chain names sector " + std::to_string(sector));
    if (++steps > sectorCount_ || directory.size() >= kMaxEntries * kEntrySize)
      return Fail("directory chain loops or is too long");
    if (!ReadSector(sector, buffer)) return Fail("directory sector unreadable");
    directory.insert(directory.end(), buffer.begin(), buffer.end());
    const auto next = NextSector(sector);
    if (!next) return Fail("allocation table unreadable");
    sector = *next;
  }
  const std::size_t entryCount = directory.size() / kEntrySize;
  if (entryCount == 0) return Fail("empty directory");
  const ByteView dir(directory.data(), directory.size());
  auto entryAt = [&](std::uint32_t id) {
    const ByteView entry = dir.sub(std::uint64_t{id} * kEntrySize, kEntrySize);
    CompoundEntry out;
    const std::uint16_t nameBytes = entry.le16(64);
    for (std::uint16_t i = 0; i + 2 < nameBytes && i < 64; i += 2)
      out.name += static_cast<char16_t>(entry.le16(i));
    out.type = entry.u8(66);
    out.size = entry.le64(120);
    return out;
  };
  if (dir.u8(66) != 5) return Fail("first directory entry is not the root");

  // The root's children form a tree through the sibling links: walk it
  // with an explicit stack, each entry visited once.
  std::vector<bool> seen(entryCount, false);
  std::vector<std::uint32_t> stack;
  const std::uint32_t child = dir.le32(76);
  if (child != kNoStream) stack.push_back(child);
  while (!stack.empty()) {
    const std::uint32_t id = stack.back();
    stack.pop_back();
    if (id >= entryCount || seen[id]) continue; // a link out of range or a loop is damage: skipped
    seen[id] = true;
    const ByteView entry = dir.sub(std::uint64_t{id} * kEntrySize, kEntrySize);
    const std::uint32_t left = entry.le32(68);
    const std::uint32_t right = entry.le32(72);
    if (right != kNoStream) stack.push_back(right);
    CompoundEntry found = entryAt(id);
    if (found.type == 1 || found.type == 2) rootChildren_.push_back(std::move(found));
    if (left != kNoStream) stack.push_back(left);
  }
  return true;
}

bool CompoundFile::OpenPath(const std::string& path) {
  auto file = std::make_shared<std::ifstream>(path, std::ios::binary | std::ios::ate);
  if (!*file) return Fail("cannot open " + path);
  const std::streamoff size = file->tellg();
  if (size < 0) return Fail("cannot size " + path);
  const bool ok =
      Open(static_cast<std::uint64_t>(size), [file](std::uint64_t offset, void* out, std::size_t count) {
        file->clear();
        file->seekg(static_cast<std::streamoff>(offset));
        file->read(static_cast<char*>(out), static_cast<std::streamsize>(count));
        return static_cast<std::size_t>(file->gcount()) == count;
      });
  read_ = nullptr; // the stream closes with the last reference
  if (!ok) LogInfo("%s is not read as a compound file: %s", path.c_str(), error_.c_str());
  return ok;
}

bool CompoundFile::OpenBytes(std::string_view bytes) {
  const bool ok = Open(bytes.size(), [bytes](std::uint64_t offset, void* out, std::size_t count) {
    if (offset > bytes.size() || count > bytes.size() - offset) return false;
    std::memcpy(out, bytes.data() + offset, count);
    return true;
  });
  read_ = nullptr;
  return ok;
}

bool CompoundFile::HasRootStream(std::string_view asciiName) const {
  for (const CompoundEntry& entry : rootChildren_) {
    if (entry.type != 2 || entry.name.size() != asciiName.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < asciiName.size() && same; ++i) {
      char16_t a = entry.name[i];
      char16_t b = static_cast<unsigned char>(asciiName[i]);
      if (a >= 'a' && a <= 'z') a = static_cast<char16_t>(a - 32);
      if (b >= 'a' && b <= 'z') b = static_cast<char16_t>(b - 32);
      same = a == b;
    }
    if (same) return true;
  }
  return false;
}

bool HasWordStream(const CompoundFile& file) { return file.HasRootStream("WordDocument"); }

bool HasExcelStream(const CompoundFile& file) {
  return file.HasRootStream("Book") || file.HasRootStream("Workbook");
}

bool IsOfficeCompoundDocument(const std::string& path) {
  CompoundFile file;
  if (!file.OpenPath(path)) return false;
  return HasWordStream(file) || HasExcelStream(file);
}

} // namespace qm
