// What the two scan-partition pages (complete and partition recovery) put
// in their check list and layout: the found partitions as rows, and the
// disk or volume they were found on as the layout's scale and caption.
#pragma once

#include <vector>

#include "controls/partition_layout_rows.h"
#include "controls/scan_partition_rows.h"
#include "filemodel/scan_state_store.h"

class CLostPartitionCtrlContainer;

namespace qm {

// Fills the container's list from the entries: with mode 1 the best entry
// is recommended first; the list gets the mode as its pre-check limit and
// the entries' threshold. `rows` keeps the rows the list points to.
void SetPartitions(CLostPartitionCtrlContainer& container, std::vector<ScanPartitionEntry>& entries,
                   unsigned mode, std::vector<IntelligentPartitionResult>& rows);

// The layout's disk for a disk record (an image or a physical disk) and
// for a volume of the device list.
LAYOUT_DISK LayoutDiskOf(const CScanStateRecord& record);
LAYOUT_DISK LayoutDiskOf(const DeviceListItem& volume);

// Clears the layout, sets its disk and fills the list (page 8: mode 4;
// page 7: 1 or 2 by the marks after the first entry).
void SetDiskSource(CLostPartitionCtrlContainer& container, std::vector<ScanPartitionEntry>& entries,
                   const CScanStateRecord& record, std::vector<IntelligentPartitionResult>& rows);
void SetVolumeSource(CLostPartitionCtrlContainer& container, std::vector<ScanPartitionEntry>& entries,
                     const DeviceListItem& volume, std::vector<IntelligentPartitionResult>& rows);

} // namespace qm
