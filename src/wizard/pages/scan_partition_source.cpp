#include "wizard/pages/scan_partition_source.h"

#include <cstring>

#include "app/format_text.h"
#include "controls/partition_check_list.h"
#include "controls/partition_layout_view.h"
#include "platform/byte_view.h"
#include "storage/storage_device.h"

namespace qm {

void SetPartitions(CLostPartitionCtrlContainer& container, std::vector<ScanPartitionEntry>& entries,
                   unsigned mode, std::vector<IntelligentPartitionResult>& rows) {
  if (mode == 1) SelectBestPartition(entries);
  CMultipleChoosePartitionListCtrl* list = container.GetListPane();
  list->DeleteAllItems();
  list->SetListMode(mode);
  list->SetSuggestionThreshold(ComputeThreshold(entries));
  rows = BuildPartitionRows(entries); // the list points into this vector: filled whole first
  for (IntelligentPartitionResult& r : rows)
    list->AddPartition(&r);
}

LAYOUT_DISK LayoutDiskOf(const CScanStateRecord& record) {
  LAYOUT_DISK disk;
  const ByteView bytes(record.bytes.data(), record.bytes.size());
  if (record.device) {
    disk.sectorCount = record.device->GetSectorCount();
    disk.bytesPerSector = static_cast<std::uint32_t>(record.device->GetSectorSize());
  }
  const std::size_t textAt = record.GetKind() == CScanStateRecord::kKindDisk ? 20 : 16;
  const char* text = reinterpret_cast<const char*>(record.bytes.data() + textAt);
  disk.name.assign(text, strnlen(text, 256));
  // The record pads the description with blanks; inside the caption's
  // quotes they would show as part of the name.
  disk.name.erase(disk.name.find_last_not_of(' ') + 1);
  if (record.GetKind() == CScanStateRecord::kKindDisk)
    disk.type = bytes.le32(12) == 1 ? 1 : 0;
  else
    disk.type = 2;
  return disk;
}

LAYOUT_DISK LayoutDiskOf(const DeviceListItem& volume) {
  LAYOUT_DISK disk;
  disk.bytesPerSector = 512;
  if (volume.device) {
    disk.sectorCount = volume.device->GetSectorCount();
    disk.bytesPerSector = static_cast<std::uint32_t>(volume.device->GetSectorSize());
  }
  if (volume.sourceFlag) {
    disk.type = 2;
    disk.name.assign(volume.description, strnlen(volume.description, sizeof volume.description));
  } else {
    disk.type = 3;
    const std::string label(volume.volumeLabel, strnlen(volume.volumeLabel, sizeof volume.volumeLabel));
    disk.name = std::string(1, volume.driveLetter ? volume.driveLetter : '*') + " : " + label + "  (" +
                GetFileSystemTypeName(static_cast<unsigned>(volume.fileSystemType)) + ")";
  }
  return disk;
}

void SetDiskSource(CLostPartitionCtrlContainer& container, std::vector<ScanPartitionEntry>& entries,
                   const CScanStateRecord& record, std::vector<IntelligentPartitionResult>& rows) {
  container.GetLayoutView()->DeleteAllItems();
  container.GetLayoutPane()->SetItem(LayoutDiskOf(record));
  SetPartitions(container, entries, 4, rows);
}

void SetVolumeSource(CLostPartitionCtrlContainer& container, std::vector<ScanPartitionEntry>& entries,
                     const DeviceListItem& volume, std::vector<IntelligentPartitionResult>& rows) {
  container.GetLayoutView()->DeleteAllItems();
  container.GetLayoutPane()->SetItem(LayoutDiskOf(volume));
  SetPartitions(container, entries, CountMarkedAfterFirst(entries), rows);
}

} // namespace qm
