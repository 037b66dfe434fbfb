#include "dialogs/recovering_dlg.h"

#include <QtCore/QTimer>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStyle>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QVBoxLayout>

#include "app/prompter.h"
#include "app/string_table.h"
#include "dialogs/recovery_progress.h"
#include "filemodel/file_properties.h"
#include "filemodel/file_system_node.h"
#include "platform/log.h"
#include "platform/tick_count.h"

namespace qm {
namespace {

constexpr std::uint32_t kRefreshInterval = 1000;
constexpr std::size_t kCreatedFolderBytes = 520;

QString Text(const std::string& text) { return QString::fromStdString(text); }

} // namespace

CRecoveringDlg::CRecoveringDlg(CFileSystemNode* root, IStorageDevice* device, std::string target,
                               Prompter& prompter, QWidget* parent)
    : CSearchSuperDlg(parent), root_(root), device_(device), target_(std::move(target)), prompter_(prompter) {
  setObjectName(QStringLiteral("recoveringDlg"));
  setSizeGripEnabled(false);
  setWindowTitle(tr("Recovering"));
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(14, 12, 14, 12);
  layout->setSpacing(8);
  // One grid, so that the values line up whether the details show or not.
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(12);
  AddRow(grid, 0, tr("Remaining Time:"), "remaining", false)->setText(QStringLiteral("00:00:00"));
  AddRow(grid, 1, tr("Elapsed Time:"), "elapsed", false)->setText(QStringLiteral("00:00:00"));
  AddRow(grid, 2, tr("Selected Files:"), "selected", true)->setText(QStringLiteral("0"));
  AddRow(grid, 3, tr("Recovered Files:"), "recovered", true)->setText(QStringLiteral("0"));
  AddRow(grid, 4, tr("Total Data Size:"), "totalSize", true)->setText(QStringLiteral("0"));
  AddRow(grid, 5, tr("Recovered Data Size:"), "recoveredSize", true)->setText(QStringLiteral("0"));
  AddRow(grid, 6, tr("Recovering File Name:"), "fileName", true);
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);

  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  bar_->setFixedHeight(16);
  bar_->setMinimumWidth(460);
  bar_->setStyleSheet(
      QStringLiteral("QProgressBar { background: rgb(242, 248, 250); border: 1px solid #9fb3c8; }"
                     "QProgressBar::chunk { background: #3a87d0; }"));
  layout->addWidget(bar_);

  auto* buttons = new QHBoxLayout;
  more_ = new QToolButton(this);
  more_->setObjectName(QStringLiteral("moreDetails"));
  more_->setArrowType(Qt::DownArrow);
  more_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  more_->setText(tr("Details"));
  fewer_ = new QToolButton(this);
  fewer_->setObjectName(QStringLiteral("fewerDetails"));
  fewer_->setArrowType(Qt::UpArrow);
  fewer_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  fewer_->setText(tr("Details"));
  cancel_ = new QPushButton(tr("C&ancel"), this);
  cancel_->setAutoDefault(false);
  cancel_->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  buttons->addWidget(more_);
  buttons->addWidget(fewer_);
  buttons->addStretch(1);
  buttons->addWidget(cancel_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  more_->hide();

  connect(more_, &QToolButton::clicked, this, [this] { SetDetailsShown(true); });
  connect(fewer_, &QToolButton::clicked, this, [this] { SetDetailsShown(false); });
  connect(cancel_, &QPushButton::clicked, this, &CRecoveringDlg::OnCancel);
  timer_ = new QTimer(this);
  timer_->setInterval(static_cast<int>(kRefreshInterval));
  connect(timer_, &QTimer::timeout, this, &CRecoveringDlg::RefreshWhenDue);
  setMinimumWidth(490);
}

CRecoveringDlg::~CRecoveringDlg() = default;

QLabel* CRecoveringDlg::AddRow(QGridLayout* grid, int row, const QString& label, const char* name,
                               bool detail) {
  auto* title = new QLabel(label, this);
  auto* value = new QLabel(this);
  value->setObjectName(QString::fromLatin1(name));
  value->setMinimumWidth(300);
  grid->addWidget(title, row, 0);
  grid->addWidget(value, row, 1);
  values_.push_back(value);
  if (detail) {
    details_.push_back(title);
    details_.push_back(value);
  }
  return value;
}

QString CRecoveringDlg::ValueText(const char* name) const {
  for (QLabel* label : values_)
    if (label->objectName() == QLatin1String(name)) return label->text();
  return {};
}

void CRecoveringDlg::SetDetailsShown(bool shown) {
  detailsShown_ = shown;
  for (QWidget* widget : details_)
    widget->setVisible(shown);
  more_->setVisible(!shown);
  fewer_->setVisible(shown);
  adjustSize();
}

int CRecoveringDlg::exec() {
  // The copy starts once the window is up; it ends the window itself.
  QTimer::singleShot(0, this, [this] {
    Run();
    done(1);
  });
  QDialog::exec();
  return 1;
}

void CRecoveringDlg::Run() {
  if (ran_) return;
  ran_ = true;
  SaveResult::Reset();
  SelectionSummary summary;
  if (root_ != nullptr) root_->GetSelectionSummary(&summary);
  outcome_ = {};
  outcome_.selected = summary.checkedFiles;
  timer_->start();
  OnBegin(summary.checkedFiles, summary.checkedBytes);
  for (CFileNode* child = root_ != nullptr ? root_->GetFirstChild() : nullptr;
       child != nullptr && child->IsFileSystemNode() != 0; child = child->GetNextSibling()) {
    if (stop_) break;
    IFileProperties* properties = child->GetProperties();
    if (properties == nullptr || properties->GetCheckState() == kUnchecked) continue;
    char created[kCreatedFolderBytes] = {};
    if (StartSaveFiles(this, device_, child, target_.c_str(), created, sizeof created) != 0) {
      if (created[0] != '\0') created_.emplace_back(created);
      const SaveSummary part = SaveResult::GetSummary();
      outcome_.files += part.files;
      outcome_.failed += part.failed;
      outcome_.stopped = outcome_.stopped || part.stopped || SaveResult::GetCode() == kSaveCancelled;
    } else {
      LogError("Failed to start saving the files of %s", properties->GetName());
    }
  }
  outcome_.stopped = outcome_.stopped || stop_;
  outcome_.bytes = bytesDone_;
  timer_->stop();
  lastRefresh_ = GetTickCount();
  Refresh();
}

int CRecoveringDlg::OnBegin(std::uint32_t fileCount, std::uint64_t totalBytes) {
  selected_ = fileCount;
  totalBytes_ = totalBytes;
  const std::uint32_t now = GetTickCount();
  startTick_ = now;
  lastRefresh_ = now;
  QMetaObject::invokeMethod(this, &CRecoveringDlg::Refresh, Qt::QueuedConnection);
  return Poll();
}

int CRecoveringDlg::OnFileDone(std::uint32_t n) {
  filesDone_ += n;
  RefreshWhenDue();
  return Poll();
}

int CRecoveringDlg::OnBytesWritten(std::uint64_t n) {
  bytesDone_ += n;
  RefreshWhenDue();
  return Poll();
}

int CRecoveringDlg::OnBytesTakenBack(std::uint32_t n) {
  std::uint64_t done = bytesDone_.load();
  while (!bytesDone_.compare_exchange_weak(done, done >= n ? done - n : 0)) {
  }
  RefreshWhenDue();
  return Poll();
}

int CRecoveringDlg::OnFileBegin(const char* name) {
  {
    std::lock_guard guard(nameLock_);
    currentName_ = name != nullptr ? name : "";
  }
  if (fileBeginHook_) fileBeginHook_(*this);
  RefreshWhenDue();
  return Poll();
}

int CRecoveringDlg::Poll() { return stop_ ? kStopCode : 0; }

void CRecoveringDlg::RefreshWhenDue() {
  const std::uint32_t now = GetTickCount();
  std::uint32_t last = lastRefresh_.load();
  if (!RefreshDue(now, last, kRefreshInterval) || !lastRefresh_.compare_exchange_strong(last, now)) return;
  // The worker may not touch the window: the redraw runs on its thread.
  QMetaObject::invokeMethod(this, &CRecoveringDlg::Refresh, Qt::QueuedConnection);
}

void CRecoveringDlg::Refresh() {
  const std::uint64_t total = totalBytes_;
  const std::uint64_t done = bytesDone_;
  const ProgressSteps steps = ProgressStepsFor(total, done);
  bar_->setRange(0, steps.range);
  bar_->setValue(steps.position);
  const std::uint32_t elapsed = lastRefresh_.load() - startTick_.load();
  const std::optional<std::uint64_t> remaining = RemainingSeconds(elapsed, total, done);
  std::string name;
  {
    std::lock_guard guard(nameLock_);
    name = currentName_;
  }
  auto set = [this](const char* which, const QString& text) {
    for (QLabel* label : values_)
      if (label->objectName() == QLatin1String(which)) label->setText(text);
  };
  set("elapsed", FormatElapsed(elapsed));
  set("remaining", remaining ? Text(FormatSeconds(*remaining)) : LoadAppString(132));
  set("selected", QString::number(selected_.load()));
  set("recovered", QString::number(filesDone_.load()));
  set("totalSize", Text(RecoverySizeText(total)));
  set("recoveredSize", Text(RecoverySizeText(done)));
  for (QLabel* label : values_)
    if (label->objectName() == QLatin1String("fileName"))
      label->setText(label->fontMetrics().elidedText(QString::fromUtf8(name.c_str()), Qt::ElideRight,
                                                     label->width() > 0 ? label->width() : 300));
}

void CRecoveringDlg::OnCancel() {
  if (stop_ || !cancel_->isEnabled()) return;
  if (!prompter_.AskYesNo(this, LoadAppString(246), LoadAppString(346), true)) return;
  stop_ = true;
  setWindowTitle(LoadAppString(402));
  cancel_->setEnabled(false);
}

void CRecoveringDlg::keyPressEvent(QKeyEvent* event) {
  // Enter and Escape never end the copy.
  switch (event->key()) {
  case Qt::Key_Return:
  case Qt::Key_Enter:
  case Qt::Key_Escape:
    event->accept();
    return;
  default:
    CSearchSuperDlg::keyPressEvent(event);
  }
}

void CRecoveringDlg::reject() {
  // Closing the window is the Cancel button; the run ends the window.
  OnCancel();
}

} // namespace qm
