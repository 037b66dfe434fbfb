// The pages of the create-image wizard but its progress page: the mode,
// the destination file (simple and advanced), the region, the summary and
// the success page.
#pragma once

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QToolButton>

#include <cstdint>
#include <string>

#include "imaging/imaging_rules.h"
#include "imaging/imaging_seams.h"
#include "imaging/interface_dialog.h"

namespace qm {

class CMyBitmapButton;
class CSectorSelectCtrl;

// Page 0.
class CImageDiskModeChooseDlg : public CInterfaceDialog {
  Q_OBJECT

public:
  explicit CImageDiskModeChooseDlg(QWidget* parent);
  // The source as the lists name it, cut to 25 characters and "...".
  void SetSourceDescription(const std::string& description);
  bool IsAdvanced() const { return advanced_->isChecked(); }
  QCheckBox* AdvancedBox() const { return advanced_; }

private:
  QLabel* source_;
  QCheckBox* advanced_;
};

// The edit box and "PATH>>>" button of both destination pages.
class DestinationPathRow : public QWidget {
  Q_OBJECT

public:
  DestinationPathRow(const QString& caption, ImagingSeams& seams, QWidget* parent);
  QString Path() const { return edit_->text(); }
  void SetPath(const QString& path) { edit_->setText(path); }
  QLineEdit* Edit() const { return edit_; }
  CMyBitmapButton* Button() const { return button_; }

private:
  void Choose();
  void Typed(const QString& text);

  ImagingSeams& seams_;
  QLineEdit* edit_;
  CMyBitmapButton* button_;
};

// Page 2 (simple road).
class CImageDiskPathChooseDlg : public CInterfaceDialog {
  Q_OBJECT

public:
  CImageDiskPathChooseDlg(ImagingSeams& seams, QWidget* parent);
  int GetNextPage() override { return 1; }
  QString Path() const { return row_->Path(); }
  DestinationPathRow* Row() const { return row_; }

private:
  DestinationPathRow* row_;
};

// Page 3 (advanced road): the path, compression and splitting.
class CImageDiskADPathChooseDlg : public CInterfaceDialog {
  Q_OBJECT

public:
  CImageDiskADPathChooseDlg(ImagingSeams& seams, QWidget* parent);
  int GetNextPage() override { return 4; }
  QString Path() const { return row_->Path(); }
  DestinationPathRow* Row() const { return row_; }
  image::ImageSettings GetImageSettings() const;
  QCheckBox* CompressBox() const { return compress_; }
  QComboBox* LevelList() const { return level_; }
  QCheckBox* SplitBox() const { return split_; }
  QComboBox* SplitList() const { return size_; }

private:
  DestinationPathRow* row_;
  QCheckBox* compress_;
  QComboBox* level_;
  QCheckBox* split_;
  QComboBox* size_;
};

// Page 4: the sector bar and the first and last sector.
class CImageDiskSetRegionDlg : public CInterfaceDialog {
  Q_OBJECT

public:
  explicit CImageDiskSetRegionDlg(QWidget* parent);
  int GetNextPage() override { return 1; }
  int GetPrevPage() override { return 3; }
  void SetSectorCount(std::uint64_t count);
  // The region as the two edit boxes read.
  std::uint64_t GetFirstSector() const;
  std::uint64_t GetLastSector() const;
  const image::RegionRules& Rules() const { return rules_; }
  CSectorSelectCtrl* Bar() const { return bar_; }
  QLineEdit* FirstEdit() const { return firstEdit_; }
  QLineEdit* LastEdit() const { return lastEdit_; }
  void StepFirst(bool up);
  void StepLast(bool up);

private:
  void OnBarChanged();
  void OnFirstEdited();
  void OnLastEdited();
  void Show(QLineEdit* edit, std::uint64_t value);

  image::RegionRules rules_;
  CSectorSelectCtrl* bar_;
  QLineEdit* firstEdit_;
  QLineEdit* lastEdit_;
  bool firstNotification_ = true;
};

// What the summary page shows.
struct ImageSummary {
  std::string description;
  std::uint64_t sectorCount = 0;
  std::uint64_t first = 0, last = 0;
  std::string indexPath;
  std::int32_t level = -1;
};

// Page 1.
class CImageDiskDiskInfo : public CInterfaceDialog {
  Q_OBJECT

public:
  explicit CImageDiskDiskInfo(QWidget* parent);
  int GetNextPage() override { return 5; }
  int GetPrevPage() override { return enteredFrom_; }
  void SetEnteredFrom(int page) { enteredFrom_ = page; }
  void ShowSummary(const ImageSummary& summary, std::uint32_t bytesPerSector);
  QString Text(int row) const;

private:
  int enteredFrom_ = 2;
  QLabel* values_[6];
};

// Page 6.
class CImageDiskSuccessDlg : public CInterfaceDialog {
  Q_OBJECT

public:
  explicit CImageDiskSuccessDlg(QWidget* parent);
  void SetPath(const std::string& path);
  void SetNote(const QString& note);
  bool OpenInList() const { return open_->isChecked(); }
  QCheckBox* OpenBox() const { return open_; }

private:
  QLabel* path_;
  QLabel* note_;
  QCheckBox* open_;
};

} // namespace qm
