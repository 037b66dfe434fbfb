#include "ntfs/volume_record.h"

#include <cstring>
#include <vector>

#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record.h"
#include "storage/text_convert.h"

namespace {

// Reads length bytes that start byteOffset bytes after device sector
// firstSector, whatever the device's sector size.
bool ReadBytesAt(IStorageDevice& device, std::uint64_t firstSector, std::uint64_t byteOffset,
                 std::size_t length, std::vector<std::uint8_t>& out) {
  const std::int32_t sectorSize = device.GetSectorSize();
  if (sectorSize <= 0) return false;
  const std::uint64_t ss = static_cast<std::uint64_t>(sectorSize);
  const std::uint64_t sector = firstSector + byteOffset / ss;
  if (sector < firstSector) return false;
  const std::uint64_t within = byteOffset % ss;
  const std::uint64_t count = (within + length + ss - 1) / ss;
  const std::uint64_t total = device.GetSectorCount();
  if (sector > total || count > total - sector) return false;
  std::vector<std::uint8_t> buffer(count * ss);
  if (!device.ReadSectors(buffer.data(), sector, count)) return false;
  out.assign(buffer.begin() + static_cast<std::ptrdiff_t>(within),
             buffer.begin() + static_cast<std::ptrdiff_t>(within + length));
  return true;
}

} // namespace

bool GetVolumeNameFromRecord(std::span<std::uint8_t> record, char (&name)[qm::kVolumeNameBytes]) {
  name[0] = '\0';
  if (record.size() < qm::mft::kFixupBytes) return false;
  const CNTFSFileRecordView view(record, false);
  if (!view.IsValid()) return false;
  const qm::NtfsAttribute attribute = FindAttribute(view.Record(), qm::mft::kVolumeName, 0);
  if (!attribute) return false;
  const auto value = qm::attr::ResidentValue(attribute.bytes);
  if (!value) return false;
  const std::uint64_t valueOffset = static_cast<std::uint64_t>(value->data() - attribute.bytes.data());
  if (std::uint64_t{attribute.offset} + valueOffset + value->size() > qm::mft::kFixupBytes) return false;
  std::u16string text(value->size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(value->le16(2 * i));
  const std::string utf8 = WideStringToMultiByte(text);
  // Cut at a whole character so that the name stays valid UTF-8.
  std::size_t n = std::min(utf8.size(), qm::kVolumeNameBytes - 1);
  while (n > 0 && n < utf8.size() && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80)
    --n;
  std::memcpy(name, utf8.data(), n);
  name[n] = '\0';
  return true;
}

int ReadVolumeRecord(IStorageDevice& device, std::uint64_t firstSector, const CNTFSDBR& boot,
                     char (&name)[qm::kVolumeNameBytes]) {
  name[0] = '\0';
  if (!boot.HasUsableFileRecordSize()) return 0;
  const std::uint32_t recordSize = boot.GetFileRecordSize();
  const std::int64_t lcn = boot.GetMftStartCluster();
  const std::uint64_t clusterBytes = std::uint64_t{boot.GetSectorsPerCluster()} * boot.GetBytesPerSector();
  if (lcn < 0 || clusterBytes == 0) return 0;
  // Positions are counted in bytes, so that the record is found on devices
  // whose sectors are larger than the volume's.
  if (static_cast<std::uint64_t>(lcn) > (std::uint64_t{1} << 62) / clusterBytes) return 0;
  const std::uint64_t byte =
      static_cast<std::uint64_t>(lcn) * clusterBytes + qm::kVolumeRecordNumber * recordSize;
  std::vector<std::uint8_t> record;
  if (!ReadBytesAt(device, firstSector, byte, recordSize, record)) return 0;
  GetVolumeNameFromRecord(record, name);
  return 1;
}

int ReadVolumeNameAt(std::int64_t sector, IStorageDevice& device, char (&name)[qm::kVolumeNameBytes],
                     std::uint32_t recordSize) {
  name[0] = '\0';
  if (sector < 0 || recordSize < 1024 || recordSize > 4096) return 0;
  std::vector<std::uint8_t> bytes;
  if (!ReadBytesAt(device, static_cast<std::uint64_t>(sector), qm::kVolumeRecordDistance,
                   qm::kVolumeNameReadBytes, bytes))
    return 0;
  GetVolumeNameFromRecord(std::span<std::uint8_t>(bytes).first(recordSize), name);
  return 1;
}

std::string WideStringToMultiByte(std::u16string_view text) {
  if (text.empty()) return {};
  return qm::Utf16ToUtf8(text);
}

bool IsMftAtLcn(std::uint64_t recordSector, std::int64_t lcn, std::uint64_t partitionStart,
                std::uint32_t sectorsPerCluster) {
  if (sectorsPerCluster == 0 || lcn < 0 || recordSector < partitionStart) return false;
  const std::uint64_t offset = recordSector - partitionStart;
  if (offset % sectorsPerCluster != 0) return false;
  return offset / sectorsPerCluster == static_cast<std::uint64_t>(lcn);
}
