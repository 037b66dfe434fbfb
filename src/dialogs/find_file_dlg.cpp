#include "dialogs/find_file_dlg.h"

#include <QtGui/QKeyEvent>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "app/help_viewer.h"
#include "app/prompter.h"
#include "app/string_table.h"
#include "filemodel/file_node.h"
#include "filemodel/search_file_params.h"

namespace qm {
namespace {

bool IsMatchingFile(const NameFilterRegex& matcher, CFileNode* node) {
  IFileProperties* properties = node != nullptr ? node->GetProperties() : nullptr;
  return properties != nullptr && !properties->IsFolder() && matcher.IsMatch(properties);
}

// Searches the list from row `from` on.
FindResult SearchList(IFindFileView& view, const NameFilterRegex& matcher, int from, CFileNode* start,
                      bool wrappedFlag) {
  const int count = view.RowCount();
  for (int row = std::max(0, from); row < count; ++row) {
    CFileNode* node = view.RowNode(row);
    if (IsMatchingFile(matcher, node)) {
      view.SelectRow(row);
      return node == start && wrappedFlag ? FindResult::Wrapped : FindResult::Found;
    }
    if (node == start && wrappedFlag) return FindResult::Wrapped;
  }
  return FindResult::NotFound;
}

bool HoldsMatch(const NameFilterRegex& matcher, CFileNode* folder) {
  for (CFileNode* child = folder->GetFirstChild(); child != nullptr; child = child->GetNextSibling())
    if (IsMatchingFile(matcher, child)) return true;
  return false;
}

} // namespace

FindResult FindNextRound(IFindFileView& view, const NameFilterRegex& matcher, CFileNode* start,
                         bool wrappedFlag) {
  FindResult result = SearchList(view, matcher, view.SelectedRow() + 1, start, wrappedFlag);
  if (result != FindResult::NotFound) return result;
  for (CFileNode* folder : view.FoldersAfterSelected()) {
    if (!HoldsMatch(matcher, folder)) continue;
    view.ShowFolder(folder);
    result = SearchList(view, matcher, 0, start, wrappedFlag);
    if (result != FindResult::NotFound) return result;
  }
  // Round the whole tree: the first folder's list once more from its top.
  if (view.RowCount() > 0) view.SelectRow(0);
  result = SearchList(view, matcher, 0, start, wrappedFlag);
  if (result != FindResult::NotFound) return result;
  return wrappedFlag ? FindResult::Wrapped : FindResult::NotFound;
}

CFindFileDlg::CFindFileDlg(IFindFileView& view, QWidget* parent)
    : CSearchSuperDlg(parent), view_(view), prompter_(&DefaultPrompter()), name_(new QLineEdit(this)),
      matchCase_(new QCheckBox(tr("Match Case"), this)), wholeWord_(new QCheckBox(tr("Whole Word"), this)),
      findNext_(new QPushButton(tr("Find Next"), this)) {
  setWindowTitle(tr("Find file by name"));
  name_->setMaxLength(256);
  name_->setMinimumWidth(260);
  auto* close = new QPushButton(tr("Close"), this);
  findNext_->setDefault(true);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(tr("Find Name:"), this), 0, 0);
  grid->addWidget(name_, 0, 1);
  auto* boxes = new QHBoxLayout;
  boxes->addWidget(matchCase_);
  boxes->addWidget(wholeWord_);
  boxes->addStretch();
  grid->addLayout(boxes, 1, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(findNext_);
  buttons->addWidget(close);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(grid, 1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(findNext_, &QPushButton::clicked, this, [this] { FindNext(); });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void CFindFileDlg::SetStartFromSelection() {
  const int selected = view_.SelectedRow();
  start_ = selected >= 0 ? view_.RowNode(selected) : view_.RowCount() > 0 ? view_.RowNode(0) : nullptr;
}

FindResult CFindFileDlg::FindNext() {
  const QString text = name_->text().isEmpty() ? QStringLiteral("*") : name_->text();
  const std::string pattern = text.toStdString();
  if (!IsValidSearchName(pattern, true)) {
    prompter_->Inform(this, tr("No files found"), LoadAppString(346), PromptIcon::Information);
    return FindResult::NotFound;
  }
  // A new text or option starts a new round: the first file it finds must
  // not be taken for the end of the previous round.
  if (text != lastText_ || matchCase_->isChecked() != lastCase_ || wholeWord_->isChecked() != lastWhole_) {
    lastText_ = text;
    lastCase_ = matchCase_->isChecked();
    lastWhole_ = wholeWord_->isChecked();
    start_ = nullptr;
    wrapped_ = false;
  }
  NameFilterRegex matcher;
  matcher.Set(pattern, matchCase_->isChecked(), wholeWord_->isChecked(), kWildcardNamePart);
  const FindResult result = FindNextRound(view_, matcher, start_, wrapped_);
  if (result == FindResult::Wrapped) {
    prompter_->Inform(this, tr("No more files found."), LoadAppString(346), PromptIcon::Information);
    return result;
  }
  if (result == FindResult::NotFound)
    prompter_->Inform(this, tr("No files found"), LoadAppString(346), PromptIcon::Information);
  if (start_ == nullptr) SetStartFromSelection();
  wrapped_ = true;
  return result;
}

void CFindFileDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
    OpenHelpTopic(this, 23);
    event->accept();
    return;
  }
  CSearchSuperDlg::keyPressEvent(event);
}

} // namespace qm
