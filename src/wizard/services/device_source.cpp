#include "wizard/services/device_source.h"

#include <QtCore/QtGlobal>

#include <unistd.h>

#include <cerrno>

#include "platform/disk_table.h"
#include "platform/log.h"
#include "storage/disk_device.h"

CollectedDevices& CollectedDevices::operator=(CollectedDevices&& other) noexcept {
  if (this != &other) {
    volumes.clear(); // before the disks its extents point at
    volumes = std::move(other.volumes);
    disks = std::move(other.disks);
    unreadableReason = std::move(other.unreadableReason);
  }
  return *this;
}

CollectedDevices::~CollectedDevices() { volumes.clear(); }

namespace qm {

std::string UnreadableDisksReason(int error, bool asRoot) {
  if (error != EACCES && error != EPERM) return {};
  // English here for the log; the page shows it translated.
  if (asRoot) {
    // Rights are not what is missing: the system itself (a container, a
    // security policy) keeps the disks from this program.
    return QT_TRANSLATE_NOOP(
        "CDeviceCollector",
        "No disk of this computer can be opened: the system refused access to the disks, even to the "
        "administrator. A disk image file can be opened instead (Disk Image, Open Disk Image, or Ctrl+O).");
  }
  return QT_TRANSLATE_NOOP(
      "CDeviceCollector",
      "No disk of this computer can be opened: reading disks needs administrator rights "
      "(run as root, or as a member of the \"disk\" group). Disk images can still be opened.");
}

} // namespace qm

void LinuxDeviceSource::Collect(CollectedDevices& out, bool withVolumes) {
  CollectDisks(out.disks);
  if (out.disks.empty()) {
    const std::size_t listed = qm::ListDisks().size();
    for (std::size_t i = 0; i < listed; ++i) {
      int error = 0;
      if (qm::OpenDisk(static_cast<int>(i), error)) continue;
      out.unreadableReason = qm::UnreadableDisksReason(error, ::geteuid() == 0);
      if (!out.unreadableReason.empty()) break;
    }
    if (!out.unreadableReason.empty()) LogInfo("%s", out.unreadableReason.c_str());
  }
  if (withVolumes && !out.disks.empty()) CollectAllBasicPartitionandDynamicVolume(out.disks, out.volumes);
}

FixtureDeviceSource::FixtureDeviceSource(const std::vector<std::string>& imagePaths) {
  for (const std::string& path : imagePaths)
    m_indices.push_back(qm::AddDiskOverride(path));
}

void FixtureDeviceSource::Collect(CollectedDevices& out, bool withVolumes) {
  for (int index : m_indices) {
    auto disk = std::make_unique<CDiskDevice>(index);
    if (disk->IsOpen()) out.disks.push_back(std::move(disk));
  }
  if (withVolumes && !out.disks.empty()) CollectAllBasicPartitionandDynamicVolume(out.disks, out.volumes);
}
