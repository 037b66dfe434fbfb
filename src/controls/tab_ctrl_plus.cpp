#include "controls/tab_ctrl_plus.h"

#include <QtGui/QFontMetrics>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>

#include "app/language.h"

namespace qm {
namespace {

// Colours are stored blue-green-red.
QColor FromColorRef(unsigned value) {
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

} // namespace

int TabItemWidth(int textWidth, bool hasCloseBox) { return textWidth + 40 + (hasCloseBox ? 10 : 0); }

std::vector<int> LayoutTabs(const std::vector<int>& widths) {
  std::vector<int> lefts;
  int sum = 0;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    lefts.push_back(i == 0 ? 0 : sum + 5 * static_cast<int>(i) - 1);
    sum += widths[i];
  }
  return lefts;
}

int TabCaptionRoom(const std::vector<int>& widths, int stripWidth) {
  int total = 0;
  for (int width : widths)
    total += width;
  // The same two refusals as adding a tab: a full strip, then a caption
  // wider than what is left.
  if (!widths.empty() && total - 1 >= stripWidth) return -1;
  const int room = stripWidth - total - TabItemWidth(0, !widths.empty());
  return room < 0 ? -1 : room;
}

QRect TabCloseBox(const QRect& item) {
  QRect box(QPoint(item.right() + 1 - 20, item.top()), QPoint(item.right(), item.bottom()));
  box.adjust(6, 8, -6, -8);
  box.translate(-6, 0);
  return box;
}

CTabCtrlPlus::CTabCtrlPlus(QWidget* parent) : QWidget(parent) {
  font_ = font();
  font_.setFamilies({QString::fromLatin1(GetUIFontName()), font_.family()});
  font_.setPixelSize(14);
  font_.setWeight(QFont::Normal);
}

int CTabCtrlPlus::AddChildWindow(QWidget* page) {
  page->setParent(this);
  page->hide();
  windows_.push_back(page);
  return static_cast<int>(windows_.size()) - 1;
}

bool CTabCtrlPlus::AddItem(const QString& text, int window) {
  if (window < 0 || window >= static_cast<int>(windows_.size())) return false;
  const int textWidth = QFontMetrics(font_).horizontalAdvance(text);
  int total = 0;
  for (const Item& item : items_)
    total += item.width;
  // A strip that has no room left takes no more tabs (the first always fits).
  if (!items_.empty() && total - 1 >= width()) return false;
  Item item;
  item.text = text;
  item.window = windows_[static_cast<std::size_t>(window)];
  item.hasCloseBox = !items_.empty();
  item.width = TabItemWidth(textWidth, item.hasCloseBox);
  if (!items_.empty() && width() < total + item.width) return false;
  items_.push_back(item);
  Relayout();
  update();
  return true;
}

QString CTabCtrlPlus::FitItemText(const QString& text) const {
  std::vector<int> widths;
  for (const Item& item : items_)
    widths.push_back(item.width);
  const int room = TabCaptionRoom(widths, width());
  if (room < 0) return {};
  const QFontMetrics metrics(font_);
  if (metrics.horizontalAdvance(text) <= room) return text;
  const QString cut = metrics.elidedText(text, Qt::ElideRight, room);
  // An ellipsis alone says nothing about the tab.
  return cut.size() <= 1 ? QString() : cut;
}

void CTabCtrlPlus::DeleteItem(int item) {
  if (item < 0 || item >= GetItemCount()) return;
  SetCurSel(0);
  if (item == 0 && items_.size() == 1) {
    items_.front().window->hide();
  }
  items_.erase(items_.begin() + item);
  if (!items_.empty() && GetCurSel() < 0) SetCurSel(0);
  Relayout();
  update();
}

void CTabCtrlPlus::SetCurSel(int item) {
  for (Item& each : items_) {
    each.selected = false;
    each.window->hide();
  }
  if (item >= 0 && item < GetItemCount()) {
    Item& chosen = items_[static_cast<std::size_t>(item)];
    chosen.selected = true;
    chosen.window->show();
  }
  PlacePages();
  update();
}

int CTabCtrlPlus::GetCurSel() const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i].selected) return static_cast<int>(i);
  return -1;
}

QWidget* CTabCtrlPlus::GetSelectedWindow() const {
  const int at = GetCurSel();
  return at < 0 ? nullptr : items_[static_cast<std::size_t>(at)].window;
}

QString CTabCtrlPlus::ItemText(int item) const {
  return item >= 0 && item < GetItemCount() ? items_[static_cast<std::size_t>(item)].text : QString();
}

QRect CTabCtrlPlus::ItemRect(int item) const {
  if (item < 0 || item >= GetItemCount()) return {};
  const Item& at = items_[static_cast<std::size_t>(item)];
  return QRect(at.left, 0, at.width, kStripHeight);
}

QRect CTabCtrlPlus::CloseBoxRect(int item) const {
  if (item < 0 || item >= GetItemCount() || !items_[static_cast<std::size_t>(item)].hasCloseBox) return {};
  return TabCloseBox(ItemRect(item));
}

void CTabCtrlPlus::Relayout() {
  std::vector<int> widths;
  for (const Item& item : items_)
    widths.push_back(item.width);
  const std::vector<int> lefts = LayoutTabs(widths);
  for (std::size_t i = 0; i < items_.size(); ++i)
    items_[i].left = lefts[i];
}

void CTabCtrlPlus::PlacePages() {
  const QRect area(1, kStripHeight + 1, std::max(0, width() - 2), std::max(0, height() - kStripHeight - 2));
  for (QWidget* window : windows_)
    window->setGeometry(window == GetSelectedWindow() ? area : QRect());
}

void CTabCtrlPlus::resizeEvent(QResizeEvent*) { PlacePages(); }

void CTabCtrlPlus::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.setPen(FromColorRef(0xD9D2C9));
  painter.drawRect(QRect(0, kStripHeight, width() - 1, height() - kStripHeight - 1));
  painter.setFont(font_);
  for (int i = 0; i < GetItemCount(); ++i) {
    const Item& item = items_[static_cast<std::size_t>(i)];
    const QRect r = ItemRect(i);
    painter.setPen(FromColorRef(0xBDAA9C));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r.adjusted(0, 0, -1, 0));
    if (item.selected) {
      painter.fillRect(QRect(QPoint(r.left() + 1, r.top() + 1), QPoint(r.right() - 1, r.top() + 3)),
                       FromColorRef(0xEFCEA1));
      painter.fillRect(QRect(QPoint(r.left() + 1, r.top() + 4), QPoint(r.right() - 1, r.bottom())),
                       Qt::white);
    }
    int textRight = r.right();
    if (item.hasCloseBox) {
      const QRect box = TabCloseBox(r);
      painter.setPen(QPen(FromColorRef(item.pressed ? 0x404040 : 0xBDAA9C), 2));
      painter.drawLine(box.topLeft(), box.bottomRight());
      painter.drawLine(box.topRight(), box.bottomLeft());
      textRight = box.left();
    }
    const QRect textRect(QPoint(r.left() + 18, r.top()), QPoint(textRight, r.bottom()));
    painter.setPen(Qt::black);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QFontMetrics(font_).elidedText(item.text, Qt::ElideRight, textRect.width()));
  }
}

void CTabCtrlPlus::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  for (int i = 0; i < GetItemCount(); ++i) {
    Item& item = items_[static_cast<std::size_t>(i)];
    if (item.hasCloseBox && CloseBoxRect(i).adjusted(-3, -3, 3, 3).contains(at)) {
      item.pressed = true;
      update();
      return;
    }
    if (ItemRect(i).contains(at)) {
      if (!item.selected) {
        SetCurSel(i);
        Q_EMIT SelectionChanged();
      }
      return;
    }
  }
}

void CTabCtrlPlus::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  for (int i = 0; i < GetItemCount(); ++i) {
    Item& item = items_[static_cast<std::size_t>(i)];
    if (!item.pressed) continue;
    item.pressed = false;
    if (CloseBoxRect(i).adjusted(-3, -3, 3, 3).contains(at)) {
      DeleteItem(i);
      Q_EMIT SelectionChanged();
    }
    update();
    return;
  }
}

} // namespace qm
