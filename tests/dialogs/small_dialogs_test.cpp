#include <QtCore/QTranslator>
#include <QtGui/QGuiApplication>
#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTreeWidget>
#include <gtest/gtest.h>

#include "dialogs/partition_dialogs.h"
#include "dialogs/properties_dlg.h"
#include "dialogs/small_dialogs.h"
#include "fatext2/fat_file_properties.h"
#include "fatext2/fat_partition_info.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "support_ui/gallery.h"

namespace {

TEST(PromptDialog, TickCountsOnlyWhenOkIsPressed) {
  {
    CHasCheckboxPromptDlg dlg(
        QStringLiteral("If the files are not found or corrupted in this mode, please go to "
                       "\"Format Recovery\"!"));
    qm::test::WhenModalOpens([](QWidget& w) {
      auto& d = static_cast<CHasCheckboxPromptDlg&>(w);
      d.CheckBox()->setChecked(true);
      qm::test::SaveToGallery(w, QStringLiteral("dialogs_checkbox_prompt"));
      d.accept();
    });
    dlg.exec();
    EXPECT_EQ(dlg.IsChecked(), 1);
  }
  {
    CHasCheckboxPromptDlg dlg(QStringLiteral("text"));
    qm::test::WhenModalOpens([](QWidget& w) {
      static_cast<CHasCheckboxPromptDlg&>(w).CheckBox()->setChecked(true);
      QTest::keyClick(&w, Qt::Key_Escape);
    });
    dlg.exec();
    EXPECT_EQ(dlg.IsChecked(), 0);
  }
}

TEST(WaitingDialog, CursorComesBackWhenTheWindowGoes) {
  const int before = QGuiApplication::overrideCursor() ? 1 : 0;
  {
    QWidget main;
    main.resize(600, 400);
    main.show();
    CWaitingDlg wait(&main);
    wait.SetText(
        QStringLiteral("Please wait a minute for there are too many files in the directory you selected."));
    wait.show();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    qm::test::SaveToGallery(wait, QStringLiteral("dialogs_waiting"));
  }
  EXPECT_EQ(QGuiApplication::overrideCursor() ? 1 : 0, before);
}

TEST(AttributesStates, ShowsItsPicture) {
  CAttributesStates dlg;
  EXPECT_FALSE(qm::test::SaveToGallery(dlg, QStringLiteral("dialogs_attribute_states")).isEmpty());
}

TEST(ScanPartitionProperties, RowsByWhatIsShown) {
  CScanPartitionPropertiesDlg empty;
  empty.Fill();
  EXPECT_EQ(empty.List()->topLevelItemCount(), 0);
  EXPECT_EQ(empty.List()->columnCount(), 2);

  const std::pair<std::uint64_t, std::uint64_t> range{2048, 40960};
  CScanPartitionPropertiesDlg sectors;
  sectors.SetSectorRange(&range);
  sectors.Fill();
  ASSERT_EQ(sectors.List()->topLevelItemCount(), 2);
  EXPECT_EQ(sectors.List()->topLevelItem(1)->text(1), QStringLiteral("40960"));

  CFATSearchedPartitionInfo fat;
  fat.SetFileSystemType(2);
  fat.SetFlags(0x10 | 0x40); // found by the folder analysis, first table found
  fat.SetStartSector(63);
  const auto rows = qm::FatPartitionRows(fat);
  ASSERT_EQ(rows.size(), 16u);
  for (int i : {2, 3, 4, 5})
    EXPECT_EQ(rows[static_cast<std::size_t>(i)].value, "-") << rows[i].label;
  EXPECT_EQ(rows[6].label, "From folders analysis");
  EXPECT_EQ(rows[6].value, "Yes");
  EXPECT_EQ(rows[10].value, "Yes");
  EXPECT_EQ(rows[11].value, "No");
  EXPECT_EQ(rows[8].value, "63");
  CScanPartitionPropertiesDlg dlg;
  dlg.SetPartition(&fat);
  dlg.Fill();
  EXPECT_EQ(dlg.List()->topLevelItemCount(), 16);
  qm::test::SaveToGallery(dlg, QStringLiteral("dialogs_scan_partition_properties"));
}

TEST(BorrowedPage, PageIsGivenBackHiddenAndOkAsksFirst) {
  QWidget owner;
  auto* page = new QLabel(QStringLiteral("The save-file page"), &owner);
  owner.show();
  CSaveFilePathDlg dlg;
  dlg.resize(500, 300);
  dlg.SetPage(nullptr); // nothing happens
  EXPECT_EQ(dlg.Page(), nullptr);
  dlg.SetPage(page);
  EXPECT_EQ(page->parentWidget(), &dlg);
  dlg.SetPage(page); // held already: nothing changes
  EXPECT_EQ(dlg.Page(), page);

  bool accept = false;
  int nexts = 0;
  dlg.SetAcceptHandler([&] { return accept; }, [&] { ++nexts; });
  qm::test::WhenModalOpens([&](QWidget& w) {
    qm::test::SaveToGallery(w, QStringLiteral("dialogs_save_path_frame"));
    auto& d = static_cast<CSaveFilePathDlg&>(w);
    d.OkButton()->click(); // refused: stays open
    EXPECT_TRUE(d.isVisible());
    accept = true;
    d.OkButton()->click();
  });
  EXPECT_EQ(dlg.exec(), QDialog::Accepted);
  EXPECT_EQ(nexts, 1);
  EXPECT_EQ(page->parentWidget(), &owner);
  EXPECT_TRUE(page->isHidden());
}

} // namespace

// The states picture and the properties of a deleted file that another
// file has overwritten, in the three languages, to look at for cut or
// overlapping words.
TEST(AttributesStates, DamagedFilesInEveryLanguage) {
  CFileSystemNode* volume = CreateFileSystemNode();
  volume->SetVolumeState(qm::kVolumeFat32);
  volume->SetVolumeGeometry(2048, 1);
  auto folder = CreateFatFileProperties();
  folder->SetName("VOLUME");
  folder->SetAttributes(qm::kAttrFolder);
  volume->SetProperties(std::unique_ptr<IFileProperties>(folder.release()));
  auto file = CreateFatFileProperties();
  file->SetName("holiday.jpg");
  file->SetFirstCluster(40);
  file->SetParentCluster(2);
  file->SetState(static_cast<std::uint8_t>(qm::kStateDeleted | qm::kStateDamaged));
  CFileNode* node = CreateFileNode();
  node->SetProperties(std::unique_ptr<IFileProperties>(file.release()));
  volume->AddChild(node);

  const std::string folderOfTranslations =
      std::string(std::getenv("QM_BINARY_DIR")) + "/src/app/translations";
  for (const auto& [language, suffix] :
       {std::pair{"", ""}, std::pair{"Deutsch", "_de"}, std::pair{"Japanese", "_ja"}}) {
    SCOPED_TRACE(language);
    QTranslator translator;
    if (*language != '\0') {
      ASSERT_TRUE(
          translator.load(QString::fromLatin1(language), QString::fromStdString(folderOfTranslations)));
      QCoreApplication::installTranslator(&translator);
    }
    {
      CAttributesStates states;
      EXPECT_FALSE(qm::test::SaveToGallery(
                       states, QStringLiteral("dialogs_attribute_states%1").arg(QLatin1String(suffix)))
                       .isEmpty());
    }
    {
      qm::CPropertiesDlg properties;
      properties.SetNode(node);
      const QList<QTreeWidgetItem*> damaged = properties.List()->findItems(
          QCoreApplication::translate("CPropertiesDlg", "Damaged"), Qt::MatchExactly);
      ASSERT_EQ(damaged.size(), 1);
      EXPECT_EQ(damaged[0]->text(1), QCoreApplication::translate("CPropertiesDlg", "Yes"));
      if (*language != '\0') {
        EXPECT_NE(damaged[0]->text(0), QStringLiteral("Damaged"));
      }
      EXPECT_FALSE(qm::test::SaveToGallery(properties,
                                           QStringLiteral("properties_damaged%1").arg(QLatin1String(suffix)))
                       .isEmpty());
    }
    QCoreApplication::removeTranslator(&translator);
  }
  DeleteFileTree(volume);
}
