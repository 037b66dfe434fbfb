#include "dialogs/build_directory_dlg.h"

#include <QtGui/QCloseEvent>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>
#include <climits>

#include "app/prompter.h"
#include "app/string_table.h"
#include "platform/log.h"

namespace qm {
namespace {

// How often the window shows the build's reports.
constexpr int kRefreshMs = 100;

int BarValue(std::uint32_t value) { return static_cast<int>(std::min<std::uint32_t>(value, INT_MAX)); }

} // namespace

CBuildDirectoryDlg::CBuildDirectoryDlg(QWidget* parent, Prompter* prompter)
    : CSearchSuperDlg(parent), prompter_(prompter != nullptr ? prompter : &DefaultPrompter()),
      stage_(new QLabel(this)), bar_(new QProgressBar(this)),
      elapsedCaption_(new QLabel(tr("Elapsed Time:"), this)),
      elapsed_(new QLabel(QStringLiteral("00:00:00"), this)), cancel_(new QPushButton(tr("Cancel"), this)) {
  setWindowTitle(tr("Building directory"));
  setModal(false);
  stage_->setObjectName(QStringLiteral("stage"));
  elapsed_->setObjectName(QStringLiteral("elapsed"));
  cancel_->setObjectName(QStringLiteral("cancel"));
  bar_->setTextVisible(false);
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setStyleSheet(
      QStringLiteral("QProgressBar { background: rgb(242, 248, 250); border: 1px solid #b8c4cc; "
                     "height: 14px; } QProgressBar::chunk { background: #3d7fc1; }"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 14, 16, 12);
  layout->setSpacing(8);
  layout->addWidget(stage_);
  layout->addWidget(bar_);
  auto* times = new QHBoxLayout;
  times->addWidget(elapsedCaption_);
  times->addWidget(elapsed_);
  times->addStretch(1);
  times->addWidget(cancel_);
  layout->addLayout(times);
  setFixedSize(480, 132);
  connect(cancel_, &QPushButton::clicked, this, &CBuildDirectoryDlg::OnCancel);
  stageClock_.start();
  connect(&timer_, &QTimer::timeout, this, &CBuildDirectoryDlg::Refresh);
  timer_.start(kRefreshMs);
}

CBuildDirectoryDlg::~CBuildDirectoryDlg() = default;

int CBuildDirectoryDlg::BeginStage(const char* text, std::uint32_t total) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stageText_ = text != nullptr ? text : "";
    total_ = total;
    position_ = 0;
    stageClock_.restart();
  }
  LogInfo("%s", text != nullptr ? text : "");
  return CheckStop();
}

int CBuildDirectoryDlg::AddProgress(std::uint32_t n) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    position_ += n;
  }
  return CheckStop();
}

int CBuildDirectoryDlg::OnStep(std::uint32_t position) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    position_ = position;
  }
  return CheckStop();
}

int CBuildDirectoryDlg::ResetCounters() {
  {
    // The stage is over: the bar shows full.
    std::lock_guard<std::mutex> guard(lock_);
    position_ = total_;
  }
  return CheckStop();
}

int CBuildDirectoryDlg::CheckStop() { return stop_.load() ? kStopCode : 0; }

void CBuildDirectoryDlg::DisableCancel() {
  cancelDisabled_ = true;
  cancel_->hide();
}

void CBuildDirectoryDlg::Refresh() {
  std::string text;
  std::uint32_t total = 0;
  std::uint32_t position = 0;
  qint64 elapsed = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    text = stageText_;
    total = total_;
    position = position_;
    elapsed = stageClock_.elapsed();
  }
  stage_->setText(QString::fromUtf8(text.c_str()));
  // A stage of no known length shows the busy bar.
  bar_->setRange(0, BarValue(total));
  bar_->setValue(BarValue(std::min(position, total)));
  elapsed_->setText(FormatElapsed(static_cast<std::uint32_t>(elapsed)));
}

void CBuildDirectoryDlg::OnCancel() {
  if (cancelDisabled_ || prompting_ || stop_.load()) return;
  prompting_ = true;
  const bool yes = prompter_->AskYesNo(this, LoadAppString(216), LoadAppString(346), false);
  if (yes) {
    stop_ = true;
    cancel_->setEnabled(false);
    setWindowTitle(LoadAppString(402));
  }
  prompting_ = false;
}

// Escape is Cancel; the window never closes itself: the owner ends it
// when the build is over.
void CBuildDirectoryDlg::reject() { OnCancel(); }

void CBuildDirectoryDlg::closeEvent(QCloseEvent* event) {
  event->ignore();
  OnCancel();
}

} // namespace qm
