// The progress window over the tree builds of the complete and partition
// roads: the builders report from their workers through IDIRBuildCallback
// while the calling thread pumps events; the callback only writes atomics
// and a guarded stage text, which the window's timer shows. Cancel asks
// first and then makes every later callback answer stop.
#pragma once

#include <QtCore/QElapsedTimer>
#include <QtWidgets/QDialog>

#include <atomic>
#include <mutex>
#include <string>

#include "filemodel/dir_build_callback.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace qm {

class Prompter;

class CTreeBuildProgress : public QDialog, public IDIRBuildCallback {
  Q_OBJECT

public:
  // Disables `mainWindow` (may be null) while it lives.
  CTreeBuildProgress(Prompter& prompter, QWidget* mainWindow, const QString& title = QString());
  ~CTreeBuildProgress() override;

  int OnBegin(const char* title, std::uint32_t total) override;
  int OnStep(std::uint32_t n) override;
  int OnPosition(std::uint32_t position) override;
  int OnEnd() override { return Poll(); }
  int Poll() override { return stopped_.load() ? kCallbackCancel : 0; }

  bool IsStopped() const { return stopped_.load(); }
  // Cancel is hidden where a step cannot be stopped (saving states).
  void DisableCancel();
  void Refresh();
  QString StageText() const;

  void OnCancel();
  void reject() override { OnCancel(); }

private:
  Prompter& prompter_;
  QWidget* mainWindow_;
  QElapsedTimer started_;
  QTimer* timer_;
  QLabel* stage_;
  QProgressBar* bar_;
  QLabel* elapsed_;
  QPushButton* cancel_;
  std::atomic<bool> stopped_{false};
  std::atomic<std::uint32_t> total_{0};
  std::atomic<std::uint32_t> position_{0};
  mutable std::mutex lock_;
  std::string title_;
};

} // namespace qm
