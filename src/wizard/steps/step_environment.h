// What a step is given when the context makes it: the shared services, the
// way to the sheet, and the steps its road hands on to. A step reaches
// nothing else of the wizard.
#pragma once

#include "wizard/services/wizard_services.h"

class QWidget;

namespace qm {

class IWizardPageController;
class ITypeOfFileToRecoveryController;
class CDeleteRecoveryPartitionDeviceSelectController;
class CCompleteRecoveryPartitionDeviceSelectController;
class CLostRecoveryDiskDeviceSelectController;
class CSaveFileController;
class CSaveResultController;
class CFileSelectController;
class CLostRecoveryPartitionDeviceSelectController;
class CCompleteRecoveryScanPartitionDeviceSelectController;
class CLostRecoveryScanPartitionDeviceSelectController;

// The sheet as the steps see it.
class IWizardNavigator {
public:
  virtual ~IWizardNavigator() = default;
  // Shows the page of that index (pages 5 and 6 as dialogs over the page on
  // show); its banner follows the recovery mode.
  virtual void SetActivePage(int page) = 0;
  // Enables or disables Next (Recover on the file page).
  virtual void EnableButton(bool enable) = 0;
  // The window the steps' own dialogs open over; null while no sheet is shown.
  virtual QWidget* Window() = 0;
};

// The steps of the roads, set by the context once it has made them all. A
// road's hand-on reads the step it moves to from here.
struct WizardSteps {
  // The start of every road: the file-type step, and the device step of
  // each recovery mode (0 deleted files, 1 format, 2 partitions).
  ITypeOfFileToRecoveryController* type = nullptr;
  IWizardPageController* deviceOfMode[3] = {};
  CDeleteRecoveryPartitionDeviceSelectController* deleteDevice = nullptr;
  CCompleteRecoveryPartitionDeviceSelectController* completeDevice = nullptr;
  CLostRecoveryDiskDeviceSelectController* lostDisk = nullptr;
  CSaveFileController* saveFile = nullptr;
  CSaveResultController* saveResult = nullptr;
  CFileSelectController* fileSelect = nullptr;
  CLostRecoveryPartitionDeviceSelectController* lostPartition = nullptr;
  CCompleteRecoveryScanPartitionDeviceSelectController* completeScan = nullptr;
  CLostRecoveryScanPartitionDeviceSelectController* lostScan = nullptr;
};

struct StepEnvironment : WizardShared {
  IWizardNavigator& navigator;
  const WizardSteps& steps;
};

} // namespace qm
