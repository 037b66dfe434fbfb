// The last step of a recovery: it only places the result page in the
// chain; the page reports what the save-file step kept.
#pragma once

#include "wizard/steps/page_controller.h"
#include "wizard/steps/save_result_step.h"
#include "wizard/steps/step_environment.h"

namespace qm {

class CSaveResultPage;

class CSaveResultController : public ISaveResultController {
public:
  explicit CSaveResultController(const StepEnvironment& env) : env_(env) {}
  static CSaveResultController* GetInstance();

  void SetPage(CSaveResultPage* page) { page_ = page; }
  CSaveResultPage* GetPage() const { return page_; }

  // Shows the result dialog (page 5).
  void Activate() override;
  void Home() override;
  void Back() override;
  bool Next() override { return true; }
  void ShowAdvancedSettings() override;
  void SetPrevController(IWizardPageController* previous) override { previous_ = previous; }
  IWizardPageController* GetPrevController() override { return previous_; }
  int GetSearchKind() override { return previous_ != nullptr ? previous_->GetSearchKind() : 3; }

private:
  const StepEnvironment& env_;
  CSaveResultPage* page_ = nullptr;
  IWizardPageController* previous_ = nullptr;
};

} // namespace qm
