#include "ntfs/mft_record.h"

#include <algorithm>
#include <cstring>

#include "ntfs/data_runs.h"
#include "ntfs/mft_attribute.h"

using namespace qm::mft;

bool IsFileRecordHeader(qm::ByteView r) {
  if (!r.matches(kMagic, "FILE")) return false;
  const std::int64_t count = r.le16(kUsaCount);
  if (count > 16) return false;
  const std::int64_t allocated = r.le32(kBytesAllocated);
  if (allocated > 4096 || allocated % 1024 != 0) return false;
  if (count - 1 > allocated / 512) return false;
  const std::uint16_t usa = r.le16(kUsaOffset);
  return usa >= 42 && usa <= 256;
}

namespace {

// Strides that the fix-up covers: every one with an entry in the array
// that lies inside the buffer. A 4096-byte record has eight; a caller that
// looks at only the first 1024 bytes of one fixes those two.
unsigned FixupStrides(qm::ByteView r) {
  const unsigned count = r.le16(kUsaCount);
  if (count < 2) return 0;
  const auto inBuffer = static_cast<unsigned>(std::min<std::size_t>(r.size() / kStride, kMaxStrides));
  return std::min(count - 1, inBuffer);
}

} // namespace

bool CheckUpdateSequence(qm::ByteView r) {
  if (r.size() < kFixupBytes) return false;
  const std::uint64_t usa = r.le16(kUsaOffset);
  const unsigned strides = FixupStrides(r);
  if (!r.has(usa, 2 * (std::uint64_t{strides} + 1))) return false;
  const std::uint16_t sequence = r.le16(usa);
  for (unsigned i = 0; i < strides; ++i) {
    if (r.le16(kStride * i + kStride - 2) != sequence) return false;
  }
  return true;
}

bool ApplyUpdateSequenceFixup(std::span<std::uint8_t> record) {
  const qm::ByteView r(record.data(), record.size());
  if (!CheckUpdateSequence(r)) return false;
  const std::size_t usa = r.le16(kUsaOffset);
  const unsigned strides = FixupStrides(r);
  for (unsigned i = 0; i < strides; ++i) {
    const std::size_t end = kStride * i + kStride - 2;
    std::memcpy(&record[end], &record[usa + 2 * (i + 1)], 2);
  }
  return true;
}

bool UndoUpdateSequenceFixup(std::span<std::uint8_t> record) {
  const qm::ByteView r(record.data(), record.size());
  if (r.size() < kFixupBytes) return false;
  const std::size_t usa = r.le16(kUsaOffset);
  const unsigned strides = FixupStrides(r);
  if (!r.has(usa, 2 * (std::uint64_t{strides} + 1))) return false;
  for (unsigned i = 0; i < strides; ++i) {
    const std::size_t end = kStride * i + kStride - 2;
    std::memcpy(&record[usa + 2 * (i + 1)], &record[end], 2);
    std::memcpy(&record[end], &record[usa], 2);
  }
  return true;
}

namespace {

// Characters that no file name may hold.
bool IsForbiddenNameChar(std::uint16_t c) {
  switch (c) {
  case '"':
  case '*':
  case '/':
  case ':':
  case '<':
  case '>':
  case '?':
  case '\\':
  case '|':
    return true;
  default:
    return false;
  }
}

bool IsValidAttribute(qm::ByteView a) {
  const std::uint32_t type = qm::attr::Type(a);
  if (qm::attr::IsResident(a)) {
    if (!qm::attr::ResidentValue(a)) return false;
  } else {
    const auto nr = qm::ReadNonResident(a);
    if (!nr) return false;
    if (type == kData && !ValidateMappingPairs(nr->mappingPairs)) return false;
  }
  if (type == kFileName) {
    const qm::ByteView name = qm::FileNameBytes(a);
    if (name.empty() && !qm::ReadFileName(a)) return false; // no room for the name it claims
    for (std::size_t i = 0; i + 1 < name.size(); i += 2) {
      const std::uint16_t c = name.le16(i);
      if (c == 0) break;
      if (IsForbiddenNameChar(c)) return false;
    }
  }
  return true;
}

// Walks the attributes of a record. visit(attribute, offset) returns false
// to stop. With validate, every attribute met must be sound and the result
// says whether they all were; without it the walk simply stops at an
// attribute that would run past the buffer.
template <typename Visit> bool WalkAttributes(qm::ByteView r, bool validate, Visit&& visit) {
  std::uint64_t offset = r.le16(kFirstAttribute);
  while (offset < kWalkLimit) {
    if (!r.has(offset, 4)) return !validate;
    const std::uint32_t type = r.le32(offset);
    if (type == kEndOfAttributes) return true;
    const std::uint64_t room = r.size() - offset;
    const std::uint32_t length = r.le32(offset + kAttrLength);
    if (room <= 15 || length > room) return !validate;
    // A zero length ends the walk after this attribute; its header still
    // counts, so that its fields can be read.
    const qm::ByteView a = r.sub(offset, length == 0 ? std::min<std::uint64_t>(room, 16) : length);
    if (validate && !IsValidAttribute(a)) return false;
    if (!visit(a, static_cast<std::uint32_t>(offset))) return true;
    if (length == 0) return true;
    offset += length;
  }
  return true;
}

} // namespace

bool IsValidFileRecord(std::span<std::uint8_t> record) {
  if (record.size() < kFixupBytes) return false;
  const qm::ByteView r(record.data(), record.size());
  if (!IsFileRecordHeader(r)) return false;
  const bool fixed = ApplyUpdateSequenceFixup(record);
  const bool ok = WalkAttributes(r, true, [](qm::ByteView, std::uint32_t) { return true; });
  if (fixed) UndoUpdateSequenceFixup(record);
  return ok;
}

bool qm::NtfsAttributeTable::Check(ByteView fixedRecord) {
  Clear();
  complete_ = true;
  const bool ok = WalkAttributes(fixedRecord, true, [this](ByteView a, std::uint32_t offset) {
    if (count_ == kMaxSlots) {
      complete_ = false;
    } else {
      slots_[count_++] = {attr::Type(a), offset, static_cast<std::uint32_t>(a.size())};
    }
    return true;
  });
  if (!ok) {
    Clear();
    return false;
  }
  record_ = fixedRecord;
  return true;
}

qm::NtfsAttribute qm::NtfsAttributeTable::Find(std::uint32_t type, unsigned index) const {
  if (!complete_) return FindAttribute(record_, type, index);
  for (std::size_t i = 0; i < count_; ++i) {
    const Slot& slot = slots_[i];
    if (slot.type != type || index-- != 0) continue;
    return {record_.sub(slot.offset, slot.length), slot.offset};
  }
  return {};
}

unsigned qm::NtfsAttributeTable::Count(std::uint32_t type) const {
  if (!complete_) return CountAttributes(record_, type);
  unsigned count = 0;
  for (std::size_t i = 0; i < count_; ++i)
    if (slots_[i].type == type) ++count;
  return count;
}

qm::NtfsAttribute FindAttribute(qm::ByteView record, std::uint32_t type, unsigned index) {
  qm::NtfsAttribute found;
  unsigned seen = 0;
  WalkAttributes(record, false, [&](qm::ByteView a, std::uint32_t offset) {
    if (qm::attr::Type(a) != type) return true;
    if (seen++ != index) return true;
    found.bytes = a;
    found.offset = offset;
    return false;
  });
  return found;
}

unsigned CountAttributes(qm::ByteView record, std::uint32_t type) {
  unsigned count = 0;
  WalkAttributes(record, false, [&](qm::ByteView a, std::uint32_t) {
    if (qm::attr::Type(a) == type) ++count;
    return true;
  });
  return count;
}

bool IsInUse(qm::ByteView r) { return (r.le16(kFlags) & kFlagInUse) != 0; }
bool IsDirectory(qm::ByteView r) { return (r.le16(kFlags) & kFlagDirectory) != 0; }
bool IsExtensionRecord(qm::ByteView r) { return r.le64(kBaseReference) != 0; }

std::optional<std::uint32_t> RecordOwnNumber(qm::ByteView r) {
  constexpr std::uint16_t kUsaOffsetWithNumber = 0x30;
  if (!r.has(kRecordNumber, 4) || r.le16(kUsaOffset) < kUsaOffsetWithNumber ||
      r.le16(kRecordNumberGuard) != 0)
    return std::nullopt;
  return r.le32(kRecordNumber);
}

bool HasAttributeList(qm::ByteView r) { return static_cast<bool>(FindAttribute(r, kAttributeList, 0)); }

bool IsFolderWithIndexAllocation(qm::ByteView r) {
  if (!IsDirectory(r)) return false;
  for (unsigned i = 0;; ++i) {
    const qm::NtfsAttribute a = FindAttribute(r, kIndexAllocation, i);
    if (!a) return false;
    if (!qm::attr::IsResident(a.bytes)) return true;
  }
}

CNTFSFileRecordView::CNTFSFileRecordView(std::span<std::uint8_t> buffer, bool makeCopy) {
  if (!IsValidFileRecord(buffer)) return;
  if (makeCopy) {
    copy_.assign(buffer.begin(), buffer.end());
    record_ = copy_;
  } else {
    record_ = buffer;
  }
  fixedUp_ = ApplyUpdateSequenceFixup(record_);
}

CNTFSFileRecordView::~CNTFSFileRecordView() {
  if (fixedUp_) UndoUpdateSequenceFixup(record_);
}
