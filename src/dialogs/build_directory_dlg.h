// The modeless window shown while an engine builds the directory tree of a
// volume: the stage text, a progress bar, the elapsed time, and a Cancel
// that asks "Abort Building?" first. The engine reports through the
// callback below from its worker thread; the dialog keeps what it is told
// under a lock and shows it from a timer on the window's own thread.
#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "dialogs/search_super_dlg.h"
#include "filemodel/dir_build_callback.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace qm {

class Prompter;

class CBuildDirectoryDlg : public CSearchSuperDlg {
  Q_OBJECT
public:
  // The prompter asks the Cancel question; null uses the program's.
  explicit CBuildDirectoryDlg(QWidget* parent = nullptr, Prompter* prompter = nullptr);
  ~CBuildDirectoryDlg() override;

  // The engine's reports, callable from any thread; each returns -1 once
  // the user confirmed Cancel, else 0.
  int BeginStage(const char* text, std::uint32_t total);
  int AddProgress(std::uint32_t n);
  int OnStep(std::uint32_t position);
  int ResetCounters();
  int CheckStop();

  // For builds that must not be interrupted: no Cancel button, and Cancel
  // or Escape do nothing.
  void DisableCancel();
  bool StopRequested() const { return stop_.load(); }

  // The Cancel button (and Escape): asks, and on Yes asks the build to stop.
  void OnCancel();
  // Shows what the build reported last (the timer calls it).
  void Refresh();

  QLabel* StageLabel() const { return stage_; }
  QProgressBar* Bar() const { return bar_; }
  QLabel* ElapsedLabel() const { return elapsed_; }
  QPushButton* CancelButton() const { return cancel_; }

  void reject() override;

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  Prompter* prompter_;
  QLabel* stage_;
  QProgressBar* bar_;
  QLabel* elapsedCaption_;
  QLabel* elapsed_;
  QPushButton* cancel_;
  QTimer timer_;

  mutable std::mutex lock_;
  std::string stageText_;
  QElapsedTimer stageClock_;
  std::uint32_t total_ = 0;
  std::uint32_t position_ = 0;
  std::atomic<bool> stop_{false};
  bool prompting_ = false;
  bool cancelDisabled_ = false;
};

// Hands the engine's reports to the dialog.
class CDIRBuildCallback : public IDIRBuildCallback {
public:
  explicit CDIRBuildCallback(CBuildDirectoryDlg& dialog) : dialog_(dialog) {}
  int OnBegin(const char* title, std::uint32_t total) override { return dialog_.BeginStage(title, total); }
  int OnStep(std::uint32_t n) override { return dialog_.AddProgress(n); }
  int OnPosition(std::uint32_t position) override { return dialog_.OnStep(position); }
  int OnEnd() override { return dialog_.ResetCounters(); }
  int Poll() override { return dialog_.CheckStop(); }

private:
  CBuildDirectoryDlg& dialog_;
};

} // namespace qm
