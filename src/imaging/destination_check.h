// Whether an image may be written where the user chose: the folder takes a
// file (probed with a temporary file of its own, never the chosen path),
// how much room its disk has, and whether it lies on the source itself,
// where every byte written would overwrite space being rescued.
#pragma once

#include <cstdint>
#include <string>

class IStorageDevice;

namespace qm::image {

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path);

// Free space available to the user on the disk of the path's folder, in
// whole MiB; 0 when it cannot be measured.
std::uint64_t FreeSpaceMB(const std::string& path);

// Creates, writes 512 bytes into and removes a uniquely named file in the
// path's folder. The chosen path itself is not opened, written or deleted.
bool ProbeFolderWritable(const std::string& path);

// The block device node or file behind a source device, when it can be
// told (a disk, a volume, a partition window over one, a plain image file);
// empty otherwise.
std::string SourceNode(IStorageDevice* source);

// True when writing at path would write onto the source: the path's
// folder is on the source disk or volume (or the source is on it), or the
// path is the source file itself.
bool IsOnSource(const std::string& path, const std::string& sourceNode);

} // namespace qm::image
