// The error reporter's window after a crash: that the program stopped, where
// the crash report and the log are, and what they say (read-only, only a
// bounded part of each), with a button that opens their folder. Nothing in
// it sends anything anywhere.
#pragma once

#include "reporter/crash_report_files.h"

#include <QtWidgets/QDialog>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace qm {

class CZorvReportDlg : public QDialog {
  Q_OBJECT

public:
  // opener: how a folder is opened (the desktop's file manager when empty);
  // true when it opened.
  explicit CZorvReportDlg(const CrashFiles& files, QWidget* parent = nullptr,
                          std::function<bool(const QString&)> opener = {});

  // What the window says, as plain lines: for a terminal when there is no
  // display to show the window on.
  static QString Summary(const CrashFiles& files);

  // The folder the button opens: the crash report's, else the log's, else
  // the first folder looked in.
  static QString FolderToOpen(const CrashFiles& files);

  QTabWidget& Tabs() const { return *tabs_; }
  QPlainTextEdit& ReportView() const { return *reportView_; }
  QPlainTextEdit& LogView() const { return *logView_; }
  QLabel& ReportLabel() const { return *reportLabel_; }
  QLabel& LogLabel() const { return *logLabel_; }
  QPushButton& OpenFolderButton() const { return *openFolder_; }
  QPushButton& CloseButton() const { return *close_; }

private:
  QWidget* MakeFilePage(const ShownFile& file, ReadPart part, const QString& missingText, QLabel*& label,
                        QPlainTextEdit*& view);

  CrashFiles files_;
  std::function<bool(const QString&)> opener_;
  QTabWidget* tabs_ = nullptr;
  QLabel* reportLabel_ = nullptr;
  QLabel* logLabel_ = nullptr;
  QPlainTextEdit* reportView_ = nullptr;
  QPlainTextEdit* logView_ = nullptr;
  QPushButton* openFolder_ = nullptr;
  QPushButton* close_ = nullptr;
};

} // namespace qm
