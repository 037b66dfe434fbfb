// The controller of the file-type step. The start page passes through it:
// it is activated and at once carried out with the choice the page holds,
// which narrows the recovered types and the carved types, and it moves on
// to the device step of the mode. Its page is never left standing, so Back
// from the device step goes on to the start page.
#pragma once

#include <QtCore/QElapsedTimer>

#include <vector>

#include "wizard/steps/page_controller.h"
#include "wizard/steps/step_environment.h"
#include "wizard/steps/type_of_file_step.h"

struct AppSettings;

namespace qm {

class CTypeOfFileToRecoveryPage;
class CTypeOfFileToRecoveryTreeCtrl;

// Rebuilds the process's chosen extensions from the tree and the carving
// list of the settings. In photo mode the carving list only narrows: it
// keeps the photo types whose names the choice lets through.
void ApplyFileTypeChoice(const CTypeOfFileToRecoveryTreeCtrl& tree, AppSettings& settings);

class CTypeOfFileToRecoveryController : public ITypeOfFileToRecoveryController {
public:
  explicit CTypeOfFileToRecoveryController(const StepEnvironment& env) : env_(env) {}
  static CTypeOfFileToRecoveryController* GetInstance();

  void SetPage(CTypeOfFileToRecoveryPage* page) { page_ = page; }
  CTypeOfFileToRecoveryPage* Page() const { return page_; }

  void Activate() override;
  // Home walks on down the chain; Back shows the step before this one.
  void Home() override;
  void Back() override;
  bool Next() override;
  void SetPrevController(IWizardPageController* previous) override { previous_ = previous; }
  IWizardPageController* GetPrevController() override { return previous_; }
  int GetSearchKind() override { return mode_ == 1 ? 1 : mode_ == 2 ? 2 : 0; }
  ITypeOfFileToRecoveryController* SetMode(int mode) override {
    mode_ = mode;
    return this;
    }
    int GetMode() override { return mode_; }
    void ShowAdvancedSettings() override;

  private:
    const StepEnvironment& env_;
    CTypeOfFileToRecoveryPage* page_ = nullptr;
    IWizardPageController* previous_ = nullptr;
    int mode_ = 0;
    QElapsedTimer activated_;
};

}  // namespace qm
