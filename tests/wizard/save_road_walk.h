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

#include "support_ui/gallery.h"
#include "wizard/pages/save_result_page.h"

class QWidget;

namespace qm {

class CMainFrame;
class CRecoveringDlg;
class WizardContext;

namespace test {

class ScriptedPrompter;

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
