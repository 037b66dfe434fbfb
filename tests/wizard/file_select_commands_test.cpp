// The commands of the file-select page on the deleted-file road over a FAT
// volume made by mkfs.fat and mtools, whose deleted files are a JPEG, a
// text file, an RTF file and a Word document: preview from the page (each
// file in its previewer, the document through a recording viewer), the
// thumbnail view, find by name, the search tab and Locate, properties and
// the recovery of one file. No temporary copy may be left behind.
#include <QtCore/QBuffer>
#include <QtCore/QThread>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QSpinBox>
#include <QtWidgets/QTextEdit>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeView>
#include <QtWidgets/QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "app/help_viewer.h"
#include "controls/breviary_image_list_ctrl.h"
#include "controls/device_select_ctrl.h"
#include "controls/file_list_ctrl.h"
#include "controls/file_tree_ctrl.h"
#include "controls/list_ctrl_plus.h"
#include "controls/tab_ctrl_plus.h"
#include "controls/thumbnail_loader.h"
#include "dialogs/copy_progress_dlg.h"
#include "dialogs/file_preview_dlg.h"
#include "dialogs/find_file_dlg.h"
#include "dialogs/office_preview.h"
#include "dialogs/properties_dlg.h"
#include "dialogs/rtf_previewer_dlg.h"
#include "dialogs/search_file_dlg.h"
#include "dialogs/small_dialogs.h"
#include "fatext2/boot_sector_classifiers.h"
#include "fatext2/fat_volume_analyze.h"
#include "filemodel/file_system_node.h"
#include "platform/disk_table.h"
#include "platform/message_pump.h"
#include "preview/compound_builder.h"
#include "preview/temp_path_names.h"
#include "storage/app_settings.h"
#include "storage/volume_analyzer.h"
#include "support/scratch_files.h"
#include "support/sha256.h"
#include "support_ui/gallery.h"
#include "support_ui/scripted_prompter.h"
#include "wizard/steps/device_select_controllers.h"
#include "wizard/pages/device_select_page.h"
#include "wizard/services/device_source.h"
#include "wizard/pages/file_select_page.h"
#include "wizard/main_frame.h"
#include "wizard/pages/recovery_mode_page.h"
#include "wizard/wizard_context.h"
#include "wizard/wizard_sheet.h"

namespace fs = std::filesystem;

namespace qm {
namespace {

// The help topics that F1 in the widget asks for.
std::vector<int> HelpTopicOnF1(QWidget& widget) {
  std::vector<int> topics;
  SetHelpViewer([&topics](QWidget*, int topic) { topics.push_back(topic); });
  QTest::keyClick(&widget, Qt::Key_F1);
  SetHelpViewer({});
  return topics;
}

std::vector<std::uint8_t> Jpeg(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient gradient(0, 0, width, height);
  gradient.setColorAt(0, QColor(40, 120, 60));
  gradient.setColorAt(1, QColor(240, 220, 90));
  painter.fillRect(image.rect(), gradient);
  painter.setBrush(QColor(30, 60, 190));
  painter.drawEllipse(QPoint(width / 3, height / 2), width / 6, height / 4);
  painter.end();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG");
  return {bytes.begin(), bytes.end()};
}

std::vector<std::uint8_t> Text(const std::string& text) { return {text.begin(), text.end()}; }

// The volume and what its deleted files held, by their names on the volume
// (the engine shows a deleted name with '#' for its first character).
struct LooksImage {
  fs::path image;
  std::map<std::string, std::vector<std::uint8_t>> contents;
};

LooksImage MakeImage() {
  LooksImage made;
  const fs::path host = ScratchPath("looks_files");
  fs::remove_all(host);
  fs::create_directories(host / "keep");
  std::string notes;
  for (int i = 1; i <= 300; ++i)
    notes += "Line " + std::to_string(i) + " of the notes kept on the stick.\n";
  made.contents["photo.jpg"] = Jpeg(900, 600);
  made.contents["notes.txt"] = Text(notes);
  made.contents["letter.rtf"] = Text("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs28 Dear reader,\\par"
                                     "\\b Bold words\\b0  and \\i italic\\i0 .\\par}\r\n");
  made.contents["report.doc"] = test::BuildWordContainer();
  made.contents["keep/xabc.txt"] = Text("a short note in a folder\n");
  made.contents["keep/small.jpg"] = Jpeg(60, 40);
  made.contents["kept.txt"] = Text("never deleted\n");
  for (const auto& [name, bytes] : made.contents)
    std::ofstream(host / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  made.contents.erase("kept.txt");
  const std::string mtools = "cd '" + host.string() + "' && MTOOLS_SKIP_CHECK=1 ";
  const auto paths = MakeImagesWithTools(
      {{"looks_fat16.img",
        "mkfs.fat -F 16 -n LOOKS %s >/dev/null && " + mtools +
            "mcopy -Q -i %s photo.jpg notes.txt letter.rtf report.doc kept.txt ::/ && " + mtools +
            "mmd -i %s ::/keep && " + mtools + "mcopy -Q -i %s keep/xabc.txt keep/small.jpg ::/keep/ && " +
            mtools +
            "mdel -i %s ::/photo.jpg ::/notes.txt ::/letter.rtf ::/report.doc ::/keep/xabc.txt "
            "::/keep/small.jpg"}},
      16ull << 20);
  made.image = paths[0];
  return made;
}

const LooksImage& Image() {
  static const LooksImage image = MakeImage();
  return image;
}

class RecordingViewer : public ExternalViewer {
public:
  bool Open(const QString& path, const QString& name) override {
    calls.push_back({path, name});
    bytes = ReadFileBytes(path.toStdString());
    return true;
  }
  std::vector<std::pair<QString, QString>> calls;
  std::vector<std::uint8_t> bytes;
};

class FileSelectCommands : public ::testing::Test {
protected:
  FileSelectCommands() : context_(prompter_, settings_, Services()) {}

  static void SetUpTestSuite() {
    ClearDiskOverrides();
    if (!Image().image.empty())
      source_ = std::make_shared<FixtureDeviceSource>(std::vector<std::string>{Image().image.string()});
    temp_ = ScratchPath("looks_temp");
    fs::remove_all(temp_);
    fs::create_directories(temp_);
    CTempPathNameSignle::GetInstance().SetFolder(temp_.string());
  }
  static void TearDownTestSuite() {
    source_.reset();
    ClearDiskOverrides();
    CTempPathNameSignle::GetInstance().SweepAll();
    CTempPathNameSignle::GetInstance().SetFolder({});
  }
  void SetUp() override {
    ASSERT_FALSE(Image().image.empty()) << "making the image failed";
    RegisterFatVolumeAnalyzer();
    RegisterBootSectorClassifiers();
    SetMessagePump([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
    frame_ = std::make_unique<CMainFrame>(context_);
    frame_->resize(1000, 680);
    frame_->show();
    WalkToPage9();
  }
  void TearDown() override {
    frame_.reset();
    SetMessagePump({});
    // Only an office document's copy may outlive its preview.
    CTempPathNameSignle::GetInstance().SweepAll();
    EXPECT_TRUE(TempFiles().empty());
  }

  WizardServices Services() {
    WizardServices services;
    services.openUrl = [](const QString&) { return true; };
    services.openHelp = [](int) {};
    services.startRestarter = [] { return true; };
    services.fileFilterPath = std::string(std::getenv("QM_SOURCE_DIR")) + "/src/app/FileFilter.xml";
    services.deviceSource = source_;
    return services;
  }

  void WaitEnabled() {
    for (int i = 0; i < 10000 && !frame_->isEnabled(); ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
      QThread::msleep(1);
    }
  }

  // Start page, Deleted, the LOOKS volume, Next: page 9 with its tree.
  void WalkToPage9() {
    frame_->Sheet().ModePage().OnModeCommand(1000);
    WaitEnabled();
    auto& page = *static_cast<CDeviceListPage*>(frame_->Sheet().GetActivePage());
    CDeviceSelectCtrl& view = page.DeviceCtrl();
    bool selected = false;
    for (int i = 0; i < view.GetCount() && !selected; ++i) {
      if (view.View()->RowAt(i).cells[0].text.contains(QLatin1String("LOOKS"))) {
        view.View()->SelectIndex(i);
        selected = true;
      }
    }
    ASSERT_TRUE(selected);
    test::WhenModalOpens(
        [](QWidget& window) {
          if (auto* hint = qobject_cast<CHasCheckboxPromptDlg*>(&window))
            hint->accept();
          else
            window.close();
        },
        60000);
    ASSERT_TRUE(frame_->Sheet().OnNext());
    WaitEnabled();
    ASSERT_EQ(frame_->Sheet().ActiveIndex(), kPageFileSelect);
    ASSERT_NE(Page().GetRootNode(), nullptr);
    FileSelectPageSeams seams;
    seams.viewer = &viewer_;
    seams.chooseSaveFile = [this](QWidget*, const QString& name, const QString&) {
      offeredNames_.push_back(name);
      return target_;
    };
    seams.runDialog = [this](QWidget& dialog) -> int {
      // The copies run for real unless a test looks at them.
      if (auto* copy = qobject_cast<CCopyProgressDlg*>(&dialog); copy != nullptr && !onCopy_)
        return copy->exec();
      dialogs_.push_back(dialog.metaObject()->className());
      if (auto* copy = qobject_cast<CCopyProgressDlg*>(&dialog)) return onCopy_(*copy);
      return onDialog_ ? onDialog_(dialog) : 2;
    };
    Page().SetSeams(std::move(seams));
  }

  CFileSelectPage& Page() { return *static_cast<CFileSelectPage*>(frame_->Sheet().Page(kPageFileSelect)); }
  CFileNode* Deleted() { return Page().GetRootNode()->GetFirstChild(); }
  // A file or folder below "Deleted Files" by its name on the volume: the
  // engine has lost the first character of each deleted name.
  CFileNode* Found(const std::string& path) {
    CFileNode* node = Deleted();
    std::size_t from = 0;
    while (node != nullptr && from <= path.size()) {
      const std::size_t to = std::min(path.find('/', from), path.size());
      const std::string part = path.substr(from, to - from);
      CFileNode* found = nullptr;
      for (CFileNode* child = node->GetFirstChild(); child != nullptr; child = child->GetNextSibling()) {
        const std::string name = child->GetProperties()->GetName();
        if (name == part || (!name.empty() && name.substr(1) == part.substr(1))) found = child;
      }
      node = found;
      from = to + 1;
    }
    return node;
  }
  // Shows the node's folder and selects the node in the main list.
  void Select(CFileNode* node) {
    ASSERT_NE(node, nullptr);
    ASSERT_TRUE(Page().MainList().LocateNode(node));
    ASSERT_EQ(Page().GetSelectedFile(), node);
  }
  static std::vector<std::string> TempFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(temp_))
      names.push_back(entry.path().filename().string());
    return names;
  }
  static fs::path OutFolder() {
    const fs::path out = ScratchPath("looks_out");
    fs::create_directories(out);
    return out;
  }

  static inline std::shared_ptr<FixtureDeviceSource> source_;
  static inline fs::path temp_;
  test::ScriptedPrompter prompter_;
  AppSettings settings_;
  WizardContext context_;
  std::unique_ptr<CMainFrame> frame_;
  ScopedVolumeAnalyzers restore_;
  RecordingViewer viewer_;
  QString target_;
  std::vector<QString> offeredNames_;
  std::vector<std::string> dialogs_;
  std::function<int(QWidget&)> onDialog_;
  std::function<int(CCopyProgressDlg&)> onCopy_;
};

TEST_F(FileSelectCommands, EachFilePreviewsInItsPreviewer) {
  ASSERT_NE(Found("keep/xabc.txt"), nullptr);
  // The picture on the Image tab, the text on the Text tab; each only
  // while its copy exists.
  std::map<std::string, int> tabs;
  std::size_t tempWhileShown = 0;
  onDialog_ = [&](QWidget& dialog) {
    tempWhileShown = TempFiles().size();
    if (auto* preview = qobject_cast<CFilePreViewDlg*>(&dialog)) {
      // "<name> - File Preview"
      tabs[preview->windowTitle().section(QStringLiteral(" - "), 0, 0).toStdString()] = preview->CurrentTab();
      if (preview->CurrentTab() == CFilePreViewDlg::kTabImage) {
        preview->resize(640, 480);
        test::SaveToGallery(*preview, QStringLiteral("page9_preview_image"));
        preview->hide();
      }
    } else if (auto* rtf = qobject_cast<CRtfPreviewerDlg*>(&dialog)) {
      EXPECT_TRUE(rtf->Editor()->toPlainText().contains(QStringLiteral("Bold words")));
    }
    return 2;
  };
  // The button, the list's double click (the same command) and the menu's
  // Preview.
  Select(Found("photo.jpg"));
  Page().PreviewButton()->click();
  Select(Found("notes.txt"));
  Page().OnCommand(CFileListCtrl::kCommandPreview);
  Select(Found("letter.rtf"));
  Page().OnCommand(CFileSelectPage::kPreviewMenu);
  EXPECT_EQ(dialogs_,
            (std::vector<std::string>{"qm::CFilePreViewDlg", "qm::CFilePreViewDlg", "qm::CRtfPreviewerDlg"}));
  EXPECT_EQ(tempWhileShown, 1u);
  const std::string photo = Found("photo.jpg")->GetProperties()->GetName();
  const std::string notes = Found("notes.txt")->GetProperties()->GetName();
  EXPECT_EQ(tabs[photo], CFilePreViewDlg::kTabImage);
  EXPECT_EQ(tabs[notes], CFilePreViewDlg::kTabText);
  EXPECT_TRUE(TempFiles().empty());

  // The Word document goes to the other program, named as found, with
  // the bytes it held.
  Select(Found("report.doc"));
  Page().OnCommand(CFileSelectPage::kFilePreview);
  ASSERT_EQ(viewer_.calls.size(), 1u);
  EXPECT_EQ(viewer_.calls[0].second, QString::fromStdString(Found("report.doc")->GetProperties()->GetName()));
  EXPECT_EQ(viewer_.bytes, Image().contents.at("report.doc"));
  EXPECT_EQ(dialogs_.size(), 3u);
  EXPECT_TRUE(prompter_.shown.empty());
  for (QWidget* note : Page().findChildren<QWidget*>(QStringLiteral("documentViewerNote")))
    note->close();
}

TEST_F(FileSelectCommands, PreviewOkRecoversTheFileShown) {
  target_ = QString::fromStdString((OutFolder() / "notes copy.txt").string());
  QFile::remove(target_);
  onDialog_ = [](QWidget& dialog) {
    auto* preview = qobject_cast<CFilePreViewDlg*>(&dialog);
    EXPECT_NE(preview, nullptr);
    if (preview != nullptr) preview->OkButton()->click();
    return 1;
  };
  Select(Found("notes.txt"));
  Page().OnCommand(CFileSelectPage::kFilePreview);
  EXPECT_EQ(ReadFileBytes(target_.toStdString()), Image().contents.at("notes.txt"));
  ASSERT_EQ(offeredNames_.size(), 1u);
  EXPECT_EQ(offeredNames_[0].toStdString(), Found("notes.txt")->GetProperties()->GetName());
  QFile::remove(target_);
}

TEST_F(FileSelectCommands, NothingSelectedSaysSo) {
  Page().SearchList().ResetItems();
  Page().MainList().ResetItems();
  prompter_.shown.clear();
  Page().OnCommand(CFileSelectPage::kFilePreview);
  Page().OnCommand(CFileSelectPage::kRecoverOne);
  Page().OnCommand(CFileSelectPage::kProperties);
  ASSERT_EQ(prompter_.shown.size(), 2u);
  EXPECT_EQ(prompter_.shown[0].text, QStringLiteral("Please select a file to preview!"));
  EXPECT_EQ(prompter_.shown[1].text, QStringLiteral("Please select a file to recover!"));
  EXPECT_TRUE(dialogs_.empty());
}

TEST_F(FileSelectCommands, RecoverOneFileFromTheMenuAndAbort) {
  const fs::path out = OutFolder();
  target_ = QString::fromStdString((out / "picture.jpg").string());
  QFile::remove(target_);
  Select(Found("photo.jpg"));
  Page().OnCommand(CFileListCtrl::kCommandRecover);
  EXPECT_EQ(ReadFileBytes(target_.toStdString()), Image().contents.at("photo.jpg"));
  EXPECT_TRUE(prompter_.shown.empty());

  // Abort deletes the partial target.
  target_ = QString::fromStdString((out / "aborted.jpg").string());
  onCopy_ = [](CCopyProgressDlg& copy) {
    EXPECT_NE(qobject_cast<CRBClickRecoverFileDlg*>(&copy), nullptr);
    copy.Abort();
    return copy.exec();
  };
  Page().OnCommand(CFileListCtrl::kCommandRecover);
  EXPECT_EQ(dialogs_, std::vector<std::string>{"qm::CRBClickRecoverFileDlg"});
  EXPECT_FALSE(QFile::exists(target_));
  EXPECT_TRUE(prompter_.shown.empty());

  // A cancelled save dialog writes nothing and says nothing.
  target_.clear();
  Page().OnCommand(CFileListCtrl::kCommandRecover);
  EXPECT_EQ(dialogs_.size(), 1u);
  EXPECT_TRUE(prompter_.shown.empty());
  QFile::remove(QString::fromStdString((out / "picture.jpg").string()));
}

TEST_F(FileSelectCommands, ThumbnailViewShowsThePicturesOfTheSameRows) {
  CFileListCtrl& list = Page().MainList();
  Select(Found("notes.txt"));
  EXPECT_EQ(list.GetActiveList(), &list.GetReportList());
  // The View button's menu: List is marked; Thumbnail switches.
  ASSERT_NE(list.Button(CFileListCtrl::kButtonView), nullptr);
  const QList<QAction*> entries = list.ViewMenu()->actions();
  ASSERT_EQ(entries.size(), 2);
  EXPECT_EQ(entries[0]->text(), QStringLiteral("List"));
  EXPECT_EQ(entries[1]->text(), QStringLiteral("Thumbnail"));
  EXPECT_TRUE(entries[0]->isChecked());
  entries[1]->trigger();
  EXPECT_TRUE(entries[1]->isChecked());
  EXPECT_EQ(list.GetViewMode(), CFileListCtrl::kViewThumbnail);
  CBreviaryImageListCtrl& thumbs = list.GetThumbnailList();
  EXPECT_EQ(list.GetActiveList(), &thumbs);
  EXPECT_TRUE(thumbs.isVisible());
  EXPECT_FALSE(list.GetReportList().isVisible());
  // The selection came along.
  EXPECT_EQ(Page().GetSelectedFile(), Found("notes.txt"));
  QApplication::processEvents();
  thumbs.RequestVisibleRows();
  ASSERT_TRUE(thumbs.Loader().WaitIdle(60000));
  QApplication::processEvents();
  int pictures = 0;
  for (int row = 0; row < list.RowCount(); ++row) {
    const std::string name = list.GetItemNode(row)->GetProperties()->GetName();
    EXPECT_TRUE(thumbs.Loader().HasEntry(row)) << name;
    const QImage picture = thumbs.Loader().Thumbnail(row);
    if (list.GetItemNode(row) == Found("photo.jpg")) {
      EXPECT_EQ(picture.size(), QSize(80, 53));
      ++pictures;
    } else {
      EXPECT_TRUE(picture.isNull()) << name;
    }
  }
  EXPECT_EQ(pictures, 1);
  EXPECT_TRUE(TempFiles().empty());

  // Another folder: its picture too.
  ASSERT_TRUE(list.LocateNode(Found("keep/small.jpg")));
  EXPECT_EQ(Page().GetSelectedFile(), Found("keep/small.jpg"));
  QApplication::processEvents();
  thumbs.RequestVisibleRows();
  ASSERT_TRUE(thumbs.Loader().WaitIdle(60000));
  QApplication::processEvents();
  const int small = thumbs.SelectedRow();
  EXPECT_EQ(thumbs.Loader().Thumbnail(small).size(), QSize(60, 40));
  EXPECT_FALSE(test::SaveToGallery(*frame_, QStringLiteral("page9_thumbnails")).isEmpty());

  // Preview and the check boxes work on the thumbnails' selection.
  onDialog_ = [](QWidget& dialog) {
    auto* preview = qobject_cast<CFilePreViewDlg*>(&dialog);
    EXPECT_NE(preview, nullptr);
    if (preview != nullptr) {
      EXPECT_EQ(preview->CurrentTab(), CFilePreViewDlg::kTabImage);
    }
    return 2;
  };
  Page().OnCommand(CFileListCtrl::kCommandPreview);
  EXPECT_EQ(dialogs_.size(), 1u);
  list.ToggleNodeCheck(Found("keep/small.jpg"));
  EXPECT_EQ(Page().SelectedText(), FormatFilesStatus(386, Image().contents.at("keep/small.jpg").size(), 1));

  // Back to the report, on the same file; no thumbnail is made any more.
  entries[0]->trigger();
  EXPECT_EQ(list.GetViewMode(), CFileListCtrl::kViewReport);
  EXPECT_EQ(list.GetActiveList(), &list.GetReportList());
  EXPECT_FALSE(thumbs.isVisible());
  EXPECT_EQ(Page().GetSelectedFile(), Found("keep/small.jpg"));
  EXPECT_TRUE(TempFiles().empty());
}

TEST_F(FileSelectCommands, FindByNameWalksTheFoldersOfTheTree) {
  // From the top of "Deleted Files": the text files in tree order; the
  // third press has come round to the first and says so.
  ASSERT_TRUE(Page().Tree().SelectNode(Deleted()));
  std::vector<CFileNode*> seen;
  onDialog_ = [&](QWidget& dialog) {
    auto* find = qobject_cast<CFindFileDlg*>(&dialog);
    EXPECT_NE(find, nullptr);
    if (find == nullptr) return 2;
    EXPECT_EQ(HelpTopicOnF1(*find->NameEdit()), std::vector<int>{23});
    find->NameEdit()->setText(QStringLiteral("txt"));
    for (int i = 0; i < 3; ++i) {
      find->FindNext();
      seen.push_back(Page().GetSelectedFile());
    }
    find->resize(find->sizeHint());
    test::SaveToGallery(*find, QStringLiteral("page9_find_file"));
    find->hide();
    return 2;
  };
  Page().SearchButton()->click();
  EXPECT_EQ(seen, (std::vector<CFileNode*>{Found("notes.txt"), Found("keep/xabc.txt"), Found("notes.txt")}));
  EXPECT_EQ(Page().MainList().GetFolderNode(), Deleted());
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, QStringLiteral("No more files found."));
  // Both entries of the button's menu are there.
  ASSERT_EQ(Page().SearchMenu()->actions().size(), 2);
}

TEST_F(FileSelectCommands, SearchFilesFillsTheSecondTabAndLocateReturns) {
  const auto sizeOf = [](const char* name) { return Image().contents.at(name).size(); };
  onDialog_ = [](QWidget& dialog) {
    auto* search = qobject_cast<CSearchFileDlg*>(&dialog);
    EXPECT_NE(search, nullptr);
    if (search == nullptr) return 2;
    EXPECT_EQ(HelpTopicOnF1(*search->NameEdit()), std::vector<int>{23});
    search->NameEdit()->setText(QStringLiteral("abc"));
    search->AutoSelectBox()->setChecked(true);
    return search->Search() ? int{QDialog::Accepted} : int{QDialog::Rejected};
  };
  Page().OnCommand(CFileSelectPage::kSearchFiles);
  ASSERT_EQ(Page().Tabs().GetItemCount(), 2);
  EXPECT_EQ(Page().Tabs().GetCurSel(), 1);
  EXPECT_EQ(Page().Tabs().ItemText(1), QStringLiteral("Search files(*abc*)"));
  ASSERT_EQ(Page().SearchList().RowCount(), 1);
  EXPECT_EQ(Page().SearchList().GetItemNode(0), Found("keep/xabc.txt"));
  // Auto select ticked it; the status line counts it.
  EXPECT_EQ(Page().SelectedText(), FormatFilesStatus(386, sizeOf("keep/xabc.txt"), 1));
  EXPECT_EQ(Page().GetSelectedFile(), Found("keep/xabc.txt"));
  // The search list's menu offers Locate; the main list's does not.
  QMenu searchMenu, mainMenu, treeMenu;
  Page().SearchList().FillContextMenu(searchMenu);
  Page().MainList().FillContextMenu(mainMenu);
  Page().FillTreeMenu(treeMenu);
  auto texts = [](const QMenu& menu) {
    std::vector<QString> out;
    for (QAction* action : menu.actions())
      if (!action->isSeparator()) out.push_back(action->text());
    return out;
  };
  EXPECT_EQ(texts(searchMenu),
            (std::vector<QString>{QStringLiteral("Preview"), QStringLiteral("Recovery"),
                                  QStringLiteral("Locate in the main list"), QStringLiteral("Properties")}));
  EXPECT_EQ(texts(mainMenu), (std::vector<QString>{QStringLiteral("Preview"), QStringLiteral("Recovery"),
                                                   QStringLiteral("Properties")}));
  EXPECT_EQ(texts(treeMenu), std::vector<QString>{QStringLiteral("Properties")});
  // A picture of the page with the search list's menu open.
  {
    QPixmap picture = frame_->grab();
    CListCtrlPlus& rows = Page().SearchList().GetReportList();
    const QPoint at =
        rows.viewport()->mapTo(frame_.get(), rows.visualRect(rows.model()->index(0, 0)).center());
    searchMenu.adjustSize();
    QPainter painter(&picture);
    painter.drawPixmap(at, searchMenu.grab());
    painter.end();
    picture.save(test::GalleryDir() + QStringLiteral("/page9_search_menu.png"));
  }

  // Locate: the main list on tab 0 shows the file's folder with the file
  // selected.
  searchMenu.actions()[2]->trigger();
  EXPECT_EQ(Page().Tabs().GetCurSel(), 0);
  EXPECT_EQ(Page().Tree().GetSelectedNode(), Found("keep"));
  EXPECT_EQ(Page().MainList().GetFolderNode(), Found("keep"));
  EXPECT_EQ(Page().GetSelectedFile(), Found("keep/xabc.txt"));
  // Only on the search tab.
  EXPECT_EQ(Page().OnCommand(CFileSelectPage::kLocate), 0);

  // By size, more than the text files: the pictures and the document go
  // to a new second tab.
  onDialog_ = [&](QWidget& dialog) {
    auto* search = qobject_cast<CSearchFileDlg*>(&dialog);
    if (search == nullptr) return 2;
    search->SizeBox()->setChecked(true);
    search->SizeModeCombo()->setCurrentIndex(1);
    search->SizeSpin()->setValue(static_cast<int>(sizeOf("notes.txt") / 1024));
    return search->Search() ? int{QDialog::Accepted} : int{QDialog::Rejected};
  };
  Page().OnCommand(CFileSelectPage::kSearchFiles);
  ASSERT_EQ(Page().Tabs().GetItemCount(), 2);
  EXPECT_EQ(Page().Tabs().ItemText(1), QStringLiteral("Search files(*)"));
  std::set<CFileNode*> bySize;
  for (int row = 0; row < Page().SearchList().RowCount(); ++row)
    bySize.insert(Page().SearchList().GetItemNode(row));
  std::set<CFileNode*> expected;
  for (const auto& [name, bytes] : Image().contents)
    if (bytes.size() > sizeOf("notes.txt") / 1024 * 1024) expected.insert(Found(name));
  EXPECT_EQ(bySize, expected);
  EXPECT_TRUE(bySize.count(Found("photo.jpg")));
  EXPECT_FALSE(bySize.count(Found("keep/xabc.txt")));
  // Nothing found: the dialog says so and the tabs stay.
  onDialog_ = [](QWidget& dialog) {
    auto* search = qobject_cast<CSearchFileDlg*>(&dialog);
    if (search == nullptr) return 2;
    search->NameEdit()->setText(QStringLiteral("nothing-like-it"));
    return search->Search() ? int{QDialog::Accepted} : int{QDialog::Rejected};
  };
  Page().OnCommand(CFileSelectPage::kSearchFiles);
  EXPECT_EQ(Page().Tabs().GetItemCount(), 2);
  EXPECT_EQ(Page().Tabs().ItemText(1), QStringLiteral("Search files(*)"));

  // A strip too narrow for the whole caption: the results still get their
  // tab, under a cut caption.
  const auto byName = [](QWidget& dialog) {
    auto* search = qobject_cast<CSearchFileDlg*>(&dialog);
    if (search == nullptr) return 2;
    search->NameEdit()->setText(QStringLiteral("abc"));
    return search->Search() ? int{QDialog::Accepted} : int{QDialog::Rejected};
  };
  onDialog_ = byName;
  const int firstTab = Page().Tabs().ItemRect(0).width();
  Page().Tabs().resize(firstTab + 50 + 60, Page().Tabs().height());
  const std::size_t promptsBefore = prompter_.shown.size();
  Page().OnCommand(CFileSelectPage::kSearchFiles);
  ASSERT_EQ(Page().Tabs().GetItemCount(), 2);
  EXPECT_EQ(Page().Tabs().GetCurSel(), 1);
  const QString cut = Page().Tabs().ItemText(1);
  ASSERT_TRUE(cut.endsWith(QChar(0x2026)));
  EXPECT_GT(cut.size(), 1);
  EXPECT_TRUE(QStringLiteral("Search files(*abc*)").startsWith(cut.chopped(1)));
  ASSERT_EQ(Page().SearchList().RowCount(), 1);
  EXPECT_EQ(Page().SearchList().GetItemNode(0), Found("keep/xabc.txt"));
  EXPECT_EQ(prompter_.shown.size(), promptsBefore);
  // No room for a second tab at all: the user is told, not left guessing.
  Page().Tabs().resize(firstTab + 10, Page().Tabs().height());
  Page().OnCommand(CFileSelectPage::kSearchFiles);
  EXPECT_EQ(Page().Tabs().GetItemCount(), 1);
  ASSERT_EQ(prompter_.shown.size(), promptsBefore + 1);
  EXPECT_TRUE(prompter_.shown.back().text.contains(QStringLiteral("too narrow")));
}

TEST_F(FileSelectCommands, PropertiesOfTheSelectedFileAndFolder) {
  std::vector<std::map<QString, QString>> shown;
  onDialog_ = [&](QWidget& dialog) {
    auto* properties = qobject_cast<CPropertiesDlg*>(&dialog);
    EXPECT_NE(properties, nullptr);
    if (properties == nullptr) return 2;
    std::map<QString, QString> rows;
    for (int i = 0; i < properties->List()->topLevelItemCount(); ++i)
      rows[properties->List()->topLevelItem(i)->text(0)] = properties->List()->topLevelItem(i)->text(1);
    shown.push_back(rows);
    return 1;
  };
  Select(Found("keep/xabc.txt"));
  Page().OnCommand(CFileSelectPage::kProperties);
  Page().OnCommand(CFileSelectPage::kFolderProperties);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0][QStringLiteral("Name")].toStdString(),
            Found("keep/xabc.txt")->GetProperties()->GetName());
  EXPECT_EQ(shown[0][QStringLiteral("Deleted")], QStringLiteral("Yes"));
  EXPECT_EQ(shown[1][QStringLiteral("Name")], QStringLiteral("keep"));
}

TEST(SearchTabCaption, LongPatternsAreCut) {
  EXPECT_EQ(SearchTabCaption(QStringLiteral("*abc*")), QStringLiteral("Search files(*abc*)"));
  // 30 characters stay whole, 31 are cut to 26 and "...".
  const QString sixteen = QStringLiteral("0123456789abcdef");
  EXPECT_EQ(SearchTabCaption(sixteen), QStringLiteral("Search files(") + sixteen + QLatin1Char(')'));
  const QString seventeen = sixteen + QLatin1Char('g');
  EXPECT_EQ(SearchTabCaption(seventeen),
            QStringLiteral("Search files(") + seventeen + QStringLiteral("...)"));
  const QString long40 = QString(40, QLatin1Char('x'));
  EXPECT_EQ(SearchTabCaption(long40),
            QStringLiteral("Search files(") + QString(26, QLatin1Char('x')) + QStringLiteral("...)"));
}

} // namespace
} // namespace qm
