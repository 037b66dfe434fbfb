// The common frame of the wizard's pages: a white background, three layout
// rectangles (title, subtitle, bottom line) kept up to date on every resize,
// a bold title font, and the hooks each page fills in.
#pragma once

#include <QtGui/QFont>
#include <QtWidgets/QWidget>

namespace qm {

class IWizardPageController;
struct WizardShared;

struct WizardPageRects {
    QRect title;
    QRect subtitle;
    QRect bottom;
};

// The rectangles of a page of that client size (a page narrower than 100
// pixels gets rectangles with right < left).
WizardPageRects ComputeWizardPageRects(int width, int height);

class CWizardPage : public QWidget {
    Q_OBJECT

public:
    explicit CWizardPage(QWidget* parent = nullptr);

    virtual IWizardPageController* GetController() = 0;
    virtual int GetHelpId(int language) = 0;
    // A command sent to the page (menu items, the main window's Ctrl+O);
    // what its handler returns, 0 when the page has none.
    virtual int OnCommand(int) { return 0; }

    const WizardPageRects& Rects() const { return rects_; }
    const QFont& TitleFont() const { return titleFont_; }

    // The wizard's shared services, given by the context that makes the
    // page; null on a page made alone.
    void SetShared(const WizardShared* shared) { shared_ = shared; }
    const WizardShared* Shared() const { return shared_; }

  protected:
    virtual void OnSizeContent(int width, int height);
    virtual void OnDrawContent(QPainter& painter);

    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

    WizardPageRects rects_;
    const WizardShared* shared_ = nullptr;

  private:
    QFont titleFont_;
};

// A page whose step is not built yet: it names the step.
class CPlaceholderPage : public CWizardPage {
    Q_OBJECT

public:
    CPlaceholderPage(int index, int helpId, QString title, QWidget* parent = nullptr);
    IWizardPageController* GetController() override { return controller_; }
    void SetController(IWizardPageController* controller) { controller_ = controller; }
    int GetHelpId(int) override { return helpId_; }

protected:
    void OnDrawContent(QPainter& painter) override;

private:
    int helpId_;
    QString title_;
    IWizardPageController* controller_ = nullptr;
};

}  // namespace qm
