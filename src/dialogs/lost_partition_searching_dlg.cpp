#include "dialogs/lost_partition_searching_dlg.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QTimer>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include <memory>

#include "app/prompter.h"
#include "app/string_table.h"
#include "app/usage_events.h"
#include "dialogs/search_progress_rules.h"
#include "dialogs/search_time_row.h"
#include "storage/storage_device.h"

namespace qm {
namespace {

QString Tr(const char* text) { return QCoreApplication::translate("CLostPartitionSearchingDialog", text); }

} // namespace

CLostPartitionSearchingDialog::CLostPartitionSearchingDialog(Prompter& prompter, QWidget* parent)
    : CSearchSuperDlg(parent), prompter_(prompter) {
  setWindowTitle(Tr(QT_TRANSLATE_NOOP("CLostPartitionSearchingDialog", "Quick Partition Searching")));
  setObjectName(QStringLiteral("lostPartitionSearchingDialog"));
  auto* outer = new QVBoxLayout(this);
  outer->setSizeConstraint(QLayout::SetFixedSize);
  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  bar_->setRange(0, 0);
  bar_->setMinimumWidth(460);
  bar_->setStyleSheet(QStringLiteral("QProgressBar { background: #F2F7FA; }"));
  outer->addWidget(bar_);

  // The caption keeps the spelling the product has always shown.
  const SearchTimeRow times =
      MakeSearchTimeRow(this, Tr(QT_TRANSLATE_NOOP("CLostPartitionSearchingDialog", "Elasped Time:")),
                        Tr(QT_TRANSLATE_NOOP("CLostPartitionSearchingDialog", "Remaining Time:")));
  elapsed_ = times.elapsed;
  remaining_ = times.remaining;
  outer->addLayout(times.layout);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  cancel_ = new QPushButton(Tr(QT_TRANSLATE_NOOP("CLostPartitionSearchingDialog", "Cancel")), this);
  cancel_->setAutoDefault(false);
  buttons->addWidget(cancel_);
  outer->addLayout(buttons);
  connect(cancel_, &QPushButton::clicked, this, &CLostPartitionSearchingDialog::OnCancel);

  timer_ = new QTimer(this);
  timer_->setInterval(kTimerMs);
  connect(timer_, &QTimer::timeout, this, &CLostPartitionSearchingDialog::OnTimer);
  timer_->start();
  started_.start();
}

CLostPartitionSearchingDialog::~CLostPartitionSearchingDialog() {
  std::lock_guard guard(lock_);
  for (LostPartitionRecord& record : found_) {
    std::unique_ptr<IStorageDevice> device(record.partitionDevice);
    record.partitionDevice = nullptr;
  }
}

void CLostPartitionSearchingDialog::SetRange(std::uint64_t low, std::uint64_t high) {
  std::lock_guard guard(lock_);
  rangeEnd_ = high;
  divisor_ = ProgressRangeDivisor(high > low ? high - low : 0);
  rangeSet_ = true;
  rangeClock_.start();
}

void CLostPartitionSearchingDialog::OnPartitionFound(const LostPartitionRecord* record) {
  if (record == nullptr) {
    return;
  }
  std::lock_guard guard(lock_);
  found_.push_back(*record);
}

void CLostPartitionSearchingDialog::GetFoundPartitions(std::vector<LostPartitionRecord>& out) {
  std::lock_guard guard(lock_);
  for (LostPartitionRecord& record : found_) {
    out.push_back(record);
  }
  found_.clear();
}

void CLostPartitionSearchingDialog::Refresh(std::uint64_t elapsedMs) {
  std::uint64_t end = 0;
  std::uint64_t divisor = 1;
  bool rangeSet = false;
  {
    std::lock_guard guard(lock_);
    end = rangeEnd_;
    divisor = divisor_;
    rangeSet = rangeSet_;
  }
  const std::uint64_t done = done_.load();
  if (rangeSet) {
    bar_->setRange(0, static_cast<int>(end / divisor));
    bar_->setValue(static_cast<int>(std::min(done, end) / divisor));
  }
  elapsed_->setText(QString::fromStdString(FormatHms(elapsedMs / 1000)));
  if (elapsedMs < kEstimateAfterMs) {
    remaining_->setText(LoadAppString(132));
  } else if (!stopping_) {
    remaining_->setText(
        done == 0 ? LoadAppString(132)
                  : QString::fromStdString(FormatHms(LostSearchRemainingSeconds(elapsedMs, done, end))));
  }
}

void CLostPartitionSearchingDialog::OnTimer() {
  std::uint64_t elapsed = 0;
  {
    std::lock_guard guard(lock_);
    elapsed = static_cast<std::uint64_t>(rangeSet_ ? rangeClock_.elapsed() : started_.elapsed());
  }
  Refresh(elapsed);
}

QString CLostPartitionSearchingDialog::ElapsedText() const { return elapsed_->text(); }
QString CLostPartitionSearchingDialog::RemainingText() const { return remaining_->text(); }

void CLostPartitionSearchingDialog::OnCancel() {
  if (stopConfirmed_.load() != 0) {
    return;
  }
  stopping_ = true;
  if (!prompter_.AskYesNo(this, LoadAppString(241), LoadAppString(346), false)) {
    stopping_ = false;
    return;
  }
  stopConfirmed_.store(1);
  cancel_->setEnabled(false);
  setWindowTitle(LoadAppString(402));
  ReportTimedUsageEvent(8243, static_cast<std::uint32_t>(started_.elapsed()));
}

} // namespace qm
