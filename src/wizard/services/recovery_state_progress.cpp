#include <QtWidgets/QApplication>

#include <atomic>
#include <system_error>
#include <thread>

#include "app/string_table.h"
#include "platform/log.h"
#include "platform/message_pump.h"
#include "platform/worker_thread.h"
#include "wizard/services/tree_build_progress.h"
#include "wizard/services/wizard_state_files.h"
#include "wizard/steps/page_controller.h"

namespace qm {

int SaveRecoveryStatesWithProgress(IWizardPageController& ctrl, int show, QWidget* mainWindow,
                                   Prompter& prompter) {
  if (show == 0) {
    return SaveRecoveryStates(ctrl, nullptr);
  }
  CTreeBuildProgress progress(prompter, mainWindow, LoadAppString(310));
  progress.DisableCancel();
  std::atomic<bool> done{false};
  int result = 0;
  std::thread worker;
  try {
    worker = StartWorker([&] {
      result = SaveRecoveryStates(ctrl, &progress);
      done.store(true);
    });
  } catch (const std::system_error& error) {
    LogError("Saving recovery states: no worker thread (%s)", error.what());
    return 0;
  }
  WaitPumping([&] { return done.load(); });
  worker.join();
  return result;
}

} // namespace qm
