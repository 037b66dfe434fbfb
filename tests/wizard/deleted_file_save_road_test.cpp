// The first whole recovery a person does, end to end on the volumes made
// by the real tools: start page, Deleted, the volume, page 9, every
// deleted file ticked, Next, a folder picked in the save-path window, the
// recovering window, and the result window, with the recovered files
// compared byte for byte to the deleted ones. Also a run stopped midway
// and a read-only folder that is refused before anything is written.
#include <QtCore/QElapsedTimer>
#include <QtCore/QPointer>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPushButton>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "app/string_table.h"
#include "controls/file_tree_ctrl.h"
#include "deleted_road_fixture.h"
#include "dialogs/partition_dialogs.h"
#include "dialogs/recovering_dlg.h"
#include "support/scratch_files.h"
#include "support_ui/gallery.h"
#include "wizard/file_select_page.h"
#include "wizard/main_frame.h"
#include "wizard/save_file_controller.h"
#include "wizard/save_file_page.h"
#include "wizard/save_result_page.h"
#include "wizard/wizard_sheet.h"

namespace fs = std::filesystem;

namespace qm {
namespace {

// Runs action on the first modal window that `is` accepts, polling every
// 20 ms for at most timeoutMs. The timer is returned so that a caller can
// end the wait once the windows it waits for can no longer come.
QPointer<QTimer> WhenModalIs(std::function<bool(QWidget&)> is, std::function<void(QWidget&)> action,
                             int timeoutMs = 30000) {
  auto* timer = new QTimer(qApp);
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, timer, [=] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible() && is(*modal)) {
      timer->stop();
      timer->deleteLater();
      action(*modal);
    } else if (clock->elapsed() > timeoutMs) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start();
  return timer;
}

template <typename T> std::function<bool(QWidget&)> Is() {
  return [](QWidget& w) { return qobject_cast<T*>(&w) != nullptr; };
}

fs::path FreshFolder(const std::string& name) {
  const fs::path folder = ScratchPath("save_road/" + name);
  fs::remove_all(folder);
  return folder;
}

// What a person saw on the way.
struct SaveRun {
  bool sawPathWindow = false;
  int recoveringWindows = 0;
  bool sawResult = false;
  QString headline;
  SaveResultReport report;
  QStringList shown;
};

class DeletedFileSaveRoad : public test::DeletedRoadTest {
protected:
  CSaveFilePage& SavePage() { return *static_cast<CSaveFilePage*>(frame_->Sheet().Page(kPageSaveFile)); }
  CSaveResultPage& ResultPage() {
    return *static_cast<CSaveResultPage*>(frame_->Sheet().Page(kPageSaveResult));
  }
  CSaveFileController& SaveController() { return context_.saveFileController(); }

  // On page 9: ticks "Deleted Files", presses Next, picks each folder of
  // `targets` in turn in the save-path window (a refused one leaves the
  // window open), and closes the result window. `onRecovering` runs on the
  // recovering window before it opens.
  SaveRun Recover(const std::vector<fs::path>& targets, const QString& picture,
                  std::function<void(CRecoveringDlg&)> onRecovering = {}) {
    SaveRun run;
    CFileTreeCtrl& tree = FilePage().Tree();
    if (FilePage().SelectedText() == QStringLiteral("Nothing selected"))
      tree.ToggleCheck(tree.Model()->index(0, 0));
    EXPECT_NE(FilePage().SelectedText(), QStringLiteral("Nothing selected"));
    SaveController().SetRecoveringHook([&run, onRecovering](CRecoveringDlg& dialog) {
      ++run.recoveringWindows;
      if (onRecovering) onRecovering(dialog);
    });
    ResultPage().Panel().SetFolderOpener([](const QString&) {});
    const QPointer<QTimer> pathWait = WhenModalIs(Is<CSaveFilePathDlg>(), [&](QWidget& window) {
      auto& dialog = static_cast<CSaveFilePathDlg&>(window);
      run.sawPathWindow = true;
      EXPECT_EQ(dialog.Page(), &SavePage());
      for (const fs::path& target : targets) {
        // As a click on the folder in the page's tree would.
        SavePage().OnFolderSelected(QString::fromStdString(target.string()));
        dialog.OkButton()->click();
        if (!dialog.isVisible()) return;
      }
      dialog.reject();
    });
    const QPointer<QTimer> resultWait = WhenModalIs(Is<CSaveFileResultDlg>(), [&](QWidget& window) {
      run.sawResult = true;
      run.headline = ResultPage().Panel().Headline();
      run.report = ResultPage().Panel().Report();
      if (!picture.isEmpty()) EXPECT_FALSE(test::SaveToGallery(window, picture).isEmpty());
      ResultPage().OkButton().click();
    });
    prompter_.shown.clear();
    EXPECT_TRUE(frame_->Sheet().OnNext());
    for (const auto& box : prompter_.shown)
      run.shown << box.text;
    // Back on page 9 with the window usable.
    EXPECT_EQ(frame_->Sheet().ActiveIndex(), kPageFileSelect);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(frame_->isEnabled());
    SaveController().SetRecoveringHook({});
    // A window that never came is no longer waited for: the waits hold
    // this run by reference.
    for (const QPointer<QTimer>& wait : {pathWait, resultWait})
      if (wait) delete wait.data();
    return run;
  }

  // The whole road on one volume into a fresh folder.
  void RecoverEverything(const char* label, const std::set<std::string>& listed,
                         const std::multiset<std::string>& hashes, const std::string& name) {
    WalkTo(label, listed, QString());
    ASSERT_TRUE(hintShown_);
    const fs::path target = FreshFolder(name);
    const SaveRun run =
        Recover({target}, QStringLiteral("save_road_result_%1").arg(QString::fromStdString(name)));
    EXPECT_TRUE(run.sawPathWindow);
    EXPECT_EQ(run.recoveringWindows, 1);
    ASSERT_TRUE(run.sawResult);
    EXPECT_TRUE(run.shown.isEmpty()) << run.shown.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(run.headline, QStringLiteral("Recovery Completed"));
    EXPECT_EQ(run.report.selected, hashes.size());
    EXPECT_EQ(run.report.recovered, hashes.size());
    EXPECT_EQ(run.report.failed, 0u);
    EXPECT_EQ(run.report.target, QString::fromStdString(target.string()));
    ASSERT_EQ(run.report.folders.size(), 1);
    EXPECT_EQ(fs::path(run.report.folders[0].toStdString()).parent_path(), target);
    EXPECT_EQ(test::FileHashesBelow(target), hashes)
        << "the recovered files are the deleted ones, byte for byte";
  }
};

TEST_F(DeletedFileSaveRoad, NtfsDeletedFilesComeBackByteForByte) {
  RecoverEverything("QM Fixture", test::kNtfsDeleted, test::DeletedFileHashesNtfs(), "ntfs");
}

TEST_F(DeletedFileSaveRoad, Fat32DeletedFilesComeBackByteForByte) {
  RecoverEverything("DELFAT", test::kFatDeleted, test::DeletedFileHashesFatExt2(), "fat32");
}

TEST_F(DeletedFileSaveRoad, Ext2DeletedFilesComeBackByteForByte) {
  RecoverEverything("DELEXT", test::kExt2Deleted, test::DeletedFileHashesFatExt2(), "ext2");
}

TEST_F(DeletedFileSaveRoad, AReadOnlyFolderIsRefusedBeforeAnythingIsWritten) {
  WalkTo("DELFAT", test::kFatDeleted, QString());
  ASSERT_TRUE(hintShown_);
  // A folder the user may not write to; the superuser writes through
  // permissions, so it gets a place no one may write to.
  fs::path readOnly;
  if (::geteuid() != 0) {
    const fs::path folder = FreshFolder("read_only");
    fs::create_directories(folder);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    readOnly = folder / "recovered";
  } else {
    readOnly = "/proc/self/fdinfo/recovered";
  }
  const fs::path good = FreshFolder("after_refusal");
  const SaveRun run = Recover({readOnly, good}, QString());
  // Refused with its reason, the window stayed for another choice; the
  // recovering window opened once, for the good folder.
  EXPECT_EQ(run.shown, QStringList({LoadAppString(154)}));
  EXPECT_EQ(run.recoveringWindows, 1);
  EXPECT_FALSE(fs::exists(readOnly));
  if (::geteuid() != 0) {
    EXPECT_TRUE(fs::is_empty(readOnly.parent_path()));
    fs::permissions(readOnly.parent_path(), fs::perms::owner_all);
  }
  EXPECT_EQ(run.headline, QStringLiteral("Recovery Completed"));
  EXPECT_EQ(test::FileHashesBelow(good), test::DeletedFileHashesFatExt2());

  // Only the read-only folder, then Cancel: nothing is recovered at all.
  const SaveRun refused = Recover({readOnly}, QString());
  EXPECT_TRUE(refused.sawPathWindow);
  EXPECT_EQ(refused.recoveringWindows, 0);
  EXPECT_FALSE(refused.sawResult);
  EXPECT_FALSE(fs::exists(readOnly));
}

TEST_F(DeletedFileSaveRoad, ACancelMidwayShowsAStoppedResult) {
  WalkTo("QM Fixture", test::kNtfsDeleted, QString());
  ASSERT_TRUE(hintShown_);
  const fs::path target = FreshFolder("stopped");
  prompter_.answers = {true};
  const SaveRun run =
      Recover({target}, QStringLiteral("save_road_result_stopped"), [](CRecoveringDlg& dialog) {
        auto begun = std::make_shared<int>(0);
        dialog.SetFileBeginHook([begun](CRecoveringDlg& running) {
          if (++*begun != 2) return;
          // Cancel from the window's own thread, confirmed; the copy waits for
          // the answer and stops before the next file.
          QMetaObject::invokeMethod(
              &running, [&running] { running.CancelButton()->click(); }, Qt::QueuedConnection);
          for (int i = 0; i < 5000 && !running.StopRequested(); ++i)
            QThread::msleep(1);
        });
      });
  EXPECT_EQ(run.recoveringWindows, 1);
  ASSERT_TRUE(run.sawResult);
  EXPECT_EQ(run.shown, QStringList({LoadAppString(246)}));
  EXPECT_EQ(run.headline, QStringLiteral("Recovery stopped"));
  EXPECT_EQ(run.report.selected, 4u);
  EXPECT_LT(run.report.recovered, 4u);
  EXPECT_GE(run.report.recovered, 1u);
  const std::multiset<std::string> written = test::FileHashesBelow(target);
  EXPECT_EQ(written.size(), run.report.recovered);
  const std::multiset<std::string> deleted = test::DeletedFileHashesNtfs();
  for (const std::string& hash : written)
    EXPECT_EQ(deleted.count(hash), 1u) << "every file written whole";
}

} // namespace
} // namespace qm
