// The volumes of dynamic disks, each read as one sector device: simple,
// spanned, striped, mirrored and RAID-5 volumes made of pieces of one or
// more member disks. A read of volume sectors becomes reads of the member
// disks; a RAID-5 volume rebuilds a piece whose disk cannot be read from
// the other members' data and parity. Nothing here writes.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "storage/mem_alloc.h"
#include "storage/storage_device.h"

// Volume type codes.
inline constexpr int kDynamicSimple = 2;
inline constexpr int kDynamicMirror = 3;
inline constexpr int kDynamicSpanned = 4;
inline constexpr int kDynamicStriped = 5;
inline constexpr int kDynamicRaid5 = 6;

// One piece of a member disk, as the database describes it.
struct DynamicMemberExtent {
  std::uint32_t partitionIndex = 0; // column of a striped or RAID-5 piece
  char diskId[65] = {};             // the disk's id text from the database
  std::uint64_t diskStart = 0;      // first sector on its disk; 0 when the disk was not found
  std::uint64_t volumeOffset = 0;   // where the piece begins in its column (spanned: in the volume)
  std::uint64_t length = 0;         // sectors
  IStorageDevice* disk = nullptr;   // a disk of the device list, not owned; null when missing
};

// Equal when length, disk start, volume offset, disk and disk id text are
// (the partition index is not compared).
bool SameMemberExtent(const DynamicMemberExtent& a, const DynamicMemberExtent& b);

struct DynamicVolumeInfo {
  char diskGroupName[32] = {};
  char volumeName[128] = {};
  std::uint32_t fileSystemType = 7;
  std::uint64_t sectorCount = 0;
};

using DynamicExtentList = std::vector<const DynamicMemberExtent*>;

class IDynamicDevice : public IStorageDevice {
public:
  // 1 when other has this volume's type and every member extent of this
  // volume equals some member extent of other.
  virtual int IsSameVolume(IDynamicDevice* other) = 0;
  virtual int GetVolumeType() = 0;
  virtual int GetFileSystemType() = 0;
  // Inserts this volume's member extents, in their order, before the first
  // element of the list (a mirror appends each sub-volume's at the end).
  virtual void GetMemberExtents(DynamicExtentList& extents) = 0;
  // The volume's drive letter; 0 when it has none.
  virtual char GetDriveLetter() = 0;
};

namespace qm {

// What the volume kinds share: the member copies, the chunk size, the info
// and the type, the common read checks and the member reads.
class DynamicVolumeBase : public IDynamicDevice {
public:
  DynamicVolumeBase(int volumeType, const DynamicVolumeInfo& info, std::span<const DynamicMemberExtent> members);

  int ReadSectors(void* buffer, std::uint64_t first, std::uint64_t count) final;
  std::uint64_t GetSectorCount() override { return m_info.sectorCount; }
  // The sector size of the first member that has a disk; 512 without one.
  std::int32_t GetSectorSize() override;
  int Open() override { return 1; }
  int Close() override { return 1; }

  int IsSameVolume(IDynamicDevice* other) override;
  int GetVolumeType() override { return m_nVolumeType; }
  int GetFileSystemType() override { return static_cast<int>(m_info.fileSystemType); }
  void GetMemberExtents(DynamicExtentList& extents) override;
  char GetDriveLetter() override;

  const DynamicVolumeInfo& GetInfo() const { return m_info; }
  std::uint64_t GetChunkSize() const { return m_nChunkSize; }
  void SetChunkSize(std::uint64_t sectors) { m_nChunkSize = sectors; }
  std::size_t GetMemberCount() const { return m_members.size(); }
  // A spanned or striped volume leaves the part of a missing or unreadable
  // member zero-filled and succeeds; as a copy inside a mirror it fails
  // instead, so that the mirror takes that part from its other copy.
  void SetGapsFail(bool fail) { m_bGapsFail = fail; }

protected:
  // The layout's read, after the common checks: count ≥ 1 and the request
  // lies inside the volume; the buffer is zero-filled.
  virtual int ReadInside(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) = 0;

  // Reads count sectors that begin at sector position of the member's
  // column (or, spanned, of the volume). Fails when the member has no
  // disk, when its disk's sector size is not the volume's, when the run
  // does not lie inside the piece, or when the disk read fails.
  bool ReadMember(const DynamicMemberExtent& member, std::uint8_t* out, std::uint64_t position,
                  std::uint64_t count);
  // ReadMember, where a missing disk or a failed read leaves the part
  // zero-filled; false only when gaps are set to fail the read.
  bool ReadMemberOrZeros(const DynamicMemberExtent& member, std::uint8_t* out, std::uint64_t position,
                         std::uint64_t count);

  std::vector<std::unique_ptr<DynamicMemberExtent>> m_members;
  std::uint64_t m_nChunkSize = 128;
  DynamicVolumeInfo m_info;
  int m_nVolumeType;
  bool m_bGapsFail = false;
};

} // namespace qm

class CSimpleVolumeDevice : public qm::DynamicVolumeBase {
public:
  using DynamicVolumeBase::DynamicVolumeBase;

protected:
  int ReadInside(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) override;
};

class CSpannedVolumeDevice : public qm::DynamicVolumeBase {
public:
  using DynamicVolumeBase::DynamicVolumeBase;

protected:
  int ReadInside(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) override;
};

class CStripedVolumeDevice : public qm::DynamicVolumeBase {
public:
  using DynamicVolumeBase::DynamicVolumeBase;

protected:
  int ReadInside(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) override;
};

class CRaid5VolumeDevice : public qm::DynamicVolumeBase {
public:
  using DynamicVolumeBase::DynamicVolumeBase;

protected:
  int ReadInside(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) override;

private:
  // One stripe of a member, for rebuilding a piece; made on first need.
  qm::MemBuffer<std::uint8_t> m_scratch;
  std::size_t m_scratchBytes = 0;
};

// A mirror holds up to two sub-volumes (simple, spanned or striped), each
// a whole copy of the volume, and no member extents of its own.
class CMirrorVolumeDevice : public qm::DynamicVolumeBase {
public:
  CMirrorVolumeDevice(const DynamicVolumeInfo& info, std::unique_ptr<IDynamicDevice> first,
                      std::unique_ptr<IDynamicDevice> second);

  std::int32_t GetSectorSize() override;
  // Its own extents are those of its sub-volumes.
  int IsSameVolume(IDynamicDevice* other) override;
  void GetMemberExtents(DynamicExtentList& extents) override;

  std::size_t GetSubVolumeCount() const { return m_subVolumes.size(); }

protected:
  int ReadInside(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) override;

private:
  static constexpr std::uint64_t kMirrorChunk = 63;
  std::vector<std::unique_ptr<IDynamicDevice>> m_subVolumes;
};

// The factories, each given the volume type code, the info and the member
// extents (copied; the order is the volume's member order: a striped or
// RAID-5 member's list position is its column). Null when the layout
// cannot be read with the members that have a disk:
// - simple: exactly one member has a disk;
// - spanned, striped: at least one member has a disk;
// - RAID-5: at least two members, at most one of them without a disk;
// - mirror: at least one sub-volume exists.
// The stripe of the striped and RAID-5 volumes is stripeSectors when it is
// given (not 0) and at most kMaxDynamicStripeBytes, else 64 KiB of the
// first member's disk's sectors.
inline constexpr std::uint64_t kMaxDynamicStripeBytes = 16u << 20;
// A volume of more members than this is refused (real ones have at most 32
// disks); it bounds the work of one RAID-5 rebuild.
inline constexpr std::size_t kMaxDynamicMembers = 256;

std::unique_ptr<IDynamicDevice> CreateSimpleVolume(int volumeType, const DynamicVolumeInfo& info,
                                                   std::span<const DynamicMemberExtent> members);
std::unique_ptr<IDynamicDevice> CreateSpannedVolume(int volumeType, const DynamicVolumeInfo& info,
                                                    std::span<const DynamicMemberExtent> members);
std::unique_ptr<IDynamicDevice> CreateStripedVolume(int volumeType, const DynamicVolumeInfo& info,
                                                    std::span<const DynamicMemberExtent> members,
                                                    std::uint64_t stripeSectors = 0);
std::unique_ptr<IDynamicDevice> CreateRaid5Volume(int volumeType, const DynamicVolumeInfo& info,
                                                  std::span<const DynamicMemberExtent> members,
                                                  std::uint64_t stripeSectors = 0);
std::unique_ptr<IDynamicDevice> CreateMirrorVolume(int volumeType, const DynamicVolumeInfo& info,
                                                   std::unique_ptr<IDynamicDevice> first,
                                                   std::unique_ptr<IDynamicDevice> second);
