// A file's base MFT record together with its extension records (those that
// its $ATTRIBUTE_LIST names), read through a sector device, and the search
// for an attribute in all of them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "ntfs/data_runs.h"
#include "ntfs/mft_record.h"
#include "storage/storage_device.h"

namespace qm {

// Where record n of an $MFT lies on the device: the sector that holds its
// first byte and the byte offset of the record inside that sector (not 0
// only when a device sector holds several records).
struct NtfsRecordLocation {
  std::uint64_t sector = 0;
  std::uint32_t offsetInSector = 0;
};

// The geometry needed to find records and clusters on a device.
struct NtfsVolumeGeometry {
  std::uint64_t partitionStart = 0;    // device sector of the volume's sector 0
  std::uint32_t sectorsPerCluster = 0; // device sectors
  std::uint32_t sectorSize = 512;      // device sector size in bytes
  std::uint32_t recordSize = 1024;     // bytes of one MFT record
  std::uint64_t ClusterBytes() const { return std::uint64_t{sectorsPerCluster} * sectorSize; }
};

// Maps record n through the $MFT's runs; nothing when its cluster is not
// mapped (or the geometry is unusable).
std::optional<NtfsRecordLocation> LocateMftRecord(const NtfsVolumeGeometry& geometry,
                                                  const NtfsRunList& mftRuns, std::uint64_t recordNumber);

// Reads record n into out (geometry.recordSize bytes). False when it is not
// mapped or the read fails.
bool ReadMftRecord(IStorageDevice& device, const NtfsVolumeGeometry& geometry, const NtfsRunList& mftRuns,
                   std::uint64_t recordNumber, std::vector<std::uint8_t>& out);

// One extension record of a file: where it lies and its number.
struct ExtensionRecordRef {
  std::uint64_t sector = 0;
  std::uint64_t recordNumber = 0;
  std::uint32_t offsetInSector = 0;
  bool operator==(const ExtensionRecordRef&) const = default;
};
using ExtensionRecordList = std::vector<ExtensionRecordRef>;

// The biggest attribute list that is read; real lists are a few KiB, and a
// hostile allocated size must not size a buffer.
inline constexpr std::uint64_t kMaxAttributeListBytes = 256 * 1024;

} // namespace qm

// The extension records named by the record's $ATTRIBUTE_LIST (resident, or
// non-resident and read from the device), each record number once, mapped
// through the $MFT's runs; entries that are unmapped or point at the base
// record itself are dropped. Nothing when there is no list or it is empty.
// The record's bytes leave unchanged.
std::optional<qm::ExtensionRecordList>
BuildExtensionRecordList(std::span<std::uint8_t> record, std::uint64_t recordSector, IStorageDevice& device,
                         const qm::NtfsVolumeGeometry& geometry, const qm::NtfsRunList& mftRuns);

class CNTFSFileRecord {
public:
  // Keeps a fixed-up private copy of the record. The extension records are
  // read from the device on first use.
  // offsetInSector: where the record starts inside its sector (not 0 only
  // on devices whose sectors hold several records).
  CNTFSFileRecord(std::span<const std::uint8_t> record, std::uint64_t sector, IStorageDevice* device,
                  const qm::ExtensionRecordList& extensions, std::uint32_t offsetInSector = 0);
  ~CNTFSFileRecord();
  CNTFSFileRecord(const CNTFSFileRecord&) = delete;
  CNTFSFileRecord& operator=(const CNTFSFileRecord&) = delete;

  // Takes another record into the same object, keeping its buffers: a
  // build that reads millions of records allocates none of them anew.
  void Reset(std::span<const std::uint8_t> record, std::uint64_t sector, IStorageDevice* device,
             const qm::ExtensionRecordList& extensions, std::uint32_t offsetInSector = 0);
  // The same over the caller's buffer without copying it: the buffer is
  // fixed up in place and stays so until Release, the next Reset or Borrow,
  // or the end of this object, each of which gives it back byte for byte
  // as it came. The buffer must outlive its use here.
  void Borrow(std::span<std::uint8_t> record, std::uint64_t sector, IStorageDevice* device,
              const qm::ExtensionRecordList& extensions, std::uint32_t offsetInSector = 0);
  // Gives a borrowed buffer back as it came; the record is then invalid.
  void Release();

  bool IsValid() const { return valid_; }
  qm::ByteView Record() const { return valid_ ? qm::ByteView(base_.data(), base_.size()) : qm::ByteView(); }
  // Where the attributes of the base record lie; empty when it is not valid.
  const qm::NtfsAttributeTable& Attributes() const { return baseAttributes_; }
  std::uint64_t Sector() const { return sector_; }
  std::uint32_t OffsetInSector() const { return offsetInSector_; }

  struct Found {
    qm::NtfsAttribute attribute; // bytes stay valid while this object lives
    std::uint64_t recordSector = 0;
    std::uint32_t recordOffsetInSector = 0;
    explicit operator bool() const { return static_cast<bool>(attribute); }
  };
  // The index-th attribute of the type: first in the base record, then in
  // the extension records in list order, counting on. Extension records that
  // cannot be read or are invalid are skipped.
  Found FindAttributeAnywhere(std::uint32_t type, unsigned index);

private:
  struct Extension {
    qm::ExtensionRecordRef ref;
    bool loaded = false;
    bool valid = false;
    std::vector<std::uint8_t> bytes;
  };
  qm::ByteView LoadExtension(Extension& extension);
  bool BelongsToThisFile(qm::ByteView extension, const qm::ExtensionRecordRef& ref) const;
  void CheckBase();
  void TakeExtensions(const qm::ExtensionRecordList& extensions);

  std::vector<std::uint8_t> copy_; // the base record, unless borrowed
  std::span<std::uint8_t> base_;   // copy_ or the borrowed buffer
  bool borrowed_ = false;
  bool fixedUp_ = false; // the fix-up was applied to base_
  qm::NtfsAttributeTable baseAttributes_;
  std::uint64_t sector_ = 0;
  std::uint32_t offsetInSector_ = 0;
  IStorageDevice* device_ = nullptr;
  std::vector<Extension> extensions_;
  bool valid_ = false;
};

// The record that starts offsetInSector bytes into the given device sector,
// read with its extension list, sized by its own header (1024 to 4096
// bytes); null when it cannot be read or is not a valid record. This is
// what a found file's node is loaded again from.
std::unique_ptr<CNTFSFileRecord> NtfsLoadFileRecordAt(IStorageDevice& device, std::uint64_t sector,
                                                      const qm::ExtensionRecordList& extensions,
                                                      std::uint32_t offsetInSector = 0);

// Copies a resident attribute's value into the buffer when it fits; its
// length, or nothing.
std::optional<std::uint64_t> NtfsReadResidentData(qm::ByteView attribute, std::span<std::uint8_t> buffer);

// Reads an attribute's data into the buffer: a resident value is copied; a
// non-resident one is read run by run in device sectors (sparse runs as
// zeros) until a run no longer fits the buffer. A run at a negative cluster
// or past the end of the device ends the reading. Returns the real size, or
// the buffer size when that is smaller; nothing for an attribute that gives
// no data.
std::optional<std::uint64_t> NtfsReadAttributeData(qm::ByteView attribute, std::span<std::uint8_t> buffer,
                                                   std::uint64_t firstSector, std::uint32_t sectorsPerCluster,
                                                   IStorageDevice& device);
