#include "wizard/tree_build_progress.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QTimer>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "app/prompter.h"
#include "app/string_table.h"
#include "dialogs/search_progress_rules.h"
#include "platform/log.h"

namespace qm {
namespace {

QString Tr(const char* text) { return QCoreApplication::translate("CTreeBuildProgress", text); }

} // namespace

CTreeBuildProgress::CTreeBuildProgress(Prompter& prompter, QWidget* mainWindow, const QString& title)
    : QDialog(nullptr), prompter_(prompter), mainWindow_(mainWindow) {
  setWindowTitle(title.isEmpty() ? Tr("Building directory") : title);
  setObjectName(QStringLiteral("treeBuildProgress"));
  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  stage_ = new QLabel(this);
  stage_->setMinimumWidth(420);
  layout->addWidget(stage_);
  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  bar_->setRange(0, 0);
  layout->addWidget(bar_);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(Tr("Elapsed Time:"), this));
  elapsed_ = new QLabel(QStringLiteral("00:00:00"), this);
  row->addWidget(elapsed_);
  row->addStretch(1);
  cancel_ = new QPushButton(Tr("Cancel"), this);
  cancel_->setAutoDefault(false);
  row->addWidget(cancel_);
  layout->addLayout(row);
  connect(cancel_, &QPushButton::clicked, this, &CTreeBuildProgress::OnCancel);
  timer_ = new QTimer(this);
  timer_->setInterval(300);
  connect(timer_, &QTimer::timeout, this, &CTreeBuildProgress::Refresh);
  timer_->start();
  started_.start();
  if (mainWindow_ != nullptr) {
    mainWindow_->setEnabled(false);
  }
  show();
}

CTreeBuildProgress::~CTreeBuildProgress() {
  if (mainWindow_ != nullptr) {
    mainWindow_->setEnabled(true);
  }
}

int CTreeBuildProgress::OnBegin(const char* title, std::uint32_t total) {
  {
    std::lock_guard guard(lock_);
    title_ = title != nullptr ? title : "";
  }
  if (title != nullptr) {
    LogInfo("%s", title);
  }
  total_.store(total);
  position_.store(0);
  return Poll();
}

int CTreeBuildProgress::OnStep(std::uint32_t n) {
  position_.fetch_add(n);
  return Poll();
}

int CTreeBuildProgress::OnPosition(std::uint32_t position) {
  position_.store(position);
  return Poll();
}

void CTreeBuildProgress::DisableCancel() { cancel_->hide(); }

void CTreeBuildProgress::Refresh() {
  {
    std::lock_guard guard(lock_);
    stage_->setText(QString::fromStdString(title_));
  }
  const std::uint32_t total = total_.load();
  const std::uint64_t divisor = ProgressRangeDivisor(total);
  bar_->setRange(0, static_cast<int>(total / divisor));
  bar_->setValue(static_cast<int>(std::min(position_.load(), total) / divisor));
  elapsed_->setText(QString::fromStdString(FormatHms(static_cast<std::uint64_t>(started_.elapsed()) / 1000)));
}

QString CTreeBuildProgress::StageText() const { return stage_->text(); }

void CTreeBuildProgress::OnCancel() {
  if (stopped_.load() || !cancel_->isVisible()) {
    return;
  }
  if (!prompter_.AskYesNo(this, Tr("Abort Building?"), LoadAppString(346), false)) {
    return;
  }
  stopped_.store(true);
  cancel_->setEnabled(false);
  setWindowTitle(LoadAppString(402));
}

} // namespace qm
