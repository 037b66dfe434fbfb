#include "ntfs/index_record.h"

#include <cstring>

#include "ntfs/mft_attribute.h"

using namespace qm::indx;

namespace {

// Where a block's entries lie: from 0x18 + first-entry offset to 0x18 +
// size in use. The size in use counts from the index header at 0x18, whose
// own 16 bytes and the first-entry offset lie inside it (a real block's
// last entry ends exactly there); adding the first-entry offset once more
// would reach past a nearly full block. Both ends must lie inside the
// block, in order, or nothing of the entries can be trusted.
struct EntryBounds {
  std::uint64_t start = 0;
  std::uint64_t end = 0;
};

std::optional<EntryBounds> IndxEntryBounds(qm::ByteView b) {
  if (!b.has(0, kHeaderBytes)) return std::nullopt;
  EntryBounds bounds;
  bounds.start = kHeader + std::uint64_t{b.le32(kFirstEntry)};
  bounds.end = kHeader + std::uint64_t{b.le32(kBytesInUse)};
  if (bounds.start > bounds.end || bounds.end > b.size()) return std::nullopt;
  return bounds;
}

// One step of the walk over the entries between pos and end.
enum class Step { kBad, kStop, kEntry };

// Reads the entry header at pos. An entry that is not the last one must be
// at least a header long and lie with its key inside [pos, end).
Step ReadEntry(qm::ByteView b, std::uint64_t pos, std::uint64_t end, std::uint16_t& length,
               std::uint16_t& keyLength, std::uint16_t& flags) {
  if (end - pos < kEntryHeader) return Step::kBad;
  length = b.le16(pos + kEntryLength);
  flags = b.le16(pos + kEntryFlags);
  if (length == 0 || (flags & kEntryLast) != 0) return Step::kStop;
  keyLength = b.le16(pos + kEntryKeyLength);
  if (length < kEntryHeader || length > end - pos || kEntryHeader + std::uint64_t{keyLength} > length)
    return Step::kBad;
  return Step::kEntry;
}

// A real size above the allocated size marks a damaged key, except for
// sparse and compressed files: NTFS (Windows and ntfs-3g alike) records
// only the clusters actually allocated to those.
bool SizesImpossible(qm::ByteView b, std::uint64_t pos) {
  constexpr std::uint32_t kSparseOrCompressed = 0x200 | 0x800;
  if ((b.le32(pos + kKeyFlags) & kSparseOrCompressed) != 0) return false;
  return b.le64(pos + kKeyRealSize) > b.le64(pos + kKeyAllocated);
}

// Update-sequence array and strides of a block, when they lie inside it.
bool FixupBounds(qm::ByteView b, std::size_t& usa, unsigned& strides) {
  if (!b.has(0, 8)) return false;
  const std::uint16_t count = b.le16(kUsaCount);
  // A count of 0 would make the stride count wrap around.
  if (count == 0) return false;
  usa = b.le16(kUsaOffset);
  strides = count - 1u;
  return b.has(usa, 2 * std::uint64_t{count}) && std::uint64_t{strides} * kStride <= b.size();
}

} // namespace

bool IsIndxMagic(qm::ByteView block) { return block.matches(kMagic, "INDX"); }

bool IsValidIndxHeader(qm::ByteView b) {
  if (!IsIndxMagic(b) || !b.has(0, kHeaderBytes)) return false;
  const std::uint64_t length = b.size();
  const std::uint64_t allocated = b.le32(kBytesAllocated);
  const std::uint64_t inUse = b.le32(kBytesInUse);
  const std::uint64_t firstEntry = b.le32(kFirstEntry);
  const std::uint16_t count = b.le16(kUsaCount);
  const std::uint16_t usa = b.le16(kUsaOffset);
  if (length < allocated || allocated < inUse) return false;
  if (count > kMaxUsaCount) return false;
  if (count != 0 && length / kStride < count - 1u) return false;
  if (count != static_cast<std::uint16_t>(((allocated + firstEntry) >> 9) + 1)) return false;
  return usa >= kMinUsaOffset && usa <= kMaxUsaOffset;
}

bool CheckIndxFixup(qm::ByteView b) {
  std::size_t usa = 0;
  unsigned strides = 0;
  if (!FixupBounds(b, usa, strides)) return false;
  const std::uint16_t sequence = b.le16(usa);
  for (unsigned i = 0; i < strides; ++i) {
    if (b.le16(kStride * i + kStride - 2) != sequence) return false;
  }
  return true;
}

bool ApplyIndxFixup(std::span<std::uint8_t> block) {
  const qm::ByteView b(block.data(), block.size());
  if (!CheckIndxFixup(b)) return false;
  std::size_t usa = 0;
  unsigned strides = 0;
  FixupBounds(b, usa, strides);
  for (unsigned i = 0; i < strides; ++i)
    std::memcpy(&block[kStride * i + kStride - 2], &block[usa + 2 * (i + 1)], 2);
  return true;
}

bool RestoreIndxFixup(std::span<std::uint8_t> block) {
  const qm::ByteView b(block.data(), block.size());
  std::size_t usa = 0;
  unsigned strides = 0;
  if (!FixupBounds(b, usa, strides)) return false;
  for (unsigned i = 0; i < strides; ++i) {
    const std::size_t end = kStride * i + kStride - 2;
    std::memcpy(&block[usa + 2 * (i + 1)], &block[end], 2);
    std::memcpy(&block[end], &block[usa], 2);
  }
  return true;
}

bool CheckIndxEntries(qm::ByteView b) {
  const auto bounds = IndxEntryBounds(b);
  if (!bounds) return false;
  bool haveParent = false;
  std::uint64_t firstParent = 0;
  // Each step moves on by at least a header, so the walk ends.
  for (std::uint64_t pos = bounds->start; pos < bounds->end;) {
    std::uint16_t length = 0, keyLength = 0, flags = 0;
    const Step step = ReadEntry(b, pos, bounds->end, length, keyLength, flags);
    if (step == Step::kBad) return false;
    if (step == Step::kStop) return true;
    if (pos == bounds->start && keyLength >= 8) {
      firstParent = b.le64(pos + kKeyParent);
      haveParent = true;
    }
    if (flags != kEntrySubNode) {
      if (keyLength < kKeyFixedBytes || !haveParent) return false;
      if (SizesImpossible(b, pos)) return false;
      if (b.le64(pos + kKeyParent) != firstParent) return false;
    }
    pos += length;
  }
  return true;
}

bool IsValidIndxRecord(std::span<std::uint8_t> block) {
  const qm::ByteView b(block.data(), block.size());
  if (!IsValidIndxHeader(b) || !ApplyIndxFixup(block)) return false;
  const bool valid = CheckIndxEntries(b);
  RestoreIndxFixup(block);
  return valid;
}

std::int64_t GetIndxParent(qm::ByteView b) {
  const auto bounds = IndxEntryBounds(b);
  if (!bounds || bounds->end - bounds->start < kKeyParent + 8) return -1;
  return static_cast<std::int64_t>(b.le64(bounds->start + kKeyParent) & qm::kRecordNumberMask);
}

std::uint64_t GetIndxVcn(qm::ByteView b) { return b.le64(kVcn); }

std::int64_t GetIndexRootParent(qm::ByteView attribute) {
  if (!qm::attr::IsResident(attribute)) return -1;
  const auto value = qm::attr::ResidentValue(attribute);
  if (!value || !value->has(0, kRootTotalSize + 4)) return -1;
  const std::int64_t total = value->le32(kRootTotalSize);
  if (value->size() < static_cast<std::uint64_t>(total) + 16) return -1;
  const std::uint64_t first = kRootHeader + std::uint64_t{value->le32(kRootFirstEntry)};
  const std::uint64_t end = value->size();
  bool haveParent = false;
  std::uint64_t parent = 0;
  for (std::uint64_t pos = first;
       pos >= first && pos < end && static_cast<std::int64_t>(pos - first) < total - 16;) {
    std::uint16_t length = 0, keyLength = 0, flags = 0;
    if (ReadEntry(*value, pos, end, length, keyLength, flags) != Step::kEntry) break;
    if (flags != kEntrySubNode) {
      // An entry without a name or with impossible sizes ends the listing.
      if (keyLength < kKeyFixedBytes || value->u8(pos + kKeyNameLength) == 0 || SizesImpossible(*value, pos))
        break;
    }
    if (keyLength >= 8) {
      const std::uint64_t p = value->le64(pos + kKeyParent) & qm::kRecordNumberMask;
      if (!haveParent) {
        parent = p;
        haveParent = true;
      } else if (p != parent) {
        return -1;
      }
    }
    pos += length;
  }
  return haveParent ? static_cast<std::int64_t>(parent) : -1;
}

namespace qm {

std::optional<std::vector<IndexEntryInfo>> DecodeIndxEntries(ByteView b) {
  if (!IsValidIndxHeader(b) || !CheckIndxEntries(b)) return std::nullopt;
  const auto bounds = IndxEntryBounds(b);
  std::vector<IndexEntryInfo> entries;
  for (std::uint64_t pos = bounds->start; pos < bounds->end;) {
    std::uint16_t length = 0, keyLength = 0, flags = 0;
    if (ReadEntry(b, pos, bounds->end, length, keyLength, flags) != Step::kEntry) break;
    const unsigned nameLength = b.u8(pos + kKeyNameLength);
    if (keyLength >= kKeyFixedBytes && kKeyFixedBytes + 2u * nameLength <= keyLength) {
      IndexEntryInfo e;
      e.fileReference = b.le64(pos + kEntryReference);
      e.flags = flags;
      e.parentReference = b.le64(pos + kKeyParent);
      e.allocatedSize = b.le64(pos + kKeyAllocated);
      e.realSize = b.le64(pos + kKeyRealSize);
      e.fileFlags = b.le32(pos + kKeyFlags);
      e.nameSpace = b.u8(pos + kKeyNameSpace);
      e.name.resize(nameLength);
      for (unsigned i = 0; i < nameLength; ++i)
        e.name[i] = static_cast<char16_t>(b.le16(pos + kKeyName + 2 * i));
      entries.push_back(std::move(e));
    }
    pos += length;
  }
  return entries;
}

} // namespace qm
