// The controller of the start page, root of every chain: Home always ends
// here, and Next starts a recovery by handing the chosen mode on to the
// file-type step.
#pragma once

#include "wizard/steps/page_controller.h"

namespace qm {

class CRecoveryModeSelectPage;

class IRecoveryModeSelectController : public IWizardPageController {
public:
    virtual void SetMode(int mode) = 0;
    virtual int GetMode() = 0;
};

class CRecoveryModeSelectController : public IRecoveryModeSelectController {
public:
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

private:
    CRecoveryModeSelectPage* page_ = nullptr;
    IWizardPageController* previous_ = nullptr;
    int mode_ = 0;
};

}  // namespace qm
