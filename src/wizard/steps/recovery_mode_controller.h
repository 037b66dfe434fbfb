// The controller of the start page, root of every chain: Home always ends
// here, and Next starts a recovery by handing the chosen mode on to the
// file-type step.
#pragma once

#include "wizard/steps/page_controller.h"
#include "wizard/steps/recovery_mode_step.h"
#include "wizard/steps/step_environment.h"

namespace qm {

class CRecoveryModeSelectPage;

class CRecoveryModeSelectController : public IRecoveryModeSelectController {
public:
  explicit CRecoveryModeSelectController(const StepEnvironment& env) : env_(env) {}
  static CRecoveryModeSelectController* GetInstance();

  void SetPage(CRecoveryModeSelectPage* page) { page_ = page; }
  void Activate() override;
  void Home() override { Activate(); }
  void Back() override {}
  bool Next() override;
  void SetPrevController(IWizardPageController* previous) override { previous_ = previous; }
  IWizardPageController* GetPrevController() override { return previous_; }
  void SetMode(int mode) override { mode_ = mode; }
  int GetMode() override { return mode_; }
  void ShowAdvancedSettings() override;

private:
  const StepEnvironment& env_;
  CRecoveryModeSelectPage* page_ = nullptr;
  IWizardPageController* previous_ = nullptr;
  int mode_ = 0;
};

}  // namespace qm
