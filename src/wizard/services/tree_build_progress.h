// The progress of the tree builds of the complete and partition roads (and
// of saving or restoring their state files): the engines report through
// IDIRBuildCallback from their workers while the calling thread pumps
// events, and the build-directory window shows it, with its Cancel that
// asks first and then makes every later callback answer stop.
#pragma once

#include <QtCore/QString>

#include "dialogs/build_directory_dlg.h"
#include "filemodel/dir_build_callback.h"

class QWidget;

namespace qm {

class Prompter;

class CTreeBuildProgress : public IDIRBuildCallback {
public:
  // Shows the window (titled `title` when given) and disables `mainWindow`
  // (may be null) while it lives.
  CTreeBuildProgress(Prompter& prompter, QWidget* mainWindow, const QString& title = QString());
  ~CTreeBuildProgress() override;

  int OnBegin(const char* title, std::uint32_t total) override { return dialog_.BeginStage(title, total); }
  int OnStep(std::uint32_t n) override { return dialog_.AddProgress(n); }
  int OnPosition(std::uint32_t position) override { return dialog_.OnStep(position); }
  int OnEnd() override { return Poll(); }
  int Poll() override { return dialog_.StopRequested() ? kCallbackCancel : 0; }

  bool IsStopped() const { return dialog_.StopRequested(); }
  // Cancel is hidden where a step cannot be stopped (saving states).
  void DisableCancel() { dialog_.DisableCancel(); }
  CBuildDirectoryDlg& Dialog() { return dialog_; }

private:
  QWidget* mainWindow_;
  CBuildDirectoryDlg dialog_;
};

} // namespace qm
