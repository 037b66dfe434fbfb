#include "dialogs/copy_progress_dlg.h"

#include <QtWidgets/QGridLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "app/prompter.h"
#include "app/string_table.h"
#include "filemodel/file_node.h"
#include "filemodel/file_saver.h"
#include "preview/preview_rules.h"

namespace qm {
namespace {

constexpr int kRefreshIntervalMs = 500;

} // namespace

int CopyProgressCallback::OnBegin(std::uint32_t, std::uint64_t totalBytes) {
  total_ = totalBytes;
  done_ = 0;
  return Poll();
}

int CopyProgressCallback::OnFileDone(std::uint32_t) {
  finished_ = true;
  return 1;
}

int CopyProgressCallback::OnBytesWritten(std::uint64_t n) {
  done_ += n;
  return Poll();
}

int CopyProgressCallback::OnBytesTakenBack(std::uint32_t n) {
  std::uint64_t done = done_.load();
  while (!done_.compare_exchange_weak(done, done > n ? done - n : 0)) {
  }
  return Poll();
}

int CopyProgressCallback::OnFileBegin(const char*) { return Poll(); }

int CopyProgressCallback::Poll() { return stop_ ? kStopCode : 0; }

CCopyProgressDlg::CCopyProgressDlg(IStorageDevice* device, CFileNode* node, const QString& target,
                                   QWidget* parent)
    : CSearchSuperDlg(parent), caption_(new QLabel(this)), prompter_(&DefaultPrompter()), device_(device),
      node_(node), target_(target.toStdString()), percent_(new QLabel(this)), time_(new QLabel(this)),
      bar_(new QProgressBar(this)), abort_(new QPushButton(tr("Abort"), this)), refresh_(new QTimer(this)) {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setWindowFlag(Qt::WindowCloseButtonHint, false);
  caption_->setAlignment(Qt::AlignCenter);
  caption_->setTextFormat(Qt::PlainText);
  caption_->setMinimumWidth(340);
  bar_->setRange(0, 100);
  bar_->setTextVisible(false);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(tr("Process:"), this), 0, 0);
  grid->addWidget(percent_, 0, 1);
  grid->addWidget(new QLabel(tr("Remaining Time:"), this), 1, 0);
  grid->addWidget(time_, 1, 1);
  grid->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(caption_);
  layout->addLayout(grid);
  layout->addWidget(bar_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(abort_);
  buttons->addStretch();
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(abort_, &QPushButton::clicked, this, &CCopyProgressDlg::Abort);
  refresh_->setInterval(kRefreshIntervalMs);
  connect(refresh_, &QTimer::timeout, this, &CCopyProgressDlg::RefreshTexts);
  if (node_ != nullptr && node_->GetProperties() != nullptr)
    callback_.SetTotal(node_->GetProperties()->GetSize());
  RefreshTexts();
}

CCopyProgressDlg::~CCopyProgressDlg() = default;

void CCopyProgressDlg::showEvent(QShowEvent* event) {
  CSearchSuperDlg::showEvent(event);
  if (running_) return;
  running_ = true;
  // The copy starts once the dialog is on the screen.
  QTimer::singleShot(0, this, &CCopyProgressDlg::RunCopy);
}

void CCopyProgressDlg::RunCopy() {
  started_.start();
  RefreshTexts();
  refresh_->start();
  const int copied =
      StartSaveSelectedFiles(&callback_, device_, node_, target_.c_str(), static_cast<QDialog*>(this));
  refresh_->stop();
  if (copied != 0) {
    bar_->setValue(100);
    percent_->setText(QStringLiteral("100%"));
    done(kCopied);
    return;
  }
  failure_ = callback_.StopRequested() ? kSaveCancelled : kSaveFailed;
  if (failure_ == kSaveFailed) OnCopyFailed();
  done(kNotCopied);
}

void CCopyProgressDlg::RefreshTexts() {
  const std::uint64_t total = callback_.Total();
  const std::uint64_t doneBytes = callback_.Done();
  const int percent = callback_.Finished() ? 100 : CopyPercent(doneBytes, total);
  percent_->setText(QStringLiteral("%1%").arg(percent));
  bar_->setValue(percent);
  const qint64 elapsed = started_.isValid() ? started_.elapsed() : 0;
  if (elapsed < kRefreshIntervalMs)
    time_->setText(tr("Calculating..."));
  else
    time_->setText(QString::fromStdString(
        FormatHms(RemainingSeconds(doneBytes, total, static_cast<std::uint64_t>(elapsed)))));
}

void CCopyProgressDlg::Abort() {
  // No question: the copy stops at its next callback.
  callback_.RequestStop();
  setWindowTitle(tr("Cancelling..."));
  abort_->setEnabled(false);
}

void CCopyProgressDlg::reject() {
  // Escape aborts the copy; the dialog closes when the copy has stopped.
  if (running_) {
    Abort();
    return;
  }
  CSearchSuperDlg::reject();
}

CPreviewLoadingDlg::CPreviewLoadingDlg(IStorageDevice* device, CFileNode* node, const QString& target,
                                       QWidget* parent)
    : CCopyProgressDlg(device, node, target, parent) {
  setWindowTitle(tr("Loading..."));
  caption_->setText(tr("Loading file..."));
}

void CPreviewLoadingDlg::OnCopyFailed() {
  prompter_->Inform(this, tr("Cannot preview this file."), LoadAppString(346), PromptIcon::Information);
}

CRBClickRecoverFileDlg::CRBClickRecoverFileDlg(IStorageDevice* device, CFileNode* node, const QString& target,
                                               QWidget* parent)
    : CCopyProgressDlg(device, node, target, parent) {
  setWindowTitle(tr("Recovering..."));
  const QString name = node != nullptr && node->GetProperties() != nullptr
                           ? QString::fromUtf8(node->GetProperties()->GetName())
                           : QString();
  caption_->setText(tr("Recover ") + fontMetrics().elidedText(name, Qt::ElideMiddle, 300));
}

void CRBClickRecoverFileDlg::OnCopyFailed() {
  prompter_->Inform(this, tr("Failed to recover this file."), LoadAppString(346), PromptIcon::Warning);
}

} // namespace qm
