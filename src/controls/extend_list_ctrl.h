// A scrolling list of lines made of cells, each cell holding up to four
// parts (check box, icon, text). A click on a part's check box turns it
// and tells the part's ICheckBoxNotify.
#pragma once

#include <QtGui/QIcon>
#include <QtWidgets/QAbstractScrollArea>

#include <array>
#include <cstdint>
#include <vector>

#include "controls/extend_header_ctrl.h"

class ICheckBoxNotify {
public:
  virtual ~ICheckBoxNotify() = default;
  virtual int OnCheck(int checked, std::uintptr_t ownerValue, int cellIndex, int partIndex) = 0;
};

struct ExtendListPart {
  std::uint32_t value = 0; // the caller's own
  bool hasCheckBox = false;
  bool checked = false;
  QIcon icon;
  QString text;
  ICheckBoxNotify* notify = nullptr;
  QRect checkRect; // where the box was last drawn; empty when not drawn
};

struct ExtendListCell {
  int partCount = 0; // 0 to 4
  std::array<ExtendListPart, 4> parts;
  int width = 0;
  QColor textColour{0, 0, 0};
  int flags = 0; // alignment, from the column
};

struct ExtendListLine {
  int top = 0;
  int height = 0;
  std::uintptr_t ownerValue = 0;
  bool selected = false;
  std::vector<ExtendListCell> cells;
};

class CExtendListCtrl : public QAbstractScrollArea {
  Q_OBJECT
public:
  explicit CExtendListCtrl(QWidget* parent = nullptr);

  // alignment: 0 left, 1 right, 2 centre.
  void AddColumn(const QString& text, int width, int alignment = 0);
  int AddLine(int height);
  // false when the line does not exist or has a cell per column already.
  bool AddCell(int line, const ExtendListCell& cell);
  void SetCellWidthForAll(int column, int width);
  ExtendListLine* GetLine(int i);
  int GetLineCount() const { return static_cast<int>(m_lines.size()); }
  int GetSelectedLine() const;
  bool IsLineChecked(int line) const;
  void SelectLine(int line);
  void DeleteAllLines();
  CExtendHeaderCtrl* Header() const { return m_header; }

  // Where a click at that viewport point lands on a drawn check box, for
  // tests: the box's centre in viewport co-ordinates.
  QPoint CheckBoxCentre(int line, int cell, int part) const;

Q_SIGNALS:
  // Sent after a right-button release: the check states may have changed.
  void CheckStatesChanged();
  // A right-button release beside the check boxes selected a line (or kept
  // it): its menu is wanted.
  void LineRightClicked(int line);

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

private:
  void UpdateScrollSizes();
  // Selects the line under the point and flips a check box there; true
  // when a box was flipped.
  bool Click(QPoint viewportPoint);
  int TotalWidth() const;
  int TotalHeight() const;
  void LayoutParts(); // works out the check-box places without painting

  CExtendHeaderCtrl* m_header;
  std::vector<ExtendListLine> m_lines;
  std::vector<int> m_formats;
};
