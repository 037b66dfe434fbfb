// The save road as a person walks it from page 9: the files ticked, Next
// (Recover), a folder picked in the save-path window, the recovering
// window, and the result window closed with OK.
#pragma once

#include <QtCore/QPointer>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QTimer>

#include <filesystem>
#include <functional>
#include <vector>

#include "wizard/pages/save_result_page.h"

class QWidget;

namespace qm {

class CMainFrame;
class CRecoveringDlg;
class WizardContext;

namespace test {

class ScriptedPrompter;

// Runs action on the first modal window that `is` accepts, polling every
// 20 ms for at most timeoutMs. The timer is returned so that a caller can
// end the wait once the windows it waits for can no longer come.
QPointer<QTimer> WhenModalWindowIs(std::function<bool(QWidget&)> is, std::function<void(QWidget&)> action,
                                   int timeoutMs = 30000);

// What a person saw on the way.
struct SaveRun {
  bool sawPathWindow = false;
  int recoveringWindows = 0;
  bool sawResult = false;
  QString headline;
  SaveResultReport report;
  QStringList shown;
};

// On page 9: ticks every top row of the tree that is not ticked whole,
// presses Next, picks each folder of `targets` in turn in the save-path
// window (a refused one leaves the window open), and closes the result
// window, saving its picture under `picture` when given. `onRecovering`
// runs on the recovering window before it opens.
SaveRun RecoverThroughWindows(CMainFrame& frame, WizardContext& context, ScriptedPrompter& prompter,
                              const std::vector<std::filesystem::path>& targets, const QString& picture,
                              std::function<void(CRecoveringDlg&)> onRecovering = {});

} // namespace test
} // namespace qm
