// The report list of found files: a virtual list over the owner's vector
// of nodes. It asks the nodes for each cell when it is drawn, draws the
// check box, the type icon with the deleted and damaged marks, colours
// compressed and encrypted files, sorts the vector when a column header is
// clicked, and passes check clicks, double clicks and right clicks to its
// owner.
#pragma once

#include <QtCore/QAbstractTableModel>
#include <QtWidgets/QTreeView>

#include <array>
#include <functional>
#include <vector>

#include "controls/file_list_rows.h"

class CFileNode;

namespace qm {

// The rows of the list as a table for the view.
class CFileListModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit CFileListModel(QObject* parent = nullptr);

  void SetRows(std::vector<CFileNode*>* rows);
  std::vector<CFileNode*>* Rows() const { return rows_; }
  // The owner changed the vector: the view asks again for everything.
  void Reload();
  // Called when a row's check box is clicked.
  void SetToggle(std::function<void(CFileNode*)> toggle) { toggle_ = std::move(toggle); }
  CFileNode* NodeAt(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
  std::vector<CFileNode*>* rows_ = nullptr;
  std::function<void(CFileNode*)> toggle_;
};

// The small icon of a file name (by its extension), with the deleted mark
// and the damaged sign drawn over it when asked.
QIcon FileTypeIcon(const QString& name, bool deleted, bool damaged = false);

// Text colour of a found file's row: blue for compressed, green for
// encrypted, invalid (the default) otherwise.
QColor FileRowColour(std::uint16_t attributes);

class CListCtrlPlus : public QTreeView {
  Q_OBJECT
public:
  explicit CListCtrlPlus(QWidget* parent = nullptr);

  // Attaches the owner's vector; returns the control.
  CListCtrlPlus& SetRows(std::vector<CFileNode*>* rows);
  // The owner filled its vector anew. Until the user drags a column, the
  // name column widens to the longest name shown (within half the list).
  void RowsChanged();
  // The width the name column needs for the rows shown (the first few
  // thousand), icon and check box included.
  int NameContentWidth() const;
  void SetToggle(std::function<void(CFileNode*)> toggle) { model_->SetToggle(std::move(toggle)); }
  CFileListModel* Model() const { return model_; }

  // The first selected row, -1 when none.
  int GetSelectedRow() const;
  // Selects, focuses and shows the first row of that node; false when absent.
  bool SelectNode(const CFileNode* node);
  void SelectRow(int row);

  // The column click: sorts by the column, turning its direction.
  void OnColumnClick(int column);
  // Whether the next click on that column sorts descending.
  bool NextSortDescending(int column) const;
  // The column that last showed a sort arrow (shared by every list).
  static int ArrowColumn();

Q_SIGNALS:
  // A double click on a row (the preview command).
  void RowDoubleClicked();
  // A right click on a selected row, at that global position.
  void ContextMenuWanted(const QPoint& globalPos);

protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void FitNameColumn();

  CFileListModel* model_;
  int nameWidth_ = 0; // the name column's width before any fitting
  bool fitting_ = false;
  bool userSized_ = false;
  std::array<bool, 10> descending_{};
};

} // namespace qm
