// The imaging wizards in German and Japanese: with the compiled translation
// loaded, no label, button, list item or title of either wizard still shows
// an English text that the translation file translates. A text that the
// tools extract but the code looks up under another context would show up
// here in English. The pages are saved to the gallery in both languages.
#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QTranslator>
#include <QtCore/QXmlStreamReader>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QTreeWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "image_test_support.h"
#include "imaging/image_disk_master_dlg.h"
#include "imaging/imaging_strings.h"
#include "imaging/open_disk_image_master_dlg.h"
#include "ntfs/ntfs_fixture.h"
#include "storage/image_file_device.h"
#include "support_ui/gallery.h"
#include "support_ui/scripted_prompter.h"
#include "support_ui/ts_text.h"

namespace qm {
namespace {

// The English texts of a translation file whose translation differs from
// them: none of these may reach the screen while that language is loaded.
std::set<QString> TranslatedEnglish(const char* language) {
  std::set<QString> english;
  QFile file(QString::fromStdString(std::string(std::getenv("QM_SOURCE_DIR")) + "/src/app/translations/" +
                                    language + ".ts"));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  QString source;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) {
      continue;
    }
    if (xml.name() == QLatin1String("source")) {
      source = test::ReadTsText(xml);
    } else if (xml.name() == QLatin1String("translation")) {
      const QString translation = test::ReadTsText(xml);
      if (!translation.isEmpty() && translation != source) {
        english.insert(source);
      }
    }
  }
  EXPECT_FALSE(xml.hasError()) << language;
  return english;
}

// Every text a person reads in the window and all its pages, shown or not.
std::vector<QString> VisibleTexts(QWidget& window) {
  std::vector<QString> texts{window.windowTitle()};
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      texts.push_back(label->text());
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      texts.push_back(button->text());
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      for (int i = 0; i < combo->count(); ++i) {
        texts.push_back(combo->itemText(i));
      }
    } else if (auto* tree = qobject_cast<QTreeWidget*>(widget)) {
      for (int c = 0; c < tree->columnCount(); ++c) {
        texts.push_back(tree->headerItem()->text(c));
      }
    }
  }
  return texts;
}

void ExpectNoEnglish(QWidget& window, const std::set<QString>& english, const char* where) {
  for (const QString& text : VisibleTexts(window)) {
    EXPECT_EQ(english.count(text.trimmed()) + english.count(text), 0u)
        << where << " shows \"" << text.toStdString() << "\" untranslated";
  }
}

ImagingSeams Seams(test::ScriptedPrompter& prompter) {
  ImagingSeams seams;
  seams.prompter = &prompter;
  seams.chooseSaveFile = [](QWidget*, const QString&, const QString&) { return QString(); };
  seams.chooseOpenFile = [](QWidget*, const QString&, const QString&) { return QString(); };
  seams.freeSpaceMB = [](const std::string&) -> std::uint64_t { return 100000; };
  return seams;
}

TEST(ImagingTranslations, BothWizardsShowEveryTextTranslated) {
  const std::string folder = std::string(std::getenv("QM_BINARY_DIR")) + "/src/app/translations";
  for (const char* language : {"Deutsch", "Japanese"}) {
    SCOPED_TRACE(language);
    const std::set<QString> english = TranslatedEnglish(language);
    ASSERT_GT(english.size(), 100u);
    QTranslator translator;
    ASSERT_TRUE(translator.load(QString::fromLatin1(language), QString::fromStdString(folder)));
    QCoreApplication::installTranslator(&translator);
    const QString suffix = QStringLiteral("_") + QString::fromLatin1(language).left(2).toLower();

    // The texts looked up by id and the writer's reasons for a failed run.
    for (unsigned id : {169u, 399u, 421u, 427u, 61204u, 61206u, 61209u, 61216u}) {
      EXPECT_EQ(english.count(ImagingString(id)), 0u) << "string " << id;
    }
    EXPECT_EQ(english.count(QCoreApplication::translate("CCompressController", "Nothing to image")), 0u);

    {
      CImageFileDevice source(test::NtfsBasicImagePath().c_str());
      test::ScriptedPrompter prompter;
      CImageDiskMasterDlg wizard(&source, "QM Fixture (NTFS)", 255, nullptr, Seams(prompter));
      wizard.show();
      ExpectNoEnglish(wizard, english, "the create wizard");
      test::SaveToGallery(wizard, QStringLiteral("imaging_create_0_mode") + suffix);
      // The advanced road: destination, region and summary with their
      // titles and the level's name.
      wizard.ModePage().AdvancedBox()->setChecked(true);
      wizard.OnNext();
      ASSERT_EQ(wizard.CurrentPage(), CImageDiskMasterDlg::kAdvancedPath);
      ExpectNoEnglish(wizard, english, "the advanced destination page");
      test::SaveToGallery(wizard, QStringLiteral("imaging_create_3_advanced") + suffix);
      const auto target = test::FreshFolder("imaging_translation") / "disk.qmi";
      wizard.AdvancedPage().Row()->SetPath(QString::fromStdString(target.string()));
      wizard.OnNext();
      ASSERT_EQ(wizard.CurrentPage(), CImageDiskMasterDlg::kRegion);
      ExpectNoEnglish(wizard, english, "the region page");
      wizard.OnNext();
      ASSERT_EQ(wizard.CurrentPage(), CImageDiskMasterDlg::kSummary);
      ExpectNoEnglish(wizard, english, "the summary page");
      test::SaveToGallery(wizard, QStringLiteral("imaging_create_1_summary") + suffix);
    }
    {
      test::ScriptedPrompter prompter;
      COpenDiskImageMasterDlg wizard(nullptr, Seams(prompter));
      wizard.show();
      ExpectNoEnglish(wizard, english, "the open wizard");
      wizard.OnNext();
      ExpectNoEnglish(wizard, english, "the open wizard's index page");
      test::SaveToGallery(wizard, QStringLiteral("imaging_open_1_path") + suffix);
    }
    QCoreApplication::removeTranslator(&translator);
  }
}

} // namespace
} // namespace qm
