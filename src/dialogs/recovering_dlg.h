// The modal window that copies the user's checked files into the target
// folder and shows how far it has got: counts and sizes, the file being
// copied, the time gone by and still to go, a bar, and a Cancel that asks
// first. The copy runs on the saver's worker; the worker only stores
// numbers here, and the window shows them from its own thread.
#pragma once

#include <QtWidgets/QDialog>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "dialogs/search_super_dlg.h"
#include "filemodel/file_recover_callback.h"
#include "filemodel/file_saver.h"

class CFileSystemNode;
class QGridLayout;
class IStorageDevice;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;

namespace qm {

class Prompter;

// How a run ended, over every volume it saved from.
struct RecoveryOutcome {
  std::uint64_t selected = 0; // the checked files it set out to copy
  std::uint64_t files = 0;    // files the saver tried
  std::uint64_t failed = 0;   // of them, not recovered (or not whole)
  std::uint64_t bytes = 0;    // bytes written
  bool stopped = false;       // the user cancelled
  std::uint64_t Recovered() const { return files >= failed ? files - failed : 0; }
};

class CRecoveringDlg : public CSearchSuperDlg, public IFileRecoverCallback {
  Q_OBJECT

public:
  // root: the "Root" node whose file-system children hold the checked
  // files; device: where their data is read; target: the folder to fill.
  CRecoveringDlg(CFileSystemNode* root, IStorageDevice* device, std::string target, Prompter& prompter,
                 QWidget* parent = nullptr);
  ~CRecoveringDlg() override;

  // Shows the window, runs the whole copy and returns 1 when it ends.
  int exec() override;

  // IFileRecoverCallback, called on the saver's worker.
  int OnBegin(std::uint32_t fileCount, std::uint64_t totalBytes) override;
  int OnFileDone(std::uint32_t n) override;
  int OnBytesWritten(std::uint64_t n) override;
  int OnBytesTakenBack(std::uint32_t n) override;
  int OnFileBegin(const char* name) override;
  int Poll() override;

  // After exec: the selected count, the bytes written, the count of files
  // done, the folders made, and how it ended.
  std::uint64_t GetFileCount() const { return selected_.load(); }
  std::uint64_t GetBytesDone() const { return bytesDone_.load(); }
  std::uint64_t GetTotal() const { return filesDone_.load(); }
  const std::vector<std::string>& CreatedFolders() const { return created_; }
  const RecoveryOutcome& Outcome() const { return outcome_; }

  // The Cancel button: asks, then stops at the saver's next callback.
  void OnCancel();
  bool StopRequested() const { return stop_.load(); }
  void SetDetailsShown(bool shown);
  bool DetailsShown() const { return detailsShown_; }
  // Redraws every text and the bar from the stored numbers.
  void Refresh();
  // Called on the worker before each file (tests stop a run midway).
  void SetFileBeginHook(std::function<void(CRecoveringDlg&)> hook) { fileBeginHook_ = std::move(hook); }

  QProgressBar* ProgressBar() const { return bar_; }
  QPushButton* CancelButton() const { return cancel_; }
  QString ValueText(const char* name) const;

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override;

private:
  void Run();
  void RefreshWhenDue();
  QLabel* AddRow(QGridLayout* grid, int row, const QString& label, const char* name, bool detail);

  CFileSystemNode* root_;
  IStorageDevice* device_;
  std::string target_;
  Prompter& prompter_;

  std::atomic<std::uint64_t> selected_{0};
  std::atomic<std::uint64_t> filesDone_{0};
  std::atomic<std::uint64_t> bytesDone_{0};
  std::atomic<std::uint64_t> totalBytes_{0};
  std::atomic<bool> stop_{false};
  std::atomic<std::uint32_t> startTick_{0};
  std::atomic<std::uint32_t> lastRefresh_{0};
  mutable std::mutex nameLock_;
  std::string currentName_;
  std::function<void(CRecoveringDlg&)> fileBeginHook_;

  bool detailsShown_ = true;
  bool ran_ = false;
  std::vector<std::string> created_;
  RecoveryOutcome outcome_;

  std::vector<QWidget*> details_; // the detail rows' labels and values
  std::vector<QLabel*> values_;
  QProgressBar* bar_ = nullptr;
  QToolButton* more_ = nullptr;
  QToolButton* fewer_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QTimer* timer_ = nullptr;
};

} // namespace qm
