#include "ntfs/ntfs_file_properties.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "filemodel/file_node.h"
#include "filemodel/rs_data.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_boot_sector.h"
#include "ntfs/ntfs_extents.h"
#include "storage/storage_device.h"

// A tree holds one of these for every file; the pool hands out 16-byte
// steps, so a few more bytes would cost 16 a file.
static_assert(sizeof(CNTFSFileProperties) <= 112, "NTFS file properties grew past 112 bytes");

namespace {

// A saved extension pair is (sector, record number); the record's offset
// inside its sector (not 0 only on devices whose sectors hold several
// records) rides in the 16 bits above the 48-bit record number.
constexpr unsigned kOffsetShift = 48;

std::uint64_t PackExtensionNumber(const qm::ExtensionRecordRef& ref) {
  return (ref.recordNumber & qm::kRecordNumberMask) | (std::uint64_t{ref.offsetInSector} << kOffsetShift);
}

qm::ExtensionRecordRef UnpackExtension(std::uint64_t sector, std::uint64_t packed) {
  qm::ExtensionRecordRef ref;
  ref.sector = sector;
  ref.recordNumber = packed & qm::kRecordNumberMask;
  ref.offsetInSector = static_cast<std::uint32_t>(packed >> kOffsetShift);
  return ref;
}

// Where the file's record starts inside its sector. Only a device sector
// larger than a record holds several; the record sector alone does not
// tell them apart, but a resident file's extents keep the offset of its
// value from the sector's start: the record is the one (at a multiple of
// 1024 bytes) whose first unnamed resident $DATA value lies exactly there.
// Anything else starts at the sector.
std::uint32_t RecordOffsetInSector(const CNTFSFileProperties& properties, IStorageDevice& device,
                                   std::uint64_t sector) {
  const std::int32_t sectorSize = device.GetSectorSize();
  const CPackedDataRunList* extents = properties.GetPackedExtents();
  if (sectorSize <= static_cast<std::int32_t>(qm::mft::kFixupBytes) || extents == nullptr ||
      extents->GetResidentValue() == 0 || sector >= device.GetSectorCount())
    return 0;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(sectorSize));
  if (!device.ReadSectors(buffer.data(), sector, 1)) return 0;
  const std::uint32_t value = extents->GetResidentValue();
  for (std::uint32_t at = value / qm::mft::kFixupBytes * qm::mft::kFixupBytes;; at -= qm::mft::kFixupBytes) {
    if (at + qm::mft::kFixupBytes <= buffer.size()) {
      const std::span<std::uint8_t> candidate(buffer.data() + at, qm::mft::kFixupBytes);
      const CNTFSFileRecordView view(candidate, false);
      for (unsigned i = 0; view.IsValid(); ++i) {
        const qm::NtfsAttribute data = FindAttribute(view.Record(), qm::mft::kData, i);
        if (!data) break;
        if (qm::attr::NameLength(data.bytes) != 0) continue;
        if (qm::attr::IsResident(data.bytes) &&
            data.offset + std::uint32_t{data.bytes.le16(qm::mft::kAttrValueOffset)} == value - at)
          return at;
        break;
      }
    }
    if (at == 0) return 0;
  }
}

} // namespace

void CNTFSFileProperties::SetName(const char* name) {
  if (name == nullptr) return;
  const std::size_t length = std::strlen(name);
  name_.assign(name, length);
  nameLength_ = static_cast<std::uint16_t>(std::min<std::size_t>(length + 1, 0xFFFF));
}

std::uint32_t CNTFSFileProperties::SetExtraValue(std::uint32_t value) {
  const std::uint32_t previous = extraValue_;
  extraValue_ = static_cast<std::uint8_t>(value);
  return previous;
}

int CNTFSFileProperties::Save(IRSData* stream) const {
  if (stream == nullptr) return 0;
  IRSData& s = *stream;
  qm::RSWrite(s, nameLength_);
  // The name, then zeros (its terminator) up to the length.
  WriteText(s, name_, nameLength_);
  WriteFacts(s, SavedTimes::kYes);
  qm::RSWrite(s, recordSector_);
  WriteExtents(stream);
  const std::uint64_t count = extensions_ ? extensions_->size() : 0;
  qm::RSWrite(s, count);
  if (extensions_) {
    for (const qm::ExtensionRecordRef& ref : *extensions_) {
      qm::RSWrite(s, ref.sector);
      qm::RSWrite(s, PackExtensionNumber(ref));
    }
  }
  return 1;
}

int CNTFSFileProperties::Load(IRSData* stream) {
  if (stream == nullptr) return 0;
  IRSData& s = *stream;
  const auto nameLength = qm::RSRead<std::uint16_t>(s);
  std::string name = ReadText(s, nameLength);
  const SavedFacts facts = ReadFacts(s, SavedTimes::kYes);
  const auto recordSector = qm::RSRead<std::uint64_t>(s);
  std::unique_ptr<CPackedDataRunList> extents;
  if (!ReadExtents(stream, extents)) return 0;
  const auto count = qm::RSRead<std::uint64_t>(s);
  if (count > kMaxExtensionRecords) return 0;
  std::unique_ptr<qm::ExtensionRecordList> extensions;
  if (count != 0) {
    qm::ExtensionRecordList list;
    for (std::uint64_t i = 0; i < count; ++i) {
      const auto sector = qm::RSRead<std::uint64_t>(s);
      const auto packed = qm::RSRead<std::uint64_t>(s);
      list.push_back(UnpackExtension(sector, packed));
    }
    extensions = std::make_unique<qm::ExtensionRecordList>(std::move(list));
  }
  TakeLoaded(std::move(name), facts, std::move(extents));
  nameLength_ = nameLength;
  recordSector_ = recordSector;
  extensions_ = std::move(extensions);
  return 1;
}

void CNTFSFileProperties::Init(NtfsFileInfo&& info) {
  name_ = std::move(info.name);
  nameLength_ = info.nameLength;
  size_ = info.size;
  attributes_ = info.attributes;
  creationTime_ = info.creationTime;
  lastWriteTime_ = info.lastWriteTime;
  lastAccessTime_ = info.lastAccessTime;
  state_ = info.state;
  checkState_ = info.checkState;
  extraValue_ = info.mark;
  recordSector_ = info.recordSector;
  extents_ = std::move(info.extents);
}

int CNTFSFileProperties::ReadResidentData(CFileNode* node, IStorageDevice* device, std::uint32_t* length,
                                          std::uint8_t* buffer, std::uint32_t bufferSize) {
  return NtfsReadResidentFileData(node, device, length, buffer, bufferSize);
}

int CNTFSFileProperties::ReadEncryptionMetadata(CFileNode* node, IStorageDevice* device,
                                                std::uint32_t* length, std::uint8_t* buffer,
                                                std::uint32_t bufferSize) {
  return ReadNtfsFileStreamForRecovery(node, device, length, buffer, bufferSize);
}

std::unique_ptr<CNTFSFileProperties> CreateNtfsFileProperties() {
  return std::make_unique<CNTFSFileProperties>();
}

std::unique_ptr<CNTFSFileRecord> NtfsLoadFileRecord(CFileNode* node, IStorageDevice* device) {
  if (node == nullptr || device == nullptr || node->IsFileSystemNode()) return nullptr;
  auto* properties = dynamic_cast<CNTFSFileProperties*>(node->GetProperties());
  if (properties == nullptr || properties->IsFolder()) return nullptr;
  const std::uint64_t sector = properties->GetFileRecordSector();
  static const qm::ExtensionRecordList kNone;
  const qm::ExtensionRecordList* extensions = properties->GetExtensionList();
  return NtfsLoadFileRecordAt(*device, sector, extensions != nullptr ? *extensions : kNone,
                              RecordOffsetInSector(*properties, *device, sector));
}

int NtfsReadResidentFileData(CFileNode* node, IStorageDevice* device, std::uint32_t* length,
                             std::uint8_t* buffer, std::uint32_t bufferSize) {
  if (buffer == nullptr) return 0;
  const auto record = NtfsLoadFileRecord(node, device);
  if (!record) return 0;
  const auto read = NtfsReadResidentFileData(*record, std::span<std::uint8_t>(buffer, bufferSize));
  if (!read) return 0;
  if (length != nullptr) *length = static_cast<std::uint32_t>(*read);
  return 1;
}

int ReadNtfsFileStreamForRecovery(CFileNode* node, IStorageDevice* device, std::uint32_t* length,
                                  std::uint8_t* buffer, std::uint32_t bufferSize) {
  if (buffer == nullptr) return 0;
  std::uint64_t firstSector = 0;
  std::uint32_t sectorsPerCluster = 0;
  if (node == nullptr || !node->GetVolumeGeometry(&firstSector, &sectorsPerCluster)) return 0;
  const auto record = NtfsLoadFileRecord(node, device);
  if (!record) return 0;
  const auto read = ReadNtfsFileStreamForRecovery(*record, std::span<std::uint8_t>(buffer, bufferSize),
                                                  firstSector, sectorsPerCluster, *device);
  if (!read) return 0;
  if (length != nullptr) *length = static_cast<std::uint32_t>(*read);
  return 1;
}
