// The file-type step's page: the catalogue of types as a tall-row tree with
// three-valued checks. The sheet's Next is enabled exactly while something
// is checked.
#pragma once

#include "wizard/pages/wizard_page.h"

namespace qm {

class CTypeRecoveryDrawTreeCtrl;
class CTypeOfFileToRecoveryTreeCtrl;
class ITypeOfFileToRecoveryController;

class CTypeOfFileToRecoveryPage : public CWizardPage {
    Q_OBJECT

public:
    // The page reads the catalogue from that file when it is made.
    explicit CTypeOfFileToRecoveryPage(const std::string& catalogue, QWidget* parent = nullptr);

    IWizardPageController* GetController() override;
    int GetHelpId(int) override { return 52; }
    void SetController(ITypeOfFileToRecoveryController* controller) { controller_ = controller; }

    CTypeOfFileToRecoveryTreeCtrl& Tree();
    const CTypeOfFileToRecoveryTreeCtrl& Tree() const;
    int LoadResult() const { return loadResult_; }
    QRect ContentRect() const;

Q_SIGNALS:
    void NextAllowed(bool allowed);

protected:
    void OnSizeContent(int width, int height) override;
    void OnDrawContent(QPainter& painter) override;

private:
    CTypeRecoveryDrawTreeCtrl* tree_;
    ITypeOfFileToRecoveryController* controller_ = nullptr;
    int loadResult_ = 0;
};

}  // namespace qm
