// The volumes of a disk image: what its partition table describes (the
// entries of a GPT or an MBR with its logical partitions, or one file system
// that fills the image from sector 0), each an item of the device lists
// that reads the image through a window, so that an image of a whole disk
// is recovered from volume by volume like the disk itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "storage/device_collection.h"

namespace qm {

// One image item per volume of the image's partition table, in table
// order. Each shares the image, reads it through a window and carries the
// file system, label and place the volume analysers found. The
// description reads "<name>:<n>", n counting from 1.
VolumeList ImageVolumes(const std::shared_ptr<IStorageDevice>& image, const std::string& path,
                        const std::string& name);

// A window of `sectors` sectors from `start` on the image; null when it
// does not lie inside the image.
std::unique_ptr<IStorageDevice> ImageWindow(IStorageDevice* image, std::uint64_t start, std::uint64_t sectors);

} // namespace qm
