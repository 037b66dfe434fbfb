// Whether a folder can take the recovered files: the checks on the text
// the user typed, on the volume that would hold it, a test write, and
// where it lies against the device the files are recovered from. What the
// checks ask of the system goes through TargetFileSystem, so that a test
// can stand in a read-only or a full volume.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class IStorageDevice;

namespace qm {

// Codes of CheckTargetFolder, each with its message (TargetCheckMessageId).
enum TargetCheckCode : int {
  kTargetOk = 0,
  kTargetNoDisk = 1,
  kTargetNoDrive = 2,
  kTargetNotFormatted = 3,
  kTargetInvalidName = 4,
  kTargetRamDisk = 5,
  kTargetNotReady = 6,
  kTargetNotWritable = 7,
  kTargetNotAbsolute = 8,
  kTargetBadParameter = 9,
  kTargetBadSymbol = 10,
  kTargetTooLong = 11,
  kTargetEmpty = 12,
};

// The longest target folder accepted, in bytes: the files' own names and
// folders still have to fit below it.
inline constexpr std::size_t kMaxTargetPath = 245;

// The name of the file written to test a folder; a unique variant is used
// when a file of this name is already there.
inline constexpr const char* kTargetTestFileName = "!t_1_e_s_2_3_t.tst";

class TargetFileSystem {
public:
  virtual ~TargetFileSystem() = default;
  // 0 and whether it is a folder, or the system's error number.
  virtual int Stat(const std::string& path, bool& isFolder) = 0;
  // 0 and the volume's facts for an existing folder, or an error number.
  virtual int VolumeOf(const std::string& folder, bool& readOnly, bool& optical) = 0;
  // Creates a file of its own in the folder (never opening one that is
  // there) and removes it again: 0 when both worked, else an error number.
  virtual int ProbeWrite(const std::string& folder) = 0;
};

// The system itself.
TargetFileSystem& HostTargetFileSystem();

// 0 when path is a folder the files can go to (it may not exist yet: the
// save makes it), else the code of what is wrong. Nothing is left behind.
int CheckTargetFolder(const std::string& path, TargetFileSystem& system = HostTargetFileSystem());

// The string id of a code's message, and whether it is shown as a warning
// (exclamation) rather than information.
unsigned TargetCheckMessageId(int code);
bool TargetCheckIsWarning(int code);

// The nearest folder of path that exists ("/" at worst).
std::string NearestExistingFolder(const std::string& path, TargetFileSystem& system = HostTargetFileSystem());

// Where a target lies against the source of the recovery.
enum class TargetPlace {
  kElsewhere,
  kSameDisk,   // on the disk being recovered from: ask first
  kSameVolume, // on the volume being recovered from: refused
};

// The facts the decision needs, as device numbers (0 = none).
struct TargetDevices {
  std::uint64_t target = 0;      // st_dev of the target's folder
  std::uint64_t targetMount = 0; // the block device its mount names
  std::uint64_t source = 0;      // the source's block device
  bool sourceIsDisk = false;     // the source is a whole disk (or a window on one)
};

// The decision on those facts; diskOf gives the disk a block device lies
// on (the device itself for a whole disk).
TargetPlace PlaceOfTarget(const TargetDevices& devices,
                          const std::function<std::uint64_t(std::uint64_t)>& diskOf);

// The disk of a block device from sysfs; the device itself when it is no
// partition or sysfs cannot say.
std::uint64_t DiskOfBlockDevice(std::uint64_t device);

// The device node (or image file) a storage device reads and whether it is
// a whole disk; empty when it cannot be told.
std::string SourceDeviceNode(IStorageDevice* device, bool& isDisk);

// The place of a target folder against a source device, from the system.
TargetPlace FindTargetPlace(const std::string& target, IStorageDevice* source);

} // namespace qm
