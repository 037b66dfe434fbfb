#include "dialogs/intelligent_searching_dlg.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QTimer>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QVBoxLayout>

#include "app/prompter.h"
#include "app/string_table.h"
#include "app/usage_events.h"
#include "dialogs/search_progress_rules.h"
#include "dialogs/search_time_row.h"
#include "platform/log.h"

namespace qm {
namespace {

QString Tr(const char* text) { return QCoreApplication::translate("CIntelligentSearchingDialog", text); }

constexpr const char* kCounterNames[CIntelligentSearchingDialog::kCounterCount] = {
    QT_TRANSLATE_NOOP("CIntelligentSearchingDialog", "Partition Tables:"),
    QT_TRANSLATE_NOOP("CIntelligentSearchingDialog", "FAT Boot Records:"),
    QT_TRANSLATE_NOOP("CIntelligentSearchingDialog", "FAT Folders:"),
    QT_TRANSLATE_NOOP("CIntelligentSearchingDialog", "FAT Folder Parts:"),
    QT_TRANSLATE_NOOP("CIntelligentSearchingDialog", "NTFS Boot Records:"),
    QT_TRANSLATE_NOOP("CIntelligentSearchingDialog", "NTFS File Records:"),
    QT_TRANSLATE_NOOP("CIntelligentSearchingDialog", "Files Identified:"),
    QT_TRANSLATE_NOOP("CIntelligentSearchingDialog", "Total Files Found:"),
};

// The eight shown counters in the order of the rows.
std::array<std::uint64_t, CIntelligentSearchingDialog::kCounterCount> Counters(const SearchStatistics& s) {
  return {s.Counter1,        s.FATBootRecords,  s.FATFolders,      s.FATFolderParts,
          s.NTFSBootRecords, s.NTFSFileRecords, s.FilesIdentified, s.TotalFilesFound};
}

// Progress bars count in int: the sweep's bar never runs past 1000.
int BarValue(std::uint64_t v) { return static_cast<int>(std::min<std::uint64_t>(v, 1000)); }

QLabel* ValueLabel(QWidget* parent) {
  auto* label = new QLabel(QStringLiteral("0"), parent);
  label->setMinimumWidth(70);
  return label;
}

} // namespace

CIntelligentSearchingDialog::CIntelligentSearchingDialog(Prompter& prompter, int recoveryMode,
                                                         QWidget* parent)
    : CSearchSuperDlg(parent), prompter_(prompter), recoveryMode_(recoveryMode) {
  setWindowTitle(Tr(QT_TRANSLATE_NOOP("CIntelligentSearchingDialog", "Intelligent Searching")));
  setObjectName(QStringLiteral("intelligentSearchingDialog"));
  auto* outer = new QVBoxLayout(this);
  outer->setSizeConstraint(QLayout::SetFixedSize);

  // The expand and collapse buttons share the top-left corner.
  auto* top = new QHBoxLayout;
  expand_ = new QToolButton(this);
  expand_->setArrowType(Qt::RightArrow);
  expand_->setToolTip(Tr(QT_TRANSLATE_NOOP("CIntelligentSearchingDialog", "Show all counters")));
  collapse_ = new QToolButton(this);
  collapse_->setArrowType(Qt::DownArrow);
  collapse_->setToolTip(Tr(QT_TRANSLATE_NOOP("CIntelligentSearchingDialog", "Show the total only")));
  for (QToolButton* button : {expand_, collapse_}) {
    button->setAutoRaise(true);
    button->setFixedSize(20, 20);
    top->addWidget(button);
  }
  const SearchTimeRow times =
      MakeSearchTimeRow(this, Tr(QT_TRANSLATE_NOOP("CIntelligentSearchingDialog", "Elapsed Time:")),
                        Tr(QT_TRANSLATE_NOOP("CIntelligentSearchingDialog", "Remaining Time:")));
  elapsed_ = times.elapsed;
  remaining_ = times.remaining;
  top->addLayout(times.layout, 1);
  outer->addLayout(top);

  // The compact row stands where the first counter row would.
  auto* compactRow = new QHBoxLayout;
  compactLabel_ = new QLabel(Tr(kCounterNames[7]), this);
  compactValue_ = new QLabel(QString(), this);
  compactRow->addSpacing(24);
  compactRow->addWidget(compactLabel_);
  compactRow->addWidget(compactValue_);
  compactRow->addStretch(1);
  outer->addLayout(compactRow);

  counterBox_ = new QWidget(this);
  auto* grid = new QGridLayout(counterBox_);
  grid->setContentsMargins(24, 0, 0, 0);
  grid->setHorizontalSpacing(12);
  for (int i = 0; i < kCounterCount; ++i) {
    labels_[i] = new QLabel(Tr(kCounterNames[i]), counterBox_);
    values_[i] = ValueLabel(counterBox_);
    const int row = i % 4;
    const int column = i / 4 * 2;
    grid->addWidget(labels_[i], row, column);
    grid->addWidget(values_[i], row, column + 1);
  }
  outer->addWidget(counterBox_);

  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  bar_->setRange(0, 0);
  bar_->setMinimumWidth(480);
  bar_->setStyleSheet(QStringLiteral("QProgressBar { background: #F2F7FA; }"));
  outer->addWidget(bar_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  cancel_ = new QPushButton(Tr(QT_TRANSLATE_NOOP("CIntelligentSearchingDialog", "Cancel")), this);
  cancel_->setAutoDefault(false);
  buttons->addWidget(cancel_);
  outer->addLayout(buttons);

  connect(cancel_, &QPushButton::clicked, this, &CIntelligentSearchingDialog::OnCancel);
  connect(expand_, &QToolButton::clicked, this, &CIntelligentSearchingDialog::Expand);
  connect(collapse_, &QToolButton::clicked, this, &CIntelligentSearchingDialog::Collapse);

  timer_ = new QTimer(this);
  timer_->setInterval(kRefreshMs);
  connect(timer_, &QTimer::timeout, this, &CIntelligentSearchingDialog::OnTimer);
  timer_->start();
  started_.start();
  Collapse();
  Refresh();
}

CIntelligentSearchingDialog::~CIntelligentSearchingDialog() = default;

void CIntelligentSearchingDialog::SetRange(std::uint64_t low, std::uint64_t high) {
  std::lock_guard guard(lock_);
  const std::uint64_t span = high > low ? high - low : 0;
  divisor_ = ProgressRangeDivisor(span);
  barMax_ = span / divisor_;
  position_ = 0;
  rangeSet_ = true;
  rangeClock_.start();
}

void CIntelligentSearchingDialog::SetPos(std::uint64_t blockIndex) {
  std::lock_guard guard(lock_);
  position_ = blockIndex / divisor_;
}

void CIntelligentSearchingDialog::GetStatistics(SearchStatistics* statistics) {
  if (statistics == nullptr) {
    return;
  }
  std::lock_guard guard(lock_);
  *statistics = statistics_;
}

void CIntelligentSearchingDialog::UpdateStatistics(const SearchStatistics* statistics) {
  if (statistics == nullptr) {
    return;
  }
  std::lock_guard guard(lock_);
  statistics_ = *statistics;
}

std::uint64_t CIntelligentSearchingDialog::Divisor() const {
  std::lock_guard guard(lock_);
  return divisor_;
}

void CIntelligentSearchingDialog::Refresh() {
  SearchStatistics statistics;
  std::uint64_t barMax = 0;
  std::uint64_t position = 0;
  std::uint64_t rangeElapsed = 0;
  bool rangeSet = false;
  {
    std::lock_guard guard(lock_);
    statistics = statistics_;
    barMax = barMax_;
    position = position_;
    rangeSet = rangeSet_;
    rangeElapsed = rangeSet_ ? static_cast<std::uint64_t>(rangeClock_.elapsed()) : 0;
  }
  const auto counters = Counters(statistics);
  for (int i = 0; i < kCounterCount; ++i) {
    values_[i]->setText(QString::fromStdString(qm::CounterText(counters[i])));
  }
  compactValue_->setText(QString::fromStdString(qm::CounterText(counters[7])));
  elapsed_->setText(QString::fromStdString(FormatHms(static_cast<std::uint64_t>(started_.elapsed()) / 1000)));
  if (rangeSet) {
    bar_->setRange(0, BarValue(barMax));
    bar_->setValue(BarValue(std::min(position, barMax)));
  }
  // Only a confirmed stop freezes the estimate; until a first estimate
  // other than zero exists the text says it is being worked out.
  if (stopConfirmed_.load() == 0) {
    const std::uint64_t remaining = EstimateRemainingMs(rangeElapsed, position, barMax);
    if (remaining / 1000 != 0 || timeShown_) {
      remaining_->setText(QString::fromStdString(FormatHms(remaining / 1000)));
      timeShown_ = true;
    } else {
      remaining_->setText(LoadAppString(132));
    }
  }
}

void CIntelligentSearchingDialog::OnTimer() {
  Refresh();
  if (IsFinished()) {
    timer_->stop();
    done(QDialog::Accepted);
  }
}

void CIntelligentSearchingDialog::ShowCounterRows(bool show) {
  counterBox_->setVisible(show);
  compactLabel_->setVisible(!show);
  compactValue_->setVisible(!show);
  expand_->setVisible(!show);
  collapse_->setVisible(show);
}

void CIntelligentSearchingDialog::Expand() {
  expanded_ = true;
  ShowCounterRows(true);
}

void CIntelligentSearchingDialog::Collapse() {
  expanded_ = false;
  ShowCounterRows(false);
}

QString CIntelligentSearchingDialog::ElapsedText() const { return elapsed_->text(); }
QString CIntelligentSearchingDialog::RemainingText() const { return remaining_->text(); }
QString CIntelligentSearchingDialog::CounterText(int index) const {
  return index >= 0 && index < kCounterCount ? values_[index]->text() : QString();
}
QString CIntelligentSearchingDialog::CompactTotalText() const { return compactValue_->text(); }

void CIntelligentSearchingDialog::OnCancel() {
  if (stopConfirmed_.load() != 0) {
    return;
  }
  if (!prompter_.AskYesNo(this, LoadAppString(239), LoadAppString(346), false)) {
    return;
  }
  stopConfirmed_.store(1);
  cancel_->setEnabled(false);
  setWindowTitle(LoadAppString(402));
  const auto ms = static_cast<std::uint32_t>(started_.elapsed());
  if (recoveryMode_ == 1) {
    ReportTimedUsageEvent(8216, ms);
  } else if (recoveryMode_ == 2) {
    ReportTimedUsageEvent(8244, ms);
  }
}

void CIntelligentSearchingDialog::keyPressEvent(QKeyEvent* event) {
  // Enter must not end the dialog while the sweep runs.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    return;
  }
  CSearchSuperDlg::keyPressEvent(event);
}

} // namespace qm
