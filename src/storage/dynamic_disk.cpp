#include "storage/dynamic_disk.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/byte_view.h"
#include "storage/boot_record_chain.h"
#include "storage/mem_alloc.h"
#include "storage/storage_device.h"

namespace {

constexpr std::uint8_t kDynamicPartitionType = 0x42;
constexpr std::uint8_t kProtectiveMbrType = 0xEE;
constexpr std::uint64_t kPrivHeadSector = 6;
constexpr std::uint64_t kGptEntriesSector = 2;
constexpr std::size_t kGptEntrySize = 128;
constexpr int kGptEntriesExamined = 4;
constexpr std::size_t kGptEntryNameOffset = 56;

// UTF-16LE names of the dynamic-disk database partitions, and how many of
// their bytes are compared (all but the last zero byte).
constexpr char16_t kLdmMetadataName[] = u"LDM metadata partition";
constexpr std::size_t kLdmMetadataCompared = 43;
constexpr char16_t kLdmDataName[] = u"LDM data partition";
constexpr std::size_t kLdmDataCompared = 35;

bool IsExtendedType(std::uint8_t type) { return type == 0x05 || type == 0x0F || type == 0x85; }

bool NameBeginsWith(qm::ByteView name, const char16_t* text, std::size_t comparedBytes) {
  if (!name.has(0, comparedBytes)) return false;
  for (std::size_t i = 0; i < comparedBytes; ++i) {
    const char16_t unit = text[i / 2];
    const std::uint8_t expected = static_cast<std::uint8_t>(i % 2 == 0 ? unit & 0xFF : unit >> 8);
    if (name.u8(i) != expected) return false;
  }
  return true;
}

// Header offsets of the private header's big-endian fields.
constexpr std::size_t kPrivHead64[] = {0x11B, 0x123, 0x12B, 0x133, 0x13B, 0x143, 0x153, 0x15B};
constexpr std::size_t kPrivHead32[] = {0x14B, 0x14F, 0x163};
constexpr std::size_t kPrivHead16[] = {0x0C, 0x0E};

} // namespace

namespace qm {
bool IsLdmMetadataPartitionName(ByteView name) {
  return NameBeginsWith(name, kLdmMetadataName, kLdmMetadataCompared);
}
bool IsLdmDataPartitionName(ByteView name) { return NameBeginsWith(name, kLdmDataName, kLdmDataCompared); }
} // namespace qm

void PrivHeadToHostOrder(std::uint8_t* header, std::size_t size) {
  const auto swap = [&](std::size_t offset, std::size_t width) {
    if (offset > size || width > size - offset) return;
    std::reverse(header + offset, header + offset + width);
  };
  for (std::size_t offset : kPrivHead64) swap(offset, 8);
  for (std::size_t offset : kPrivHead32) swap(offset, 4);
  for (std::size_t offset : kPrivHead16) swap(offset, 2);
}

bool IsPrivHead(const std::uint8_t* header, std::size_t size) {
  return qm::ByteView(header, size).matches(0, "PRIVHEAD");
}

std::uint8_t IsDynamicDisk(IStorageDevice* device, std::uint64_t sectorCount, std::int32_t sectorSize) {
  if (device == nullptr || sectorSize <= 0 || sectorCount <= 6) return 0;
  // At least 512 bytes, so that the MBR offsets always lie inside.
  const std::size_t size = std::max<std::size_t>(static_cast<std::size_t>(sectorSize), 512);
  qm::MemBuffer<std::uint8_t> sector = qm::MakeMemBuffer<std::uint8_t>(size);
  std::memset(sector.get(), 0, size);
  const qm::ByteView view(sector.get(), size);

  // The MBR and its chain of extended boot records.
  bool found42 = false;
  qm::BootRecordChainGuard guard;
  std::uint64_t next = 0;
  std::uint64_t base = 0;
  bool haveBase = false;
  while (!found42 && guard.Enter(next)) {
    if (!device->ReadSectors(sector.get(), next, 1)) break;
    bool extended = false;
    for (int i = 0; i < qm::kMbrEntryCount; ++i) {
      const qm::MbrEntry entry = qm::ReadMbrEntry(view, i);
      if (entry.type == kDynamicPartitionType) {
        found42 = true;
        break;
      }
      if (IsExtendedType(entry.type)) {
        extended = true;
        next = entry.start + base;
        if (!haveBase) {
          base = entry.start;
          haveBase = true;
        }
      }
    }
    if (!extended) break;
  }
  if (found42) return 1;

  // The private header at sector 6 confirms only what a 0x42 entry said.
  if (device->ReadSectors(sector.get(), kPrivHeadSector, 1)) {
    PrivHeadToHostOrder(sector.get(), size);
    if (IsPrivHead(sector.get(), size) && found42) return 1;
  }

  // A GPT disk: its first entries name both database partitions.
  if (!device->ReadSectors(sector.get(), 0, 1)) return 0;
  if (qm::ReadMbrEntry(view, 0).type != kProtectiveMbrType) return 0;
  if (!device->ReadSectors(sector.get(), kGptEntriesSector, 1)) return 0;
  bool metadata = false, data = false;
  for (int i = 0; i < kGptEntriesExamined; ++i) {
    const qm::ByteView name = view.sub(kGptEntrySize * static_cast<std::size_t>(i) + kGptEntryNameOffset, 72);
    metadata = metadata || qm::IsLdmMetadataPartitionName(name);
    data = data || qm::IsLdmDataPartitionName(name);
  }
  return metadata && data ? 1 : 0;
}
