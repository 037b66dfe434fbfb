// The last step of a recovery: it only places the result page in the
// chain; the page reports what the save-file step kept.
#pragma once

#include "wizard/steps/page_controller.h"

namespace qm {

class CSaveResultPage;

class ISaveResultController : public IWizardPageController {};

class CSaveResultController : public ISaveResultController {
public:
  static CSaveResultController* GetInstance();

  void SetPage(CSaveResultPage* page) { page_ = page; }
  CSaveResultPage* GetPage() const { return page_; }

  // Shows the result dialog (page 5).
  void Activate() override;
  void Home() override;
  void Back() override;
  bool Next() override { return true; }
  void SetPrevController(IWizardPageController* previous) override { previous_ = previous; }
  IWizardPageController* GetPrevController() override { return previous_; }
  int GetSearchKind() override { return previous_ != nullptr ? previous_->GetSearchKind() : 3; }

private:
  CSaveResultPage* page_ = nullptr;
  IWizardPageController* previous_ = nullptr;
};

} // namespace qm
