#include "controls/ex_splitter_wnd.h"

#include <QtGui/QPainter>

#include <algorithm>

namespace {

class BarHandle : public QSplitterHandle {
public:
  BarHandle(Qt::Orientation o, QSplitter* parent) : QSplitterHandle(o, parent) {}

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), QColor(203, 212, 219));
  }
};

} // namespace

CExSplitterWnd::CExSplitterWnd(Qt::Orientation orientation, QWidget* parent)
    : QSplitter(orientation, parent) {
  setChildrenCollapsible(false);
  setHandleWidth(4);
  connect(this, &QSplitter::splitterMoved, this, [this] { ClampAfterDrag(); });
}

QSplitterHandle* CExSplitterWnd::createHandle() { return new BarHandle(orientation(), this); }

void CExSplitterWnd::SetRowLimits(int index, int size, int minimum, int maximum) {
  setOrientation(Qt::Vertical);
  SetLimits(index, size, minimum, maximum);
}

void CExSplitterWnd::SetColumnLimits(int index, int size, int minimum, int maximum) {
  setOrientation(Qt::Horizontal);
  SetLimits(index, size, minimum, maximum);
}

void CExSplitterWnd::SetLimits(int index, int size, int minimum, int maximum) {
  m_fixedPane = index;
  m_preferred = size;
  m_minimum = minimum;
  m_maximum = std::max(minimum, maximum);
  for (int i = 0; i < count(); ++i)
    setStretchFactor(i, i == index ? 0 : 1);
  ApplyFixed(size);
}

int CExSplitterWnd::FixedPaneSize() const {
  const QList<int> s = sizes();
  return m_fixedPane >= 0 && m_fixedPane < s.size() ? s[m_fixedPane] : 0;
}

void CExSplitterWnd::ApplyFixed(int size) {
  if (m_fixedPane < 0 || count() != 2) return;
  const int total = (orientation() == Qt::Vertical ? height() : width()) - handleWidth();
  if (total <= 0) return;
  const int fixed = std::clamp(size, 0, total);
  QList<int> s{total - fixed, fixed};
  if (m_fixedPane == 0) s = {fixed, total - fixed};
  setSizes(s);
}

void CExSplitterWnd::resizeEvent(QResizeEvent* event) {
  QSplitter::resizeEvent(event);
  ApplyFixed(m_preferred);
}

void CExSplitterWnd::ClampAfterDrag() {
  if (m_fixedPane < 0) return;
  const int now = FixedPaneSize();
  const int clamped = std::clamp(now, m_minimum, m_maximum);
  m_preferred = clamped;
  if (clamped != now) ApplyFixed(clamped);
}
