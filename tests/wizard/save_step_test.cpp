// Saving the chosen files, on a tree the real FAT engine read from a
// volume made by mkfs.fat and mtools: the recovering window on its own
// (a whole run, a run stopped midway, its keys and details), the save-file
// page's checks through its controller, and the whole step from the
// save-path dialog to the result dialog, the files compared byte for byte.
#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "app/string_table.h"
#include "controls/explore_tree.h"
#include "controls/pie_ctrl.h"
#include "controls/shell_tree_ctrl.h"
#include "dialogs/partition_dialogs.h"
#include "dialogs/recovering_dlg.h"
#include "filemodel/data_run_list.h"
#include "filemodel/file_node.h"
#include "filemodel/file_properties_base.h"
#include "filemodel/file_system_node.h"
#include "filemodel/my_file_properties.h"
#include "platform/disk_table.h"
#include "platform/fault_handle.h"
#include "platform/log.h"
#include "platform/message_pump.h"
#include "save_fixture.h"
#include "storage/app_settings.h"
#include "storage/disk_device.h"
#include "storage/image_file_device.h"
#include "support/scratch_files.h"
#include "support_ui/gallery.h"
#include "support_ui/scripted_prompter.h"
#include "wizard/steps/save_file_controller.h"
#include "wizard/pages/save_file_page.h"
#include "wizard/steps/save_result_controller.h"
#include "wizard/pages/save_result_page.h"
#include "wizard/wizard_context.h"
#include "wizard/wizard_sheet.h"

namespace fs = std::filesystem;

namespace qm {
namespace {

// Runs action on the first modal window that `is` accepts, polling every
// 20 ms for at most timeoutMs.
void WhenModalIs(std::function<bool(QWidget&)> is, std::function<void(QWidget&)> action,
                 int timeoutMs = 20000) {
  test::WhenModalWindowIs(std::move(is), std::move(action), timeoutMs);
}

template <typename T> std::function<bool(QWidget&)> Is() {
  return [](QWidget& w) { return qobject_cast<T*>(&w) != nullptr; };
}

fs::path FreshFolder(const std::string& name) {
  const fs::path folder = ScratchPath(name);
  fs::remove_all(folder);
  return folder;
}

class SaveStep : public ::testing::Test {
protected:
  SaveStep() : context_(prompter_, settings_, Services()) {}

  static WizardServices Services() {
    WizardServices services;
    services.openUrl = [](const QString&) { return true; };
    services.openHelp = [](int) {};
    services.startRestarter = [] { return true; };
    services.fileFilterPath = std::string(std::getenv("QM_SOURCE_DIR")) + "/src/app/FileFilter.xml";
    return services;
  }

  void SetUp() override {
    SetMessagePump([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
    fixture_ = test::MakeSaveFixture();
    ASSERT_NE(fixture_, nullptr) << "making the FAT32 volume failed";
  }
  void TearDown() override { SetMessagePump({}); }

  CSaveFileController& Controller() { return context_.saveFileController(); }
  CSaveFilePage& Page() { return *static_cast<CSaveFilePage*>(context_.sheet().Page(kPageSaveFile)); }
  CSaveResultPage& ResultPage() {
    return *static_cast<CSaveResultPage*>(context_.sheet().Page(kPageSaveResult));
  }

  QStringList Shown() const {
    QStringList texts;
    for (const auto& box : prompter_.shown)
      texts << box.text;
    return texts;
  }

  test::ScriptedPrompter prompter_;
  AppSettings settings_;
  WizardContext context_;
  std::unique_ptr<test::SaveFixture> fixture_;
};

TEST_F(SaveStep, RecoveringWindowCopiesEveryCheckedFileByteForByte) {
  const fs::path target = FreshFolder("save_step/whole");
  CRecoveringDlg dialog(fixture_->root, fixture_->device.get(), target.string(), prompter_);
  EXPECT_EQ(dialog.exec(), 1);
  const RecoveryOutcome& outcome = dialog.Outcome();
  EXPECT_EQ(outcome.selected, fixture_->contents.size());
  EXPECT_EQ(outcome.files, fixture_->contents.size());
  EXPECT_EQ(outcome.failed, 0u);
  EXPECT_FALSE(outcome.stopped);
  EXPECT_EQ(dialog.GetFileCount(), fixture_->contents.size());
  EXPECT_EQ(dialog.GetTotal(), fixture_->contents.size());
  std::uint64_t bytes = 0;
  for (const auto& content : fixture_->contents)
    bytes += content.size();
  EXPECT_EQ(dialog.GetBytesDone(), bytes);
  ASSERT_EQ(dialog.CreatedFolders().size(), 1u);
  EXPECT_EQ(fs::path(dialog.CreatedFolders()[0]).parent_path(), target);
  EXPECT_TRUE(test::SameContents(target, fixture_->contents));
  // The last redraw shows the whole run.
  EXPECT_EQ(dialog.ValueText("recovered"), QString::number(fixture_->contents.size()));
  EXPECT_EQ(dialog.ProgressBar()->value(), dialog.ProgressBar()->maximum());
  EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(SaveStep, AConfirmedCancelStopsAtTheNextFileAndTheRunSaysSo) {
  const fs::path target = FreshFolder("save_step/stopped");
  CRecoveringDlg dialog(fixture_->root, fixture_->device.get(), target.string(), prompter_);
  prompter_.answers = {false, true};
  int begun = 0;
  dialog.SetFileBeginHook([&](CRecoveringDlg& running) {
    if (++begun != 2) return;
    // A click on Cancel from the window's own thread, answered No and then
    // Yes; the worker waits for it.
    QMetaObject::invokeMethod(
        &running,
        [&running] {
          running.CancelButton()->click();
          EXPECT_FALSE(running.StopRequested());
          running.CancelButton()->click();
        },
        Qt::QueuedConnection);
    for (int i = 0; i < 5000 && !running.StopRequested(); ++i)
      QThread::msleep(1);
  });
  EXPECT_EQ(dialog.exec(), 1);
  EXPECT_TRUE(dialog.StopRequested());
  EXPECT_TRUE(dialog.Outcome().stopped);
  EXPECT_LT(dialog.Outcome().files, fixture_->contents.size());
  EXPECT_EQ(dialog.windowTitle(), LoadAppString(402));
  EXPECT_FALSE(dialog.CancelButton()->isEnabled());
  EXPECT_EQ(Shown(), QStringList({LoadAppString(246), LoadAppString(246)}));
  EXPECT_LT(test::FilesBelow(target).size(), fixture_->contents.size());
}

TEST_F(SaveStep, EnterAndEscapeNeverCloseTheWindowDetailsFoldAway) {
  CRecoveringDlg dialog(fixture_->root, fixture_->device.get(), FreshFolder("save_step/keys").string(),
                        prompter_);
  dialog.show();
  QApplication::processEvents();
  QTest::keyClick(&dialog, Qt::Key_Escape);
  QTest::keyClick(&dialog, Qt::Key_Return);
  QTest::keyClick(&dialog, Qt::Key_Enter);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(prompter_.shown.empty());
  // Numbers as a run of more than 2^31 files and 2^30 bytes shows them.
  dialog.OnBegin(0xFFFFFFFFu, 5ull << 30);
  dialog.OnFileBegin("a rather long file name of a picture taken on holiday.jpg");
  dialog.OnBytesWritten(3ull << 30);
  for (int i = 0; i < 3; ++i)
    dialog.OnFileDone(0x7FFFFFFFu);
  dialog.Refresh();
  EXPECT_EQ(dialog.ValueText("selected"), "4294967295");
  EXPECT_EQ(dialog.ValueText("recovered"), "6442450941");
  EXPECT_EQ(dialog.ValueText("totalSize"), "5.00 GB");
  EXPECT_EQ(dialog.ValueText("recoveredSize"), "3.00 GB");
  EXPECT_EQ(dialog.ValueText("remaining"), LoadAppString(132));
  EXPECT_EQ(dialog.ProgressBar()->maximum(), 5 * 1024);
  EXPECT_EQ(dialog.ProgressBar()->value(), 3 * 1024);
  EXPECT_FALSE(test::SaveToGallery(dialog, QStringLiteral("recovering_details_shown")).isEmpty());
  const int tall = dialog.height();
  dialog.findChild<QAbstractButton*>(QStringLiteral("fewerDetails"))->click();
  QApplication::processEvents();
  EXPECT_FALSE(dialog.DetailsShown());
  EXPECT_LT(dialog.height(), tall);
  EXPECT_TRUE(dialog.findChild<QWidget*>(QStringLiteral("moreDetails"))->isVisible());
  EXPECT_FALSE(dialog.findChild<QWidget*>(QStringLiteral("fileName"))->isVisible());
  EXPECT_TRUE(dialog.findChild<QWidget*>(QStringLiteral("remaining"))->isVisible());
  EXPECT_FALSE(test::SaveToGallery(dialog, QStringLiteral("recovering_details_hidden")).isEmpty());
  dialog.SetDetailsShown(true);
  EXPECT_TRUE(dialog.findChild<QWidget*>(QStringLiteral("fileName"))->isVisible());
  dialog.hide();
}

TEST_F(SaveStep, TheSaveFilePageTellsTheSelectionAndItsChecksSayWhy) {
  context_.sheet();
  Controller().SetFileSelection(fixture_->root, fixture_->device.get());
  std::uint64_t bytes = 0;
  for (const auto& content : fixture_->contents)
    bytes += content.size();
  EXPECT_EQ(Page().SelectedCount(), fixture_->contents.size());
  EXPECT_EQ(Page().SelectedSize(), bytes);
  EXPECT_EQ(Page().SelectionText(), QStringLiteral("You select 83.11 KB in 6 file(s)."));

  struct Case {
    QString path;
    QString message;
  };
  const fs::path good = FreshFolder("save_step/checks");
  const Case cases[] = {
      {"", LoadAppString(159)},
      {"relative", LoadAppString(155)},
      {"/proc/self/fdinfo", LoadAppString(154)},
      {QString::fromStdString(good.string()) + "/a|b", LoadAppString(157)},
      {QString::fromStdString(good.string()), QString()},
  };
  for (const Case& c : cases) {
    prompter_.shown.clear();
    Page().PathEdit().setText(c.path + "  ");
    EXPECT_EQ(Controller().ValidateTargetFolder(), c.message.isEmpty()) << c.path.toStdString();
    EXPECT_EQ(Shown(), c.message.isEmpty() ? QStringList() : QStringList({c.message}))
        << c.path.toStdString();
  }
  EXPECT_EQ(Page().GetTargetPath(), QString::fromStdString(good.string()));
  EXPECT_FALSE(fs::exists(good)) << "a check never makes the folder";

  // A volume without room for the selection.
  prompter_.shown.clear();
  Page().SetSpaceQuery([&](const QString&) { return TargetSpace{bytes - 1, 1ull << 30, bytes + 100}; });
  EXPECT_FALSE(Controller().ValidateTargetFolder());
  EXPECT_EQ(Shown(), QStringList({LoadAppString(208)}));
  // Exactly the room needed passes; the pie shows what the user may write.
  Page().SetSpaceQuery([&](const QString&) { return TargetSpace{bytes, 1ull << 30, bytes + 100}; });
  EXPECT_TRUE(Controller().ValidateTargetFolder());
  EXPECT_EQ(Page().Pie().FreeSpace(), static_cast<std::int64_t>(bytes));
  EXPECT_EQ(Page().Pie().RequiredSpace(), static_cast<std::int64_t>(bytes));
  EXPECT_EQ(Page().Pie().UsedSpace(), static_cast<std::int64_t>((1ull << 30) - bytes));
}

TEST_F(SaveStep, ATypedOrPastedFolderShowsItsVolumeSpace) {
  context_.sheet();
  Page().SetSelectionSize(3, 700);
  const fs::path folder = FreshFolder("save_step/typed");
  fs::create_directories(folder);
  QStringList asked;
  Page().SetSpaceQuery([&](const QString& path) {
    asked << path;
    return TargetSpace{1000, 5000, 1200};
  });
  CEditPlus& edit = Page().PathEdit();
  edit.clear();
  QTest::keyClicks(&edit, QString::fromStdString(folder.string()));
  ASSERT_FALSE(asked.isEmpty());
  EXPECT_EQ(asked.back(), QString::fromStdString(folder.string()));
  EXPECT_EQ(Page().Pie().FreeSpace(), 1000);
  EXPECT_EQ(Page().Pie().RequiredSpace(), 700);
  EXPECT_EQ(Page().Pie().UsedSpace(), 4000);
  // A name of no folder yet leaves the chart blank and asks nothing.
  asked.clear();
  QTest::keyClicks(&edit, QStringLiteral("-new"));
  EXPECT_TRUE(asked.isEmpty());
  EXPECT_EQ(Page().Pie().FreeSpace(), 0);
  EXPECT_EQ(Page().Pie().UsedSpace(), 0);
  // Pasted whole, a folder shows again.
  edit.selectAll();
  edit.insert(QString::fromStdString(folder.string()));
  EXPECT_EQ(Page().Pie().FreeSpace(), 1000);
}

TEST_F(SaveStep, EncryptedFilesNeedAnNtfsTarget) {
  context_.sheet();
  // An encrypted file among the checked ones (the FAT volume's tree takes it).
  CFileNode* volume = fixture_->root->GetFirstChild();
  CFileNode* node = CreateFileNode();
  auto properties = std::make_unique<CMyFileProperties>();
  CMyFileProperties::Record record;
  record.attributes = kAttrEncrypted;
  record.size = 10;
  record.checkState = kChecked;
  properties->CopyRecord(record);
  properties->SetName("SECRET.TXT");
  node->SetProperties(std::move(properties));
  volume->AddChild(node);
  fixture_->root->UpdateSelectionSummary();
  Controller().SetFileSelection(fixture_->root, fixture_->device.get());
  Page().PathEdit().setText(QString::fromStdString(FreshFolder("save_step/encrypted").string()));
  EXPECT_FALSE(Controller().ValidateTargetFolder());
  EXPECT_EQ(Shown(), QStringList({LoadAppString(161)}));
}

TEST_F(SaveStep, FromTheSavePathDialogToTheResultDialog) {
  CWizardSheet& sheet = context_.sheet();
  sheet.resize(900, 640);
  sheet.show();
  Controller().SetFileSelection(fixture_->root, fixture_->device.get());
  const fs::path target = FreshFolder("save_step/road");
  QStringList opened;
  ResultPage().Panel().SetFolderOpener([&](const QString& path) { opened << path; });
  bool sawPath = false;
  bool sawResult = false;
  WhenModalIs(Is<CSaveFilePathDlg>(), [&](QWidget& window) {
    auto& dialog = static_cast<CSaveFilePathDlg&>(window);
    sawPath = true;
    EXPECT_EQ(dialog.Page(), &Page());
    EXPECT_TRUE(Page().PathEdit().text().isEmpty()) << "every showing starts empty";
    // First a folder on a read-only place: refused, the dialog stays.
    Page().PathEdit().setText(QStringLiteral("/proc/self/fdinfo/x"));
    dialog.OkButton()->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(fs::exists(target));
    Page().OnFolderSelected(QString::fromStdString(target.string()));
    EXPECT_GT(Page().Pie().UsedSpace() + Page().Pie().FreeSpace(), 0);
    Page().Tree().ExpandMyComputer();
    EXPECT_FALSE(test::SaveToGallery(dialog, QStringLiteral("save_file_page")).isEmpty());
    dialog.OkButton()->click();
  });
  WhenModalIs(Is<CSaveFileResultDlg>(), [&](QWidget& window) {
    sawResult = true;
    EXPECT_EQ(static_cast<CSaveFileResultDlg&>(window).Page(), &ResultPage());
    EXPECT_FALSE(test::SaveToGallery(window, QStringLiteral("save_result_page")).isEmpty());
    ResultPage().Panel().Folders().setCurrentRow(0);
    Q_EMIT ResultPage().Panel().Folders().itemActivated(ResultPage().Panel().Folders().item(0));
    ResultPage().OkButton().click();
  });
  const int shownBefore = sheet.ActiveIndex();
  Controller().Activate();
  EXPECT_TRUE(sawPath);
  EXPECT_TRUE(sawResult);
  EXPECT_EQ(sheet.ActiveIndex(), shownBefore);
  EXPECT_EQ(Shown(), QStringList({LoadAppString(154)}));
  EXPECT_TRUE(test::SameContents(target, fixture_->contents));
  EXPECT_EQ(Controller().GetSelectedCount(), fixture_->contents.size());
  EXPECT_EQ(Controller().GetRecoveredCount(), fixture_->contents.size());
  ASSERT_EQ(Controller().GetCreatedFolderCount(), 1);
  EXPECT_EQ(opened, QStringList({QString::fromStdString(Controller().GetCreatedFolder(0))}));
  EXPECT_EQ(ResultPage().Panel().Headline(), QStringLiteral("Recovery Completed"));
  EXPECT_EQ(context_.saveResultController().GetPrevController(), &Controller());
  // The pages went back to the sheet, hidden.
  EXPECT_EQ(Page().parentWidget(), &sheet);
  EXPECT_FALSE(Page().isVisible());
  EXPECT_EQ(ResultPage().parentWidget(), &sheet);
  sheet.hide();
}

// The first file of that name below node, depth first.
CFileNode* FindNode(CFileNode* node, const char* name) {
  for (CFileNode* child = node->GetFirstChild(); child != nullptr; child = child->GetNextSibling()) {
    if (std::strcmp(child->GetProperties()->GetName(), name) == 0) return child;
    if (CFileNode* found = FindNode(child, name)) return found;
  }
  return nullptr;
}

// A file marked damaged (its clusters taken by another file) and a file
// whose saving meets unreadable sectors of the disk are both saved whole,
// and the result page counts them apart from the recovered ones: a failure
// is never reported as a success, even where a scan would read the bad
// sectors as zeros.
TEST_F(SaveStep, DamagedFilesAndUnreadableSectorsAreCountedApartOnTheResultPage) {
  CFileNode* damaged = FindNode(fixture_->root, "NOTES.TXT");
  CFileNode* unreadable = FindNode(fixture_->root, "PHOTO.JPG");
  ASSERT_NE(damaged, nullptr);
  ASSERT_NE(unreadable, nullptr);
  auto* marked = dynamic_cast<CFilePropertiesBase*>(damaged->GetProperties());
  ASSERT_NE(marked, nullptr);
  marked->SetState(static_cast<std::uint8_t>(marked->GetState() | kStateDamaged));
  // The same volume standing as a disk whose sectors under the picture's
  // second cluster cannot be read, with the scans' default of reading
  // unreadable areas as zeros.
  ASSERT_EQ(GetAppSettings()->bIgnoreBadSectors, 1);
  ClearDiskOverrides();
  auto plan = std::make_shared<FaultPlan>();
  const std::string image = fixture_->image.string();
  const int index = AddDiskOverride(image, [plan, image](int& error) -> std::unique_ptr<IDeviceHandle> {
    auto inner = OpenDeviceFile(image, error);
    if (!inner) return nullptr;
    return std::make_unique<FaultInjectingHandle>(std::move(inner), plan);
  });
  CDiskDevice device(index);
  ASSERT_EQ(device.IsOpen(), 1);
  std::uint64_t base = 0;
  std::uint32_t perCluster = 0;
  ASSERT_TRUE(unreadable->GetVolumeGeometry(&base, &perCluster));
  const auto runs = unreadable->GetProperties()->GetDataRunList();
  ASSERT_NE(runs, nullptr);
  ASSERT_FALSE(runs->Runs().empty());
  const DataRunEntry first = runs->Runs().front();
  ASSERT_GE(first.count, 2u);
  const std::uint64_t badSector = base + (first.start + 1) * perCluster;
  plan->AddFailingBytes(badSector * 512, (badSector + perCluster) * 512);
  std::vector<std::string> errors;
  const int observer = AddLogObserver([&](LogKind kind, std::string_view text) {
    if (kind == LogKind::Error) errors.emplace_back(text);
  });

  CWizardSheet& sheet = context_.sheet();
  sheet.resize(900, 640);
  sheet.show();
  Controller().SetFileSelection(fixture_->root, &device);
  const fs::path target = FreshFolder("save_step/damaged");
  ResultPage().Panel().SetFolderOpener([](const QString&) {});
  WhenModalIs(Is<CSaveFilePathDlg>(), [&](QWidget& window) {
    Page().OnFolderSelected(QString::fromStdString(target.string()));
    static_cast<CSaveFilePathDlg&>(window).OkButton()->click();
  });
  QString counts;
  WhenModalIs(Is<CSaveFileResultDlg>(), [&](QWidget& window) {
    counts = ResultPage().Panel().findChild<QLabel*>("counts")->text();
    EXPECT_FALSE(test::SaveToGallery(window, QStringLiteral("save_result_page_damaged")).isEmpty());
    ResultPage().OkButton().click();
  });
  Controller().Activate();
  RemoveLogObserver(observer);
  sheet.hide();
  ClearDiskOverrides();

  const std::uint64_t all = fixture_->contents.size();
  EXPECT_EQ(Controller().GetSelectedCount(), all);
  EXPECT_EQ(Controller().GetRecoveredCount(), all - 2);
  EXPECT_EQ(Controller().Outcome().failed, 2u);
  EXPECT_EQ(ResultPage().Panel().Headline(), QStringLiteral("2 of %1 files could not be recovered").arg(all));
  EXPECT_EQ(counts, QStringLiteral("Selected files: %1\nRecovered files: %2\nFiles not recovered: 2")
                        .arg(all)
                        .arg(all - 2));
  // Both are listed and saved, whole: the damaged one as its extents hold
  // it, the other with zeros where its sectors could not be read. Each is
  // logged.
  const auto saved = test::FilesBelow(target);
  EXPECT_EQ(saved.size(), all);
  const auto at = [&](const char* name) -> const std::vector<std::uint8_t>* {
    for (const auto& [path, bytes] : saved)
      if (fs::path(path).filename() == name) return &bytes;
    return nullptr;
  };
  ASSERT_NE(at("NOTES.TXT"), nullptr);
  EXPECT_EQ(at("NOTES.TXT")->size(), damaged->GetProperties()->GetSize());
  const std::vector<std::uint8_t>* photo = at("PHOTO.JPG");
  ASSERT_NE(photo, nullptr);
  ASSERT_EQ(photo->size(), unreadable->GetProperties()->GetSize());
  const std::size_t cluster = std::size_t{perCluster} * 512;
  const std::vector<std::uint8_t> original = ReadFileBytes(fixture_->image);
  const std::size_t firstByte = static_cast<std::size_t>((base + first.start * perCluster) * 512);
  EXPECT_TRUE(std::equal(photo->begin(), photo->begin() + cluster, original.begin() + firstByte));
  EXPECT_TRUE(
      std::all_of(photo->begin() + cluster, photo->begin() + 2 * cluster, [](auto b) { return b == 0; }));
  EXPECT_TRUE(std::equal(photo->begin() + 2 * cluster, photo->begin() + 3 * cluster,
                         original.begin() + firstByte + 2 * cluster));
  const auto logged = [&](const char* name) {
    return std::any_of(errors.begin(), errors.end(), [&](const std::string& line) {
      return line.find("Failed to recover file") != std::string::npos && line.find(name) != std::string::npos;
    });
  };
  EXPECT_TRUE(logged("NOTES.TXT"));
  EXPECT_TRUE(logged("PHOTO.JPG"));
  EXPECT_TRUE(std::any_of(errors.begin(), errors.end(), [&](const std::string& line) {
    return line.find("Unreadable sectors written as zeros") != std::string::npos &&
           line.find("the first at sector " + std::to_string(badSector)) != std::string::npos;
  }));
}

TEST(SaveResultHeadline, StoppedAndFailedRunsAreNeverCompleted) {
  SaveResultReport report;
  report.selected = 10;
  report.recovered = 10;
  EXPECT_EQ(SaveResultHeadline(report), "Recovery Completed");
  report.recovered = 7;
  report.failed = 3;
  EXPECT_EQ(SaveResultHeadline(report), "3 of 10 files could not be recovered");
  report.stopped = true;
  EXPECT_EQ(SaveResultHeadline(report), "Recovery stopped");
}

TEST(SaveResultPanel, NoFoldersStillShowsTheTarget) {
  CSaveResultPanel panel;
  SaveResultReport report;
  report.target = "/tmp/out";
  panel.SetReport(report);
  EXPECT_EQ(panel.Folders().count(), 0);
  EXPECT_TRUE(panel.findChild<QLabel*>("targetFolder")->text().contains("/tmp/out"));
}

} // namespace
} // namespace qm
