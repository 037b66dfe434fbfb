// Where the device pages get the machine's disks and volumes from: the
// platform's disk table on a real machine, or a set of image files standing
// as disks in tests and demonstrations.
#pragma once

#include <string>
#include <vector>

#include "storage/device_collection.h"
#include "storage/disk_device.h"

struct CollectedDevices {
  DiskList disks;
  VolumeList volumes; // points into disks: destroy volumes first
  // Set when the machine lists disks but none could be opened (no root,
  // not in the "disk" group): the pages show this instead of an empty list.
  std::string unreadableReason;

  CollectedDevices() = default;
  CollectedDevices(CollectedDevices&&) = default;
  CollectedDevices& operator=(CollectedDevices&& other) noexcept;
  ~CollectedDevices();
};

class DeviceSource {
public:
  virtual ~DeviceSource() = default;
  // Runs on a worker thread: the disks, and the volumes on them when asked.
  virtual void Collect(CollectedDevices& out, bool withVolumes) = 0;
};

// Every disk of the platform's disk table (the image overrides included).
class LinuxDeviceSource : public DeviceSource {
public:
  void Collect(CollectedDevices& out, bool withVolumes) override;
};

// Only the given image files, each standing as a disk. The files are added
// to the platform's override list once, when the source is made.
class FixtureDeviceSource : public DeviceSource {
public:
  explicit FixtureDeviceSource(const std::vector<std::string>& imagePaths);
  void Collect(CollectedDevices& out, bool withVolumes) override;
  const std::vector<int>& DiskIndices() const { return m_indices; }

private:
  std::vector<int> m_indices;
};

namespace qm {
// The reason shown when disks exist but none opens, from the error of the
// first refused open; empty when the error is not about permission. Root
// is told that the system refused, anyone else that rights are missing.
std::string UnreadableDisksReason(int error, bool asRoot = false);
} // namespace qm
