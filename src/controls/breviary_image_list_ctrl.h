// The thumbnail view of a file list: the same rows as the report list, as
// 80-pixel pictures (or the file type's icon) with the name, the check box
// and the deleted mark. It asks its loader for the rows in view.
#pragma once

#include <QtCore/QAbstractListModel>
#include <QtCore/QStringList>
#include <QtGui/QFontMetrics>
#include <QtWidgets/QListView>

#include <functional>
#include <vector>

class CFileNode;
class IStorageDevice;

namespace qm {

class ThumbnailLoader;

// The large icon of a file's type, by its name.
QIcon LargeTypeIcon(const QString& name);

// A thumbnail's caption in at most two lines of `width` pixels: whole when
// it fits; else broken after a blank, "_", "-" or "." with the rest cut in
// the middle; a name with no such place is cut in the middle on one line.
// Never broken inside a word.
QStringList ThumbnailCaptionLines(const QString& name, const QFontMetrics& metrics, int width);

class ThumbnailRowsModel : public QAbstractListModel {
  Q_OBJECT
public:
  explicit ThumbnailRowsModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}
  void SetRows(std::vector<CFileNode*> rows);
  const std::vector<CFileNode*>& Rows() const { return rows_; }
  CFileNode* NodeAt(int row) const;
  void RowChanged(int row);
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

private:
  std::vector<CFileNode*> rows_;
};

class CBreviaryImageListCtrl : public QListView {
  Q_OBJECT
public:
  explicit CBreviaryImageListCtrl(QWidget* parent = nullptr);
  ~CBreviaryImageListCtrl() override;

  // The rows shown (the owner's list); their thumbnails start again.
  void SetRows(const std::vector<CFileNode*>& rows);
  void SetSource(IStorageDevice* source);
  // Forgets the thumbnails made (switching to this view).
  void ClearThumbnails();
  ThumbnailLoader& Loader() { return *loader_; }
  ThumbnailRowsModel& Model() { return *model_; }

  int SelectedRow() const;
  void SelectRow(int row);
  // Called when a row's check box is clicked.
  void SetToggle(std::function<void(CFileNode*)> toggle) { toggle_ = std::move(toggle); }
  // The check box's rectangle inside an item's rectangle.
  static QRect CheckBoxRect(const QRect& item);
  // Asks the loader for the rows in view (when visible).
  void RequestVisibleRows();

Q_SIGNALS:
  void Activated(int row);                  // double click
  void ContextMenuAt(const QPoint& global); // right click

protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  ThumbnailRowsModel* model_;
  ThumbnailLoader* loader_;
  std::function<void(CFileNode*)> toggle_;
};

} // namespace qm
