// The end of a recovery: where the files went and how many, or that the
// run was stopped or some files could not be recovered, with every folder
// the run made, each opened by a click. Never shown inside the sheet: the
// result dialog borrows the page.
#pragma once

#include <QtCore/QStringList>

#include <cstdint>
#include <functional>

#include "wizard/pages/wizard_page.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace qm {

class ISaveResultController;
class ISaveFileController;

// What the result page reports.
struct SaveResultReport {
  QString target;
  QStringList folders;
  std::uint64_t selected = 0;
  std::uint64_t recovered = 0;
  std::uint64_t failed = 0;
  bool stopped = false;
};

// The panel's headline: "Recovery Completed", "Recovery stopped", or how
// many files could not be recovered.
QString SaveResultHeadline(const SaveResultReport& report);

// The result panel: headline, target folder, the counts and the folders made.
class CSaveResultPanel : public QWidget {
  Q_OBJECT

public:
  explicit CSaveResultPanel(QWidget* parent = nullptr);
  void SetReport(const SaveResultReport& report);
  const SaveResultReport& Report() const { return report_; }
  QString Headline() const;
  QListWidget& Folders() const { return *folders_; }
  // Opens a folder the user clicked (tests record instead).
  void SetFolderOpener(std::function<void(const QString&)> opener) { opener_ = std::move(opener); }
  void OpenFolder(const QString& path);

private:
  SaveResultReport report_;
  QLabel* headline_ = nullptr;
  QLabel* target_ = nullptr;
  QLabel* counts_ = nullptr;
  QLabel* foldersTitle_ = nullptr;
  QListWidget* folders_ = nullptr;
  std::function<void(const QString&)> opener_;
};

class CSaveResultPage : public CWizardPage {
  Q_OBJECT

public:
  static constexpr int kOkId = 1019;

  explicit CSaveResultPage(QWidget* parent = nullptr);

  IWizardPageController* GetController() override;
  void SetController(ISaveResultController* controller) { controller_ = controller; }
  int GetHelpId(int) override { return 27; }

  // Refills the page from the save-file step.
  void SetSaveResult(ISaveFileController& saveFile);
  CSaveResultPanel& Panel() const { return *panel_; }
  QPushButton& OkButton() const { return *ok_; }

protected:
  void OnSizeContent(int width, int height) override;
  void OnDrawContent(QPainter& painter) override;

private:
  ISaveResultController* controller_ = nullptr;
  QPushButton* ok_ = nullptr;
  CSaveResultPanel* panel_ = nullptr;
};

// The sheet's showing of page 5: the result dialog borrows the page.
void RunSaveResultDialog(QWidget& owner, CSaveResultPage& page);

} // namespace qm
