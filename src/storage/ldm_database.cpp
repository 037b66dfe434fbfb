#include "storage/ldm_database.h"

#include <algorithm>
#include <cstring>

#include "platform/log.h"

namespace qm {

namespace {

// How many bytes of a var number are taken at most; the value keeps the
// low 64 bits of a longer one.
constexpr unsigned kMaxVarNumberBytes = 64;

// Volume record, after the type text at E (see DecodeVolume):
//   E        var  a text (one zero byte on most disks)
//   F + 14   1    volume type (3 ordinary, 4 RAID-5), F after that text
//   F + 21   var  number of components
//            16   skipped
//            var  size (512-byte units)
//            4    skipped
//            1    partition type
//            16   volume GUID
constexpr std::size_t kVolumeTypeAfterField = 14;
constexpr std::size_t kVolumeChildrenAfterField = 21;
constexpr std::size_t kVolumeSkipBeforeSize = 16;
constexpr std::size_t kVolumeSkipBeforeType = 4;
constexpr std::size_t kGuidSize = 16;

// Component record, after the state text: type byte, 4 skipped, number of
// partitions, 16 skipped, parent volume id; with flag 0x10 one byte more,
// then the stripe size (512-byte units) and the number of columns.
constexpr std::size_t kComponentSkipBeforeCount = 4;
constexpr std::size_t kComponentSkipBeforeParent = 16;
constexpr std::uint8_t kComponentStripeFlag = 0x10;

// Partition record, after the name: 12 skipped, start (u64), volume offset
// (u64), size, parent component id, disk id; with the flags byte 0x08 or
// 0x48 the partition index.
constexpr std::size_t kPartitionSkipBeforeStart = 12;

std::uint64_t ToDeviceSectors(std::uint64_t units512, std::uint32_t bytesPerSector) {
  // units × 512 ÷ bytes per sector, without the product overflowing.
  const std::uint32_t ratio = bytesPerSector >= 512 ? bytesPerSector / 512 : 1;
  return units512 / ratio;
}

struct StartBlock {
  std::uint32_t recordId;
  std::uint16_t entryCount;
  std::uint64_t total; // data length + 24
  std::size_t blockOffset;
};

struct Continuation {
  std::uint32_t recordId;
  std::uint16_t entryIndex;
  std::size_t blockOffset;
};

} // namespace

std::optional<PrivateHeader> DecodePrivateHeader(ByteView sector) {
  if (!sector.has(0, 512) || !sector.matches(0, "PRIVHEAD")) return std::nullopt;
  const auto text = [&](std::size_t offset, std::size_t length) {
    const ByteView field = sector.sub(offset, length);
    std::size_t end = 0;
    while (end < field.size() && field.u8(end) != 0) ++end;
    return std::string(reinterpret_cast<const char*>(field.data()), end);
  };
  PrivateHeader header;
  header.diskId = text(kPrivHeadDiskIdOffset, kPrivHeadDiskIdLength);
  header.diskGroupName = text(kPrivHeadGroupNameOffset, kPrivHeadGroupNameLength - 1);
  header.dataStart = sector.le64(kPrivHeadDataStartOffset);
  header.configStart = sector.le64(kPrivHeadConfigStartOffset);
  return header;
}

std::uint64_t ReadVarNumber(ByteView record, std::size_t& offset) {
  const std::size_t length = offset < record.size() ? record.u8(offset) : 0;
  if (length == 0 || length > kMaxVarNumberBytes || !record.has(offset + 1, length)) {
    ++offset;
    return kVarNumberInvalid;
  }
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < length; ++i) value = (value << 8) | record.u8(offset + 1 + i);
  offset += length + 1;
  return value;
}

std::string ReadVarText(ByteView record, std::size_t& offset, std::size_t maxLength) {
  const std::size_t length = offset < record.size() ? record.u8(offset) : 0;
  if (length == 0 || !record.has(offset + 1, length)) {
    ++offset;
    return {};
  }
  std::string text(reinterpret_cast<const char*>(record.data() + offset + 1), std::min(length, maxLength));
  offset += length + 1;
  return text;
}

std::string FormatLdmGuid(ByteView bytes) {
  if (!bytes.has(0, kGuidSize)) return {};
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < kGuidSize; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += kHex[bytes.u8(i) >> 4];
    text += kHex[bytes.u8(i) & 0x0F];
  }
  return text;
}

std::vector<VblkRecord> JoinVblkRecords(ByteView area) {
  const std::size_t blocks = area.size() / kVblkSize;
  std::vector<StartBlock> starts;
  std::vector<Continuation> continuations;
  for (std::size_t i = 0; i < blocks; ++i) {
    const ByteView block = area.sub(i * kVblkSize, kVblkSize);
    if (!block.matches(0, "VBLK")) continue;
    const std::uint32_t recordId = block.be32(kVblkRecordIdOffset);
    const std::uint16_t entryIndex = block.be16(kVblkEntryIndexOffset);
    const std::uint16_t entryCount = block.be16(kVblkEntryCountOffset);
    if (recordId == 0) continue;
    if (entryCount != 0 && entryIndex == 0)
      starts.push_back({recordId, entryCount, std::uint64_t{block.be32(kVblkDataLengthOffset)} + kVblkDataOffset,
                        i * kVblkSize});
    else if (entryCount > 1 && entryIndex != 0)
      continuations.push_back({recordId, entryIndex, i * kVblkSize});
  }
  // Continuations by record id, each id's in block order.
  std::stable_sort(continuations.begin(), continuations.end(),
                   [](const Continuation& a, const Continuation& b) { return a.recordId < b.recordId; });

  // Sound databases hold no more record bytes than their blocks; duplicated
  // ids that share continuations must not multiply that.
  std::uint64_t budget = 2 * std::uint64_t{area.size()};
  std::vector<VblkRecord> records;
  for (const StartBlock& start : starts) {
    // A record can carry no more than its blocks do: 104 data bytes in the
    // first, 112 in each continuation. A larger claim is damage.
    const std::uint64_t capacity = kVblkSize + std::uint64_t{start.entryCount - 1u} * kVblkContinuationData;
    if (start.total > capacity || start.total > budget) {
      DebugTrace("-----------------Tmx:VBLK record %u at 0x%zx claims %llu bytes in %u blocks, dropped\n",
                 start.recordId, start.blockOffset, static_cast<unsigned long long>(start.total - kVblkDataOffset),
                 start.entryCount);
      continue;
    }
    const ByteView first = area.sub(start.blockOffset, kVblkSize);
    VblkRecord record;
    record.recordId = start.recordId;
    record.flags = first.u8(kVblkFlagsOffset);
    record.type = first.u8(kVblkTypeOffset);
    record.bytes.assign(static_cast<std::size_t>(start.total), 0);
    first.copyTo(0, record.bytes.data(), std::min<std::uint64_t>(start.total, kVblkSize));

    if (start.entryCount > 1 && start.total > kVblkSize) {
      std::uint64_t held = kVblkSize;
      std::uint32_t expected = 1;
      std::uint32_t lastIndex = 0;
      const auto range = std::equal_range(
          continuations.begin(), continuations.end(), Continuation{start.recordId, 0, 0},
          [](const Continuation& a, const Continuation& b) { return a.recordId < b.recordId; });
      for (auto it = range.first; it != range.second; ++it) {
        if (it->entryIndex != expected) continue;
        const std::uint64_t take = std::min<std::uint64_t>(start.total - held, kVblkContinuationData);
        area.copyTo(it->blockOffset + kVblkContinuationOffset, record.bytes.data() + held, take);
        held += take;
        lastIndex = expected++;
      }
      if (held < start.total || lastIndex != start.entryCount - 1u) {
        DebugTrace("-----------------Tmx:VBLK record %u misses a block (%u of %u), dropped\n", start.recordId,
                   lastIndex + 1, start.entryCount);
        continue;
      }
    }
    budget -= start.total;
    records.push_back(std::move(record));
  }
  return records;
}

namespace {

bool DecodeVolume(ByteView r, std::uint32_t bytesPerSector, LdmVolume& volume) {
  std::size_t offset = kVblkDataOffset;
  volume.id = ReadVarNumber(r, offset);
  volume.name = ReadVarText(r, offset, 127);
  ReadVarText(r, offset, 0); // type text ("gen", "raid5")
  // The field after the type text is one zero byte on most disks, a text
  // on some; the fixed fields are counted from its end either way.
  ReadVarText(r, offset, 0);
  volume.volumeType = r.u8(offset + kVolumeTypeAfterField);
  offset += kVolumeChildrenAfterField;
  volume.componentCount = ReadVarNumber(r, offset);
  offset += kVolumeSkipBeforeSize;
  volume.size = ToDeviceSectors(ReadVarNumber(r, offset), bytesPerSector);
  offset += kVolumeSkipBeforeType;
  volume.partitionType = r.u8(offset);
  ++offset;
  if (!r.copyTo(offset, volume.guid, kGuidSize)) return false;
  return true;
}

bool DecodeComponent(ByteView r, std::uint8_t flags, std::uint32_t bytesPerSector, LdmComponent& component) {
  std::size_t offset = kVblkDataOffset;
  component.id = ReadVarNumber(r, offset);
  ReadVarText(r, offset, 0); // name
  ReadVarText(r, offset, 0); // state
  component.type = r.u8(offset);
  offset += 1 + kComponentSkipBeforeCount;
  component.partitionCount = ReadVarNumber(r, offset);
  offset += kComponentSkipBeforeParent;
  component.parentId = ReadVarNumber(r, offset);
  if (offset > r.size()) return false;
  if ((flags & kComponentStripeFlag) != 0) {
    ++offset;
    const std::uint64_t stripe = ReadVarNumber(r, offset);
    if (stripe != kVarNumberInvalid && offset <= r.size())
      component.stripeSize = ToDeviceSectors(stripe, bytesPerSector);
  }
  return true;
}

bool DecodePartition(ByteView r, std::uint8_t flags, std::uint32_t bytesPerSector, LdmPartition& partition) {
  std::size_t offset = kVblkDataOffset;
  partition.id = ReadVarNumber(r, offset);
  ReadVarText(r, offset, 0); // name
  offset += kPartitionSkipBeforeStart;
  if (!r.has(offset, 16)) return false;
  partition.start = ToDeviceSectors(r.be64(offset), bytesPerSector);
  partition.volumeOffset = r.be64(offset + 8);
  offset += 16;
  partition.size = ToDeviceSectors(ReadVarNumber(r, offset), bytesPerSector);
  partition.componentId = ReadVarNumber(r, offset);
  partition.diskId = ReadVarNumber(r, offset);
  if (offset > r.size()) return false;
  if (flags == 0x08 || flags == 0x48) {
    partition.index = ReadVarNumber(r, offset);
    partition.hasIndex = offset <= r.size() && partition.index != kVarNumberInvalid;
  }
  return true;
}

bool DecodeDisk(ByteView r, std::uint8_t type, LdmDisk& disk) {
  std::size_t offset = kVblkDataOffset;
  disk.id = ReadVarNumber(r, offset);
  ReadVarText(r, offset, 0); // name
  if (type == kVblkDiskGuid) {
    if (!r.has(offset, kGuidSize)) return false;
    disk.diskIdText = FormatLdmGuid(r.sub(offset, kGuidSize));
    disk.fromGuid = true;
  } else {
    disk.diskIdText = ReadVarText(r, offset, 64);
    if (offset > r.size()) return false;
  }
  return true;
}

} // namespace

void DecodeVblkRecord(const VblkRecord& record, std::uint32_t bytesPerSector, LdmDatabase& database) {
  const ByteView r(record.bytes.data(), record.bytes.size());
  bool ok = true;
  switch (record.type) {
  case kVblkVolume: {
    LdmVolume volume;
    if ((ok = DecodeVolume(r, bytesPerSector, volume))) database.volumes.push_back(std::move(volume));
    break;
  }
  case kVblkComponent: {
    LdmComponent component;
    if ((ok = DecodeComponent(r, record.flags, bytesPerSector, component))) database.components.push_back(component);
    break;
  }
  case kVblkPartition: {
    LdmPartition partition;
    if ((ok = DecodePartition(r, record.flags, bytesPerSector, partition))) database.partitions.push_back(partition);
    break;
  }
  case kVblkDisk:
  case kVblkDiskGuid: {
    LdmDisk disk;
    if ((ok = DecodeDisk(r, record.type, disk))) database.disks.push_back(std::move(disk));
    break;
  }
  default:
    break;
  }
  if (!ok)
    DebugTrace("-----------------Tmx:VBLK record %u of type 0x%02x ends inside its fields, skipped\n", record.recordId,
               record.type);
}

LdmDatabase DecodeLdmDatabase(ByteView area, std::uint32_t bytesPerSector) {
  LdmDatabase database;
  for (const VblkRecord& record : JoinVblkRecords(area)) DecodeVblkRecord(record, bytesPerSector, database);
  return database;
}

} // namespace qm
