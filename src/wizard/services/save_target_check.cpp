#include "wizard/services/save_target_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/volume_file_system.h"
#include "platform/disk_table.h"
#include "platform/log.h"
#include "storage/disk_device.h"
#include "storage/image_file_device.h"
#include "storage/partition_device.h"
#include "storage/volume_device.h"

namespace qm {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Parent(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

class HostSystem : public TargetFileSystem {
public:
  int Stat(const std::string& path, bool& isFolder) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno;
    isFolder = S_ISDIR(st.st_mode);
    return 0;
  }

  int VolumeOf(const std::string& folder, bool& readOnly, bool& optical) override {
    struct statvfs vfs {};
    if (::statvfs(folder.c_str(), &vfs) != 0) return errno;
    readOnly = (vfs.f_flag & ST_RDONLY) != 0;
    char resolved[PATH_MAX];
    optical = false;
    if (::realpath(folder.c_str(), resolved) != nullptr) {
      const MountEntry mount = FindMountOf(resolved, ReadText("/proc/self/mountinfo"));
      optical = mount.fileSystemType == "iso9660" || mount.fileSystemType == "udf";
    }
    return 0;
  }

  int ProbeWrite(const std::string& folder) override {
    const std::string base = folder == "/" ? "" : folder;
    for (int attempt = 0; attempt < 100; ++attempt) {
      // O_EXCL: a file of the test's name that is already there is the
      // user's and is never opened, let alone removed.
      const std::string name = attempt == 0 ? std::string(kTargetTestFileName)
                                            : "!t_1_e_s_2_3_t." + std::to_string(::getpid()) + "." +
                                                  std::to_string(attempt) + ".tst";
      const std::string path = base + "/" + name;
      const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
      if (fd < 0) {
        if (errno == EEXIST) continue;
        return errno;
      }
      ::close(fd);
      return ::unlink(path.c_str()) == 0 ? 0 : errno;
    }
    return EEXIST;
  }
};

// The code for a failure to look at the target.
int CodeOfError(int error) {
  switch (error) {
  case ENOTDIR:
    return kTargetInvalidName;
  case ENAMETOOLONG:
    return kTargetTooLong;
  case EACCES:
  case EPERM:
  case EROFS:
    return kTargetNotWritable;
  case ENOMEDIUM:
    return kTargetNoDisk;
  default:
    return kTargetNotReady;
  }
}

} // namespace

TargetFileSystem& HostTargetFileSystem() {
  static HostSystem system;
  return system;
}

std::string NearestExistingFolder(const std::string& path, TargetFileSystem& system) {
  std::string at = path;
  while (at.size() > 1 && at.back() == '/')
    at.pop_back();
  for (;;) {
    bool folder = false;
    if (system.Stat(at, folder) == 0 || at == "/") return at;
    at = Parent(at);
  }
}

int CheckTargetFolder(const std::string& path, TargetFileSystem& system) {
  if (path.size() > kMaxTargetPath) return kTargetTooLong;
  if (path.empty()) return kTargetEmpty;
  if (path.front() != '/') return kTargetNotAbsolute;
  const std::string withSlash = path.back() == '/' ? path : path + "/";
  // "." and ".." parts (and names that begin with a dot).
  if (withSlash.find("/.") != std::string::npos) return kTargetInvalidName;
  for (std::size_t i = 1; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (c < 0x20 || c == 0x7F ||
        std::string_view("*?:\"<>|\\").find(static_cast<char>(c)) != std::string::npos)
      return kTargetBadSymbol;
  }
  // The nearest folder that exists: what is missing below it is made by
  // the save, so it is that folder that must take new files.
  std::string at = withSlash.substr(0, withSlash.size() - 1);
  if (at.empty()) at = "/";
  for (;;) {
    bool folder = false;
    const int error = system.Stat(at, folder);
    if (error == 0) {
      if (!folder) return kTargetInvalidName;
      break;
    }
    if (error != ENOENT || at == "/") return CodeOfError(error);
    at = Parent(at);
  }
  bool readOnly = false;
  bool optical = false;
  if (const int error = system.VolumeOf(at, readOnly, optical); error != 0) return CodeOfError(error);
  if (readOnly || optical) return kTargetNotWritable;
  if (const int error = system.ProbeWrite(at); error != 0) {
    LogInfo("The target folder %s takes no new file: error %d", at.c_str(), error);
    return kTargetNotWritable;
  }
  return kTargetOk;
}

unsigned TargetCheckMessageId(int code) {
  return code >= 1 && code <= 12 ? 147u + static_cast<unsigned>(code) : 160u;
}

bool TargetCheckIsWarning(int code) {
  switch (code) {
  case kTargetInvalidName:
  case kTargetNotAbsolute:
  case kTargetBadParameter:
  case kTargetBadSymbol:
    return true;
  default:
    return code < 1 || code > 12;
  }
}

TargetPlace PlaceOfTarget(const TargetDevices& devices,
                          const std::function<std::uint64_t(std::uint64_t)>& diskOf) {
  if (devices.source == 0) return TargetPlace::kElsewhere;
  auto is = [&](std::uint64_t dev) { return dev != 0 && dev == devices.source; };
  if (is(devices.target) || is(devices.targetMount))
    return devices.sourceIsDisk ? TargetPlace::kSameDisk : TargetPlace::kSameVolume;
  if (!devices.sourceIsDisk || !diskOf) return TargetPlace::kElsewhere;
  if ((devices.target != 0 && is(diskOf(devices.target))) ||
      (devices.targetMount != 0 && is(diskOf(devices.targetMount))))
    return TargetPlace::kSameDisk;
  return TargetPlace::kElsewhere;
}

std::uint64_t DiskOfBlockDevice(std::uint64_t device) {
  const dev_t dev = static_cast<dev_t>(device);
  const std::string sys = "/sys/dev/block/" + std::to_string(major(dev)) + ":" + std::to_string(minor(dev));
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::canonical(sys, error);
  if (error || !std::filesystem::exists(resolved / "partition", error)) return device;
  unsigned diskMajor = 0;
  unsigned diskMinor = 0;
  const std::string text = ReadText((resolved.parent_path() / "dev").string());
  if (std::sscanf(text.c_str(), "%u:%u", &diskMajor, &diskMinor) != 2) return device;
  return makedev(diskMajor, diskMinor);
}

std::string SourceDeviceNode(IStorageDevice* device, bool& isDisk) {
  isDisk = false;
  for (int depth = 0; device != nullptr && depth < 8; ++depth) {
    if (auto* volume = dynamic_cast<CVolumeDevice*>(device)) {
      const std::optional<VolumeEntry> entry = FindVolume(volume->GetDriveLetter());
      return entry ? entry->node : std::string();
    }
    if (auto* image = dynamic_cast<CImageFileDevice*>(device)) return image->GetPath();
    if (auto* disk = dynamic_cast<CDiskDevice*>(device)) {
      const std::vector<DiskEntry> disks = ListDisks();
      const int index = disk->GetDiskNumber();
      if (index < 0 || static_cast<std::size_t>(index) >= disks.size()) return {};
      isDisk = true;
      return disks[static_cast<std::size_t>(index)].node;
    }
    if (auto* part = dynamic_cast<CBasicPartitionDevice*>(device)) {
      // A window on a disk: the disk is what the files are read from.
      device = part->GetParent();
      continue;
    }
    device = device->GetExtraInfo();
  }
  return {};
}

TargetPlace FindTargetPlace(const std::string& target, IStorageDevice* source) {
  TargetDevices devices;
  const std::string node = SourceDeviceNode(source, devices.sourceIsDisk);
  struct stat st {};
  if (node.empty() || ::stat(node.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return TargetPlace::kElsewhere;
  devices.source = st.st_rdev;
  const std::string folder = NearestExistingFolder(target);
  if (::stat(folder.c_str(), &st) == 0) devices.target = st.st_dev;
  char resolved[PATH_MAX];
  if (::realpath(folder.c_str(), resolved) != nullptr) {
    const MountEntry mount = FindMountOf(resolved, ReadText("/proc/self/mountinfo"));
    if (!mount.source.empty() && ::stat(mount.source.c_str(), &st) == 0 && S_ISBLK(st.st_mode))
      devices.targetMount = st.st_rdev;
  }
  return PlaceOfTarget(devices, DiskOfBlockDevice);
}

} // namespace qm
