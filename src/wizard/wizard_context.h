// The one place that makes the wizard: the shared services (settings,
// message boxes, outside seams), every step, the sheet and its pages, and
// the wiring between them. Only the program's start-up and the tests include
// it. The steps' GetInstance answers from the current context, so a test
// builds a fresh context per case.
#pragma once

#include <memory>

#include "wizard/main_frame_wizard.h"
#include "wizard/services/wizard_services.h"
#include "wizard/steps/step_environment.h"

namespace qm {

class Prompter;
class CWizardSheet;
class CRecoveryModeSelectController;
class CTypeOfFileToRecoveryController;
class CDeleteRecoveryPartitionDeviceSelectController;
class CCompleteRecoveryPartitionDeviceSelectController;
class CLostRecoveryDiskDeviceSelectController;
class CSaveFileController;
class CSaveResultController;
class CFileSelectController;
class CLostRecoveryPartitionDeviceSelectController;
class CCompleteRecoveryScanPartitionDeviceSelectController;
class CLostRecoveryScanPartitionDeviceSelectController;

class WizardContext : public IMainFrameWizard {
public:
  WizardContext(Prompter& prompter, AppSettings& settings, WizardServices services = DefaultWizardServices());
  ~WizardContext() override;
  WizardContext(const WizardContext&) = delete;
  WizardContext& operator=(const WizardContext&) = delete;

  // The current context (the most recent one alive); null when none.
  static WizardContext* instance();

  Prompter& prompter() override { return prompter_; }
  AppSettings& settings() { return settings_; }
  WizardServices& services() { return services_; }
  // What every step is given when made (the tests make steps of their own).
  const StepEnvironment& stepEnvironment() const { return environment_; }

  // The sheet, made on first call (its pages and controllers linked).
  CWizardSheet& sheet() override;
  // The help topic through the program's help service, when it has one.
  void OpenHelp(int topic) override;
  bool HasSheet() const { return sheet_ != nullptr; }

  CRecoveryModeSelectController& modeController() { return *mode_; }
  CTypeOfFileToRecoveryController& typeController() { return *type_; }
  CDeleteRecoveryPartitionDeviceSelectController& deleteDeviceController() { return *deleteDevice_; }
  CCompleteRecoveryPartitionDeviceSelectController& completeDeviceController() { return *completeDevice_; }
  CLostRecoveryDiskDeviceSelectController& lostDiskController() { return *lostDisk_; }
  CSaveFileController& saveFileController() { return *saveFile_; }
  CSaveResultController& saveResultController() { return *saveResult_; }
  CFileSelectController& fileSelectController() { return *fileSelect_; }
  CLostRecoveryPartitionDeviceSelectController& lostPartitionController() { return *lostPartition_; }
  CCompleteRecoveryScanPartitionDeviceSelectController& completeScanController() { return *completeScan_; }
  CLostRecoveryScanPartitionDeviceSelectController& lostScanController() { return *lostScan_; }

private:
  Prompter& prompter_;
  AppSettings& settings_;
  WizardServices services_;
  WizardContext* previous_;
  // The sheet as the steps see it: made on the first page shown.
  class Navigator : public IWizardNavigator {
  public:
    explicit Navigator(WizardContext& context) : context_(context) {}
    void SetActivePage(int page) override;
    void EnableButton(bool enable) override;
    QWidget* Window() override;

  private:
    WizardContext& context_;
  };
  WizardShared shared_;
  Navigator navigator_;
  WizardSteps steps_;
  StepEnvironment environment_;
  std::unique_ptr<CRecoveryModeSelectController> mode_;
  std::unique_ptr<CTypeOfFileToRecoveryController> type_;
  std::unique_ptr<CDeleteRecoveryPartitionDeviceSelectController> deleteDevice_;
  std::unique_ptr<CCompleteRecoveryPartitionDeviceSelectController> completeDevice_;
  std::unique_ptr<CLostRecoveryDiskDeviceSelectController> lostDisk_;
  std::unique_ptr<CSaveFileController> saveFile_;
  std::unique_ptr<CSaveResultController> saveResult_;
  std::unique_ptr<CFileSelectController> fileSelect_;
  std::unique_ptr<CLostRecoveryPartitionDeviceSelectController> lostPartition_;
  std::unique_ptr<CCompleteRecoveryScanPartitionDeviceSelectController> completeScan_;
  std::unique_ptr<CLostRecoveryScanPartitionDeviceSelectController> lostScan_;
  std::unique_ptr<CWizardSheet> sheet_;
};

} // namespace qm
