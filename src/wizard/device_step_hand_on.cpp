// Stand-ins for the roads' steps after the device pages. Each road replaces
// its own function here with its step (and removes the stand-in).
#include "wizard/device_step_hand_on.h"

#include "platform/log.h"

namespace qm {

bool HandOnCompleteVolume(CCompleteRecoveryPartitionDeviceSelectController&, DeviceListItem&)
{
    LogInfo("The complete scan is not built yet");
    return false;
}

bool HandOnLostDisk(CLostRecoveryDiskDeviceSelectController&, CScanStateRecord&)
{
    LogInfo("The lost-partition search is not built yet");
    return false;
}

bool ResumeLastRecovery(IWizardPageController&)
{
    LogInfo("Resuming a previous search is not built yet");
    return false;
}

}  // namespace qm
