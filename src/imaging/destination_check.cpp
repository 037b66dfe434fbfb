#include "imaging/destination_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/disk_table.h"
#include "storage/disk_device.h"
#include "storage/image_file_device.h"
#include "storage/partition_device.h"
#include "storage/volume_device.h"

namespace qm::image {

namespace {

// The resolved sysfs folder of a block device number; empty when none.
std::string SysfsOf(dev_t device) {
  const std::string link =
      "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  std::error_code error;
  const auto resolved = std::filesystem::canonical(link, error);
  return error ? std::string() : resolved.string();
}

bool Within(const std::string& inner, const std::string& outer) {
  return !outer.empty() && inner.size() >= outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
         (inner.size() == outer.size() || inner[outer.size()] == '/');
}

} // namespace

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::uint64_t FreeSpaceMB(const std::string& path) {
  struct statvfs info {};
  if (::statvfs(FolderOf(path).c_str(), &info) != 0) {
    return 0;
  }
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize / (1024 * 1024);
}

bool ProbeFolderWritable(const std::string& path) {
  std::string pattern = FolderOf(path) + "/.quenmark-probe-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  char zeros[512] = {};
  const bool written = ::write(fd, zeros, sizeof zeros) == static_cast<ssize_t>(sizeof zeros);
  ::close(fd);
  ::unlink(name.data());
  return written;
}

std::string SourceNode(IStorageDevice* source) {
  for (int depth = 0; source != nullptr && depth < 8; ++depth) {
    if (auto* window = dynamic_cast<CBasicPartitionDevice*>(source)) {
      source = window->GetParent();
      continue;
    }
    if (auto* disk = dynamic_cast<CDiskDevice*>(source)) {
      const auto disks = ListDisks();
      const int n = disk->GetDiskNumber();
      return n >= 0 && static_cast<std::size_t>(n) < disks.size() ? disks[static_cast<std::size_t>(n)].node
                                                                  : std::string();
    }
    if (auto* volume = dynamic_cast<CVolumeDevice*>(source)) {
      for (const VolumeEntry& entry : ListVolumes()) {
        if (entry.letter == volume->GetDriveLetter()) {
          return entry.node;
        }
      }
      return {};
    }
    if (auto* file = dynamic_cast<CImageFileDevice*>(source)) {
      return file->GetPath();
    }
    // A view with 512-byte sectors names the device it wraps.
    source = source->GetExtraInfo();
  }
  return {};
}

bool IsOnSource(const std::string& path, const std::string& sourceNode) {
  if (sourceNode.empty()) {
    return false;
  }
  struct stat node {};
  if (::stat(sourceNode.c_str(), &node) != 0) {
    return false;
  }
  if (S_ISREG(node.st_mode)) {
    // A file source: only the file itself would be overwritten.
    struct stat target {};
    return ::stat(path.c_str(), &target) == 0 && target.st_dev == node.st_dev && target.st_ino == node.st_ino;
  }
  if (!S_ISBLK(node.st_mode)) {
    return false;
  }
  struct stat folder {};
  if (::stat(FolderOf(path).c_str(), &folder) != 0) {
    return false;
  }
  if (folder.st_dev == node.st_rdev) {
    return true;
  }
  const std::string target = SysfsOf(folder.st_dev);
  const std::string source = SysfsOf(node.st_rdev);
  return Within(target, source) || Within(source, target);
}

} // namespace qm::image
