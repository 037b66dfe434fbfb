#include "imaging/image_disk_master_dlg.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFileInfo>
#include <QtGui/QCloseEvent>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFrame>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QVBoxLayout>

#include "app/prompter.h"
#include "controls/sector_select_ctrl.h"
#include "imaging/destination_check.h"
#include "imaging/imaging_strings.h"
#include "platform/log.h"
#include "storage/storage_device.h"

namespace qm {

CImageDiskMasterDlg::CImageDiskMasterDlg(IStorageDevice* source, const std::string& description,
                                         std::uint32_t sourceType, QWidget* parent, ImagingSeams seams)
    : CInterfaceDialog(parent, false), seams_(std::move(seams)), source_(source), sourceType_(sourceType),
      sectorCount_(source != nullptr ? source->GetSectorCount() : 0),
      description_(description.substr(0, 259)) {
  setWindowTitle(tr("Disk Image Wizard"));
  setObjectName(QStringLiteral("CImageDiskMasterDlg"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 8);
  layout->setSpacing(0);
  banner_ = new CDIskImagePublicDlg(this);
  layout->addWidget(banner_);
  stack_ = new QStackedWidget(this);
  stack_->setMinimumSize(600, 190);
  mode_ = new CImageDiskModeChooseDlg(stack_);
  summary_ = new CImageDiskDiskInfo(stack_);
  path_ = new CImageDiskPathChooseDlg(seams_, stack_);
  advanced_ = new CImageDiskADPathChooseDlg(seams_, stack_);
  region_ = new CImageDiskSetRegionDlg(stack_);
  run_ = new CImageDiskRunDlg(seams_, stack_);
  success_ = new CImageDiskSuccessDlg(stack_);
  for (QWidget* page :
       {static_cast<QWidget*>(mode_), static_cast<QWidget*>(summary_), static_cast<QWidget*>(path_),
        static_cast<QWidget*>(advanced_), static_cast<QWidget*>(region_), static_cast<QWidget*>(run_),
        static_cast<QWidget*>(success_)}) {
    stack_->addWidget(page);
  }
  layout->addWidget(stack_, 1);
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  layout->addWidget(line);
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(12, 8, 12, 0);
  buttons->addStretch(1);
  back_ = new CMyBitmapButton(tr("< Back"), this);
  next_ = new CMyBitmapButton(tr("Next >"), this);
  cancel_ = new CMyBitmapButton(tr("Cancel"), this);
  back_->setObjectName(QStringLiteral("back"));
  next_->setObjectName(QStringLiteral("next"));
  cancel_->setObjectName(QStringLiteral("cancel"));
  for (QPushButton* button : {back_, next_, cancel_}) {
    button->setAutoDefault(false);
    button->setMinimumWidth(90);
    buttons->addWidget(button);
  }
  layout->addLayout(buttons);
  connect(back_, &QPushButton::clicked, this, &CImageDiskMasterDlg::OnBack);
  connect(next_, &QPushButton::clicked, this, &CImageDiskMasterDlg::OnNext);
  connect(cancel_, &QPushButton::clicked, this, &CImageDiskMasterDlg::OnCancel);
  connect(run_, &CImageDiskRunDlg::EndRequested, this, [this] {
    // The run sees the cancel at its next block; the wizard closes
    // once it has returned.
    if (!running_) {
      done(QDialog::Rejected);
    }
  });

  region_->SetSectorCount(sectorCount_);
  mode_->SetSourceDescription(description_);
  ShowPage(kMode);
  back_->setEnabled(false);
  SetTitle(61209);
  resize(600, 330);
}

CImageDiskMasterDlg::~CImageDiskMasterDlg() = default;

QWidget* CImageDiskMasterDlg::PageWidget(int index) const { return stack_->widget(index); }

void CImageDiskMasterDlg::ShowPage(int index) {
  current_ = index;
  stack_->setCurrentIndex(index);
  // On a destination page the user types the file name first.
  if (index == kPath) {
    path_->Row()->Edit()->setFocus();
  } else if (index == kAdvancedPath) {
    advanced_->Row()->Edit()->setFocus();
  }
}

void CImageDiskMasterDlg::SetTitle(unsigned id) { banner_->SetTitle(ImagingString(id)); }

void CImageDiskMasterDlg::Warn(const QString& text) {
  seams_.prompter->Inform(this, text, ImagingString(61209), PromptIcon::Warning);
}

bool CImageDiskMasterDlg::CheckTargetPath(const QString& typed) {
  if (typed.trimmed().isEmpty()) {
    Warn(ImagingString(61214));
    return false;
  }
  // The part list records full paths, so the image opens from anywhere.
  const std::string path = QFileInfo(QString::fromStdString(image::EnsureQmiExtension(typed.toStdString())))
                               .absoluteFilePath()
                               .toStdString();
  imagePath_ = path;
  if (image::IsOnSource(path, image::SourceNode(source_))) {
    Warn(tr("The destination lies on the disk being imaged: writing there would overwrite the space being "
            "rescued. Please choose a folder on another disk."));
    return false;
  }
  freeSpaceMB_ = seams_.freeSpaceMB ? seams_.freeSpaceMB(path) : 0;
  // A probe file of our own: the chosen path is not touched before the run.
  const bool writable = image::ProbeFolderWritable(path);
  if (freeSpaceMB_ == 0 || !writable) {
    Warn(ImagingString(61214));
    return false;
  }
  return true;
}

void CImageDiskMasterDlg::TakeRegionAndSettings(bool fromAdvancedPage) {
  settings_ = advanced_->GetImageSettings();
  if (!fromAdvancedPage) {
    // The simple road writes a zlib image at the codec's default level.
    settings_.compressionType = 2;
    settings_.level = -1;
  }
  first_ = region_->GetFirstSector();
  last_ = region_->GetLastSector();
  if (sectorCount_ != 0) {
    last_ = std::min(last_, sectorCount_ - 1);
  }
  first_ = std::min(first_, last_);
}

void CImageDiskMasterDlg::FillSummary(int enteredFrom) {
  summary_->SetEnteredFrom(enteredFrom);
  ImageSummary summary;
  summary.description = description_;
  summary.sectorCount = sectorCount_;
  summary.first = first_;
  summary.last = last_;
  summary.indexPath = imagePath_;
  summary.level = settings_.level;
  const std::int32_t size = source_ != nullptr ? source_->GetSectorSize() : 512;
  summary_->ShowSummary(summary, size > 0 ? static_cast<std::uint32_t>(size) : 512);
  SetTitle(61212);
  ShowPage(kSummary);
}

void CImageDiskMasterDlg::OnNext() {
  back_->setEnabled(true);
  switch (current_) {
  case kMode:
    SetTitle(61213);
    ShowPage(mode_->IsAdvanced() ? kAdvancedPath : kPath);
    break;
  case kPath:
    if (CheckTargetPath(path_->Path())) {
      TakeRegionAndSettings(false);
      FillSummary(kPath);
    }
    break;
  case kAdvancedPath:
    if (CheckTargetPath(advanced_->Path())) {
      SetTitle(61211);
      ShowPage(kRegion);
    }
    break;
  case kRegion:
    TakeRegionAndSettings(true);
    FillSummary(kRegion);
    break;
  case kSummary:
    Run();
    break;
  case kRun:
    SetTitle(61209);
    ShowPage(kSuccess);
    cancel_->setEnabled(false);
    back_->setEnabled(false);
    break;
  case kSuccess:
    result_ = success_->OpenInList() ? 1 : 0;
    accept();
    break;
  default:
    break;
  }
}

void CImageDiskMasterDlg::OnBack() {
  auto* page = static_cast<CInterfaceDialog*>(stack_->currentWidget());
  int previous = page->GetPrevPage();
  if (current_ == kPath || current_ == kAdvancedPath) {
    previous = kMode;
  }
  switch (previous) {
  case kMode:
    SetTitle(61209);
    back_->setEnabled(false);
    break;
  case kRegion:
    SetTitle(61211);
    break;
  case kPath:
  case kAdvancedPath:
    SetTitle(61213);
    break;
  default:
    break;
  }
  ShowPage(previous);
}

void CImageDiskMasterDlg::Run() {
  ShowPage(kRun);
  next_->setEnabled(false);
  back_->setEnabled(false);
  SetTitle(61210);
  run_->SetCurrentFile(imagePath_);
  run_->SetWatchedPath(imagePath_);
  run_->SetFreeSpace(freeSpaceMB_);
  // The watch runs when the region is a MiB or more.
  run_->SetFreeSpaceWatch((last_ - first_ + 1) / 2 / 1024 != 0);
  int result = 1;
  if (!run_->IsCancelled()) {
    running_ = true;
    result = StartImaging();
    running_ = false;
  }
  run_->StopTimers();
  cancel_->setEnabled(true);
  CCompressController& writer = run_->GetController();
  if (run_->IsCancelled() || writer.WasCancelled()) {
    // A cancelled run is never shown as a success, and its image is not
    // offered to the device list.
    LogInfo("Disk image %s: cancelled after %u blocks", imagePath_.c_str(), writer.BlocksWritten());
    result_ = 0;
    done(QDialog::Rejected);
    return;
  }
  if (result != 1) {
    LogError("Disk image %s failed: %s", imagePath_.c_str(), writer.LastError().c_str());
    QString text = ImagingString(61216);
    if (!writer.LastError().empty()) {
      // The writer's reason, in English in the log and translated here.
      text += QStringLiteral("\n") +
              QCoreApplication::translate("CCompressController", writer.LastError().c_str());
    }
    Warn(text);
    return;
  }
  success_->SetPath(imagePath_);
  if (writer.UnreadableBlocks() != 0) {
    success_->SetNote(tr("%1 blocks of the source could not be read; they were imaged as zeros.")
                          .arg(writer.UnreadableBlocks()));
  }
  next_->setEnabled(true);
  SetTitle(61209);
  ShowPage(kSuccess);
  back_->setEnabled(false);
  cancel_->setEnabled(false);
}

int CImageDiskMasterDlg::StartImaging() {
  CCompressController& writer = run_->GetController();
  writer.SetSource(source_, description_, first_, last_ - first_ + 1, sourceType_);
  writer.SetCompression(settings_.compressionType, settings_.level, settings_.splitSize);
  writer.SetTargetPath(imagePath_);
  return writer.Run(run_);
}

void CImageDiskMasterDlg::OnCancel() {
  if (current_ == kRun && running_) {
    run_->SetHold(true);
    const bool stop = seams_.prompter->AskYesNo(this, ImagingString(61215), ImagingString(61209), false);
    run_->SetHold(false);
    if (stop) {
      // The writer stops before its next block; the run then closes us.
      run_->SetCancel(true);
    }
    return;
  }
  if (seams_.prompter->AskYesNo(this, ImagingString(61215), ImagingString(61209), false)) {
    done(QDialog::Rejected);
  }
}

void CImageDiskMasterDlg::reject() {
  if (current_ == kRun || current_ == kSuccess) {
    return;
  }
  OnCancel();
}

void CImageDiskMasterDlg::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (current_ != kRun && current_ != kSuccess) {
    OnCancel();
  }
}

void CImageDiskMasterDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    return; // swallowed: Cancel asks first
  }
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget())) {
      button->click();
    } else if (current_ == kPath && next_->isEnabled()) {
      OnNext();
    }
    return;
  }
  CInterfaceDialog::keyPressEvent(event);
}

} // namespace qm
