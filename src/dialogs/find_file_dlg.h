// "Find file by name": each Find Next selects the next file whose name
// matches, in the file list and, when the list has none left, in the next
// folder of the tree that holds one. Coming back to where the round
// started says "No more files found.".
#pragma once

#include <vector>

#include "dialogs/search_super_dlg.h"
#include "filemodel/name_pattern.h"

class CFileNode;
class QCheckBox;
class QKeyEvent;
class QLineEdit;
class QPushButton;

namespace qm {

class Prompter;

// What the finder searches: a file list and, optionally, its folder tree.
class IFindFileView {
public:
  virtual ~IFindFileView() = default;
  virtual int RowCount() const = 0;
  virtual CFileNode* RowNode(int row) const = 0;
  virtual int SelectedRow() const = 0; // -1 when none
  virtual void SelectRow(int row) = 0;
  // The folders of the tree in pre-order, after the selected folder and
  // round from the first top-level folder, up to (not with) the selected
  // folder. Empty without a tree.
  virtual std::vector<CFileNode*> FoldersAfterSelected() const = 0;
  // Selects the folder in the tree, which lists its files.
  virtual void ShowFolder(CFileNode* folder) = 0;
};

enum class FindResult { NotFound = 1, Wrapped = 2, Found = 4 };

// One round of Find Next over the view (the algorithm without the dialog).
FindResult FindNextRound(IFindFileView& view, const NameFilterRegex& matcher, CFileNode* start,
                         bool wrappedFlag);

class CFindFileDlg : public CSearchSuperDlg {
  Q_OBJECT
public:
  CFindFileDlg(IFindFileView& view, QWidget* parent = nullptr);

  void SetPrompter(Prompter& prompter) { prompter_ = &prompter; }
  // Find Next, as the button does; the result of the round (NotFound also
  // for a refused text).
  FindResult FindNext();

  QLineEdit* NameEdit() const { return name_; }
  QCheckBox* MatchCaseBox() const { return matchCase_; }
  QCheckBox* WholeWordBox() const { return wholeWord_; }
  QPushButton* FindNextButton() const { return findNext_; }

protected:
  // F1 opens the help topic on searching the found files.
  void keyPressEvent(QKeyEvent* event) override;

private:
  void SetStartFromSelection();

  IFindFileView& view_;
  Prompter* prompter_;
  QLineEdit* name_;
  QCheckBox* matchCase_;
  QCheckBox* wholeWord_;
  QPushButton* findNext_;
  QString lastText_;
  bool lastCase_ = false;
  bool lastWhole_ = false;
  CFileNode* start_ = nullptr;
  bool wrapped_ = false;
};

} // namespace qm
