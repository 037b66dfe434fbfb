#include "storage/device_identity.h"

#include <cstring>
#include <vector>

#include "storage/disk_device.h"

namespace qm {

DeviceIdentity MakeDiskIdentity(CDiskDevice& disk) {
  DeviceIdentity identity{};
  DiskDescription description;
  if (disk.GetDiskDescription(description) != 0) {
    std::uint8_t* out = identity.data();
    const auto bus = static_cast<std::uint32_t>(description.busType);
    for (int i = 0; i < 4; ++i)
      out[i] = static_cast<std::uint8_t>(bus >> (8 * i));
    std::size_t at = 4;
    for (const char* text : {description.vendor, description.product, description.revision,
                             description.serialNumber, description.busText}) {
      std::memcpy(out + at, text, 260);
      at += 260;
    }
  }
  // Sector 0 as 512 bytes, whatever the disk's sector size.
  const std::int32_t sectorSize = disk.GetSectorSize();
  if (sectorSize >= 512) {
    std::vector<std::uint8_t> sector(static_cast<std::size_t>(sectorSize));
    if (disk.ReadSectors(sector.data(), 0, 1) != 0) {
      std::memcpy(identity.data() + kIdentitySectorOffset, sector.data(), 512);
      std::memset(identity.data() + kIdentityTableOffset, 0, kIdentityTableSize);
    }
  }
  return identity;
}

} // namespace qm
