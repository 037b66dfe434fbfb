// The preview road on a FAT image made by the real tools: each kind of file
// opens in its previewer (the office document through a recording viewer),
// single-file recovery writes the right bytes and an aborted one leaves
// nothing, the thumbnails of the pictures appear, and no temporary copy is
// left. Pictures of every previewer go to the gallery.
#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QTextEdit>
#include <QtWidgets/QToolButton>

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QSpinBox>
#include <QtWidgets/QTreeWidget>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "controls/breviary_image_list_ctrl.h"
#include "controls/file_type_name_table.h"
#include "controls/preview_views.h"
#include "controls/thumbnail_loader.h"
#include "dialogs/copy_progress_dlg.h"
#include "dialogs/file_preview_dlg.h"
#include "dialogs/find_file_dlg.h"
#include "dialogs/office_preview.h"
#include "dialogs/preview_chain.h"
#include "dialogs/properties_dlg.h"
#include "dialogs/rtf_previewer_dlg.h"
#include "dialogs/search_file_dlg.h"
#include "filemodel/file_node.h"
#include "filemodel/file_system_node.h"
#include "filemodel/test_properties.h"
#include "platform/message_pump.h"
#include "preview/temp_path_names.h"
#include "preview_fixture.h"
#include "storage/image_file_device.h"
#include "support/scratch_files.h"
#include "support_ui/gallery.h"
#include "support_ui/scripted_prompter.h"

namespace fs = std::filesystem;

namespace {

using qm::test::PreviewFixture;

class RecordingViewer : public qm::ExternalViewer {
public:
  bool Open(const QString& path, const QString& name) override {
    calls.push_back({path, name});
    existedWhenOpened = QFile::exists(path);
    return true;
  }
  std::vector<std::pair<QString, QString>> calls;
  bool existedWhenOpened = false;
};

class PreviewRoad : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    qm::SetMessagePump([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
    temp_ = new fs::path(qm::ScratchPath("preview_temp"));
    fs::remove_all(*temp_);
    fs::create_directories(*temp_);
    qm::CTempPathNameSignle::GetInstance().SetFolder(temp_->string());
    fixture_ = new PreviewFixture;
  }
  static void TearDownTestSuite() {
    delete fixture_;
    fixture_ = nullptr;
    qm::CTempPathNameSignle::GetInstance().SweepAll();
    qm::CTempPathNameSignle::GetInstance().SetFolder({});
    delete temp_;
    qm::SetMessagePump({});
  }
  void SetUp() override { ASSERT_TRUE(fixture_->Made()) << "the fixture image could not be made"; }

  static std::vector<std::string> TempFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(*temp_))
      names.push_back(entry.path().filename().string());
    return names;
  }
  static std::vector<std::uint8_t> Bytes(const QString& path) {
    return qm::ReadFileBytes(path.toStdString());
  }

  static PreviewFixture* fixture_;
  static fs::path* temp_;
};

PreviewFixture* PreviewRoad::fixture_ = nullptr;
fs::path* PreviewRoad::temp_ = nullptr;

qm::PreviewServices Services(qm::Prompter* prompter, qm::ExternalViewer* viewer,
                             std::function<int(QWidget&)> run) {
  qm::PreviewServices services;
  services.prompter = prompter;
  services.viewer = viewer;
  services.runDialog = std::move(run);
  return services;
}

// Runs the copy dialogs for real and hands each previewer to `look`.
std::function<int(QWidget&)> Runner(std::function<int(QWidget&)> look) {
  return [look = std::move(look)](QWidget& dialog) -> int {
    if (auto* copy = qobject_cast<qm::CCopyProgressDlg*>(&dialog)) return copy->exec();
    return look(dialog);
  };
}

TEST_F(PreviewRoad, PictureOpensOnTheImageTab) {
  qm::test::ScriptedPrompter prompter;
  bool looked = false;
  auto services = Services(&prompter, nullptr, Runner([&](QWidget& dialog) {
    auto* preview = qobject_cast<qm::CFilePreViewDlg*>(&dialog);
    EXPECT_NE(preview, nullptr);
    if (preview == nullptr) return 0;
    looked = true;
    EXPECT_EQ(preview->CurrentTab(), qm::CFilePreViewDlg::kTabImage);
    EXPECT_TRUE(preview->ImageView()->HasImage());
    EXPECT_EQ(preview->ImageView()->Image().size(), QSize(900, 600));
    preview->resize(640, 420); // smaller than the picture: fitted
    qm::test::SaveToGallery(*preview, QStringLiteral("preview_image_fit"));
    preview->ActualSizeButton()->click();
    EXPECT_FALSE(preview->ImageView()->FitMode());
    EXPECT_TRUE(preview->BestFitButton()->isEnabled());
    QApplication::processEvents();
    EXPECT_TRUE(preview->ImageView()->verticalScrollBar()->isVisible());
    EXPECT_TRUE(preview->ImageView()->horizontalScrollBar()->isVisible());
    preview->ImageView()->verticalScrollBar()->setValue(150);
    preview->ImageView()->horizontalScrollBar()->setValue(200);
    qm::test::SaveToGallery(*preview, QStringLiteral("preview_image_actual"));
    preview->hide();
    return 2;
  }));
  QWidget owner;
  EXPECT_EQ(qm::PreviewFoundFile(&owner, services, fixture_->device.get(), fixture_->Node("photo.jpg")),
            qm::PreviewOutcome::Dialog);
  EXPECT_TRUE(looked);
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_TRUE(TempFiles().empty());
}

TEST_F(PreviewRoad, TextOpensOnTheTextTabAndHexKeepsTheOffset) {
  qm::test::ScriptedPrompter prompter;
  bool recoverAsked = false;
  auto services = Services(&prompter, nullptr, Runner([&](QWidget& dialog) {
    auto* preview = qobject_cast<qm::CFilePreViewDlg*>(&dialog);
    EXPECT_NE(preview, nullptr);
    if (preview == nullptr) return 0;
    preview->resize(720, 420);
    preview->show();
    QApplication::processEvents();
    EXPECT_EQ(preview->CurrentTab(), qm::CFilePreViewDlg::kTabText);
    EXPECT_FALSE(preview->ImageView()->HasImage());
    EXPECT_TRUE(preview->TextView()->toPlainText().startsWith(QStringLiteral("Line 1 of the notes")));
    EXPECT_GT(preview->TextView()->LinesPerPage(), 5u);
    qm::test::SaveToGallery(*preview, QStringLiteral("preview_text"));
    // The hex page opens on the row that holds the first byte of
    // the text page.
    preview->SetScrollPosition(40);
    const std::uint64_t offset = preview->TopOffset();
    preview->ShowTab(qm::CFilePreViewDlg::kTabHex);
    EXPECT_EQ(preview->ScrollPosition(), offset / 16);
    EXPECT_TRUE(preview->HexView()->toPlainText().startsWith(QStringLiteral("Offset")));
    qm::test::SaveToGallery(*preview, QStringLiteral("preview_hex"));
    // Back on the text tab: the line that holds the hex row's first byte.
    preview->ShowTab(qm::CFilePreViewDlg::kTabText);
    EXPECT_EQ(preview->ScrollPosition(), preview->TextView()->Pager().LineFromOffset(offset / 16 * 16));
    EXPECT_LE(40u - preview->ScrollPosition(), 1u);
    preview->ShowTab(qm::CFilePreViewDlg::kTabImage);
    qm::test::SaveToGallery(*preview, QStringLiteral("preview_no_image"));
    preview->OkButton()->click(); // OK asks for the recovery
    return 1;
  }));
  services.recover = [&] { recoverAsked = true; };
  QWidget owner;
  EXPECT_EQ(qm::PreviewFoundFile(&owner, services, fixture_->device.get(), fixture_->Node("notes.txt")),
            qm::PreviewOutcome::Dialog);
  EXPECT_TRUE(recoverAsked);
  EXPECT_TRUE(TempFiles().empty());
}

TEST_F(PreviewRoad, RtfOpensInTheRtfPreviewer) {
  qm::test::ScriptedPrompter prompter;
  auto services = Services(&prompter, nullptr, Runner([&](QWidget& dialog) {
    auto* rtf = qobject_cast<qm::CRtfPreviewerDlg*>(&dialog);
    EXPECT_NE(rtf, nullptr);
    if (rtf == nullptr) return 0;
    EXPECT_EQ(rtf->windowTitle(), QStringLiteral("letter.rtf"));
    EXPECT_TRUE(rtf->Editor()->toPlainText().contains(QStringLiteral("Bold words")));
    rtf->resize(560, 300);
    qm::test::SaveToGallery(*rtf, QStringLiteral("preview_rtf"));
    rtf->hide();
    return 1;
  }));
  QWidget owner;
  EXPECT_EQ(qm::PreviewFoundFile(&owner, services, fixture_->device.get(), fixture_->Node("letter.rtf")),
            qm::PreviewOutcome::Rtf);
  EXPECT_TRUE(TempFiles().empty());
}

TEST_F(PreviewRoad, OfficeDocumentGoesToTheViewerAndAFakeOneToThePreview) {
  qm::test::ScriptedPrompter prompter;
  RecordingViewer viewer;
  int dialogs = 0;
  auto services = Services(&prompter, &viewer, Runner([&](QWidget& dialog) {
    ++dialogs;
    EXPECT_NE(qobject_cast<qm::CFilePreViewDlg*>(&dialog), nullptr);
    return 2;
  }));
  QWidget owner;
  owner.resize(500, 300);
  EXPECT_EQ(qm::PreviewFoundFile(&owner, services, fixture_->device.get(), fixture_->Node("report.doc")),
            qm::PreviewOutcome::Office);
  ASSERT_EQ(viewer.calls.size(), 1u);
  EXPECT_TRUE(viewer.calls[0].first.endsWith(QStringLiteral(".doc")));
  EXPECT_EQ(viewer.calls[0].second, QStringLiteral("report.doc"));
  EXPECT_TRUE(viewer.existedWhenOpened);
  EXPECT_EQ(Bytes(viewer.calls[0].first), fixture_->contents.at("report.doc"));
  EXPECT_EQ(dialogs, 0);
  auto* note = owner.findChild<QMessageBox*>(QStringLiteral("documentViewerNote"));
  ASSERT_NE(note, nullptr);
  EXPECT_FALSE(note->isModal());
  qm::test::SaveToGallery(*note, QStringLiteral("preview_office_note"));
  note->close();
  // Only the viewer's copy is left, until the program ends.
  EXPECT_EQ(TempFiles().size(), 1u);

  // A ".doc" that is no Word container: said so, then the preview dialog.
  EXPECT_EQ(qm::PreviewFoundFile(&owner, services, fixture_->device.get(), fixture_->Node("fake.doc")),
            qm::PreviewOutcome::Dialog);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_TRUE(prompter.shown[0].text.contains(QStringLiteral("neither a valid Word nor Excel")));
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(viewer.calls.size(), 1u);
  qm::CTempPathNameSignle::GetInstance().SweepAll();
  EXPECT_TRUE(TempFiles().empty());
}

TEST_F(PreviewRoad, RefusedBeforeAnyCopy) {
  qm::test::ScriptedPrompter prompter;
  int dialogs = 0;
  auto services = Services(&prompter, nullptr, [&](QWidget&) {
    ++dialogs;
    return 1;
  });
  CFileNode tooBig;
  tooBig.SetProperties(new qm::test::TestProperties(0, 104857601));
  CFileNode folder;
  folder.SetProperties(new qm::test::TestProperties(qm::kAttrFolder, 10));
  CFileNode encrypted;
  encrypted.SetProperties(new qm::test::TestProperties(qm::kAttrEncrypted, 10));
  QWidget owner;
  for (CFileNode* node : {&tooBig, &folder, &encrypted, static_cast<CFileNode*>(nullptr)})
    EXPECT_EQ(qm::PreviewFoundFile(&owner, services, fixture_->device.get(), node),
              qm::PreviewOutcome::Refused);
  EXPECT_EQ(dialogs, 0);
  ASSERT_EQ(prompter.shown.size(), 4u);
  EXPECT_EQ(prompter.shown[0].text, QStringLiteral("The file is too big to preview. (Max size: 100M)"));
  EXPECT_EQ(prompter.shown[1].text, QStringLiteral("Cannot preview directory."));
  EXPECT_EQ(prompter.shown[2].text, QStringLiteral("Cannot preview encrypted file."));
  EXPECT_EQ(prompter.shown[3].text, QStringLiteral("Please select a file to preview!"));
  EXPECT_TRUE(TempFiles().empty());
  for (CFileNode* node : {&tooBig, &folder, &encrypted})
    delete node->GetProperties();
}

TEST_F(PreviewRoad, AbortedLoadingDeletesTheCopy) {
  qm::test::ScriptedPrompter prompter;
  bool sawLoading = false;
  auto services = Services(&prompter, nullptr, [&](QWidget& dialog) {
    auto* loading = qobject_cast<qm::CPreviewLoadingDlg*>(&dialog);
    EXPECT_NE(loading, nullptr);
    if (loading == nullptr) return 0;
    sawLoading = true;
    loading->Abort(); // before the first block
    EXPECT_EQ(loading->windowTitle(), QStringLiteral("Cancelling..."));
    EXPECT_FALSE(loading->AbortButton()->isEnabled());
    const int result = loading->exec();
    EXPECT_EQ(loading->FailureCode(), 2);
    return result;
  });
  QWidget owner;
  EXPECT_EQ(qm::PreviewFoundFile(&owner, services, fixture_->device.get(), fixture_->Node("notes.txt")),
            qm::PreviewOutcome::NotCopied);
  EXPECT_TRUE(sawLoading);
  EXPECT_TRUE(prompter.shown.empty()); // a stop is no failure
  EXPECT_TRUE(TempFiles().empty());
}

TEST_F(PreviewRoad, LoadingAndRecoveringDialogsShowProgress) {
  qm::CPreviewLoadingDlg loading(nullptr, fixture_->Node("photo.jpg"), QStringLiteral("/nowhere"), nullptr);
  EXPECT_EQ(loading.PercentText()->text(), QStringLiteral("0%"));
  loading.Callback().OnBegin(1, 1000);
  loading.Callback().OnBytesWritten(420);
  loading.RefreshTexts();
  EXPECT_EQ(loading.PercentText()->text(), QStringLiteral("42%"));
  EXPECT_EQ(loading.Bar()->value(), 42);
  loading.adjustSize();
  loading.grab().save(qm::test::GalleryDir() + QStringLiteral("/preview_loading.png"));

  CFileNode empty;
  empty.SetProperties(new qm::test::TestProperties(0, 0));
  empty.GetProperties()->SetName("empty.txt");
  qm::CRBClickRecoverFileDlg recover(nullptr, &empty, QStringLiteral("/nowhere"), nullptr);
  // A file of size 0 reads 100% and a full bar from the start.
  EXPECT_EQ(recover.PercentText()->text(), QStringLiteral("100%"));
  EXPECT_EQ(recover.Bar()->value(), 100);
  recover.adjustSize();
  recover.grab().save(qm::test::GalleryDir() + QStringLiteral("/recover_one_file.png"));
  delete empty.GetProperties();
}

TEST_F(PreviewRoad, RecoverOneFileWritesTheBytesAndAbortLeavesNothing) {
  qm::test::ScriptedPrompter prompter;
  const fs::path out = qm::ScratchPath("recover_one_out");
  fs::remove_all(out);
  fs::create_directories(out);
  const QString target = QString::fromStdString((out / "photo copy.jpg").string());
  QString offeredName;
  qm::RecoverOneServices services;
  services.prompter = &prompter;
  services.chooseSaveFile = [&](QWidget*, const QString& name, const QString&) {
    offeredName = name;
    return target;
  };
  QWidget owner;
  EXPECT_EQ(qm::RecoverOneFoundFile(&owner, services, fixture_->device.get(), fixture_->Node("photo.jpg")),
            qm::RecoverOneOutcome::Copied);
  EXPECT_EQ(offeredName, QStringLiteral("photo.jpg"));
  EXPECT_EQ(Bytes(target), fixture_->contents.at("photo.jpg"));
  EXPECT_TRUE(prompter.shown.empty());

  // Aborted: the partial target is deleted.
  const QString aborted = QString::fromStdString((out / "aborted.jpg").string());
  services.chooseSaveFile = [&](QWidget*, const QString&, const QString&) { return aborted; };
  services.runDialog = [](QWidget& dialog) {
    auto& copy = static_cast<qm::CCopyProgressDlg&>(dialog);
    copy.Abort();
    return copy.exec();
  };
  EXPECT_EQ(qm::RecoverOneFoundFile(&owner, services, fixture_->device.get(), fixture_->Node("edge.jpg")),
            qm::RecoverOneOutcome::NotCopied);
  EXPECT_FALSE(QFile::exists(aborted));
  EXPECT_TRUE(prompter.shown.empty());

  // The same drive, answered No: nothing is written.
  services.runDialog = nullptr;
  services.isOnSource = [](const QString&) { return true; };
  prompter.answers = {false};
  EXPECT_EQ(qm::RecoverOneFoundFile(&owner, services, fixture_->device.get(), fixture_->Node("notes.txt")),
            qm::RecoverOneOutcome::Refused);
  EXPECT_FALSE(QFile::exists(aborted));
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_TRUE(prompter.shown[0].question);

  // The very volume the file is read from: refused without a question,
  // as the new file could take the clusters still being read.
  services.isOnSourceVolume = [](const QString&) { return true; };
  prompter.shown.clear();
  EXPECT_EQ(qm::RecoverOneFoundFile(&owner, services, fixture_->device.get(), fixture_->Node("notes.txt")),
            qm::RecoverOneOutcome::Refused);
  EXPECT_FALSE(QFile::exists(aborted));
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_FALSE(prompter.shown[0].question);
  EXPECT_TRUE(prompter.shown[0].text.startsWith(QStringLiteral("The recovered file cannot be saved")));
  services.isOnSourceVolume = nullptr;

  // Not enough room.
  services.isOnSource = nullptr;
  services.freeSpace = [](const QString&) { return std::uint64_t{10}; };
  EXPECT_EQ(qm::RecoverOneFoundFile(&owner, services, fixture_->device.get(), fixture_->Node("notes.txt")),
            qm::RecoverOneOutcome::Refused);
  EXPECT_EQ(prompter.shown.back().text,
            QStringLiteral("The free space is not enough, please select another drive."));
  EXPECT_FALSE(QFile::exists(aborted));

  // Nothing selected, and a cancelled save dialog.
  EXPECT_EQ(qm::RecoverOneFoundFile(&owner, services, fixture_->device.get(), nullptr),
            qm::RecoverOneOutcome::NothingSelected);
  services.chooseSaveFile = [](QWidget*, const QString&, const QString&) { return QString(); };
  EXPECT_EQ(qm::RecoverOneFoundFile(&owner, services, fixture_->device.get(), fixture_->Node("notes.txt")),
            qm::RecoverOneOutcome::Cancelled);
  fs::remove_all(out);
}

TEST_F(PreviewRoad, ThumbnailsAppearForThePictures) {
  qm::CBreviaryImageListCtrl list;
  list.SetSource(fixture_->device.get());
  const std::vector<CFileNode*> rows = fixture_->FilesIn(fixture_->root);
  list.resize(600, 420);
  list.show();
  list.SetRows(rows);
  QApplication::processEvents();
  list.RequestVisibleRows();
  ASSERT_TRUE(list.Loader().WaitIdle(60000));
  QApplication::processEvents();
  int pictures = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string name = rows[i]->GetProperties()->GetName();
    const QImage thumbnail = list.Loader().Thumbnail(static_cast<int>(i));
    EXPECT_TRUE(list.Loader().HasEntry(static_cast<int>(i))) << name;
    if (name == "photo.jpg") {
      EXPECT_EQ(thumbnail.size(), QSize(80, 53));
      ++pictures;
    } else if (name == "small.png") {
      EXPECT_EQ(thumbnail.size(), QSize(60, 40));
      ++pictures;
    } else {
      EXPECT_TRUE(thumbnail.isNull()) << name;
    }
  }
  EXPECT_EQ(pictures, 2);
  // Every file up to 15 MiB was recovered (edge.jpg included), the one
  // byte larger over.jpg was not.
  EXPECT_EQ(list.Loader().RecoveredCount(), static_cast<int>(rows.size()) - 1);
  // Asking again for rows already made (or being made) loads nothing twice.
  list.RequestVisibleRows();
  ASSERT_TRUE(list.Loader().WaitIdle(60000));
  EXPECT_EQ(list.Loader().RecoveredCount(), static_cast<int>(rows.size()) - 1);
  qm::test::SaveToGallery(list, QStringLiteral("thumbnail_view"));
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_EQ(qm::CTempPathNameSignle::GetInstance().Outstanding(), 0u);
}

TEST(ThumbnailSizes, LongerSideBecomes80) {
  EXPECT_EQ(qm::ThumbnailSize({300, 200}), QSize(80, 53));
  EXPECT_EQ(qm::ThumbnailSize({200, 300}), QSize(53, 80));
  EXPECT_EQ(qm::ThumbnailSize({79, 79}), QSize(79, 79));
  EXPECT_EQ(qm::ThumbnailSize({80, 10}), QSize(80, 10));
  EXPECT_EQ(qm::ThumbnailSize({10000, 1}), QSize(80, 1));
  EXPECT_EQ(qm::ThumbnailSize({0, 5}), QSize());
}

TEST(ImageTarget, FitAndActual) {
  // Fits: 1:1, centred.
  EXPECT_EQ(qm::ImageTargetRect({100, 50}, {300, 200}, true), QRect(100, 75, 100, 50));
  // Wider than the client: scaled to the width inside the frame.
  EXPECT_EQ(qm::ImageTargetRect({600, 200}, {300, 200}, true), QRect(1, 51, 298, 98));
  // Taller: scaled to the height.
  EXPECT_EQ(qm::ImageTargetRect({200, 800}, {300, 200}, true), QRect(126, 1, 48, 198));
  // Actual size shows the part that fits.
  EXPECT_EQ(qm::ImageTargetRect({600, 200}, {300, 200}, false), QRect(0, 0, 300, 200));
}

} // namespace

namespace {

// The finder's view over the fixture's tree: a selected folder and its
// files.
class TreeFindView : public qm::IFindFileView {
public:
  explicit TreeFindView(CFileNode* root) : root_(root), folder_(root) {
    Refill();
    selected_ = -1;
  }
  int RowCount() const override { return static_cast<int>(rows_.size()); }
  CFileNode* RowNode(int row) const override { return rows_[static_cast<std::size_t>(row)]; }
  int SelectedRow() const override { return selected_; }
  void SelectRow(int row) override { selected_ = row; }
  std::vector<CFileNode*> FoldersAfterSelected() const override {
    std::vector<CFileNode*> all;
    qm::ForEachInSubtree(root_, [&](CFileNode* node) {
      if (node->GetProperties() != nullptr && node->GetProperties()->IsFolder()) all.push_back(node);
    });
    const auto at = std::find(all.begin(), all.end(), folder_);
    std::vector<CFileNode*> after(at + 1, all.end());
    after.insert(after.end(), all.begin(), at);
    return after;
  }
  void ShowFolder(CFileNode* folder) override {
    folder_ = folder;
    Refill();
  }
  std::string SelectedName() const {
    return selected_ >= 0 ? rows_[static_cast<std::size_t>(selected_)]->GetProperties()->GetName() : "";
  }

private:
  void Refill() {
    rows_.clear();
    for (CFileNode* child = folder_->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
      if (!child->GetProperties()->IsFolder()) rows_.push_back(child);
    selected_ = rows_.empty() ? -1 : 0;
  }
  CFileNode* root_;
  CFileNode* folder_;
  std::vector<CFileNode*> rows_;
  int selected_ = -1;
};

TEST_F(PreviewRoad, SearchFilesByNameSizeAndType) {
  auto& types = qm::CFileTypeNameTable::GetInstance();
  types.Clear();
  types.AddType(".00(All Files)", "*");
  types.AddType(".01File", "*");
  types.AddType("PNG image", ".png");
  types.AddType("Plain text document", ".txt;.text");
  qm::test::ScriptedPrompter prompter;
  std::vector<CFileNode*> ticked;
  auto names = [](const qm::SearchFilterSet& set) {
    std::set<std::string> out;
    for (CFileNode* node : set.GetItems())
      out.insert(node->GetProperties()->GetName());
    return out;
  };
  {
    qm::SearchFilterSet result;
    qm::CSearchFileDlg dialog([&](CFileNode* node) { ticked.push_back(node); }, fixture_->Node("DOCS"),
                              result);
    dialog.SetPrompter(prompter);
    // Everywhere, the top-level folder, the current folder.
    ASSERT_EQ(dialog.LocationBox()->count(), 2);
    // The path starts at the volume's name.
    EXPECT_TRUE(dialog.LocationBox()->itemText(1).endsWith(QStringLiteral("/DOCS")))
        << dialog.LocationBox()->itemText(1).toStdString();
    dialog.NameEdit()->setText(QStringLiteral("abc"));
    dialog.AutoSelectBox()->setChecked(true);
    EXPECT_TRUE(dialog.Search());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(names(result), std::set<std::string>{"abc-inner.txt"});
    EXPECT_EQ(ticked, std::vector<CFileNode*>{fixture_->Node("DOCS/abc-inner.txt")});
    EXPECT_EQ(dialog.GetNamePattern(), QStringLiteral("*abc*"));
  }
  {
    qm::SearchFilterSet result;
    qm::CSearchFileDlg dialog(nullptr, fixture_->root, result);
    dialog.SetPrompter(prompter);
    dialog.SizeBox()->setChecked(true);
    dialog.SizeModeCombo()->setCurrentIndex(1); // more than
    dialog.SizeSpin()->setValue(10000);
    EXPECT_TRUE(dialog.Search());
    EXPECT_EQ(names(result), (std::set<std::string>{"edge.jpg", "over.jpg"}));
  }
  {
    qm::SearchFilterSet result;
    qm::CSearchFileDlg dialog(nullptr, fixture_->root, result);
    dialog.SetPrompter(prompter);
    dialog.TypeBox()->setChecked(true);
    ASSERT_EQ(dialog.TypeCombo()->count(), 4);
    EXPECT_EQ(dialog.TypeCombo()->itemText(0), QStringLiteral("(All Files)"));
    dialog.TypeCombo()->setCurrentIndex(3);
    EXPECT_TRUE(dialog.Search());
    EXPECT_EQ(names(result), (std::set<std::string>{"notes.txt", "abc-inner.txt"}));
    EXPECT_EQ(dialog.GetNamePattern(), QStringLiteral(".txt;.text"));
  }
  {
    // Refused characters, and nothing found: the dialog stays open.
    qm::SearchFilterSet result;
    qm::CSearchFileDlg dialog(nullptr, fixture_->root, result);
    dialog.SetPrompter(prompter);
    prompter.shown.clear();
    dialog.NameEdit()->setText(QStringLiteral("a|b"));
    EXPECT_FALSE(dialog.Search());
    dialog.NameEdit()->setText(QStringLiteral("zzz"));
    EXPECT_FALSE(dialog.Search());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("No files match specific criteria."));
    EXPECT_EQ(result.GetCount(), 0u);
    for (QCheckBox* box : {dialog.TypeBox(), dialog.DateBox(), dialog.SizeBox(), dialog.OtherBox()})
      box->setChecked(true);
    dialog.RangeRadio()->setChecked(true);
    qm::test::SaveToGallery(dialog, QStringLiteral("search_files"));
    for (QCheckBox* box : {dialog.TypeBox(), dialog.DateBox(), dialog.SizeBox(), dialog.OtherBox()})
      box->setChecked(false);
    qm::test::SaveToGallery(dialog, QStringLiteral("search_files_folded"));
    dialog.hide();
  }
}

TEST_F(PreviewRoad, FindNextCyclesThroughTheTree) {
  qm::test::ScriptedPrompter prompter;
  TreeFindView view(fixture_->root);
  qm::CFindFileDlg dialog(view);
  dialog.SetPrompter(prompter);
  dialog.NameEdit()->setText(QStringLiteral("txt"));
  std::vector<std::string> seen;
  for (int i = 0; i < 5; ++i) {
    const qm::FindResult result = dialog.FindNext();
    seen.push_back(result == qm::FindResult::Wrapped ? "(wrapped)" : view.SelectedName());
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"notes.txt", "abc-inner.txt", "(wrapped)", "abc-inner.txt",
                                            "(wrapped)"}));
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[0].text, QStringLiteral("No more files found."));
  // A new text starts a new round; one that matches nothing says so.
  dialog.NameEdit()->setText(QStringLiteral("nothing-like-this"));
  EXPECT_EQ(dialog.FindNext(), qm::FindResult::NotFound);
  EXPECT_EQ(prompter.shown.back().text, QStringLiteral("No files found"));
  dialog.NameEdit()->setText(QStringLiteral("a:b"));
  EXPECT_EQ(dialog.FindNext(), qm::FindResult::NotFound);
  qm::test::SaveToGallery(dialog, QStringLiteral("find_file"));
  dialog.hide();
}

TEST_F(PreviewRoad, PropertiesOfFilesFoldersAndTheVolume) {
  qm::CPropertiesDlg dialog;
  auto rows = [&] {
    std::map<QString, QString> out;
    for (int i = 0; i < dialog.List()->topLevelItemCount(); ++i)
      out[dialog.List()->topLevelItem(i)->text(0)] = dialog.List()->topLevelItem(i)->text(1);
    return out;
  };
  dialog.SetNode(fixture_->Node("photo.jpg"));
  auto file = rows();
  EXPECT_EQ(file[QStringLiteral("Name")], QStringLiteral("photo.jpg"));
  EXPECT_EQ(file[QStringLiteral("Deleted")], QStringLiteral("No"));
  EXPECT_TRUE(file[QStringLiteral("Lay out")].endsWith(QLatin1Char('.')));
  // In the fixed root folder of FAT16: no parent sector.
  EXPECT_EQ(file[QStringLiteral("Parent Sector")], QStringLiteral("-"));
  dialog.SetNode(fixture_->Node("DOCS"));
  auto folder = rows();
  EXPECT_NE(folder[QStringLiteral("Sector")], QStringLiteral("-"));
  EXPECT_EQ(folder.count(QStringLiteral("Cluster")), 1u);
  dialog.SetNode(fixture_->root);
  EXPECT_EQ(dialog.List()->topLevelItem(0)->text(0), QStringLiteral("Sector Per Cluster"));
  EXPECT_EQ(dialog.List()->topLevelItem(1)->text(0), QStringLiteral("Start Sector"));
  dialog.SetNode(fixture_->Node("photo.jpg"));
  qm::test::SaveToGallery(dialog, QStringLiteral("properties"));
  dialog.hide();
}

} // namespace
