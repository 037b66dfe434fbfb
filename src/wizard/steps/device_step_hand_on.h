// Where each road goes once its device step has a chosen device: the
// deleted-file search of the volume, the complete scan of the volume or
// image, the lost-partition search of the disk, and resuming the previous
// search from its state file. Each road's own step defines its function.
#pragma once

struct DeviceListItem;
struct CScanStateRecord;

namespace qm {

class IWizardPageController;
struct StepEnvironment;
class CDeleteRecoveryPartitionDeviceSelectController;
class CCompleteRecoveryPartitionDeviceSelectController;
class CLostRecoveryDiskDeviceSelectController;

// Each returns what the step's Next returns: true when the road moved on.
bool HandOnDeletedFileVolume(CDeleteRecoveryPartitionDeviceSelectController& from, DeviceListItem& volume);
bool HandOnCompleteVolume(CCompleteRecoveryPartitionDeviceSelectController& from, DeviceListItem& volume);
bool HandOnLostDisk(CLostRecoveryDiskDeviceSelectController& from, CScanStateRecord& disk);
// Rebuilds the chain from the last state file of `from`'s search kind and
// shows its last step; false when nothing could be restored.
bool ResumeLastRecovery(const StepEnvironment& env, IWizardPageController& from);

} // namespace qm
