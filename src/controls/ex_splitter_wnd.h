// A splitter whose bars are painted in one colour and which keeps one pane
// at a preferred size while the window is resized, and within limits when
// the bar is dragged.
#pragma once

#include <QtWidgets/QSplitter>

class CExSplitterWnd : public QSplitter {
  Q_OBJECT
public:
  explicit CExSplitterWnd(Qt::Orientation orientation, QWidget* parent = nullptr);

  // Keeps pane `index` at `size` pixels, within [minimum, maximum] after a
  // drag. Rows for a vertical splitter, columns for a horizontal one.
  void SetRowLimits(int index, int size, int minimum, int maximum);
  void SetColumnLimits(int index, int size, int minimum, int maximum);

  int FixedPaneSize() const;

protected:
  void resizeEvent(QResizeEvent* event) override;
  QSplitterHandle* createHandle() override;

private:
  void SetLimits(int index, int size, int minimum, int maximum);
  void ApplyFixed(int size);
  void ClampAfterDrag();

  int m_fixedPane = -1;
  int m_preferred = 0;
  int m_minimum = 0;
  int m_maximum = 0;
};
