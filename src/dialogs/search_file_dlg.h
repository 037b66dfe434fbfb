// "Search files": a column of panels for name, location, type, date, size
// and other parameters, the optional ones folded away until their box is
// ticked. OK collects every matching file below the chosen location,
// optionally ticks the matches, and closes so that the page can list them.
#pragma once

#include <functional>

#include "dialogs/search_super_dlg.h"
#include "filemodel/search_file_params.h"

class CFileNode;
class QCheckBox;
class QKeyEvent;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTimeEdit;
class QVBoxLayout;

namespace qm {

class Prompter;

class CSearchFileDlg : public CSearchSuperDlg {
  Q_OBJECT
public:
  // tick(node) checks a match when "Auto select files" is on (the file
  // list does it, so that its tree and counts follow).
  CSearchFileDlg(std::function<void(CFileNode*)> tick, CFileNode* current, SearchFilterSet& result,
                 QWidget* parent = nullptr);

  void SetPrompter(Prompter& prompter) { prompter_ = &prompter; }
  // The name pattern searched ("*" when empty; the type's extensions when
  // searching by type).
  QString GetNamePattern() const { return namePattern_.isEmpty() ? QStringLiteral("*") : namePattern_; }

  // Runs the search as OK does; true when files were found (the dialog
  // then closes with Accepted).
  bool Search();
  // Builds the parameter record from the panels; false (and a message)
  // when a panel's value is refused.
  bool ReadParams(SearchFileParams& params);

  // The panels, for tests and the gallery.
  QLineEdit* NameEdit() const { return name_; }
  QCheckBox* AutoSelectBox() const { return autoSelect_; }
  QComboBox* LocationBox() const { return location_; }
  QCheckBox* TypeBox() const { return typeBox_; }
  QComboBox* TypeCombo() const { return type_; }
  QCheckBox* DateBox() const { return dateBox_; }
  QComboBox* DateKindCombo() const { return dateKind_; }
  QRadioButton* MonthsRadio() const { return months_; }
  QRadioButton* DaysRadio() const { return days_; }
  QRadioButton* RangeRadio() const { return range_; }
  QSpinBox* MonthsSpin() const { return monthCount_; }
  QSpinBox* DaysSpin() const { return dayCount_; }
  QDateEdit* FromDate() const { return fromDate_; }
  QTimeEdit* FromTime() const { return fromTime_; }
  QDateEdit* ToDate() const { return toDate_; }
  QTimeEdit* ToTime() const { return toTime_; }
  QCheckBox* SizeBox() const { return sizeBox_; }
  QComboBox* SizeModeCombo() const { return sizeMode_; }
  QSpinBox* SizeSpin() const { return sizeKb_; }
  QCheckBox* OtherBox() const { return otherBox_; }
  QCheckBox* CaseBox() const { return caseSensitive_; }
  QCheckBox* EncryptedBox() const { return encrypted_; }
  QWidget* Panel(int index) const { return panels_[static_cast<std::size_t>(index)]; }

  // A node's path as the location box shows it.
  static QString NodePath(CFileNode* node);

protected:
  // F1 opens the help topic on searching the found files.
  void keyPressEvent(QKeyEvent* event) override;

private:
  void BuildBasicPanel();
  void BuildTypePanel();
  void BuildDatePanel();
  void BuildSizePanel();
  void BuildOtherPanel();
  void TogglePanel(int index, bool shown);
  void UpdateDateControls();
  void Fit();

  std::function<void(CFileNode*)> tick_;
  CFileNode* current_;
  SearchFilterSet& result_;
  Prompter* prompter_;
  QString namePattern_;
  std::vector<QWidget*> panels_;
  QVBoxLayout* column_;
  QLineEdit* name_;
  QCheckBox* autoSelect_;
  QComboBox* location_;
  QCheckBox* typeBox_;
  QComboBox* type_;
  QCheckBox* dateBox_;
  QComboBox* dateKind_;
  QRadioButton* months_;
  QRadioButton* days_;
  QRadioButton* range_;
  QSpinBox* monthCount_;
  QSpinBox* dayCount_;
  QDateEdit* fromDate_;
  QTimeEdit* fromTime_;
  QDateEdit* toDate_;
  QTimeEdit* toTime_;
  QCheckBox* sizeBox_;
  QComboBox* sizeMode_;
  QSpinBox* sizeKb_;
  QCheckBox* otherBox_;
  QCheckBox* caseSensitive_;
  QCheckBox* encrypted_;
};

} // namespace qm
