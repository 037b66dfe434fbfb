// What a step is given when the context makes it: the shared services, the
// way to the sheet, and the steps its road hands on to. A step reaches
// nothing else of the wizard.
#pragma once

#include "wizard/services/wizard_services.h"

class QWidget;

namespace qm {

class IWizardPageController;
class ITypeOfFileToRecoveryController;
class IDeviceStepController;
class ISaveFileStep;
class ISaveResultController;
class IFileSelectStep;
class ILostPartitionStep;
class IScanPartitionStep;

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
// road's hand-on reads the step it moves to from here, by the interface of
// what that step takes over (step_handoffs.h), never by its controller.
struct WizardSteps {
  // The start of every road: the file-type step, and the device step of
  // each recovery mode (0 deleted files, 1 format, 2 partitions).
  ITypeOfFileToRecoveryController* type = nullptr;
  IWizardPageController* deviceOfMode[3] = {};
  IDeviceStepController* deleteDevice = nullptr;
  IDeviceStepController* completeDevice = nullptr;
  IDeviceStepController* lostDisk = nullptr;
  ISaveFileStep* saveFile = nullptr;
  ISaveResultController* saveResult = nullptr;
  IFileSelectStep* fileSelect = nullptr;
  ILostPartitionStep* lostPartition = nullptr;
  IScanPartitionStep* completeScan = nullptr;
  IScanPartitionStep* lostScan = nullptr;
};

struct StepEnvironment : WizardShared {
  IWizardNavigator& navigator;
  const WizardSteps& steps;
};

} // namespace qm
