#include "dialogs/file_preview_dlg.h"

#include <QtGui/QIcon>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QStackedWidget>
#include <QtWidgets/QStyle>
#include <QtWidgets/QTabBar>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>

#include "controls/preview_views.h"

namespace qm {
namespace {

constexpr int kRefreshIntervalMs = 100;

} // namespace

CFilePreViewDlg::CFilePreViewDlg(QWidget* parent)
    : CSearchSuperDlg(parent), tabs_(new QTabBar(this)), pages_(new QStackedWidget(this)),
      edits_(new QStackedWidget(this)), text_(new CTextFilePreViewEdit(this)),
      hex_(new CHexFilePreViewEdit(this)), bar_(new QScrollBar(Qt::Vertical, this)),
      image_(new CImageWindow(this)), fit_(new QToolButton(this)), actual_(new QToolButton(this)),
      ok_(new QPushButton(tr("Recover"), this)), cancel_(new QPushButton(tr("Close"), this)),
      pendingRefresh_(new QTimer(this)) {
  setSizeGripEnabled(true);
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);
  setMinimumSize(200, 200);
  resize(720, 520);
  tabs_->addTab(tr("Text"));
  tabs_->addTab(tr("Hex"));
  tabs_->addTab(tr("Image"));
  tabs_->setExpanding(false);
  tabs_->setDocumentMode(true);

  // Text and hex: the views with the file's scroll bar at the right.
  edits_->addWidget(text_);
  edits_->addWidget(hex_);
  auto* editPage = new QWidget(this);
  auto* editLayout = new QHBoxLayout(editPage);
  editLayout->setContentsMargins(2, 2, 2, 2);
  editLayout->setSpacing(0);
  editLayout->addWidget(edits_, 1);
  editLayout->addWidget(bar_);
  text_->SetScrollOwner(bar_);
  hex_->SetScrollOwner(bar_);

  // Image: the picture window and a strip with the two zoom buttons.
  fit_->setText(tr("Best Fit"));
  fit_->setToolTip(tr("Best Fit"));
  fit_->setIcon(QIcon::fromTheme(QStringLiteral("zoom-fit-best")));
  actual_->setText(tr("Actual Size"));
  actual_->setToolTip(tr("Actual Size"));
  actual_->setIcon(QIcon::fromTheme(QStringLiteral("zoom-original")));
  for (QToolButton* button : {fit_, actual_})
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  auto* imagePage = new QWidget(this);
  auto* imageLayout = new QVBoxLayout(imagePage);
  imageLayout->setContentsMargins(2, 2, 2, 2);
  imageLayout->setSpacing(2);
  imageLayout->addWidget(image_, 1);
  auto* strip = new QFrame(imagePage);
  strip->setFrameShape(QFrame::StyledPanel);
  auto* stripLayout = new QHBoxLayout(strip);
  stripLayout->setContentsMargins(2, 2, 2, 2);
  stripLayout->addStretch();
  stripLayout->addWidget(fit_);
  stripLayout->addWidget(actual_);
  stripLayout->addStretch();
  imageLayout->addWidget(strip);

  pages_->addWidget(editPage);
  pages_->addWidget(imagePage);

  // OK centred in the left half, Cancel in the right half.
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addStretch(2);
  buttons->addWidget(cancel_);
  buttons->addStretch(1);
  ok_->setToolTip(tr("Recover this file"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 5);
  layout->setSpacing(0);
  layout->addWidget(tabs_);
  auto* frame = new QFrame(this);
  frame->setFrameShape(QFrame::StyledPanel);
  auto* frameLayout = new QVBoxLayout(frame);
  frameLayout->setContentsMargins(0, 0, 0, 0);
  frameLayout->addWidget(pages_);
  layout->addWidget(frame, 1);
  layout->addSpacing(6);
  layout->addLayout(buttons);

  fit_->setEnabled(false);
  connect(fit_, &QToolButton::clicked, this, [this] { SetFit(true); });
  connect(actual_, &QToolButton::clicked, this, [this] { SetFit(false); });
  connect(tabs_, &QTabBar::currentChanged, this, &CFilePreViewDlg::OnTabChanged);
  connect(bar_, &QScrollBar::valueChanged, this, &CFilePreViewDlg::OnScroll);
  connect(text_, &CFilePreViewEdit::LinesPerPageChanged, this, [this] { Refresh(true); });
  connect(hex_, &CFilePreViewEdit::LinesPerPageChanged, this, [this] { Refresh(true); });
  connect(ok_, &QPushButton::clicked, this, [this] {
    accept();
    if (notify_) Q_EMIT RecoverRequested();
  });
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  pendingRefresh_->setSingleShot(true);
  connect(pendingRefresh_, &QTimer::timeout, this, [this] { Refresh(true); });
}

CFilePreViewDlg::~CFilePreViewDlg() = default;

void CFilePreViewDlg::SetPaths(const QString& filePath, const QString& title) {
  path_ = filePath;
  setWindowTitle(title + tr(" - File Preview"));
  setWindowIcon(GetShellFileIcon(title));
  text_->SetFile(filePath);
  hex_->SetFile(filePath);
  const bool picture = image_->LoadImage(filePath);
  viewFlag_ = kTabText;
  bar_->setValue(0);
  shownTab_ = -1;
  const int first = picture ? kTabImage : kTabText;
  if (tabs_->currentIndex() == first)
    OnTabChanged(first);
  else
    tabs_->setCurrentIndex(first);
}

int CFilePreViewDlg::CurrentTab() const { return tabs_->currentIndex(); }

void CFilePreViewDlg::ShowTab(int tab) { tabs_->setCurrentIndex(tab); }

CFilePreViewEdit* CFilePreViewDlg::ActiveEdit() const {
  if (shownTab_ == kTabText) return text_;
  if (shownTab_ == kTabHex) return hex_;
  return nullptr;
}

std::uint64_t CFilePreViewDlg::ScrollPosition() const { return static_cast<std::uint64_t>(bar_->value()); }

void CFilePreViewDlg::SetScrollPosition(std::uint64_t line) {
  bar_->setValue(
      static_cast<int>(std::min<std::uint64_t>(line, static_cast<std::uint64_t>(bar_->maximum()))));
  Refresh(true);
}

std::uint64_t CFilePreViewDlg::TopOffset() const {
  const CFilePreViewEdit* view = viewFlag_ == kTabHex ? static_cast<CFilePreViewEdit*>(hex_) : text_;
  return const_cast<CFilePreViewEdit*>(view)->Pager().OffsetFromLine(ScrollPosition());
}

void CFilePreViewDlg::OnTabChanged(int tab) {
  // The position moves with the byte at the top of the page: a text line
  // becomes the hex row that holds its first byte, and back.
  if (tab == kTabText || tab == kTabHex) {
    CFilePreViewEdit* from = viewFlag_ == kTabHex ? static_cast<CFilePreViewEdit*>(hex_) : text_;
    CFilePreViewEdit* to = tab == kTabHex ? static_cast<CFilePreViewEdit*>(hex_) : text_;
    std::uint64_t position = ScrollPosition();
    if (from != to) position = to->Pager().LineFromOffset(from->Pager().OffsetFromLine(position));
    viewFlag_ = tab;
    shownTab_ = tab;
    edits_->setCurrentWidget(to);
    pages_->setCurrentIndex(0);
    UpdateRange();
    const QSignalBlocker block(bar_);
    bar_->setValue(
        static_cast<int>(std::min<std::uint64_t>(position, static_cast<std::uint64_t>(bar_->maximum()))));
    to->setFocus();
  } else {
    shownTab_ = kTabImage;
    pages_->setCurrentIndex(1);
    image_->setFocus();
  }
  Refresh(true);
}

void CFilePreViewDlg::UpdateRange() {
  CFilePreViewEdit* view = viewFlag_ == kTabHex ? static_cast<CFilePreViewEdit*>(hex_) : text_;
  const std::uint64_t lines = view->LineCount();
  const std::uint64_t page = std::max<std::uint64_t>(1, view->LinesPerPage());
  const std::uint64_t maximum = lines > page ? lines - page : 0;
  const QSignalBlocker block(bar_);
  bar_->setRange(0, static_cast<int>(std::min<std::uint64_t>(maximum, 0x7FFFFFFF)));
  bar_->setPageStep(static_cast<int>(std::min<std::uint64_t>(page, 0x7FFFFFFF)));
  bar_->setSingleStep(1);
  bar_->setEnabled(maximum > 0);
}

void CFilePreViewDlg::OnScroll(int value) {
  const bool atEnd = value == bar_->minimum() || value == bar_->maximum();
  Refresh(atEnd);
}

void CFilePreViewDlg::Refresh(bool force) {
  if (!force && sinceRefresh_.isValid() && sinceRefresh_.elapsed() < kRefreshIntervalMs) {
    // A skipped refresh is made up for when the interval is over, so the
    // page always ends up at the bar's position.
    if (!pendingRefresh_->isActive()) pendingRefresh_->start(kRefreshIntervalMs);
    return;
  }
  pendingRefresh_->stop();
  sinceRefresh_.start();
  if (CFilePreViewEdit* view = ActiveEdit()) {
    UpdateRange();
    view->ShowPage(ScrollPosition());
    if (view == text_) view->moveCursor(QTextCursor::Start);
  } else {
    image_->viewport()->update();
  }
}

void CFilePreViewDlg::SetFit(bool fit) {
  fit_->setEnabled(!fit);
  actual_->setEnabled(fit);
  image_->SetFitMode(fit);
  image_->setFocus();
}

} // namespace qm
