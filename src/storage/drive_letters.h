// Drive letters of partitions and volumes. The letters are the platform's
// pseudo-letters (platform/disk_table.h): every partition of a machine
// disk has one, in disk order from C. A partition read from a disk's
// table gets the letter of the system partition at the same start.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/byte_view.h"
#include "platform/disk_table.h"
#include "storage/partition_table.h"

class CDiskDevice;

// Fills each record's drive letter (0 when its partition has none): the
// disk's layout gives the system's partition number of each start, and the
// volume table the letter of that partition.
void AssignDriveLetters(CDiskDevice* disk, DiskPartitionList& records);

// The letter of a volume named by its volume GUID; 0 when none. The
// platform names no volume by such a GUID, so there is none here.
char GetVolumeLetterFromGuid(const std::uint8_t (&volumeGuid)[16]);

// The letter of a dynamic volume by its volume and disk-group names; 0
// when none. The platform gives dynamic volumes no such names, so there is
// none here.
char GetDynamicVolumeLetter(const std::string& volumeName, const std::string& diskGroupName);

namespace qm {

// The work of AssignDriveLetters on a layout already read (the layout of
// QueryDriveLayout) and a volume table already listed.
void AssignLettersFromLayout(ByteView layout, std::uint32_t bytesPerSector, int diskNumber,
                             DiskPartitionList& records, std::span<const VolumeEntry> volumes);

} // namespace qm
