#include "storage/dynamic_volume.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/disk_table.h"
#include "storage/disk_device.h"
#include "storage/drive_letters.h"

namespace {

constexpr std::uint64_t kDefaultStripeBytes = 0x10000;

std::int32_t DiskSectorSize(IStorageDevice* disk) {
  const std::int32_t size = disk != nullptr ? disk->GetSectorSize() : 0;
  return size > 0 ? size : 512;
}

std::size_t MembersWithDisk(std::span<const DynamicMemberExtent> members) {
  return static_cast<std::size_t>(
      std::count_if(members.begin(), members.end(), [](const DynamicMemberExtent& m) { return m.disk != nullptr; }));
}

// The stripe in device sectors: the database's when it gives a usable one,
// else the 64 KiB that every dynamic striped and RAID-5 volume is made with.
std::uint64_t StripeSectors(std::span<const DynamicMemberExtent> members, std::uint64_t given) {
  IStorageDevice* disk = nullptr;
  for (const DynamicMemberExtent& member : members)
    if (member.disk != nullptr) {
      disk = member.disk;
      break;
    }
  const std::uint64_t sectorSize = static_cast<std::uint64_t>(DiskSectorSize(disk));
  if (given != 0 && given <= kMaxDynamicStripeBytes / sectorSize) return given;
  return std::max<std::uint64_t>(1, kDefaultStripeBytes / sectorSize);
}

void XorInto(std::uint8_t* out, const std::uint8_t* in, std::size_t bytes) {
  // Word by word: a rebuilt stripe is 64 KiB, and the byte loop is not
  // vectorised at our optimisation level.
  std::size_t i = 0;
  for (; i + 8 <= bytes; i += 8) {
    std::uint64_t a, b;
    std::memcpy(&a, out + i, 8);
    std::memcpy(&b, in + i, 8);
    a ^= b;
    std::memcpy(out + i, &a, 8);
  }
  for (; i < bytes; ++i) out[i] ^= in[i];
}

} // namespace

bool SameMemberExtent(const DynamicMemberExtent& a, const DynamicMemberExtent& b) {
  return a.length == b.length && a.diskStart == b.diskStart && a.volumeOffset == b.volumeOffset &&
         a.disk == b.disk && std::strncmp(a.diskId, b.diskId, sizeof a.diskId) == 0;
}

namespace qm {

DynamicVolumeBase::DynamicVolumeBase(int volumeType, const DynamicVolumeInfo& info,
                                     std::span<const DynamicMemberExtent> members)
    : m_info(info), m_nVolumeType(volumeType) {
  m_info.diskGroupName[sizeof m_info.diskGroupName - 1] = '\0';
  m_info.volumeName[sizeof m_info.volumeName - 1] = '\0';
  m_members.reserve(members.size());
  for (const DynamicMemberExtent& member : members) {
    auto copy = std::make_unique<DynamicMemberExtent>(member);
    copy->diskId[sizeof copy->diskId - 1] = '\0';
    m_members.push_back(std::move(copy));
  }
}

std::int32_t DynamicVolumeBase::GetSectorSize() {
  // The first member that has a disk: a missing first member must not make
  // a volume of 4096-byte disks read 512-byte sectors into their buffers.
  for (const auto& member : m_members)
    if (member->disk != nullptr) return DiskSectorSize(member->disk);
  return 512;
}

int DynamicVolumeBase::ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) {
  if (buffer == nullptr && count != 0) return 0;
  const std::uint64_t total = m_info.sectorCount;
  const std::uint64_t sectorSize = static_cast<std::uint64_t>(GetSectorSize());
  // A count beyond the volume is refused before the buffer is touched: no
  // caller holds a buffer of that size.
  if (count > total || count > std::numeric_limits<std::size_t>::max() / sectorSize) return 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  if (count != 0) std::memset(out, 0, static_cast<std::size_t>(count * sectorSize));
  if (first > total) return 0;
  // The part past the end of the volume stays zero-filled.
  if (count > total - first) count = total - first;
  if (count == 0) return 1;
  return ReadInside(out, first, count);
}

bool DynamicVolumeBase::ReadMember(const DynamicMemberExtent& member, std::uint8_t* out, std::uint64_t position,
                                   std::uint64_t count) {
  if (member.disk == nullptr || DiskSectorSize(member.disk) != GetSectorSize()) return false;
  // The run must lie inside the piece: a position before its volume offset
  // or past its length belongs to no sector of this member.
  if (position < member.volumeOffset) return false;
  const std::uint64_t within = position - member.volumeOffset;
  if (within > member.length || count > member.length - within) return false;
  if (member.diskStart > std::numeric_limits<std::uint64_t>::max() - within) return false;
  return member.disk->ReadSectors(out, member.diskStart + within, count) != 0;
}

bool DynamicVolumeBase::ReadMemberOrZeros(const DynamicMemberExtent& member, std::uint8_t* out,
                                          std::uint64_t position, std::uint64_t count) {
  if (ReadMember(member, out, position, count)) return true;
  if (m_bGapsFail) return false;
  std::memset(out, 0, static_cast<std::size_t>(count * static_cast<std::uint64_t>(GetSectorSize())));
  return true;
}

int DynamicVolumeBase::IsSameVolume(IDynamicDevice* other) {
  if (other == nullptr || other->GetVolumeType() != GetVolumeType()) return 0;
  DynamicExtentList mine, theirs;
  GetMemberExtents(mine);
  other->GetMemberExtents(theirs);
  for (const DynamicMemberExtent* extent : mine) {
    const bool found = std::any_of(theirs.begin(), theirs.end(),
                                   [&](const DynamicMemberExtent* e) { return SameMemberExtent(*extent, *e); });
    if (!found) return 0;
  }
  return 1;
}

void DynamicVolumeBase::GetMemberExtents(DynamicExtentList& extents) {
  DynamicExtentList own;
  own.reserve(m_members.size());
  for (const auto& member : m_members) own.push_back(member.get());
  extents.insert(extents.begin(), own.begin(), own.end());
}

char DynamicVolumeBase::GetDriveLetter() {
  if (const char letter = GetDynamicVolumeLetter(m_info.volumeName, m_info.diskGroupName); letter != 0) return letter;
  // The platform names no dynamic volume; the system lists each piece of a
  // dynamic disk as a partition of it, and a simple volume is exactly that
  // partition. A volume of several pieces has no single partition.
  if (m_nVolumeType != kDynamicSimple || m_members.size() != 1) return 0;
  auto* disk = dynamic_cast<CDiskDevice*>(m_members.front()->disk);
  if (disk == nullptr || disk->GetDiskNumber() < 0) return 0;
  const std::uint64_t sectorSize = static_cast<std::uint64_t>(DiskSectorSize(disk));
  if (m_members.front()->diskStart > std::numeric_limits<std::uint64_t>::max() / sectorSize) return 0;
  return FindVolumeLetter(disk->GetDiskNumber(), m_members.front()->diskStart * sectorSize);
}

} // namespace qm

int CSimpleVolumeDevice::ReadInside(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) {
  for (const auto& member : m_members)
    if (member->disk != nullptr) return ReadMember(*member, buffer, member->volumeOffset + first, count) ? 1 : 0;
  return 0;
}

int CSpannedVolumeDevice::ReadInside(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) {
  const std::uint64_t sectorSize = static_cast<std::uint64_t>(GetSectorSize());
  // Each step takes the piece that holds the next sector and moves past its
  // end, so no piece serves twice and the walk ends after every piece at
  // most once, whatever order the pieces are listed in.
  while (count > 0) {
    const DynamicMemberExtent* holder = nullptr;
    for (const auto& member : m_members)
      if (first >= member->volumeOffset && first - member->volumeOffset < member->length) {
        holder = member.get();
        break;
      }
    if (holder == nullptr) return 0;
    const std::uint64_t k = std::min(count, holder->length - (first - holder->volumeOffset));
    if (!ReadMemberOrZeros(*holder, buffer, first, k)) return 0;
    buffer += k * sectorSize;
    first += k;
    count -= k;
  }
  return 1;
}

int CStripedVolumeDevice::ReadInside(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) {
  const std::uint64_t sectorSize = static_cast<std::uint64_t>(GetSectorSize());
  const std::uint64_t n = m_members.size();
  const std::uint64_t stripe = m_nChunkSize;
  if (n == 0 || stripe == 0) return 0;
  while (count > 0) {
    const std::uint64_t stripeIndex = first / stripe;
    const std::uint64_t row = stripeIndex / n;
    const DynamicMemberExtent& member = *m_members[static_cast<std::size_t>(stripeIndex % n)];
    const std::uint64_t within = first % stripe;
    const std::uint64_t k = std::min(stripe - within, count);
    const std::uint64_t position = row * stripe + within;
    // A run outside its column's piece stops the read: the volume claims
    // sectors that its members do not have.
    if (position < member.volumeOffset || position - member.volumeOffset > member.length ||
        k > member.length - (position - member.volumeOffset))
      return 0;
    if (!ReadMemberOrZeros(member, buffer, position, k)) return 0;
    buffer += k * sectorSize;
    first += k;
    count -= k;
  }
  return 1;
}

int CRaid5VolumeDevice::ReadInside(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) {
  const std::uint64_t sectorSize = static_cast<std::uint64_t>(GetSectorSize());
  const std::uint64_t n = m_members.size();
  const std::uint64_t stripe = m_nChunkSize;
  if (n < 2 || stripe == 0) return 0;
  while (count > 0) {
    const std::uint64_t row = first / ((n - 1) * stripe);
    const std::uint64_t parity = n - 1 - row % n;
    const std::uint64_t column = (parity + 1 + (first / stripe) % (n - 1)) % n;
    const std::uint64_t within = first % stripe;
    const std::uint64_t k = std::min(stripe - within, count);
    const std::uint64_t position = row * stripe + within;
    const std::size_t bytes = static_cast<std::size_t>(k * sectorSize);
    if (!ReadMember(*m_members[static_cast<std::size_t>(column)], buffer, position, k)) {
      // Rebuild the piece: the exclusive or of the same sectors of every
      // other member, the parity among them.
      if (m_scratchBytes < bytes) {
        m_scratch = qm::MakeMemBuffer<std::uint8_t>(static_cast<std::size_t>(stripe * sectorSize));
        m_scratchBytes = static_cast<std::size_t>(stripe * sectorSize);
      }
      bool firstOther = true;
      for (std::uint64_t other = 0; other < n; ++other) {
        if (other == column) continue;
        // The first of the others lands in place; the rest are folded in.
        std::uint8_t* into = firstOther ? buffer : m_scratch.get();
        if (!ReadMember(*m_members[static_cast<std::size_t>(other)], into, position, k)) {
          std::memset(buffer, 0, bytes);
          return 0;
        }
        if (!firstOther) XorInto(buffer, m_scratch.get(), bytes);
        firstOther = false;
      }
    }
    buffer += bytes;
    first += k;
    count -= k;
  }
  return 1;
}

CMirrorVolumeDevice::CMirrorVolumeDevice(const DynamicVolumeInfo& info, std::unique_ptr<IDynamicDevice> first,
                                         std::unique_ptr<IDynamicDevice> second)
    : DynamicVolumeBase(kDynamicMirror, info, {}) {
  m_nChunkSize = kMirrorChunk;
  if (first) m_subVolumes.push_back(std::move(first));
  if (second) m_subVolumes.push_back(std::move(second));
  // A copy that lacks a piece must say so, or its zeros would hide the
  // other copy's data.
  for (const auto& sub : m_subVolumes)
    if (auto* copy = dynamic_cast<DynamicVolumeBase*>(sub.get())) copy->SetGapsFail(true);
}

std::int32_t CMirrorVolumeDevice::GetSectorSize() {
  return m_subVolumes.empty() ? 512 : DiskSectorSize(m_subVolumes.front().get());
}

int CMirrorVolumeDevice::IsSameVolume(IDynamicDevice* other) { return DynamicVolumeBase::IsSameVolume(other); }

void CMirrorVolumeDevice::GetMemberExtents(DynamicExtentList& extents) {
  for (const auto& sub : m_subVolumes) {
    DynamicExtentList own;
    sub->GetMemberExtents(own);
    extents.insert(extents.end(), own.begin(), own.end());
  }
}

int CMirrorVolumeDevice::ReadInside(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) {
  const std::int32_t sectorSize = GetSectorSize();
  // A copy of other sectors than the mirror's cannot fill its buffer.
  std::vector<IDynamicDevice*> copies;
  for (const auto& sub : m_subVolumes)
    if (DiskSectorSize(sub.get()) == sectorSize) copies.push_back(sub.get());
  const auto readFrom = [&](std::uint8_t* out, std::uint64_t at, std::uint64_t n) {
    for (IDynamicDevice* copy : copies)
      if (copy->ReadSectors(out, at, n)) return true;
    std::memset(out, 0, static_cast<std::size_t>(n * static_cast<std::uint64_t>(sectorSize)));
    return false;
  };
  while (count > 0) {
    const std::uint64_t k = std::min(count, m_nChunkSize);
    if (!readFrom(buffer, first, k)) {
      // Neither copy reads the chunk whole: sector by sector, each from
      // whichever copy can give it; a sector that neither gives stays zero.
      for (std::uint64_t i = 0; i < k; ++i)
        readFrom(buffer + i * static_cast<std::uint64_t>(sectorSize), first + i, 1);
    }
    buffer += k * static_cast<std::uint64_t>(sectorSize);
    first += k;
    count -= k;
  }
  return 1;
}

std::unique_ptr<IDynamicDevice> CreateSimpleVolume(int volumeType, const DynamicVolumeInfo& info,
                                                   std::span<const DynamicMemberExtent> members) {
  if (members.size() > kMaxDynamicMembers || MembersWithDisk(members) != 1) return nullptr;
  return std::make_unique<CSimpleVolumeDevice>(volumeType, info, members);
}

std::unique_ptr<IDynamicDevice> CreateSpannedVolume(int volumeType, const DynamicVolumeInfo& info,
                                                    std::span<const DynamicMemberExtent> members) {
  if (members.size() > kMaxDynamicMembers || MembersWithDisk(members) == 0) return nullptr;
  return std::make_unique<CSpannedVolumeDevice>(volumeType, info, members);
}

std::unique_ptr<IDynamicDevice> CreateStripedVolume(int volumeType, const DynamicVolumeInfo& info,
                                                    std::span<const DynamicMemberExtent> members,
                                                    std::uint64_t stripeSectors) {
  if (members.size() > kMaxDynamicMembers || MembersWithDisk(members) == 0) return nullptr;
  auto device = std::make_unique<CStripedVolumeDevice>(volumeType, info, members);
  device->SetChunkSize(StripeSectors(members, stripeSectors));
  return device;
}

std::unique_ptr<IDynamicDevice> CreateRaid5Volume(int volumeType, const DynamicVolumeInfo& info,
                                                  std::span<const DynamicMemberExtent> members,
                                                  std::uint64_t stripeSectors) {
  // One column is parity, so a volume of fewer than two has no data.
  if (members.size() < 2 || members.size() > kMaxDynamicMembers) return nullptr;
  if (MembersWithDisk(members) + 1 < members.size()) return nullptr;
  auto device = std::make_unique<CRaid5VolumeDevice>(volumeType, info, members);
  device->SetChunkSize(StripeSectors(members, stripeSectors));
  return device;
}

std::unique_ptr<IDynamicDevice> CreateMirrorVolume(int /*volumeType*/, const DynamicVolumeInfo& info,
                                                   std::unique_ptr<IDynamicDevice> first,
                                                   std::unique_ptr<IDynamicDevice> second) {
  if (!first && !second) return nullptr;
  return std::make_unique<CMirrorVolumeDevice>(info, std::move(first), std::move(second));
}
