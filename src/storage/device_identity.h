// What tells a disk again after a restart of the program: its description
// and its first sector with the partition table blanked (so that a disk
// whose table was rewritten or wiped is still the same disk). Two disks are
// the same when their identities are equal byte for byte.
//
// Layout (5400 bytes, zero where nothing is filled):
//      0 1304  the disk's description: bus type (i32), vendor, product,
//              revision, serial number and bus text (260 bytes each)
//   1304  512  sector 0, with its partition table (64 bytes at 1750) zero
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class CDiskDevice;

namespace qm {

inline constexpr std::size_t kDeviceIdentitySize = 5400;
inline constexpr std::size_t kIdentitySectorOffset = 1304;
inline constexpr std::size_t kIdentityTableOffset = 1750;
inline constexpr std::size_t kIdentityTableSize = 64;

using DeviceIdentity = std::array<std::uint8_t, kDeviceIdentitySize>;

// The identity of a disk; the parts that cannot be read stay zero.
DeviceIdentity MakeDiskIdentity(CDiskDevice& disk);

} // namespace qm
