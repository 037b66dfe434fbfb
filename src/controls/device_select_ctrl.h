// The list of disks, volumes, found partitions and image files on the
// device pages: a header over a view of rows (icon and name, capacity,
// information). The page reads the selection when the view tells it of a
// change, a double click or a right click; keyboard moves tell nothing.
#pragma once

#include <QtWidgets/QAbstractScrollArea>

#include <array>
#include <cstdint>
#include <vector>

#include "controls/extend_header_ctrl.h"

// What a caller fills to add a row.
struct DEVICE_ITEM {
  std::uint32_t iconKind = 0; // 0 to 6; any other value draws no icon
  QString name;
  std::uint64_t sectorCount = 0;
  std::uint32_t bytesPerSector = 0; // 0 or not a multiple of 512: 512
  QString information;
  void* itemData = nullptr;
};

// The seven pictures of the icon kinds.
using DEVICE_BITMAP = std::array<QPixmap, 7>;

enum CTRL_STYLE { kCtrlStyleDevice = 0, kCtrlStyleDisk = 1, kCtrlStylePartition = 2 };

class CDeviceSelectView : public QAbstractScrollArea {
  Q_OBJECT
public:
  struct Cell {
    int bitmap = -1; // icon kind, -1 none
    QString text;
    int width = 0;
  };
  struct Row {
    int top = 0;
    int height = 0;
    bool selected = false;
    void* data = nullptr;
    std::vector<Cell> cells;
    int Width() const;
  };

  explicit CDeviceSelectView(QWidget* parent = nullptr);

  void AddItem(const DEVICE_ITEM& item, const std::array<int, 3>& widths);
  void DeleteItem(int i);
  void DeleteAllItems();
  int GetCurSel() const;
  void* GetItemData(int i) const;
  void ClearSelection();
  void SelectIndex(int i);
  void SetDeviceBitmap(const DEVICE_BITMAP& bitmaps);
  // A column's new width in every row.
  void SetColumnWidth(int column, int width);
  // A notice drawn under the rows (why no disk is listed); empty for none.
  void SetNotice(const QString& text);
  QString Notice() const { return m_notice; }

  int Count() const { return static_cast<int>(m_rows.size()); }
  const Row& RowAt(int i) const { return m_rows[static_cast<std::size_t>(i)]; }
  QSize ContentSize() const;
  // The width a column needs to show every row's cell whole (icon and the
  // longest line of its text).
  int ContentWidth(int column) const;
  // The vertical scroll position, for tests and the page.
  QPoint ScrollPosition() const;

Q_SIGNALS:
  void HorizontalScrolled(int position);
  void SelectionChanged();
  void DoubleClicked();
  void RightClicked();

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

private:
  void UpdateScrollSizes();
  void RecomputeTops();
  void EnsureVisible(int i);
  void RepaintRow(int i);
  void ClickAt(QPoint viewportPoint);

  std::vector<Row> m_rows;
  DEVICE_BITMAP m_bitmaps;
  QString m_notice;
};

class CDeviceSelectCtrl : public QWidget {
  Q_OBJECT
public:
  explicit CDeviceSelectCtrl(QWidget* parent = nullptr);

  void AddItem(const DEVICE_ITEM& item);
  void DeleteItem(int i) { m_view->DeleteItem(i); }
  void DeleteAllItems() { m_view->DeleteAllItems(); }
  int GetCurSel() const { return m_view->GetCurSel(); }
  void* GetItemData(int i) const { return m_view->GetItemData(i); }
  void ClearSelection() { m_view->ClearSelection(); }
  int GetCount() const { return m_view->Count(); }
  // The first column's caption: "Device", "Disk" or "Partition".
  void SetCtrlStyle(int style);
  void SetDeviceBitmap(const DEVICE_BITMAP& bitmaps) { m_view->SetDeviceBitmap(bitmaps); }
  void SetNotice(const QString& text) { m_view->SetNotice(text); }

  CDeviceSelectView* View() const { return m_view; }
  CExtendHeaderCtrl* Header() const { return m_header; }

Q_SIGNALS:
  void SelectionChanged();
  void DoubleClicked();
  void RightClicked();

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void AlignHeader();
  // Until the user drags a column: the first column as wide as its longest
  // name (within what the window leaves the other two), the information
  // column to the window's right edge.
  void FitColumns();

  CExtendHeaderCtrl* m_header;
  CDeviceSelectView* m_view;
  bool m_fitting = false;
  bool m_userSized = false;
};

// The default pictures of the seven icon kinds.
DEVICE_BITMAP DefaultDeviceBitmaps();
