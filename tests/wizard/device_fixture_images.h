// The images the device-page tests list, made once per run by the real
// tools: an MBR disk holding a FAT32 and an NTFS volume, a lone NTFS
// volume, a lone FAT32 volume, a copy of the NTFS volume that the user
// opens as an image, and an empty file that no image reader accepts.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qm::test {

struct DeviceFixtureImages {
  std::filesystem::path mbr, ntfs, fat32, userImage, empty;
  bool Made() const { return !mbr.empty() && !ntfs.empty() && !fat32.empty() && !userImage.empty(); }
  // The three that stand as disks.
  std::vector<std::string> Disks() const { return {mbr.string(), ntfs.string(), fat32.string()}; }
};

// Made on the first call, the same paths after it.
const DeviceFixtureImages& DeviceImages();

} // namespace qm::test
