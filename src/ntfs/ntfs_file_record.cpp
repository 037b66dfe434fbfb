#include "ntfs/ntfs_file_record.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "ntfs/mft_attribute.h"
#include "platform/log.h"

namespace {

// $ATTRIBUTE_LIST entry (offsets from the start of the entry).
constexpr std::size_t kEntryType = 0x00;      // u32
constexpr std::size_t kEntryLength = 0x04;    // u16
constexpr std::size_t kEntryReference = 0x10; // 48-bit record number + sequence
constexpr std::size_t kEntryMinimum = 0x18;

bool GeometryUsable(const qm::NtfsVolumeGeometry& g) {
  return g.sectorsPerCluster != 0 && g.sectorSize != 0 && g.sectorSize % 512 == 0 && g.recordSize != 0;
}

// Sectors [first, first + count) lie on the device.
bool OnDevice(IStorageDevice& device, std::uint64_t first, std::uint64_t count) {
  const std::uint64_t total = device.GetSectorCount();
  return first <= total && count <= total - first;
}

// Fills buffer from the runs of a non-resident attribute, each run whole,
// while it fits; runs at negative clusters or off the device end the
// reading, sparse runs stay zero. Returns the bytes covered.
std::uint64_t ReadRunsInto(const qm::NtfsRunList& runs, std::span<std::uint8_t> buffer,
                           std::uint64_t firstSector, std::uint32_t sectorsPerCluster,
                           IStorageDevice& device) {
  const std::int32_t sectorSize = device.GetSectorSize();
  if (sectorSize <= 0 || sectorsPerCluster == 0) return 0;
  const std::uint64_t clusterBytes =
      std::uint64_t{sectorsPerCluster} * static_cast<std::uint64_t>(sectorSize);
  std::uint64_t done = 0;
  for (const qm::NtfsRun& run : runs) {
    const std::uint64_t room = buffer.size() - done;
    if (run.length > room / clusterBytes) break; // no partial run
    const std::uint64_t bytes = run.length * clusterBytes;
    if (run.lcn == qm::kSparseLcn) {
      std::memset(buffer.data() + done, 0, bytes);
    } else {
      if (run.lcn < 0) break;
      const std::uint64_t lcn = static_cast<std::uint64_t>(run.lcn);
      if (lcn > (~std::uint64_t{0} - firstSector) / sectorsPerCluster) break;
      const std::uint64_t sector = firstSector + lcn * sectorsPerCluster;
      const std::uint64_t count = run.length * sectorsPerCluster;
      if (!OnDevice(device, sector, count)) break;
      if (count != 0 && !device.ReadSectors(buffer.data() + done, sector, count)) break;
    }
    done += bytes;
  }
  return done;
}

} // namespace

namespace qm {

std::optional<NtfsRecordLocation> LocateMftRecord(const NtfsVolumeGeometry& g, const NtfsRunList& mftRuns,
                                                  std::uint64_t recordNumber) {
  if (!GeometryUsable(g)) return std::nullopt;
  recordNumber &= kRecordNumberMask;
  const std::uint64_t clusterBytes = g.ClusterBytes();
  const std::uint64_t byte = recordNumber * g.recordSize; // < 2^48 * 2^12, no overflow
  const std::int64_t lcn = VcnToLcn(mftRuns, byte / clusterBytes);
  if (lcn < 0) return std::nullopt;
  const std::uint64_t inVolume = static_cast<std::uint64_t>(lcn) * g.sectorsPerCluster;
  const std::uint64_t within = byte % clusterBytes;
  NtfsRecordLocation at;
  at.sector = g.partitionStart + inVolume + within / g.sectorSize;
  at.offsetInSector = static_cast<std::uint32_t>(within % g.sectorSize);
  return at;
}

namespace {

bool ReadRecordAt(IStorageDevice& device, std::uint64_t sector, std::uint32_t offsetInSector,
                  std::uint32_t recordSize, std::vector<std::uint8_t>& out) {
  const std::int32_t sectorSize = device.GetSectorSize();
  if (sectorSize <= 0) return false;
  const std::uint64_t span = std::uint64_t{offsetInSector} + recordSize;
  const std::uint64_t count = (span + sectorSize - 1) / static_cast<std::uint64_t>(sectorSize);
  if (!OnDevice(device, sector, count)) return false;
  std::vector<std::uint8_t> sectors(count * static_cast<std::uint64_t>(sectorSize));
  if (!device.ReadSectors(sectors.data(), sector, count)) return false;
  out.assign(sectors.begin() + offsetInSector, sectors.begin() + offsetInSector + recordSize);
  return true;
}

} // namespace

bool ReadMftRecord(IStorageDevice& device, const NtfsVolumeGeometry& geometry, const NtfsRunList& mftRuns,
                   std::uint64_t recordNumber, std::vector<std::uint8_t>& out) {
  const auto at = LocateMftRecord(geometry, mftRuns, recordNumber);
  if (!at) return false;
  const std::uint64_t clusterBytes = geometry.ClusterBytes();
  if (geometry.recordSize <= clusterBytes) {
    return ReadRecordAt(device, at->sector, at->offsetInSector, geometry.recordSize, out);
  }
  // A record larger than a cluster may be split where the $MFT is
  // fragmented: each of its clusters is mapped on its own.
  if (geometry.recordSize % clusterBytes != 0) return false;
  const std::uint64_t firstVcn = (recordNumber & kRecordNumberMask) * geometry.recordSize / clusterBytes;
  std::vector<std::uint8_t> record;
  record.reserve(geometry.recordSize);
  std::vector<std::uint8_t> cluster;
  for (std::uint64_t i = 0; i < geometry.recordSize / clusterBytes; ++i) {
    const std::int64_t lcn = VcnToLcn(mftRuns, firstVcn + i);
    if (lcn < 0) return false;
    const std::uint64_t sector =
        geometry.partitionStart + static_cast<std::uint64_t>(lcn) * geometry.sectorsPerCluster;
    if (!ReadRecordAt(device, sector, 0, static_cast<std::uint32_t>(clusterBytes), cluster)) return false;
    record.insert(record.end(), cluster.begin(), cluster.end());
  }
  out = std::move(record);
  return true;
}

} // namespace qm

std::optional<qm::ExtensionRecordList>
BuildExtensionRecordList(std::span<std::uint8_t> record, std::uint64_t recordSector, IStorageDevice& device,
                         const qm::NtfsVolumeGeometry& geometry, const qm::NtfsRunList& mftRuns) {
  const CNTFSFileRecordView view(record, false);
  if (!view.IsValid()) return std::nullopt;
  const qm::NtfsAttribute list = FindAttribute(view.Record(), qm::mft::kAttributeList, 0);
  if (!list) return std::nullopt;

  std::vector<std::uint8_t> owned;
  qm::ByteView entries;
  if (qm::attr::IsResident(list.bytes)) {
    const auto value = qm::attr::ResidentValue(list.bytes);
    if (!value) return std::nullopt;
    entries = *value;
  } else {
    const auto nr = qm::ReadNonResident(list.bytes);
    if (!nr || nr->initializedSize == 0 || nr->initializedSize > nr->allocatedSize) return std::nullopt;
    const std::uint64_t size = std::min(nr->allocatedSize, qm::kMaxAttributeListBytes);
    owned.assign(size, 0);
    qm::NtfsRunList runs;
    DecodeDataRuns(nr->mappingPairs, runs);
    ReadRunsInto(runs, owned, geometry.partitionStart, geometry.sectorsPerCluster, device);
    entries = qm::ByteView(owned.data(), std::min<std::uint64_t>(nr->initializedSize, size));
  }

  qm::ExtensionRecordList out;
  std::unordered_set<std::uint64_t> seen;
  std::uint64_t offset = 0;
  while (offset < entries.size() && entries.has(offset, kEntryMinimum)) {
    const std::uint32_t type = entries.le32(offset + kEntryType);
    const std::uint16_t length = entries.le16(offset + kEntryLength);
    if (type == 0 || length == 0) break;
    const std::uint64_t number = entries.le64(offset + kEntryReference) & qm::kRecordNumberMask;
    if (seen.insert(number).second) {
      const auto at = qm::LocateMftRecord(geometry, mftRuns, number);
      if (at && !(at->sector == recordSector && at->offsetInSector == 0)) {
        out.push_back({at->sector, number, at->offsetInSector});
      }
    }
    offset += length;
  }
  if (out.empty()) return std::nullopt;
  return out;
}

CNTFSFileRecord::CNTFSFileRecord(std::span<const std::uint8_t> record, std::uint64_t sector,
                                 IStorageDevice* device, const qm::ExtensionRecordList& extensions,
                                 std::uint32_t offsetInSector) {
  Reset(record, sector, device, extensions, offsetInSector);
}

CNTFSFileRecord::~CNTFSFileRecord() { Release(); }

void CNTFSFileRecord::Reset(std::span<const std::uint8_t> record, std::uint64_t sector,
                            IStorageDevice* device, const qm::ExtensionRecordList& extensions,
                            std::uint32_t offsetInSector) {
  Release();
  copy_.assign(record.begin(), record.end());
  base_ = copy_;
  sector_ = sector;
  offsetInSector_ = offsetInSector;
  device_ = device;
  CheckBase();
  TakeExtensions(extensions);
}

void CNTFSFileRecord::Borrow(std::span<std::uint8_t> record, std::uint64_t sector, IStorageDevice* device,
                             const qm::ExtensionRecordList& extensions, std::uint32_t offsetInSector) {
  Release();
  base_ = record;
  borrowed_ = true;
  sector_ = sector;
  offsetInSector_ = offsetInSector;
  device_ = device;
  CheckBase();
  TakeExtensions(extensions);
}

void CNTFSFileRecord::Release() {
  if (borrowed_) {
    if (fixedUp_) UndoUpdateSequenceFixup(base_);
    base_ = {};
    borrowed_ = false;
    valid_ = false;
    baseAttributes_.Clear();
  }
  fixedUp_ = false;
}

void CNTFSFileRecord::TakeExtensions(const qm::ExtensionRecordList& extensions) {
  extensions_.clear();
  for (const auto& ref : extensions)
    extensions_.push_back({ref, false, false, {}});
}

void CNTFSFileRecord::CheckBase() {
  // What IsValidFileRecord tests, with the fix-up applied once and kept,
  // and the attribute walk noting where the attributes lie.
  fixedUp_ = false;
  valid_ =
      base_.size() >= qm::mft::kFixupBytes && IsFileRecordHeader(qm::ByteView(base_.data(), base_.size()));
  if (!valid_) {
    baseAttributes_.Clear();
    return;
  }
  // When the fix-up does not apply, the record is used as it lies.
  fixedUp_ = ApplyUpdateSequenceFixup(base_);
  valid_ = baseAttributes_.Check(qm::ByteView(base_.data(), base_.size()));
}

// A deleted file's extension records may since have been given to other
// files; their attributes are then not this file's, and reading them would
// mix another file's name or data into it. A record is refused when its
// header says so: it names another base record, it is in use as a base
// record itself, or its own number is not the one the list named. A freed
// record whose base reference was cleared is still read: that is how some
// drivers leave the extensions of a deleted file.
bool CNTFSFileRecord::BelongsToThisFile(qm::ByteView extension, const qm::ExtensionRecordRef& ref) const {
  const std::uint64_t owner = extension.le64(qm::mft::kBaseReference) & qm::kRecordNumberMask;
  const auto baseNumber = RecordOwnNumber(qm::ByteView(base_.data(), base_.size()));
  const auto ownNumber = RecordOwnNumber(extension);
  const char* why = nullptr;
  if (owner != 0 && baseNumber && owner != *baseNumber)
    why = "names another base record";
  else if (owner == 0 && IsInUse(extension))
    why = "is in use as a base record";
  else if (ownNumber && *ownNumber != (ref.recordNumber & 0xFFFFFFFFu))
    why = "carries another record number";
  if (why == nullptr) return true;
  LogInfo("Extension record %llu at sector %llu %s; not read as part of this file\n",
          static_cast<unsigned long long>(ref.recordNumber), static_cast<unsigned long long>(ref.sector),
          why);
  return false;
}

qm::ByteView CNTFSFileRecord::LoadExtension(Extension& e) {
  if (!e.loaded) {
    e.loaded = true;
    // An extension record has the base record's size.
    if (device_ &&
        qm::ReadRecordAt(*device_, e.ref.sector, e.ref.offsetInSector,
                         static_cast<std::uint32_t>(base_.size()), e.bytes) &&
        IsValidFileRecord(e.bytes) &&
        BelongsToThisFile(qm::ByteView(e.bytes.data(), e.bytes.size()), e.ref)) {
      ApplyUpdateSequenceFixup(e.bytes);
      e.valid = true;
    } else {
      e.bytes.clear();
    }
  }
  return e.valid ? qm::ByteView(e.bytes.data(), e.bytes.size()) : qm::ByteView();
}

CNTFSFileRecord::Found CNTFSFileRecord::FindAttributeAnywhere(std::uint32_t type, unsigned index) {
  Found found;
  if (!valid_) return found;
  if (extensions_.empty()) {
    // Nearly every record: the base record's table answers.
    found.attribute = baseAttributes_.Find(type, index);
    if (found.attribute) {
      found.recordSector = sector_;
      found.recordOffsetInSector = offsetInSector_;
    }
    return found;
  }
  const unsigned inBase = baseAttributes_.Count(type);
  if (index < inBase) {
    found.attribute = baseAttributes_.Find(type, index);
    found.recordSector = sector_;
    found.recordOffsetInSector = offsetInSector_;
    return found;
  }
  unsigned counted = inBase;
  for (Extension& e : extensions_) {
    const qm::ByteView r = LoadExtension(e);
    if (r.empty()) continue;
    const unsigned here = CountAttributes(r, type);
    if (index < counted + here) {
      found.attribute = FindAttribute(r, type, index - counted);
      found.recordSector = e.ref.sector;
      found.recordOffsetInSector = e.ref.offsetInSector;
      return found;
    }
    counted += here;
  }
  return found;
}

std::unique_ptr<CNTFSFileRecord> NtfsLoadFileRecordAt(IStorageDevice& device, std::uint64_t sector,
                                                      const qm::ExtensionRecordList& extensions,
                                                      std::uint32_t offsetInSector) {
  constexpr std::uint32_t kLargestRecord = 4096;
  std::vector<std::uint8_t> bytes;
  if (!qm::ReadRecordAt(device, sector, offsetInSector, kLargestRecord, bytes)) {
    // A record near the end of the device: at least the smallest size.
    if (!qm::ReadRecordAt(device, sector, offsetInSector, 1024, bytes)) return nullptr;
  }
  const qm::ByteView header(bytes.data(), bytes.size());
  if (!IsFileRecordHeader(header)) return nullptr;
  const std::uint32_t size = std::max<std::uint32_t>(header.le32(qm::mft::kBytesAllocated), 1024);
  if (size > bytes.size()) return nullptr;
  auto record = std::make_unique<CNTFSFileRecord>(std::span<const std::uint8_t>(bytes.data(), size), sector,
                                                  &device, extensions, offsetInSector);
  if (!record->IsValid()) return nullptr;
  return record;
}

std::optional<std::uint64_t> NtfsReadResidentData(qm::ByteView attribute, std::span<std::uint8_t> buffer) {
  const auto value = qm::attr::ResidentValue(attribute);
  if (!value || value->size() > buffer.size()) return std::nullopt;
  value->copyTo(0, buffer.data(), value->size());
  return value->size();
}

std::optional<std::uint64_t> NtfsReadAttributeData(qm::ByteView attribute, std::span<std::uint8_t> buffer,
                                                   std::uint64_t firstSector, std::uint32_t sectorsPerCluster,
                                                   IStorageDevice& device) {
  if (qm::attr::IsResident(attribute)) return NtfsReadResidentData(attribute, buffer);
  const auto nr = qm::ReadNonResident(attribute);
  if (!nr) return std::nullopt;
  qm::NtfsRunList runs;
  DecodeDataRuns(nr->mappingPairs, runs);
  const std::uint64_t length = std::min<std::uint64_t>(nr->realSize, buffer.size());
  const std::uint64_t read = ReadRunsInto(runs, buffer, firstSector, sectorsPerCluster, device);
  // What no run delivered reads as zeros, never as stale buffer bytes.
  if (read < length) std::memset(buffer.data() + read, 0, length - read);
  return length;
}
