// The reporter's windows: the crash window with its two files, and the
// notice for a second start, in English and in Japanese.
#include <QtCore/QCoreApplication>
#include <QtCore/QTranslator>
#include <QtTest/QTest>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTabWidget>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "reporter/already_running_box.h"
#include "reporter/zorv_report_dlg.h"
#include "support_ui/gallery.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

// The report as the crash handler writes it, with a NUL and a broken UTF-8
// sequence that a damaged file could hold.
std::string ReportText() {
  return std::string(
             "Quenmark crash report\nSignal: 11 (SIGSEGV), code 1\nFault address: 0x0000000000000010\n"
             "Backtrace:\n  #0 0x55d0c3a1f2e4 Vek(+0x1f2e4)\n  #1 0x7f3b2c029d90 libc.so.6(+0x29d90)\n"
             "bytes: ") +
         std::string("\0\xff\xfe", 3) + "\n";
}

class ZorvReportDlgTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / ("qm_reportdlg_" + std::to_string(getpid()) + "_" + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (translator_ != nullptr) QCoreApplication::removeTranslator(translator_.get());
    fs::remove_all(dir_);
  }

  // A crash's files: the report and a log larger than what is shown, whose
  // first and last lines are marked.
  CrashFiles MakeCrashFiles() {
    std::ofstream(dir_ / "Zorvdump0.dmp", std::ios::binary) << ReportText();
    std::ofstream log(dir_ / "Quenmark.log", std::ios::binary);
    log << "2026-12-11 08:00:00 INFO  FIRST LINE\n";
    const std::string filler = "2026-12-11 08:00:01 INFO  Scanning sector 0x0000000000123456 of the volume\n";
    for (std::uintmax_t written = 0; written < kShownBytesLimit + 4096; written += filler.size())
      log << filler;
    log << "2026-12-11 08:00:02 INFO  Caught an excetpion! Exception Code:0000000b Address:00000010\n";
    log << "2026-12-11 08:00:02 INFO  LAST LINE\n";
    log.close();
    return LoadCrashFiles({dir_});
  }

  void UseJapanese() {
    translator_ = std::make_unique<QTranslator>();
    ASSERT_TRUE(translator_->load(
        QStringLiteral("Japanese"),
        QString::fromStdString(std::string(std::getenv("QM_BINARY_DIR")) + "/src/app/translations")));
    QCoreApplication::installTranslator(translator_.get());
  }

  fs::path dir_;
  std::unique_ptr<QTranslator> translator_;
};

TEST_F(ZorvReportDlgTest, ShowsBothFilesWhereTheyAreAndOpensTheirFolder) {
  const CrashFiles files = MakeCrashFiles();
  QStringList opened;
  CZorvReportDlg dialog(files, nullptr, [&opened](const QString& folder) {
    opened << folder;
    return true;
  });
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Quenmark"));

  const QString report = dialog.ReportView().toPlainText();
  EXPECT_TRUE(dialog.ReportView().isReadOnly());
  EXPECT_TRUE(report.contains(QStringLiteral("Signal: 11 (SIGSEGV)")));
  EXPECT_FALSE(report.contains(QChar(u'\0')));
  EXPECT_TRUE(
      dialog.ReportLabel().text().contains(QString::fromStdString((dir_ / "Zorvdump0.dmp").string())));

  // The log is larger than what is shown: its end is there, its start not.
  const QString log = dialog.LogView().toPlainText();
  EXPECT_TRUE(dialog.LogView().isReadOnly());
  EXPECT_TRUE(log.endsWith(QStringLiteral("LAST LINE\n")));
  EXPECT_TRUE(log.contains(QStringLiteral("Caught an excetpion!")));
  EXPECT_FALSE(log.contains(QStringLiteral("FIRST LINE")));
  EXPECT_LE(static_cast<std::uintmax_t>(log.size()), kShownBytesLimit);
  EXPECT_TRUE(dialog.LogLabel().text().contains(QString::fromStdString((dir_ / "Quenmark.log").string())));
  EXPECT_TRUE(dialog.LogLabel().text().contains(QStringLiteral("Only the last")));
  EXPECT_FALSE(dialog.ReportLabel().text().contains(QStringLiteral("Only the")));

  EXPECT_FALSE(test::SaveToGallery(dialog, QStringLiteral("reporter_crash")).isEmpty());
  dialog.Tabs().setCurrentIndex(1);
  EXPECT_FALSE(test::SaveToGallery(dialog, QStringLiteral("reporter_crash_log")).isEmpty());

  QTest::mouseClick(&dialog.OpenFolderButton(), Qt::LeftButton);
  EXPECT_EQ(opened, QStringList{QString::fromStdString(dir_.string())});
  QTest::mouseClick(&dialog.CloseButton(), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(ZorvReportDlgTest, SaysWhereItLookedWhenNothingIsThere) {
  const CrashFiles files = LoadCrashFiles({dir_});
  QStringList opened;
  CZorvReportDlg dialog(files, nullptr, [&opened](const QString& folder) {
    opened << folder;
    return false;
  });
  const QString folder = QString::fromStdString(dir_.string());
  EXPECT_EQ(dialog.ReportLabel().text(), QStringLiteral("No crash report was found in %1.").arg(folder));
  EXPECT_EQ(dialog.LogLabel().text(), QStringLiteral("No log was found in %1.").arg(folder));
  EXPECT_TRUE(dialog.ReportView().isHidden());
  EXPECT_TRUE(dialog.LogView().isHidden());
  EXPECT_EQ(CZorvReportDlg::Summary(files),
            QStringLiteral("Quenmark stopped unexpectedly.\nCrash report: No crash report was found in %1.\n"
                           "Log: No log was found in %1.")
                .arg(folder));
  EXPECT_FALSE(test::SaveToGallery(dialog, QStringLiteral("reporter_nothing_found")).isEmpty());

  // A folder that does not open says so in the window.
  QTest::mouseClick(&dialog.OpenFolderButton(), Qt::LeftButton);
  EXPECT_EQ(opened, QStringList{folder});
  bool told = false;
  for (QLabel* label : dialog.findChildren<QLabel*>())
    told = told || (label->isVisible() && label->text().contains(QStringLiteral("could not be opened")));
  EXPECT_TRUE(told);
}

TEST_F(ZorvReportDlgTest, SpeaksTheProductsLanguage) {
  UseJapanese();
  const CrashFiles files = MakeCrashFiles();
  CZorvReportDlg dialog(files);
  EXPECT_NE(dialog.Tabs().tabText(0), QStringLiteral("Crash report"));
  EXPECT_NE(dialog.OpenFolderButton().text(), QStringLiteral("Open Folder"));
  EXPECT_FALSE(test::SaveToGallery(dialog, QStringLiteral("reporter_crash_ja")).isEmpty());

  const auto box = MakeAlreadyRunningBox();
  EXPECT_EQ(box->text(), QStringLiteral("Quenmark は既に実行されています。"));
  EXPECT_FALSE(test::SaveToGallery(*box, QStringLiteral("reporter_already_running_ja")).isEmpty());
}

TEST_F(ZorvReportDlgTest, TheSecondStartNoticeIsAnInformationBox) {
  const auto box = MakeAlreadyRunningBox();
  EXPECT_EQ(box->windowTitle(), QStringLiteral("Quenmark"));
  EXPECT_EQ(box->text(), QStringLiteral("Quenmark has been running!"));
  EXPECT_EQ(box->icon(), QMessageBox::Information);
  EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
  EXPECT_FALSE(test::SaveToGallery(*box, QStringLiteral("reporter_already_running")).isEmpty());
}

} // namespace
} // namespace qm
