// The "Open Disk Image" wizard: the user picks an image's index file; the
// wizard checks that the image and every part its part list names can be
// read, and when parts were moved or lost lets the user repair the list by
// locating, adding or removing part files.
#pragma once

#include <QtCore/QTimer>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStackedWidget>
#include <QtWidgets/QTreeWidget>

#include <string>

#include "imaging/imaging_rules.h"
#include "imaging/imaging_seams.h"
#include "imaging/interface_dialog.h"

namespace qm {

class CMyBitmapButton;

// Page 1: the index file.
class COpenDiskImagePathDlg : public COpenDiskInterface {
  Q_OBJECT

public:
  COpenDiskImagePathDlg(ImagingSeams& seams, QWidget* parent);
  int GetNextPage() override { return -1; }
  int GetPrevPage() override { return 0; }
  QString Path() const { return edit_->text(); }
  QLineEdit* Edit() const { return edit_; }
  CMyBitmapButton* Button() const { return button_; }

private:
  ImagingSeams& seams_;
  QLineEdit* edit_;
  CMyBitmapButton* button_;
};

// Page 2: the part list, row n for part n, with Add, Remove and Locate.
class COpenDiskImageErrorManageDlg : public COpenDiskInterface {
  Q_OBJECT

public:
  COpenDiskImageErrorManageDlg(ImagingSeams& seams, QWidget* parent);
  int GetNextPage() override { return -1; }
  int GetPrevPage() override { return 1; }
  // The rows of a part list file; `parts` is the number the image's
  // header counts (0 when unknown).
  void LoadPartList(const std::string& listPath, std::uint32_t parts);
  void Clear();
  // At least one part, every one readable, and as many as the image has.
  bool IsComplete() const;
  bool WriteRepairedList();
  const image::PartListRepair& Repair() const { return repair_; }
  QTreeWidget* List() const { return list_; }
  QPushButton* AddButton() const { return add_; }
  QPushButton* RemoveButton() const { return remove_; }
  QPushButton* LocateButton() const { return locate_; }
  void OnAdd();
  void OnRemove();
  void OnLocate();

private:
  void Refill();
  void OnSelection();
  QString ChoosePart();

  ImagingSeams& seams_;
  image::PartListRepair repair_;
  std::string listPath_;
  std::uint32_t parts_ = 0;
  QTreeWidget* list_;
  QPushButton* add_;
  QPushButton* remove_;
  QPushButton* locate_;
};

class COpenDiskImageMasterDlg : public COpenDiskInterface {
  Q_OBJECT

public:
  enum Page { kWelcome = 0, kPath = 1, kRepair = 2, kSuccess = 3 };

  explicit COpenDiskImageMasterDlg(QWidget* parent, ImagingSeams seams = DefaultImagingSeams());

  int IsImageChosen() const { return chosen_ ? 1 : 0; }
  std::string GetImagePath() const { return path_->Path().toStdString(); }

  void OnNext();
  void OnBack();
  void OnCancel();
  // Timer 1: Next follows the repair list.
  void OnTimer();
  int CurrentPage() const { return current_; }
  QWidget* PageWidget(int index) const { return stack_->widget(index); }
  CDIskImagePublicDlg* Banner() const { return banner_; }
  COpenDiskImagePathDlg& PathPage() const { return *path_; }
  COpenDiskImageErrorManageDlg& RepairPage() const { return *repair_; }
  QPushButton* BackButton() const { return back_; }
  QPushButton* NextButton() const { return next_; }

protected:
  void reject() override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void ShowPage(int index);
  void SetTitle(unsigned id);
  void CheckChosenImage();
  // 1 all parts readable, 0 a part missing, -1 a line that is no path.
  int CheckListedParts(const std::string& listPath);
  void Warn(unsigned id);

  ImagingSeams seams_;
  int current_ = kWelcome;
  bool chosen_ = false;
  bool checking_ = false;
  bool accepted_ = false;
  CDIskImagePublicDlg* banner_;
  QStackedWidget* stack_;
  COpenDiskImagePathDlg* path_;
  COpenDiskImageErrorManageDlg* repair_;
  QPushButton* back_;
  QPushButton* next_;
  QPushButton* cancel_;
  QTimer timer_;
};

} // namespace qm
