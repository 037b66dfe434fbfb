// The small modal dialogs that copy one found file while showing how far
// the copy has come: the preview's loading dialog and the single-file
// recover dialog. The copy runs on the saver's worker thread; its callback
// only writes counters that a timer on the dialog's thread shows.
#pragma once

#include <QtCore/QElapsedTimer>

#include <atomic>
#include <string>

#include "dialogs/search_super_dlg.h"
#include "filemodel/file_recover_callback.h"

class CFileNode;
class IStorageDevice;
class QLabel;
class QProgressBar;
class QPushButton;

namespace qm {

class Prompter;

// The counters a copy's callback writes (on the worker) and the dialog
// reads (on its own thread).
class CopyProgressCallback : public IFileRecoverCallback {
public:
  int OnBegin(std::uint32_t fileCount, std::uint64_t totalBytes) override;
  int OnFileDone(std::uint32_t n) override;
  int OnBytesWritten(std::uint64_t n) override;
  int OnBytesTakenBack(std::uint32_t n) override;
  int OnFileBegin(const char* name) override;
  int Poll() override;

  void RequestStop() { stop_ = true; }
  bool StopRequested() const { return stop_; }
  std::uint64_t Total() const { return total_; }
  std::uint64_t Done() const { return done_; }
  bool Finished() const { return finished_; }
  void SetTotal(std::uint64_t total) { total_ = total; }

private:
  std::atomic<std::uint64_t> total_{0};
  std::atomic<std::uint64_t> done_{0};
  std::atomic<bool> finished_{false};
  std::atomic<bool> stop_{false};
};

class CCopyProgressDlg : public CSearchSuperDlg {
  Q_OBJECT
public:
  // Results of exec().
  enum Result { kCopied = 1, kNotCopied = 2 };

  CCopyProgressDlg(IStorageDevice* device, CFileNode* node, const QString& target, QWidget* parent);
  ~CCopyProgressDlg() override;

  // Why the copy did not end: 1 failed, 2 stopped by the user (0 copied).
  int FailureCode() const { return failure_; }
  QLabel* PercentText() const { return percent_; }
  QLabel* TimeText() const { return time_; }
  QProgressBar* Bar() const { return bar_; }
  QPushButton* AbortButton() const { return abort_; }
  // Presses Abort (as the button does).
  void Abort();
  CopyProgressCallback& Callback() { return callback_; }
  // Shows the counters now (a timer does it every 500 ms during the copy).
  void RefreshTexts();
  // Where the failure message goes (the production message box unless set).
  void SetPrompter(Prompter& prompter) { prompter_ = &prompter; }

protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;
  // Told once the copy has ended, before the dialog closes.
  virtual void OnCopyFailed() {}
  QLabel* caption_;
  Prompter* prompter_;

private:
  void RunCopy();

  IStorageDevice* device_;
  CFileNode* node_;
  std::string target_;
  CopyProgressCallback callback_;
  QLabel* percent_;
  QLabel* time_;
  QProgressBar* bar_;
  QPushButton* abort_;
  QTimer* refresh_;
  QElapsedTimer started_;
  bool running_ = false;
  int failure_ = 0;
};

// The preview's copy: "Loading file..." while the found file is recovered
// to its temporary copy. A failed copy says "Cannot preview this file.".
class CPreviewLoadingDlg : public CCopyProgressDlg {
  Q_OBJECT
public:
  CPreviewLoadingDlg(IStorageDevice* device, CFileNode* node, const QString& target, QWidget* parent);

protected:
  void OnCopyFailed() override;
};

// The copy of one file to a name the user chose. A failed copy says
// "Failed to recover this file.".
class CRBClickRecoverFileDlg : public CCopyProgressDlg {
  Q_OBJECT
public:
  CRBClickRecoverFileDlg(IStorageDevice* device, CFileNode* node, const QString& target, QWidget* parent);

protected:
  void OnCopyFailed() override;
};

} // namespace qm
