// The dynamic-disk test: a dynamic disk is marked by an MBR entry of type
// 0x42 (with its private header at sector 6), or on a GPT disk by the two
// partitions of the dynamic-disk database.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/byte_view.h"

class IStorageDevice;

// 1 when the disk is a dynamic disk.
std::uint8_t IsDynamicDisk(IStorageDevice* device, std::uint64_t sectorCount, std::int32_t sectorSize);

// The private header stores its numbers big-endian. Converts the header's
// numeric fields of a 512-byte (or larger) buffer in place.
void PrivHeadToHostOrder(std::uint8_t* header, std::size_t size);
// True when the buffer begins with "PRIVHEAD".
bool IsPrivHead(const std::uint8_t* header, std::size_t size);

namespace qm {
// Whether a GPT entry's UTF-16 name (from entry offset 56) begins with the
// name of the database's metadata partition, "LDM metadata partition", or
// of its data partition, "LDM data partition".
bool IsLdmMetadataPartitionName(ByteView name);
bool IsLdmDataPartitionName(ByteView name);
} // namespace qm
