// A strip of tabs over several page windows, one of them shown at a time.
// The first tab has no close box; every later one has one, and closing it
// removes the tab. The strip's geometry is kept in plain functions.
#pragma once

#include <QtGui/QFont>
#include <QtWidgets/QWidget>

#include <vector>

namespace qm {

// The width of a tab for a caption of that width (a tab with a close box is
// 10 pixels wider).
int TabItemWidth(int textWidth, bool hasCloseBox);
// The left edge of each tab: the first at 0, each further one after the
// ones before it with 5 pixels between them, less 1.
std::vector<int> LayoutTabs(const std::vector<int>& widths);
// The close box of a tab rectangle.
QRect TabCloseBox(const QRect& item);
// The widest caption (in pixels) that a further tab, with its close box,
// can have and still fit beside tabs of these widths in a strip that wide;
// -1 when no further tab fits at all.
int TabCaptionRoom(const std::vector<int>& widths, int stripWidth);

class CTabCtrlPlus : public QWidget {
  Q_OBJECT
public:
  static constexpr int kStripHeight = 26;

  explicit CTabCtrlPlus(QWidget* parent = nullptr);

  // Adds a page window (hidden until its tab is selected); its index.
  int AddChildWindow(QWidget* page);
  // Adds a tab for page `window`; false when the index is not a page or the
  // strip has no room for it.
  bool AddItem(const QString& text, int window);
  // `text` as a further tab would show it: as it is when it fits, cut
  // with an ellipsis to the room left when not, empty when the strip has
  // no room for another tab.
  QString FitItemText(const QString& text) const;
  void DeleteItem(int item);
  void SetCurSel(int item);
  int GetCurSel() const;
  int GetItemCount() const { return static_cast<int>(items_.size()); }
  QWidget* GetSelectedWindow() const;
  QString ItemText(int item) const;
  QRect ItemRect(int item) const;
  QRect CloseBoxRect(int item) const;

Q_SIGNALS:
  // A click selected another tab or closed one.
  void SelectionChanged();

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  struct Item {
    QString text;
    QWidget* window = nullptr;
    bool hasCloseBox = false;
    bool selected = false;
    bool pressed = false;
    int width = 0;
    int left = 0;
  };
  void Relayout();
  void PlacePages();

  std::vector<QWidget*> windows_;
  std::vector<Item> items_;
  QFont font_;
};

} // namespace qm
