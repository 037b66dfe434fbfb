#include "raw/analysers_documents.h"

#include <optional>
#include <string_view>

#include "filemodel/raw_file_info.h"
#include "raw/analyser_common.h"
#include "raw/raw_read_buffer.h"

namespace {

constexpr int kTypeAdp = 3;
constexpr int kTypeChm = 12;
constexpr int kTypeDoc = 21;
constexpr int kTypeHlp = 30;
constexpr int kTypeMax = 35;
constexpr int kTypeMof = 39;
constexpr int kTypeMpp = 43;
constexpr int kTypeOle = 44;
constexpr int kTypeOne = 45;
constexpr int kTypePpt = 48;
constexpr int kTypePub = 49;
constexpr int kTypeQpw = 53;
constexpr int kTypeShw = 57;
constexpr int kTypeVsd = 62;
constexpr int kTypeWpd = 64;
constexpr int kTypeWpg = 65;
constexpr int kTypeXls = 67;

// ---- Compound documents --------------------------------------------------

// Header: offset, size, meaning.
//   0    8  signature
//  30    2  sector shift: 9 (512-byte sectors) or 12 (4096-byte sectors)
//  48    4  first directory sector
//  68    4  first sector of the DIFAT chain
//  76  436  the first 109 DIFAT entries: the sectors of the allocation
//           table (FAT)
// Sector n of the file lies at (n + 1) x sector size; the header fills
// sector "-1". A DIFAT sector holds FAT sector numbers and, in its last
// entry, the next DIFAT sector.
constexpr std::string_view kOleSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
constexpr std::uint64_t kOleHeaderSize = 512;
constexpr std::uint64_t kOleSectorShift = 30;
constexpr std::uint16_t kOleLargeShift = 12;
constexpr std::uint64_t kOleFirstDirectorySector = 48;
constexpr std::uint64_t kOleFirstDifatSector = 68;
constexpr std::uint64_t kOleHeaderDifat = 76;
constexpr int kOleHeaderDifatEntries = 109;
constexpr std::uint32_t kOleFree = 0xFFFFFFFF;
// Sector numbers from here on are marks (end of chain, free, ...), never
// sectors.
constexpr std::uint32_t kOleFirstMark = 0xFFFFFFFA;

// Directory entry: offset, size, meaning.
//   0  64  name, UTF-16, zero-terminated
//  80  16  class id
constexpr std::uint64_t kOleEntrySize = 128;
constexpr std::uint64_t kOleNameUnits = 32;
constexpr std::uint64_t kOleClassId = 80;
constexpr int kOleEntriesRead = 4;

// A file whose directory cannot be read is still given its length when
// it is no larger than this.
constexpr std::uint64_t kOleUntypedMax = 0xA00000;
// Drawing documents keep 1 KiB after the sectors their table counts.
constexpr std::uint64_t kOleDrawingTail = 1024;

std::uint64_t OleSectorOffset(std::uint32_t sector, std::uint64_t sectorSize) {
  return (std::uint64_t{sector} + 1) * sectorSize;
}

// The name of directory entry `entry` is text (exactly, or as a prefix).
bool OleNameIs(qm::ByteView directory, int entry, std::string_view text, bool prefix = false) {
  const std::uint64_t base = static_cast<std::uint64_t>(entry) * kOleEntrySize;
  if (text.size() > kOleNameUnits || !directory.has(base, kOleEntrySize)) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (directory.le16(base + 2 * i) != static_cast<std::uint8_t>(text[i])) return false;
  return prefix || text.size() == kOleNameUnits || directory.le16(base + 2 * text.size()) == 0;
}

bool OleAnyNameIs(qm::ByteView directory, int firstEntry, int lastEntry, std::string_view text) {
  for (int entry = firstEntry; entry <= lastEntry; ++entry)
    if (OleNameIs(directory, entry, text)) return true;
  return false;
}

bool OleRootClassIsZero(qm::ByteView directory) {
  for (std::uint64_t i = 0; i < 16; ++i)
    if (directory.u8(kOleClassId + i) != 0) return false;
  return true;
}

using namespace std::string_view_literals;

// The type of a compound document by the names of the root entry and the
// three entries after it. Every rule is tried in turn; a later rule that
// holds overrides an earlier one.
int OleTypeByDirectory(qm::ByteView dir, std::uint64_t& length) {
  int type = kTypeMof;
  if (OleAnyNameIs(dir, 0, 3, "WordDocument") || OleAnyNameIs(dir, 0, 3, "ObjectPool")) type = kTypeDoc;
  if (OleAnyNameIs(dir, 1, 2, "Workbook") || OleAnyNameIs(dir, 1, 2, "Book")) type = kTypeXls;
  if (OleAnyNameIs(dir, 1, 3, "PowerPoint Document") || OleNameIs(dir, 1, "Pictures", true) ||
      OleNameIs(dir, 1, "PP40"))
    type = kTypePpt;
  if (OleNameIs(dir, 1, "Scene")) type = kTypeMax;
  if (OleNameIs(dir, 1, "VisioDocument")) {
    type = kTypeVsd;
    length += kOleDrawingTail;
  }
  if (OleNameIs(dir, 1, "PerfectOffice_MAIN") && OleNameIs(dir, 2, "PerfectOffice_OBJECTS")) {
    type = kTypeWpd;
    if (OleNameIs(dir, 3, "\x05SummaryInformation"))
      type = kTypeShw;
    else if (OleRootClassIsZero(dir))
      type = kTypeWpg;
  }
  if (OleNameIs(dir, 1, "Objects") && OleNameIs(dir, 2, "Quill") && OleNameIs(dir, 3, "Escher")) type = kTypePub;
  if (OleNameIs(dir, 1, "NativeContent_MAIN")) type = kTypeQpw;
  if (OleNameIs(dir, 1, "\x01" "CompObj") &&
      ((OleNameIs(dir, 2, "   19") && OleNameIs(dir, 3, "   29")) ||
       (OleNameIs(dir, 2, "   112") && OleNameIs(dir, 3, "   212"))))
    type = kTypeMpp;
  if (OleNameIs(dir, 1, "PropData") && OleNameIs(dir, 2, "Forms") && OleNameIs(dir, 3, "Reports")) type = kTypeAdp;
  return type;
}

// Directory sectors looked through, after the first four entries, for the
// main stream of a word-processing, spreadsheet or presentation document.
constexpr int kOleDirectorySectorsSearched = 8;

// The type of a document that the first four directory entries leave
// untyped, by the main stream further down its directory: one widely used
// office suite lists "WordDocument" as the sixth entry, and its documents
// would otherwise be carved as MOF. The directory chain is followed through
// the table sectors listed in the header, a few sectors at most.
int OleTypeByLaterEntries(CRawReadBuffer& reader, std::uint32_t directorySector, std::uint64_t sectorSize) {
  const std::uint64_t entriesPerSector = sectorSize / 4;
  const int entriesPerDirectorySector = static_cast<int>(sectorSize / kOleEntrySize);
  std::uint32_t sector = directorySector;
  for (int n = 0; n < kOleDirectorySectorsSearched && sector < kOleFirstMark; ++n) {
    const qm::ByteView dir = reader.GetPointer(OleSectorOffset(sector, sectorSize), sectorSize);
    if (dir.size() < sectorSize) break;
    for (int entry = n == 0 ? kOleEntriesRead : 0; entry < entriesPerDirectorySector; ++entry) {
      if (OleNameIs(dir, entry, "WordDocument")) return kTypeDoc;
      if (OleNameIs(dir, entry, "Workbook") || OleNameIs(dir, entry, "Book")) return kTypeXls;
      if (OleNameIs(dir, entry, "PowerPoint Document")) return kTypePpt;
    }
    const std::uint64_t tableIndex = sector / entriesPerSector;
    if (tableIndex >= kOleHeaderDifatEntries) break;
    const std::uint32_t tableSector = reader.GetPointer(0, kOleHeaderSize).le32(kOleHeaderDifat + 4 * tableIndex);
    if (tableSector >= kOleFirstMark) break;
    const qm::ByteView table = reader.GetPointer(OleSectorOffset(tableSector, sectorSize), sectorSize);
    if (table.size() < sectorSize) break;
    sector = table.le32(4 * (sector % entriesPerSector));
  }
  return kTypeMof;
}

} // namespace

int FileOLEAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  if (!qm::HeaderBytes(sector).matches(0, kOleSignature)) return 0;
  info->SetType(kTypeOle);
  return 1;
}

int FileOLEAnalyser::AnalyseFileSize(CRawFileInfo* info, IStorageDevice* device) {
  if (info == nullptr) return 0;
  CRawReadBuffer reader(device, info->GetStartSector());
  const qm::ByteView header = reader.GetPointer(0, kOleHeaderSize);
  if (header.size() < kOleHeaderSize) return 0;
  // Version 4 documents use 4096-byte sectors; sizing them by 512-byte
  // sectors would cut them to an eighth.
  const std::uint64_t sectorSize = header.le16(kOleSectorShift) == kOleLargeShift ? 4096 : 512;
  const std::uint64_t entriesPerSector = sectorSize / 4;
  const std::uint64_t maximum = qm::MaxCarvedSize();

  std::uint64_t fatSectors = 0;
  std::optional<std::uint32_t> lastFat;
  for (int i = 0; i < kOleHeaderDifatEntries; ++i) {
    const std::uint32_t entry = header.le32(kOleHeaderDifat + 4 * static_cast<std::uint64_t>(i));
    if (entry == kOleFree) continue;
    ++fatSectors;
    lastFat = entry;
  }
  const std::uint32_t directorySector = header.le32(kOleFirstDirectorySector);

  // The DIFAT chain, taken only forwards so that a chain pointing back
  // into itself ends.
  std::uint32_t difat = header.le32(kOleFirstDifatSector);
  qm::WalkPump pump;
  for (std::uint64_t steps = 0; difat < kOleFirstMark && steps < qm::kMaxWalkSteps; ++steps) {
    pump.Step();
    const std::uint64_t offset = OleSectorOffset(difat, sectorSize);
    if (offset > maximum) break;
    const qm::ByteView sector = reader.GetPointer(offset, sectorSize);
    if (sector.size() < sectorSize) return 0;
    for (std::uint64_t i = 0; i + 1 < entriesPerSector; ++i) {
      const std::uint32_t entry = sector.le32(4 * i);
      if (entry == kOleFree) continue;
      ++fatSectors;
      lastFat = entry;
    }
    const std::uint32_t next = sector.le32(sectorSize - 4);
    if (next == kOleFree || next <= difat) break;
    difat = next;
  }
  // A document without any table sector has no length to give.
  if (!lastFat || fatSectors == 0) return 0;

  const qm::ByteView fat = reader.GetPointer(OleSectorOffset(*lastFat, sectorSize), sectorSize);
  if (fat.size() < sectorSize) return 0;
  std::uint64_t used = entriesPerSector;
  while (used > 0 && fat.le32(4 * (used - 1)) == kOleFree) --used;
  std::uint64_t length = ((fatSectors - 1) * entriesPerSector + used) * sectorSize + sectorSize;

  const qm::ByteView directory =
      reader.GetPointer(OleSectorOffset(directorySector, sectorSize), kOleEntriesRead * kOleEntrySize);
  if (directorySector >= kOleFirstMark || directory.size() < kOleEntriesRead * kOleEntrySize) {
    if (length > kOleUntypedMax) return 0;
    info->SetType(kTypeMof);
    info->SetLength(length);
    return 1;
  }
  int type = OleTypeByDirectory(directory, length);
  if (type == kTypeMof) type = OleTypeByLaterEntries(reader, directorySector, sectorSize);
  info->SetType(type);
  info->SetLength(length);
  return 1;
}

// ---- Early Word documents -------------------------------------------------

namespace {
// Word 2 (DB A5 2D 00) and Word 6/95-era (94 A6 2E 00) headers give the
// text's end at 292 (32-bit) and a tail at 296 (16-bit); a compound
// document is judged by its first directory sector.
constexpr std::uint64_t kLowDocEnd = 292;
constexpr std::uint64_t kLowDocTail = 296;
constexpr std::uint64_t kLowDocDirectorySector = 48;
constexpr std::uint64_t kLowDocDirectoryExtra = 5;
} // namespace

int FileLowDocAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  std::uint64_t length = 0;
  if (h.matches(0, "\xD0\xCF\x11\xE0"))
    length = (std::uint64_t{h.le32(kLowDocDirectorySector)} + kLowDocDirectoryExtra) * 512;
  else if (h.matches(0, "\xDB\xA5\x2D\x00"sv) || h.matches(0, "\x94\xA6\x2E\x00"sv))
    length = qm::RoundUpTo(std::uint64_t{h.le32(kLowDocEnd)} + h.le16(kLowDocTail), 512);
  else
    return 0;
  info->SetType(kTypeDoc);
  info->SetLength(length);
  return 1;
}

// ---- Compiled HTML help ---------------------------------------------------

namespace {
// Header: "ITSF", 32-bit header length 96 at 8, two class ids at 24 and
// 40; then the first header section at 96: 32-bit 0x1FE, 32-bit 0, the
// 64-bit file size at 104, two 32-bit 0 at 112 and 116. A widely used
// free help compiler repeats the first class id in the second place; its
// files are accepted too.
constexpr std::uint64_t kChmHeaderLength = 8;
constexpr std::uint32_t kChmV3HeaderLength = 96;
constexpr std::string_view kChmClass1("\x10\xFD\x01\x7C\xAA\x7B\xD0\x11\x9E\x0C\x00\xA0\xC9\x22\xE6\xEC", 16);
constexpr std::string_view kChmClass2("\x11\xFD\x01\x7C\xAA\x7B\xD0\x11\x9E\x0C\x00\xA0\xC9\x22\xE6\xEC", 16);
constexpr std::uint64_t kChmSection = 96;
constexpr std::uint32_t kChmSectionMark = 510;
constexpr std::uint64_t kChmFileSize = 104;
} // namespace

int FileCHMAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, "ITSF") || h.le32(kChmHeaderLength) != kChmV3HeaderLength || !h.matches(24, kChmClass1) ||
      !(h.matches(40, kChmClass2) || h.matches(40, kChmClass1)) || h.le32(kChmSection) != kChmSectionMark || h.le32(100) != 0 ||
      h.le32(112) != 0 || h.le32(116) != 0 || !h.has(kChmFileSize, 8))
    return 0;
  info->SetType(kTypeChm);
  info->SetLength(h.le64(kChmFileSize));
  return 1;
}

// ---- Windows help ---------------------------------------------------------

namespace {
// Header: 3F 5F 03 00, 32-bit directory start at 4, file size at 12.
constexpr std::uint64_t kHlpDirectoryStart = 4;
constexpr std::uint64_t kHlpFileSize = 12;
constexpr std::uint32_t kHlpMinSize = 512;
} // namespace

int FileHLPAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, "\x3F\x5F\x03\x00"sv) || !h.has(kHlpFileSize, 4)) return 0;
  const std::uint32_t size = h.le32(kHlpFileSize);
  if (size < kHlpMinSize || size < h.le32(kHlpDirectoryStart)) return 0;
  info->SetType(kTypeHlp);
  info->SetLength(size);
  return 1;
}

// ---- Notebook sections ----------------------------------------------------

namespace {
constexpr std::string_view kOneId("\xE4\x52\x5C\x7B\x8C\xD8\xA7\x4D\xAE\xB1\x53\x78\xD0\x29\x96\xD3", 16);
constexpr std::uint64_t kOneSize = 196;
constexpr std::uint32_t kOneMaxSize = 0x40000000;
constexpr std::uint64_t kOneUnknownSize = 0x300000;
} // namespace

int FileONEAnalyser::CheckHeader(qm::ByteView sector, CRawFileInfo* info) {
  const qm::ByteView h = qm::HeaderBytes(sector);
  if (!h.matches(0, kOneId)) return 0;
  const std::uint32_t size = h.le32(kOneSize);
  info->SetType(kTypeOne);
  info->SetLength(size == 0 || size > kOneMaxSize ? kOneUnknownSize : size);
  return 1;
}
