#include "wizard/main_frame.h"

#include <QtCore/QElapsedTimer>
#include <QtGui/QCloseEvent>
#include <QtGui/QKeySequence>
#include <QtGui/QScreen>
#include <QtGui/QShortcut>
#include <QtWidgets/QApplication>

#include "app/prompter.h"
#include "controls/file_type_name_table.h"
#include "platform/log.h"
#include "app/string_table.h"
#include "wizard/wizard_sheet.h"

namespace qm {

CMainFrame::CMainFrame(IMainFrameWizard& wizard, QWidget* parent)
    : QMainWindow(parent), wizard_(wizard), sheet_(wizard.sheet())
{
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(LoadAppString(349));
    setCentralWidget(&sheet_);
    setMinimumSize(kMinimumClientSize);
    resize(kStartClientSize);
    if (QScreen* screen = QApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - QPoint(width() / 2, height() / 2));
    }
    rememberedSize_ = size();

    QElapsedTimer timer;
    timer.start();
    if (CFileTypeNameTable::GetInstance().GetMap().empty()) {
        CFileTypeNameTable::GetInstance().Load();
    }
    DebugTrace("Enum register file used time :%f Second", static_cast<double>(timer.elapsed()) / 1000.0);

    connect(&sheet_, &CWizardSheet::ResizableChanged, this, &CMainFrame::SetResizable);
    connect(&sheet_, &CWizardSheet::CloseRequested, this, &CMainFrame::CloseNow);
    auto* open = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
    connect(open, &QShortcut::activated, this, [this] { sheet_.SendCommandToActivePage(kOpenCommand); });
    auto* help = new QShortcut(QKeySequence(QKeySequence::HelpContents), this);
    connect(help, &QShortcut::activated, this, [this] { sheet_.OnHelp(); });
    SetResizable(sheet_.ActiveIndex() != 0);
}

CMainFrame::~CMainFrame()
{
    // The sheet belongs to the wizard's context and outlives this window.
    sheet_.hide();
    takeCentralWidget();
    sheet_.setParent(nullptr);
}

void CMainFrame::SetResizable(bool resizable)
{
    if (resizable == resizable_) {
        return;
    }
    resizable_ = resizable;
    if (!resizable) {
        // The maximise box, once removed, stays removed.
        setWindowFlag(Qt::WindowMaximizeButtonHint, false);
        if (isMaximized()) {
            showNormal();
        }
        setFixedSize(rememberedSize_);
    } else {
        setMinimumSize(kMinimumClientSize);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
}

void CMainFrame::CloseNow()
{
    closingNow_ = true;
    close();
}

void CMainFrame::OpenHelpTopic(int topic)
{
    wizard_.OpenHelp(topic);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // A disabled window waits for a worker under a progress window (saving
    // the states, a device list): closing now would free what it reads.
    if (!closingNow_ && !isEnabled()) {
        event->ignore();
        return;
    }
    if (closingNow_ || wizard_.prompter().AskYesNo(this, LoadAppString(242), LoadAppString(349), true)) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace qm
