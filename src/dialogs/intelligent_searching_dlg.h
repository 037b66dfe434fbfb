// "Intelligent Searching": the modal dialog over the complete-recovery
// sweep. It shows the sweep's counters (only "Total Files Found:" when
// compact, all eight when expanded), a bar, the elapsed and remaining time,
// and asks before it stops the search. The sweep calls the callback part
// from its worker; nothing there touches a widget: the values wait under a
// lock until the dialog's timer shows them, at most every 300 ms, and the
// dialog closes itself at the tick after the sweep reported its end.
#pragma once

#include <QtCore/QElapsedTimer>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "dialogs/search_super_dlg.h"
#include "storage/partition_search_callbacks.h"
#include "storage/search_statistics.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;

namespace qm {

class Prompter;

class CIntelligentSearchingDialog : public CSearchSuperDlg, public IIntelligentSearchCallback {
  Q_OBJECT

public:
  static constexpr int kCounterCount = 8;
  static constexpr int kRefreshMs = 300;

  // `recoveryMode` picks the usage event of a confirmed stop (1 complete,
  // 2 partition recovery).
  CIntelligentSearchingDialog(Prompter& prompter, int recoveryMode, QWidget* parent = nullptr);
  ~CIntelligentSearchingDialog() override;

  // IIntelligentSearchCallback, called from the sweep's worker.
  void SetPos(std::uint64_t blockIndex) override;
  void SetRange(std::uint64_t low, std::uint64_t high) override;
  int IsCancelled() override { return stopConfirmed_.load(); }
  void PumpMessages() override {}
  void GetStatistics(SearchStatistics* statistics) override;
  void UpdateStatistics(const SearchStatistics* statistics) override;
  void SetFinished() override { finished_.store(1); }

  bool IsFinished() const { return finished_.load() != 0; }
  // Makes the sweep stop without asking (the dialog went before it ended).
  void RequestStop() { stopConfirmed_.store(1); }
  bool IsExpanded() const { return expanded_; }
  void Expand();
  void Collapse();
  // Writes the values waiting from the worker into the labels (the timer
  // does it; tests call it to see a state without waiting).
  void Refresh();

  std::uint64_t Divisor() const;
  QString ElapsedText() const;
  QString RemainingText() const;
  QString CounterText(int index) const;
  QString CompactTotalText() const;
  QProgressBar* Bar() const { return bar_; }
  QPushButton* CancelButton() const { return cancel_; }
  QToolButton* ExpandButton() const { return expand_; }
  QToolButton* CollapseButton() const { return collapse_; }

  // Cancel: asks, and on Yes makes the sweep stop; the dialog stays until
  // the sweep has ended.
  void OnCancel();
  void reject() override { OnCancel(); }

protected:
  void keyPressEvent(QKeyEvent* event) override;

private:
  void OnTimer();
  void ShowCounterRows(bool show);

  Prompter& prompter_;
  int recoveryMode_;
  QElapsedTimer started_;
  QTimer* timer_;
  QProgressBar* bar_;
  QLabel* elapsed_;
  QLabel* remaining_;
  std::array<QLabel*, kCounterCount> labels_{};
  std::array<QLabel*, kCounterCount> values_{};
  QLabel* compactLabel_;
  QLabel* compactValue_;
  QWidget* counterBox_;
  QPushButton* cancel_;
  QToolButton* expand_;
  QToolButton* collapse_;
  bool expanded_ = false;
  bool timeShown_ = false;

  std::atomic<int> stopConfirmed_{0};
  std::atomic<int> finished_{0};

  // Written by the worker, read by the timer.
  mutable std::mutex lock_;
  SearchStatistics statistics_;
  std::uint64_t divisor_ = 1;
  std::uint64_t barMax_ = 0;
  std::uint64_t position_ = 0;
  bool rangeSet_ = false;
  QElapsedTimer rangeClock_;
};

} // namespace qm
