// The dynamic-disk test: a dynamic disk is marked by an MBR entry of type
// 0x42 (with its private header at sector 6), or on a GPT disk by the two
// partitions of the dynamic-disk database.
#pragma once

#include <cstdint>

class IStorageDevice;

// 1 when the disk is a dynamic disk.
std::uint8_t IsDynamicDisk(IStorageDevice* device, std::uint64_t sectorCount, std::int32_t sectorSize);

// The private header stores its numbers big-endian. Converts the header's
// numeric fields of a 512-byte (or larger) buffer in place.
void PrivHeadToHostOrder(std::uint8_t* header, std::size_t size);
// True when the buffer begins with "PRIVHEAD".
bool IsPrivHead(const std::uint8_t* header, std::size_t size);
