#include "storage/volume_names.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/byte_view.h"
#include "storage/volume_analyzer.h"

namespace {

void CopyName(const char* name, char* buffer, std::size_t bufferSize) {
  if (buffer == nullptr || bufferSize == 0) return;
  const std::size_t n = std::min(std::strlen(name), bufferSize - 1);
  std::memcpy(buffer, name, n);
  buffer[n] = '\0';
}

struct MbrTypeRow {
  std::uint8_t type;
  int fileSystem;
};

constexpr MbrTypeRow kMbrTypes[] = {
    {0x01, 0}, {0x11, 0},                                             // FAT12, hidden FAT12
    {0x04, 1}, {0x06, 1}, {0x0E, 1}, {0x14, 1}, {0x16, 1}, {0x1E, 1}, // FAT16 and hidden
    {0x0B, 2}, {0x0C, 2}, {0x1B, 2},                                  // FAT32 and hidden
    {0x07, 3}, {0x17, 3},                                             // NTFS, hidden NTFS
    {0x82, 4}, {0x83, 4}, {0x85, 4}, {0x8E, 4}, {0x92, 4}, {0x93, 4}, // Linux types
};

} // namespace

namespace qm {

const char* FileSystemTypeName(int fileSystemType) {
  static const char* const kNames[] = {"FAT12", "FAT16", "FAT32", "NTFS", "EXT2", "EXT3"};
  return fileSystemType >= 0 && fileSystemType <= 5 ? kNames[fileSystemType] : "UNKNOWN";
}

} // namespace qm

void GetVolumeFileSystemName(int fileSystemType, char* buffer, std::size_t bufferSize) {
  CopyName(qm::FileSystemTypeName(fileSystemType), buffer, bufferSize);
}

void GetDynamicVolumeTypeName(int volumeType, char* buffer, std::size_t bufferSize) {
  static const char* const kNames[] = {"SIMPLE", "MIRROR", "SPANNED", "STRIPPED", "RAID5"};
  CopyName(volumeType >= 2 && volumeType <= 6 ? kNames[volumeType - 2] : "UNKNOWN", buffer, bufferSize);
}

int GetMbrTypeFileSystem(std::uint8_t partitionType) {
  for (const MbrTypeRow& row : kMbrTypes)
    if (row.type == partitionType) return row.fileSystem;
  return 7;
}

int GetBootSectorFileSystem(const void* sector, std::uint32_t bytesPerSector) {
  if (sector == nullptr || bytesPerSector < 512) return 7;
  const qm::ByteView view(sector, bytesPerSector);
  const int fat = qm::ClassifyBootSector(qm::VolumeAnalyzerSlot::Fat, view, bytesPerSector);
  if (fat >= 0 && fat <= 2) return fat;
  return qm::ClassifyBootSector(qm::VolumeAnalyzerSlot::Ntfs, view, bytesPerSector) == 3 ? 3 : 7;
}

int ReadVolumeLabel(IStorageDevice* volume, int fileSystemType, char* label, int labelSize) {
  if (label != nullptr && labelSize > 0) std::memset(label, 0, static_cast<std::size_t>(labelSize));
  if (volume == nullptr || label == nullptr || labelSize <= 0) return 0;
  qm::VolumeAnalyzerSlot slot;
  if (fileSystemType >= 0 && fileSystemType <= 2)
    slot = qm::VolumeAnalyzerSlot::Fat;
  else if (fileSystemType == 3)
    slot = qm::VolumeAnalyzerSlot::Ntfs;
  else
    return 0;
  const std::unique_ptr<IVolume> analyzer = qm::MakeVolumeAnalyzer(slot, volume, 0);
  if (analyzer->GetFileSystemType() == 7) return 0;
  analyzer->GetLabel(label, labelSize);
  // An analyser fills the whole buffer; the caller gets a terminated text.
  label[labelSize - 1] = '\0';
  return 1;
}
