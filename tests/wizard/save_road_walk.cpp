#include "save_road_walk.h"

#include <QtCore/QElapsedTimer>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QPushButton>
#include <gtest/gtest.h>

#include <memory>

#include "controls/file_tree_ctrl.h"
#include "dialogs/partition_dialogs.h"
#include "dialogs/recovering_dlg.h"
#include "support_ui/gallery.h"
#include "support_ui/scripted_prompter.h"
#include "wizard/pages/file_select_page.h"
#include "wizard/main_frame.h"
#include "wizard/steps/save_file_controller.h"
#include "wizard/pages/save_file_page.h"
#include "wizard/wizard_context.h"
#include "wizard/wizard_sheet.h"

namespace qm::test {
namespace {

template <typename T> std::function<bool(QWidget&)> IsWindowOf() {
  return [](QWidget& w) { return qobject_cast<T*>(&w) != nullptr; };
}

} // namespace

SaveRun RecoverThroughWindows(CMainFrame& frame, WizardContext& context, ScriptedPrompter& prompter,
                              const std::vector<std::filesystem::path>& targets, const QString& picture,
                              std::function<void(CRecoveringDlg&)> onRecovering) {
  SaveRun run;
  CWizardSheet& sheet = frame.Sheet();
  auto& filePage = *static_cast<CFileSelectPage*>(sheet.Page(kPageFileSelect));
  auto& savePage = *static_cast<CSaveFilePage*>(sheet.Page(kPageSaveFile));
  auto& resultPage = *static_cast<CSaveResultPage*>(sheet.Page(kPageSaveResult));
  CSaveFileController& saveController = context.saveFileController();
  CFileTreeCtrl& tree = filePage.Tree();
  for (int row = 0; row < tree.Model()->rowCount(); ++row) {
    const QModelIndex top = tree.Model()->index(row, 0);
    if (top.data(Qt::CheckStateRole).toInt() != Qt::Checked) tree.ToggleCheck(top);
  }
  EXPECT_NE(filePage.SelectedText(), QStringLiteral("Nothing selected"));
  saveController.SetRecoveringHook([&run, onRecovering](CRecoveringDlg& dialog) {
    ++run.recoveringWindows;
    if (onRecovering) onRecovering(dialog);
  });
  resultPage.Panel().SetFolderOpener([](const QString&) {});
  const QPointer<QTimer> pathWait =
      WhenModalWindowIs(IsWindowOf<CSaveFilePathDlg>(), [&](QWidget& window) {
        auto& dialog = static_cast<CSaveFilePathDlg&>(window);
        run.sawPathWindow = true;
        EXPECT_EQ(dialog.Page(), &savePage);
        for (const std::filesystem::path& target : targets) {
          // As a click on the folder in the page's tree would.
          savePage.OnFolderSelected(QString::fromStdString(target.string()));
          dialog.OkButton()->click();
          if (!dialog.isVisible()) return;
        }
        dialog.reject();
      });
  const QPointer<QTimer> resultWait =
      WhenModalWindowIs(IsWindowOf<CSaveFileResultDlg>(), [&](QWidget& window) {
        run.sawResult = true;
        run.headline = resultPage.Panel().Headline();
        run.report = resultPage.Panel().Report();
        if (!picture.isEmpty()) {
          EXPECT_FALSE(SaveToGallery(window, picture).isEmpty());
        }
        resultPage.OkButton().click();
      });
  prompter.shown.clear();
  EXPECT_TRUE(sheet.OnNext());
  for (const auto& box : prompter.shown)
    run.shown << box.text;
  // Back on page 9 with the window usable.
  EXPECT_EQ(sheet.ActiveIndex(), kPageFileSelect);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(frame.isEnabled());
  saveController.SetRecoveringHook({});
  // A window that never came is no longer waited for: the waits hold
  // this run by reference.
  for (const QPointer<QTimer>& wait : {pathWait, resultWait})
    if (wait) delete wait.data();
  return run;
}

} // namespace qm::test
