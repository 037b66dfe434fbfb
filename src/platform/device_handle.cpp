#include "platform/device_handle.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/hdreg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

constexpr std::uint32_t kFallbackHeads = 255;
constexpr std::uint32_t kFallbackSectorsPerTrack = 63;

// A block device or an image file behind one read-only descriptor.
class FileDeviceHandle final : public IDeviceHandle {
public:
  FileDeviceHandle(int fd, bool isBlockDevice, std::uint64_t fileSize, std::int32_t mediaType)
      : fd_(fd), isBlockDevice_(isBlockDevice), fileSize_(fileSize), mediaType_(mediaType) {}
  ~FileDeviceHandle() override { ::close(fd_); }

  std::int64_t ReadAt(void* buffer, std::size_t length, std::uint64_t offset, int& error) override {
    error = 0;
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    // pread may return less than asked (a signal, or the 2 GiB cap of one
    // call); only a return of 0 means the end of the device.
    while (done < length) {
      const ssize_t n = ::pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        error = errno;
        return -1;
      }
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
  }

  bool GetLength(std::uint64_t& bytes) override {
    if (!isBlockDevice_) {
      bytes = fileSize_;
      return true;
    }
    std::uint64_t size = 0;
    if (::ioctl(fd_, BLKGETSIZE64, &size) != 0) return false;
    bytes = size;
    return true;
  }

  bool GetGeometry(DiskGeometry& geometry) override {
    std::uint64_t bytes = 0;
    if (!GetLength(bytes)) return false;
    std::uint32_t sectorSize = 512;
    if (isBlockDevice_) {
      int logical = 0;
      if (::ioctl(fd_, BLKSSZGET, &logical) == 0 && logical > 0) sectorSize = static_cast<std::uint32_t>(logical);
    }
    geometry = SyntheticGeometry(bytes, sectorSize, mediaType_);
    hd_geometry hd{};
    if (isBlockDevice_ && ::ioctl(fd_, HDIO_GETGEO, &hd) == 0 && hd.heads != 0 && hd.sectors != 0) {
      geometry.tracksPerCylinder = hd.heads;
      geometry.sectorsPerTrack = hd.sectors;
      geometry.cylinders = bytes / sectorSize / (std::uint64_t{hd.heads} * hd.sectors);
    }
    return true;
  }

private:
  int fd_;
  bool isBlockDevice_;
  std::uint64_t fileSize_;
  std::int32_t mediaType_;
};

} // namespace

bool IsNotReadyError(int error) { return error == ENOMEDIUM || error == ENXIO; }

DiskGeometry SyntheticGeometry(std::uint64_t bytes, std::uint32_t bytesPerSector, std::int32_t mediaType) {
  DiskGeometry geometry;
  geometry.bytesPerSector = bytesPerSector;
  geometry.tracksPerCylinder = kFallbackHeads;
  geometry.sectorsPerTrack = kFallbackSectorsPerTrack;
  geometry.mediaType = mediaType;
  if (bytesPerSector != 0) geometry.cylinders = bytes / bytesPerSector / (kFallbackHeads * kFallbackSectorsPerTrack);
  return geometry;
}

std::unique_ptr<IDeviceHandle> OpenDeviceFile(const std::string& path, int& error, std::int32_t mediaType) {
  error = 0;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    error = errno;
    ::close(fd);
    return nullptr;
  }
  const bool isBlock = S_ISBLK(info.st_mode);
  if (!isBlock && !S_ISREG(info.st_mode)) {
    error = EINVAL;
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<FileDeviceHandle>(fd, isBlock, static_cast<std::uint64_t>(info.st_size), mediaType);
}

} // namespace qm
