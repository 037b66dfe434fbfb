// The imaging page of the create wizard: owns the writer, follows it as
// its callback (the run happens on this thread; the page's timers and
// buttons are served between blocks), shows the progress, the remaining
// time, the current destination and the free space left on it, and when
// that disk runs short lets the user move the rest of the image elsewhere.
#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtWidgets/QLabel>

#include <cstdint>
#include <memory>
#include <string>

#include "imaging/compress_controller.h"
#include "imaging/imaging_seams.h"
#include "imaging/interface_dialog.h"

namespace qm {

class CPublicPorgress;

// Below this the destination is too full to go on.
inline constexpr std::uint64_t kMinFreeSpaceMB = 20;

class CImageDiskRunDlg : public CInterfaceDialog, public ICompressCallBack {
  Q_OBJECT

public:
  CImageDiskRunDlg(ImagingSeams& seams, QWidget* parent);
  ~CImageDiskRunDlg() override;

  // ICompressCallBack
  void ProcessMessages() override;
  int IsCancelled() override { return cancel_ ? 1 : 0; }
  void OnBlockDone(std::uint64_t index) override;
  void OnStart(std::uint64_t first, std::uint64_t total) override;
  void OnBlockStored(std::uint32_t length) override;
  int IsNewPartRequested() override { return newPartRequest_ ? 1 : 0; }

  CCompressController& GetController() { return *controller_; }
  // Below 20 MiB the run is cancelled; the number is shown in any case.
  void SetFreeSpace(std::uint64_t megabytes);
  void SetCurrentFile(const std::string& path);
  void SetFreeSpaceWatch(bool on) { watch_ = on; }
  void SetWatchedPath(const std::string& path) { watchedPath_ = path; }
  void SetHold(bool hold) { hold_ = hold; }
  void SetCancel(bool cancel) { cancel_ = cancel; }
  bool IsCancelledForSpace() const { return cancelledForSpace_; }
  // Makes the path's folder the watched one; its free space in MiB.
  std::uint64_t GetFreeSpaceMB(const std::string& path);

  void StopTimers();
  // The page's timers, also called by tests in place of waiting.
  void OnRemainingTimer();
  void OnFreeSpaceTimer();

  QString RemainingText() const { return remaining_->text(); }
  QString FreeSpaceText() const { return freeSpace_->text(); }
  QString CurrentFileText() const { return currentFile_->text(); }
  QString UnreadableText() const { return unreadable_->text(); }
  CPublicPorgress* Progress() const { return progress_; }

Q_SIGNALS:
  // The page ends itself (too little space, or no new location).
  void EndRequested();

private:
  void CheckFreeSpace();
  void ChooseNewLocation();
  void EndForSpace();

  ImagingSeams& seams_;
  std::unique_ptr<CCompressController> controller_;
  bool cancel_ = false;
  bool newPartRequest_ = false;
  bool watch_ = false;
  bool hold_ = false;
  bool cancelledForSpace_ = false;
  bool firstBlockReported_ = false;
  std::uint64_t elapsedMs_ = 0; // 300 ms per timer tick received
  QElapsedTimer firstEstimate_;
  std::uint64_t freeMB_ = 0;
  std::string watchedPath_;
  std::uint64_t total_ = 0, done_ = 0;
  QLabel* currentFile_;
  QLabel* remaining_;
  QLabel* freeSpace_;
  QLabel* unreadable_;
  CPublicPorgress* progress_;
  QTimer remainingTimer_;
  QTimer spaceTimer_;
};

} // namespace qm
