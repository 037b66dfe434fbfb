#include "imaging/image_disk_run_dlg.h"

#include <QtCore/QCoreApplication>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QVBoxLayout>

#include "app/prompter.h"
#include "controls/sector_select_ctrl.h"
#include "imaging/imaging_rules.h"
#include "imaging/imaging_strings.h"

namespace qm {

CImageDiskRunDlg::CImageDiskRunDlg(ImagingSeams& seams, QWidget* parent)
    : CInterfaceDialog(parent, true), seams_(seams), controller_(std::make_unique<CCompressController>()) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(28, 14, 28, 10);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(tr("Current file:"), this), 0, 0);
  currentFile_ = new QLabel(this);
  currentFile_->setObjectName(QStringLiteral("currentFile"));
  grid->addWidget(currentFile_, 0, 1);
  grid->addWidget(new QLabel(tr("Remaining Time:"), this), 1, 0);
  remaining_ = new QLabel(QStringLiteral("00:00:00"), this);
  remaining_->setObjectName(QStringLiteral("remainingTime"));
  grid->addWidget(remaining_, 1, 1);
  grid->addWidget(new QLabel(tr("Disk free space:"), this), 2, 0);
  freeSpace_ = new QLabel(this);
  freeSpace_->setObjectName(QStringLiteral("freeSpace"));
  grid->addWidget(freeSpace_, 2, 1);
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);
  progress_ = new CPublicPorgress(this);
  progress_->setObjectName(QStringLiteral("progress"));
  layout->addWidget(progress_);
  unreadable_ = new QLabel(this);
  unreadable_->setObjectName(QStringLiteral("unreadableBlocks"));
  unreadable_->hide();
  layout->addWidget(unreadable_);
  layout->addStretch(1);

  remainingTimer_.setInterval(300);
  spaceTimer_.setInterval(1000);
  connect(&remainingTimer_, &QTimer::timeout, this, &CImageDiskRunDlg::OnRemainingTimer);
  connect(&spaceTimer_, &QTimer::timeout, this, &CImageDiskRunDlg::OnFreeSpaceTimer);
}

void CImageDiskRunDlg::StopTimers() {
  remainingTimer_.stop();
  spaceTimer_.stop();
}

CImageDiskRunDlg::~CImageDiskRunDlg() = default;

void CImageDiskRunDlg::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void CImageDiskRunDlg::OnStart(std::uint64_t, std::uint64_t total) {
  total_ = total;
  done_ = 0;
  elapsedMs_ = 0;
  firstBlockReported_ = false;
  firstEstimate_.start();
  progress_->setRange(0, static_cast<int>(std::min<std::uint64_t>(total, INT32_MAX)));
  progress_->setValue(0);
  remaining_->setText(ImagingString(61206));
  remainingTimer_.start();
  spaceTimer_.start();
}

void CImageDiskRunDlg::OnBlockDone(std::uint64_t) {
  if (!firstBlockReported_) {
    firstBlockReported_ = true;
    const std::uint64_t estimate = static_cast<std::uint64_t>(firstEstimate_.elapsed()) * total_;
    remaining_->setText(QString::fromStdString(image::EstimateText(estimate)));
  }
  ++done_;
  progress_->setValue(static_cast<int>(std::min<std::uint64_t>(done_, INT32_MAX)));
  const std::uint64_t unreadable = controller_->UnreadableBlocks();
  if (unreadable != 0) {
    unreadable_->setText(tr("Unreadable source blocks imaged as zeros: %1").arg(unreadable));
    unreadable_->show();
  }
}

void CImageDiskRunDlg::OnBlockStored(std::uint32_t) {
  // Exactly one new part per relocation.
  newPartRequest_ = false;
}

void CImageDiskRunDlg::OnRemainingTimer() {
  if (hold_) {
    if (watch_) {
      CheckFreeSpace();
    }
    return;
  }
  elapsedMs_ += 300;
  // "Calculating..." in the user's language until an estimate is known.
  remaining_->setText(image::RemainingTimeKnown(elapsedMs_, done_)
                          ? QString::fromStdString(image::RemainingTimeText(elapsedMs_, done_, total_))
                          : ImagingString(61206));
}

void CImageDiskRunDlg::OnFreeSpaceTimer() {
  if (watch_) {
    CheckFreeSpace();
  }
}

void CImageDiskRunDlg::CheckFreeSpace() {
  freeMB_ = seams_.freeSpaceMB ? seams_.freeSpaceMB(watchedPath_) : 0;
  if (freeMB_ < kMinFreeSpaceMB) {
    watch_ = false;
    hold_ = true;
    if (seams_.prompter->AskYesNo(this, ImagingString(61204), ImagingString(61209), true)) {
      hold_ = false;
      newPartRequest_ = true;
      ChooseNewLocation();
    } else {
      EndForSpace();
    }
  }
  freeSpace_->setText(QStringLiteral("%1  MB").arg(freeMB_));
}

void CImageDiskRunDlg::ChooseNewLocation() {
  for (;;) {
    hold_ = true;
    const QString path =
        seams_.chooseSaveFile ? seams_.chooseSaveFile(this, ImagingString(399), QString()) : QString();
    if (path.isEmpty()) {
      EndForSpace();
      return;
    }
    const std::string chosen = path.toStdString();
    if (GetFreeSpaceMB(chosen) >= kMinFreeSpaceMB) {
      watch_ = true;
      hold_ = false;
      SetCurrentFile(chosen);
      controller_->SetTargetPath(chosen);
      return;
    }
    watch_ = false;
    if (!seams_.prompter->AskYesNo(this, ImagingString(61204), ImagingString(61209), true)) {
      EndForSpace();
      return;
    }
    hold_ = false;
    newPartRequest_ = true;
  }
}

void CImageDiskRunDlg::EndForSpace() {
  cancel_ = true;
  cancelledForSpace_ = true;
  Q_EMIT EndRequested();
}

void CImageDiskRunDlg::SetFreeSpace(std::uint64_t megabytes) {
  freeMB_ = megabytes;
  if (megabytes < kMinFreeSpaceMB) {
    seams_.prompter->Inform(this, ImagingString(61205), ImagingString(61209), PromptIcon::Warning);
    EndForSpace();
  }
  freeSpace_->setText(QStringLiteral("%1  MB").arg(megabytes));
}

void CImageDiskRunDlg::SetCurrentFile(const std::string& path) {
  currentFile_->setText(QString::fromStdString(image::CutText(path, 40, ".........")));
  currentFile_->setToolTip(QString::fromStdString(path));
}

std::uint64_t CImageDiskRunDlg::GetFreeSpaceMB(const std::string& path) {
  watchedPath_ = path;
  return seams_.freeSpaceMB ? seams_.freeSpaceMB(path) : 0;
}

} // namespace qm
