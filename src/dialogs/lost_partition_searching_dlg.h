// "Quick Partition Searching": the modeless dialog over the lost-partition
// search. It shows a bar, the elapsed and remaining time, keeps a copy of
// every partition the search reports, and asks before it stops the search.
// The search calls the callback part from its worker while the calling
// thread pumps events; the worker only writes counters and the found list,
// which the dialog's timer and the caller read.
#pragma once

#include <QtCore/QElapsedTimer>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "dialogs/search_super_dlg.h"
#include "storage/partition_search_callbacks.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace qm {

class Prompter;

class CLostPartitionSearchingDialog : public CSearchSuperDlg, public IPartitionSearchCallback {
  Q_OBJECT

public:
  static constexpr int kTimerMs = 300;
  // The remaining time is guessed only after this much searching.
  static constexpr std::uint64_t kEstimateAfterMs = 5000;

  explicit CLostPartitionSearchingDialog(Prompter& prompter, QWidget* parent = nullptr);
  // Destroys the devices of the finds nobody took.
  ~CLostPartitionSearchingDialog() override;

  // IPartitionSearchCallback, called from the search's worker.
  void PumpMessages() override {}
  void Step() override { done_.fetch_add(1); }
  int IsCancelled() override { return stopConfirmed_.load(); }
  void SetStep(std::uint64_t) override {}
  void Advance() override { done_.fetch_add(1); }
  void SetRange(std::uint64_t low, std::uint64_t high) override;
  void SetPos(std::uint64_t) override {}
  void OnSearchEnd() override {}
  void OnPartitionFound(const LostPartitionRecord* record) override;

  // Moves the finds to the end of `out` (their devices go with them).
  void GetFoundPartitions(std::vector<LostPartitionRecord>& out);

  // Writes the counters into the bar and the time texts (the timer does
  // it; tests call it with the milliseconds they pretend have passed).
  void Refresh(std::uint64_t elapsedMs);
  QString ElapsedText() const;
  QString RemainingText() const;
  QProgressBar* Bar() const { return bar_; }
  QPushButton* CancelButton() const { return cancel_; }
  std::uint64_t DoneCount() const { return done_.load(); }

  void OnCancel();
  void reject() override { OnCancel(); }

private:
  void OnTimer();

  Prompter& prompter_;
  QElapsedTimer started_;
  QTimer* timer_;
  QProgressBar* bar_;
  QLabel* elapsed_;
  QLabel* remaining_;
  QPushButton* cancel_;

  std::atomic<int> stopConfirmed_{0};
  bool stopping_ = false;
  std::atomic<std::uint64_t> done_{0};

  mutable std::mutex lock_;
  std::uint64_t rangeEnd_ = 0;
  std::uint64_t divisor_ = 1;
  bool rangeSet_ = false;
  QElapsedTimer rangeClock_;
  std::vector<LostPartitionRecord> found_;
};

} // namespace qm
