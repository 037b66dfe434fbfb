// The platform's handle on a disk, a partition or an image file: positioned
// reads (pread, so that two threads may read one handle) and the queries
// that the devices ask of the system. Always opened read-only: nothing in
// the program writes to a source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qm {

// Media types of the drive geometry.
inline constexpr std::int32_t kMediaTypeFloppy = 2;     // 3.5" floppy
inline constexpr std::int32_t kMediaTypeRemovable = 11; // removable media other than a floppy
inline constexpr std::int32_t kMediaTypeFixed = 12;     // fixed disk

struct DiskGeometry {
  std::uint64_t cylinders = 0;
  std::int32_t mediaType = 0;
  std::uint32_t tracksPerCylinder = 0;
  std::uint32_t sectorsPerTrack = 0;
  std::uint32_t bytesPerSector = 0;
};

class IDeviceHandle {
public:
  virtual ~IDeviceHandle() = default;

  // Reads up to length bytes at the byte offset. Returns the bytes read
  // (fewer only at the end of the device), or -1 with error set to the
  // system's error number.
  virtual std::int64_t ReadAt(void* buffer, std::size_t length, std::uint64_t offset, int& error) = 0;
  // Geometry and size; false when the system cannot answer.
  virtual bool GetGeometry(DiskGeometry& geometry) = 0;
  virtual bool GetLength(std::uint64_t& bytes) = 0;
  // The disk's own count of blocks (its last block address + 1) as a direct
  // capacity query at the given target answers it; false without an answer.
  virtual bool ReadCapacity(int target, std::uint64_t& blocks) {
    (void)target;
    (void)blocks;
    return false;
  }
};

// True for the errors that mean "device not ready": no medium, or the
// device went away and may come back when reopened.
bool IsNotReadyError(int error);

// Opens a block device or an image file read-only (O_RDONLY | O_CLOEXEC).
// Null when it cannot be opened; error then holds the system's error.
// mediaType is what the geometry reports for this handle.
std::unique_ptr<IDeviceHandle> OpenDeviceFile(const std::string& path, int& error,
                                              std::int32_t mediaType = kMediaTypeFixed);

// Geometry from a size and a sector size, as the system reports it for
// devices without a geometry of their own: 255 heads, 63 sectors per track.
DiskGeometry SyntheticGeometry(std::uint64_t bytes, std::uint32_t bytesPerSector, std::int32_t mediaType);

} // namespace qm
