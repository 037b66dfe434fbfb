#include "platform/disk_table.h"

#include "platform/byte_view.h"

#include <errno.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

namespace qm {

namespace fs = std::filesystem;

namespace {

std::mutex g_overrideLock;
std::vector<DiskEntry> g_diskOverrides;
std::vector<VolumeEntry> g_volumeOverrides;

std::string ReadSysfsText(const fs::path& file) {
  std::ifstream in(file);
  if (!in) return {};
  std::string text;
  std::getline(in, text);
  return text;
}

std::uint64_t ReadSysfsNumber(const fs::path& file) {
  const std::string text = ReadSysfsText(file);
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool IsWholeDiskName(const std::string& name, const fs::path& entry) {
  // Hidden entries are the per-path devices of a multipath disk.
  if (ReadSysfsNumber(entry / "hidden") != 0) return false;
  if (StartsWith(name, "sd") || StartsWith(name, "vd") || StartsWith(name, "hd") || StartsWith(name, "xvd"))
    return true;
  if (StartsWith(name, "nvme")) return name.find('n', 4) != std::string::npos; // namespaces: nvme0n1
  if (StartsWith(name, "mmcblk"))
    return name.find("boot") == std::string::npos && name.find("rpmb") == std::string::npos;
  if (StartsWith(name, "loop")) return !ReadSysfsText(entry / "loop" / "backing_file").empty();
  return false;
}

// Orders names as people do: "sdb" before "sdaa", "nvme2n1" before "nvme10n1".
bool NaturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
      std::size_t ie = i, je = j;
      while (ie < a.size() && std::isdigit(static_cast<unsigned char>(a[ie]))) ++ie;
      while (je < b.size() && std::isdigit(static_cast<unsigned char>(b[je]))) ++je;
      const std::string na = a.substr(i, ie - i), nb = b.substr(j, je - j);
      if (na.size() != nb.size()) return na.size() < nb.size();
      if (na != nb) return na < nb;
      i = ie;
      j = je;
      continue;
    }
    std::size_t ie = i, je = j;
    while (ie < a.size() && !std::isdigit(static_cast<unsigned char>(a[ie]))) ++ie;
    while (je < b.size() && !std::isdigit(static_cast<unsigned char>(b[je]))) ++je;
    const std::string sa = a.substr(i, ie - i), sb = b.substr(j, je - j);
    if (sa.size() != sb.size()) return sa.size() < sb.size();
    if (sa != sb) return sa < sb;
    i = ie;
    j = je;
  }
  return a.size() - i < b.size() - j;
}

// Test runs set QUENMARK_NO_MACHINE_DISKS=1 so that what they see does not
// depend on the disks of the machine they run on: only the image files they
// add stand as disks and volumes then.
bool MachineDisksHidden() {
  const char* value = std::getenv("QUENMARK_NO_MACHINE_DISKS");
  return value != nullptr && value[0] == '1';
}

std::vector<DiskEntry> MachineDisks() {
  std::vector<DiskEntry> disks;
  if (MachineDisksHidden()) return disks;
  std::error_code error;
  for (const auto& item : fs::directory_iterator("/sys/block", error)) {
    const std::string name = item.path().filename().string();
    if (!IsWholeDiskName(name, item.path())) continue;
    DiskEntry disk;
    disk.name = name;
    disk.node = "/dev/" + name;
    disk.sysfsPath = fs::canonical(item.path(), error).string();
    disks.push_back(std::move(disk));
  }
  std::sort(disks.begin(), disks.end(), [](const DiskEntry& a, const DiskEntry& b) { return NaturalLess(a.name, b.name); });
  return disks;
}

std::string ReadMountinfo() {
  std::ifstream in("/proc/self/mountinfo");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Mountinfo escapes blanks and backslashes as three octal digits.
std::string UnescapeMountField(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const auto octal = [&](std::size_t k) { return k < field.size() && field[k] >= '0' && field[k] <= '7'; };
    if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

void ParseDevNumbers(const std::string& text, unsigned& major, unsigned& minor) {
  major = minor = 0;
  const auto colon = text.find(':');
  if (colon == std::string::npos) return;
  major = static_cast<unsigned>(std::strtoul(text.c_str(), nullptr, 10));
  minor = static_cast<unsigned>(std::strtoul(text.c_str() + colon + 1, nullptr, 10));
}

VolumeEntry MakeVolume(const fs::path& sysfs, const std::string& name, int diskIndex, const std::string& mountinfo) {
  VolumeEntry volume;
  volume.node = "/dev/" + name;
  volume.diskIndex = diskIndex;
  volume.startByte = ReadSysfsNumber(sysfs / "start") * 512; // sysfs counts 512-byte units
  volume.lengthBytes = ReadSysfsNumber(sysfs / "size") * 512;
  unsigned major = 0, minor = 0;
  ParseDevNumbers(ReadSysfsText(sysfs / "dev"), major, minor);
  volume.mountPoint = FindMountPoint(mountinfo, major, minor, volume.node);
  return volume;
}

} // namespace

std::string FindMountPoint(const std::string& mountinfo, unsigned major, unsigned minor, const std::string& node) {
  std::istringstream lines(mountinfo);
  std::string line;
  std::string bySource;
  while (std::getline(lines, line)) {
    // id parent major:minor root mountpoint options ... - fstype source superoptions
    std::istringstream fields(line);
    std::string id, parent, devNumbers, root, mountPoint;
    if (!(fields >> id >> parent >> devNumbers >> root >> mountPoint)) continue;
    std::string field, source;
    while (fields >> field && field != "-") {
    }
    std::string fsType;
    fields >> fsType >> source;
    unsigned lineMajor = 0, lineMinor = 0;
    ParseDevNumbers(devNumbers, lineMajor, lineMinor);
    if ((major != 0 || minor != 0) && lineMajor == major && lineMinor == minor) return UnescapeMountField(mountPoint);
    if (bySource.empty() && !node.empty() && UnescapeMountField(source) == node) bySource = UnescapeMountField(mountPoint);
  }
  return bySource;
}

std::vector<DiskEntry> ListDisks() {
  std::vector<DiskEntry> disks = MachineDisks();
  std::lock_guard<std::mutex> guard(g_overrideLock);
  disks.insert(disks.end(), g_diskOverrides.begin(), g_diskOverrides.end());
  return disks;
}

int AddDiskOverride(const std::string& path, HandleOpener opener) {
  DiskEntry disk;
  disk.name = fs::path(path).filename().string();
  disk.node = path;
  disk.opener = std::move(opener);
  const int machine = static_cast<int>(MachineDisks().size());
  std::lock_guard<std::mutex> guard(g_overrideLock);
  g_diskOverrides.push_back(std::move(disk));
  return machine + static_cast<int>(g_diskOverrides.size()) - 1;
}

void ClearDiskOverrides() {
  std::lock_guard<std::mutex> guard(g_overrideLock);
  g_diskOverrides.clear();
}

std::unique_ptr<IDeviceHandle> OpenDisk(int index, int& error) {
  const std::vector<DiskEntry> disks = ListDisks();
  if (index < 0 || static_cast<std::size_t>(index) >= disks.size()) {
    error = ENODEV;
    return nullptr;
  }
  const DiskEntry& disk = disks[static_cast<std::size_t>(index)];
  if (disk.opener) return disk.opener(error);
  const bool removable = !disk.sysfsPath.empty() && ReadSysfsNumber(fs::path(disk.sysfsPath) / "removable") != 0;
  return OpenDeviceFile(disk.node, error, removable ? kMediaTypeRemovable : kMediaTypeFixed);
}

std::vector<VolumeEntry> ListVolumes() {
  std::vector<VolumeEntry> volumes;
  const std::string mountinfo = ReadMountinfo();
  for (int floppy = 0; floppy < 2 && !MachineDisksHidden(); ++floppy) {
    const std::string name = "fd" + std::to_string(floppy);
    const fs::path sysfs = fs::path("/sys/block") / name;
    std::error_code error;
    if (!fs::exists(sysfs, error)) continue;
    VolumeEntry volume = MakeVolume(sysfs, name, -1, mountinfo);
    volume.startByte = 0;
    volume.letter = static_cast<char>('A' + floppy);
    volume.isFloppy = true;
    volumes.push_back(std::move(volume));
  }
  char next = 'C';
  const std::vector<DiskEntry> disks = MachineDisks();
  for (std::size_t d = 0; d < disks.size(); ++d) {
    const fs::path sysfs(disks[d].sysfsPath);
    std::vector<std::pair<std::uint64_t, VolumeEntry>> partitions;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(sysfs, error)) {
      if (!fs::exists(item.path() / "partition", error)) continue;
      const std::string name = item.path().filename().string();
      VolumeEntry volume = MakeVolume(item.path(), name, static_cast<int>(d), mountinfo);
      volume.partitionNumber = static_cast<int>(ReadSysfsNumber(item.path() / "partition"));
      partitions.emplace_back(static_cast<std::uint64_t>(volume.partitionNumber), std::move(volume));
    }
    std::sort(partitions.begin(), partitions.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    if (partitions.empty()) {
      VolumeEntry whole = MakeVolume(sysfs, disks[d].name, static_cast<int>(d), mountinfo);
      whole.startByte = 0;
      partitions.emplace_back(0, std::move(whole));
    }
    for (auto& [number, volume] : partitions) {
      if (next > 'Z') break;
      volume.letter = next++;
      volumes.push_back(std::move(volume));
    }
  }
  std::lock_guard<std::mutex> guard(g_overrideLock);
  for (VolumeEntry volume : g_volumeOverrides) {
    if (next > 'Z') break;
    volume.letter = next++;
    volumes.push_back(std::move(volume));
  }
  return volumes;
}

char AddVolumeOverride(const std::string& path, HandleOpener opener) {
  VolumeEntry volume;
  volume.node = path;
  volume.opener = std::move(opener);
  std::error_code error;
  volume.lengthBytes = fs::is_regular_file(path, error) ? fs::file_size(path, error) : 0;
  {
    std::lock_guard<std::mutex> guard(g_overrideLock);
    g_volumeOverrides.push_back(std::move(volume));
  }
  const std::vector<VolumeEntry> volumes = ListVolumes();
  std::lock_guard<std::mutex> guard(g_overrideLock);
  const std::size_t overrides = g_volumeOverrides.size();
  // The new override is the last one; it has a letter when the table got
  // that far.
  std::size_t seen = 0;
  for (const VolumeEntry& v : volumes)
    if (v.diskIndex == -1 && !v.isFloppy && ++seen == overrides) return v.letter;
  return 0;
}

void ClearVolumeOverrides() {
  std::lock_guard<std::mutex> guard(g_overrideLock);
  g_volumeOverrides.clear();
}

std::optional<VolumeEntry> FindVolume(char letter) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  for (VolumeEntry& volume : ListVolumes())
    if (volume.letter == upper) return volume;
  return std::nullopt;
}

std::unique_ptr<IDeviceHandle> OpenVolume(char letter, int& error) {
  std::optional<VolumeEntry> volume = FindVolume(letter);
  if (!volume) {
    error = ENODEV;
    return nullptr;
  }
  if (volume->opener) return volume->opener(error);
  return OpenDeviceFile(volume->node, error, volume->isFloppy ? kMediaTypeFloppy : kMediaTypeFixed);
}

char FindVolumeLetter(int diskIndex, std::uint64_t startByte) {
  for (const VolumeEntry& volume : ListVolumes())
    if (volume.diskIndex == diskIndex && diskIndex >= 0 && volume.startByte == startByte) return volume.letter;
  return 0;
}

bool QueryVolumeFreeSpace(char letter) {
  std::optional<VolumeEntry> volume = FindVolume(letter);
  if (!volume || volume->mountPoint.empty()) return false;
  struct statvfs info {};
  return ::statvfs(volume->mountPoint.c_str(), &info) == 0;
}

int QueryDriveLayout(int diskIndex, void* buffer, std::size_t size, std::size_t& needed) {
  const std::vector<DiskEntry> disks = ListDisks();
  if (diskIndex < 0 || static_cast<std::size_t>(diskIndex) >= disks.size()) return ENODEV;
  std::vector<VolumeEntry> partitions;
  for (VolumeEntry& volume : ListVolumes())
    if (volume.diskIndex == diskIndex && volume.partitionNumber > 0) partitions.push_back(std::move(volume));
  needed = kLayoutHeaderSize + kLayoutEntrySize * partitions.size();
  if (buffer == nullptr || size < needed) return kErrorInsufficientBuffer;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::memset(out, 0, needed);
  StoreLe32(out, static_cast<std::uint32_t>(partitions.size()));
  for (std::size_t i = 0; i < partitions.size(); ++i) {
    std::uint8_t* entry = out + kLayoutHeaderSize + kLayoutEntrySize * i;
    StoreLe64(entry, partitions[i].startByte);
    StoreLe64(entry + 8, partitions[i].lengthBytes);
    StoreLe32(entry + 16, static_cast<std::uint32_t>(partitions[i].partitionNumber));
  }
  return 0;
}

std::int32_t BusTypeFromSysfsPath(const std::string& path) {
  if (path.find("/usb") != std::string::npos) return 7;
  if (path.find("/nvme") != std::string::npos) return 17;
  if (path.find("/ata") != std::string::npos) return 3;
  if (path.find("/mmc") != std::string::npos) return 13;
  if (path.find("/virtio") != std::string::npos || path.find("/xen") != std::string::npos) return 14;
  if (path.find("/virtual/block/loop") != std::string::npos) return 15;
  if (path.find("/host") != std::string::npos || path.find("/scsi") != std::string::npos) return 1;
  return 0;
}

bool QueryStorageProperty(int diskIndex, StorageProperty& property) {
  property = StorageProperty{};
  const std::vector<DiskEntry> disks = ListDisks();
  if (diskIndex < 0 || static_cast<std::size_t>(diskIndex) >= disks.size()) return false;
  const DiskEntry& disk = disks[static_cast<std::size_t>(diskIndex)];
  if (disk.sysfsPath.empty()) {
    // An image standing as a disk: a file-backed virtual disk named after
    // its file.
    property.busType = 15;
    property.product = disk.name;
    return true;
  }
  const fs::path device = fs::path(disk.sysfsPath) / "device";
  property.busType = BusTypeFromSysfsPath(disk.sysfsPath);
  property.vendor = ReadSysfsText(device / "vendor");
  // Virtio and some others give a numeric bus id there, not a name.
  if (StartsWith(property.vendor, "0x")) property.vendor.clear();
  property.product = ReadSysfsText(device / "model");
  if (property.product.empty()) property.product = ReadSysfsText(device / "name"); // mmc
  property.revision = ReadSysfsText(device / "rev");
  if (property.revision.empty()) property.revision = ReadSysfsText(device / "firmware_rev"); // nvme
  property.serial = ReadSysfsText(device / "serial");
  if (property.serial.empty()) property.serial = ReadSysfsText(fs::path(disk.sysfsPath) / "serial"); // virtio
  if (property.serial.empty()) {
    // SCSI and ATA disks: the unit serial number page (header of 4 bytes,
    // length at byte 3).
    std::ifstream page(device / "vpd_pg80", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(page)), std::istreambuf_iterator<char>());
    if (bytes.size() > 4) {
      const std::size_t length = std::min<std::size_t>(static_cast<unsigned char>(bytes[3]), bytes.size() - 4);
      property.serial = bytes.substr(4, length);
    }
  }
  return true;
}

} // namespace qm
