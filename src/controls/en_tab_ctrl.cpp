#include "controls/en_tab_ctrl.h"

#include <QtGui/QPaintEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QStyleOptionTab>
#include <QtWidgets/QStylePainter>

#include <algorithm>
#include <atomic>

namespace qm {
namespace {

// Shared by every instance, as the look of one program is.
std::atomic<std::uint32_t> g_tabLook{0};

int Red(std::uint32_t c) { return static_cast<int>(c & 0xFF); }
int Green(std::uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
int Blue(std::uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
std::uint32_t Rgb(int r, int g, int b) {
  return static_cast<std::uint32_t>(r) | static_cast<std::uint32_t>(g) << 8 |
         static_cast<std::uint32_t>(b) << 16;
}

QColor ToColour(std::uint32_t c) { return QColor(Red(c), Green(c), Blue(c)); }
std::uint32_t FromColour(const QColor& c) { return Rgb(c.red(), c.green(), c.blue()); }

// Win32-style rectangles: right and bottom lie just outside.
void FillEdges(QPainter& painter, int left, int top, int right, int bottom, const QColor& colour) {
  if (right > left && bottom > top) painter.fillRect(QRect(left, top, right - left, bottom - top), colour);
}

// A frame of one pixel: top and left in one colour, bottom and right in
// the other.
void Draw3dRect(QPainter& painter, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
  const int left = r.x(), top = r.y(), right = r.x() + r.width(), bottom = r.y() + r.height();
  FillEdges(painter, left, top, right - 1, top + 1, topLeft);
  FillEdges(painter, left, top, left + 1, bottom - 1, topLeft);
  FillEdges(painter, right - 1, top, right, bottom, bottomRight);
  FillEdges(painter, left, bottom - 1, right, bottom, bottomRight);
}

} // namespace

std::uint32_t LighterColour(std::uint32_t colour, double f) {
  if (f < 1.0) f = 1.0;
  auto channel = [f](int value) {
    const int scaled = static_cast<int>(value * f);
    return scaled > 254 ? 255 : scaled;
  };
  return Rgb(channel(Red(colour)), channel(Green(colour)), channel(Blue(colour)));
}

std::uint32_t DarkerColour(std::uint32_t colour, double f) {
  f = std::clamp(f, 0.0, 1.0);
  auto channel = [f](int value) { return static_cast<int>(value * f); };
  return Rgb(channel(Red(colour)), channel(Green(colour)), channel(Blue(colour)));
}

std::uint32_t EnTabFillColour(const TabPalette& p, bool selected) {
  const std::uint32_t back = p.back == kTabSystemColour ? p.buttonFace : p.back;
  const std::uint32_t tinted = (p.look & TabLookColour) != 0 ? back : p.buttonFace;
  if (selected) return (p.look & TabLookSelection) != 0 ? LighterColour(tinted, 1.4) : p.buttonFace;
  if ((p.look & TabLookBackTabs) != 0 || (p.look & TabLookFlat) == 0) return DarkerColour(tinted, 0.9);
  return back;
}

std::uint32_t EnTabTextColour(const TabPalette& p, bool selected) {
  if (selected) return p.windowText;
  if ((p.look & (TabLookColour | TabLookFlat)) != 0 && p.back != kTabSystemColour)
    return DarkerColour(p.back, 0.5);
  return DarkerColour(p.buttonFace, 0.5);
}

std::uint32_t EnTabGradientEnd(const TabPalette& p, bool selected) {
  if (selected) return p.buttonFace;
  const bool tinted = (p.look & TabLookColour) != 0 && p.back != kTabSystemColour;
  return DarkerColour(tinted ? p.back : p.buttonFace, 0.7);
}

std::vector<GradientBand> GradientBands(std::uint32_t top, std::uint32_t bottom, int height) {
  std::vector<GradientBand> bands;
  if (height <= 0) return bands;
  bands.reserve(static_cast<std::size_t>(height + 1) / 2);
  for (int y = 0; y < height; y += 2) {
    // Integer steps, as the channels' differences may be negative.
    auto at = [&](int a, int b) { return a + (b - a) * y / height; };
    bands.push_back(
        {y, Rgb(at(Red(top), Red(bottom)), at(Green(top), Green(bottom)), at(Blue(top), Blue(bottom)))});
  }
  return bands;
}

std::array<QRect, 3> TabBackgroundAreas(const QRect& client, const QRect& tabsUnion) {
  const int h = tabsUnion.height();
  const QRect u = tabsUnion.adjusted(-2, -3, 2, 3);
  const int left = client.x(), top = client.y(), right = client.x() + client.width();
  auto edges = [](int l, int t, int r, int b) { return QRect(l, t, std::max(0, r - l), std::max(0, b - t)); };
  return {edges(left, top, right, u.y() + 3), edges(left, top, 2, top + h + 2),
          edges(left + u.width() - 2, top, right, top + h + 2)};
}

// The strip of tabs: the platform's drawing, or the owner's.
class CBaseTabBar : public QTabBar {
public:
  explicit CBaseTabBar(CBaseTabCtrl& owner) : QTabBar(&owner), owner_(owner) {}

protected:
  void paintEvent(QPaintEvent* event) override {
    if (!owner_.IsOwnerDrawn()) {
      QTabBar::paintEvent(event);
      return;
    }
    QStylePainter painter(this);
    painter.translate(-pos());
    if (owner_.PaintMode() == 2) {
      owner_.PaintTabs(painter);
      return;
    }
    // Owner-drawn faces in the platform's shapes.
    for (int i = 0; i < count(); ++i) {
      QStyleOptionTab option;
      initStyleOption(&option, i);
      option.rect.translate(pos());
      option.text.clear();
      option.icon = QIcon();
      painter.drawControl(QStyle::CE_TabBarTabShape, option);
      owner_.DrawItem({&painter, i, owner_.ItemRect(i), i == currentIndex()});
    }
  }

private:
  CBaseTabCtrl& owner_;
};

CBaseTabCtrl::CBaseTabCtrl(QWidget* parent) : QTabWidget(parent) { setTabBar(new CBaseTabBar(*this)); }

bool CBaseTabCtrl::SetPaintMode(int mode) {
  if (mode < 0 || mode > 2) return false;
  paintMode_ = mode;
  SetOwnerDrawn(mode != 0);
  return true;
}

void CBaseTabCtrl::SetBackColour(std::uint32_t colour) {
  backColour_ = colour;
  update();
  tabBar()->update();
}

void CBaseTabCtrl::SetOwnerDrawn(bool ownerDrawn) {
  ownerDrawn_ = ownerDrawn;
  update();
  tabBar()->update();
}

void CBaseTabCtrl::DrawItem(const TabDrawRecord&) {}
void CBaseTabCtrl::PaintFrame(const TabDrawRecord&) {}
void CBaseTabCtrl::PaintTabEdges(const TabDrawRecord&) {}
std::uint32_t CBaseTabCtrl::TabFillColour(bool) { return ButtonFace(); }
std::uint32_t CBaseTabCtrl::TabTextColour(bool) { return WindowText(); }

std::uint32_t CBaseTabCtrl::ButtonFace() const { return FromColour(palette().color(QPalette::Button)); }
std::uint32_t CBaseTabCtrl::WindowText() const { return FromColour(palette().color(QPalette::WindowText)); }

QRect CBaseTabCtrl::ItemRect(int i) const {
  const QRect r = tabBar()->tabRect(i);
  return r.isValid() ? r.translated(tabBar()->pos()) : QRect();
}

QRect CBaseTabCtrl::DisplayArea() const {
  QStyleOptionTabWidgetFrame option;
  initStyleOption(&option);
  return style()->subElementRect(QStyle::SE_TabWidgetTabPane, &option, this);
}

void CBaseTabCtrl::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  QRect tabs;
  for (int i = 0; i < count(); ++i)
    tabs = tabs.united(ItemRect(i));
  const QColor back = ToColour(backColour_ == kTabSystemColour ? ButtonFace() : backColour_);
  for (const QRect& area : TabBackgroundAreas(rect(), tabs))
    painter.fillRect(area, back);
  if (paintMode_ != 2) {
    painter.end();
    QTabWidget::paintEvent(event);
    return;
  }
  PaintFrame({&painter, -1, DisplayArea().adjusted(0, -2, 0, 0), false});
}

void CBaseTabCtrl::PaintTabs(QPainter& painter) {
  const int selected = currentIndex();
  // The others from the last to the first, then the selected one over them.
  for (int i = count() - 1; i >= 0; --i) {
    if (i == selected) continue;
    const TabDrawRecord record{&painter, i, ItemRect(i).adjusted(0, 0, 0, -2), false};
    DrawItem(record);
    PaintTabEdges(record);
  }
  if (selected >= 0) {
    const TabDrawRecord record{&painter, selected, ItemRect(selected).adjusted(0, -2, 0, 2), true};
    DrawItem(record);
    PaintTabEdges(record);
  }
}

CEnTabCtrl::CEnTabCtrl(QWidget* parent) : CBaseTabCtrl(parent) {
  if (TabLook() != 0) SetOwnerDrawn(true);
}

void CEnTabCtrl::SetTabLook(bool enable, std::uint32_t flags) { g_tabLook = enable ? flags : 0; }

std::uint32_t CEnTabCtrl::TabLook() { return g_tabLook; }

TabPalette CEnTabCtrl::Palette() const { return {TabLook(), BackColour(), ButtonFace(), WindowText()}; }

std::uint32_t CEnTabCtrl::TabFillColour(bool selected) { return EnTabFillColour(Palette(), selected); }

std::uint32_t CEnTabCtrl::TabTextColour(bool selected) { return EnTabTextColour(Palette(), selected); }

void CEnTabCtrl::PaintFrame(const TabDrawRecord& record) {
  const std::uint32_t c = TabFillColour(false);
  Draw3dRect(*record.painter, record.rect, ToColour(LighterColour(c, 1.5)), ToColour(DarkerColour(c, 0.75)));
}

void CEnTabCtrl::DrawItem(const TabDrawRecord& record) {
  if (record.painter == nullptr || record.item < 0 || record.item >= count()) return;
  QPainter& painter = *record.painter;
  const bool selected = currentIndex() == record.item;
  const int left = record.rect.x(), top = record.rect.y(), right = left + record.rect.width();
  const int bottom = top + record.rect.height() + (selected ? -1 : 2);
  const int height = bottom - top;
  if (height <= 0 || right <= left) return;

  const std::uint32_t fill = TabFillColour(selected);
  if ((TabLook() & TabLookGradient) != 0 && painter.device()->depth() > 15) {
    for (const GradientBand& band : GradientBands(fill, EnTabGradientEnd(Palette(), selected), height))
      painter.fillRect(QRect(left, top + band.y, right - left, std::min(2, height - band.y)),
                       ToColour(band.colour));
  } else {
    painter.fillRect(QRect(left, top, right - left, height), ToColour(fill));
  }

  QRect text(QPoint(left + 3, top + (selected ? 4 : 3)), QPoint(right - 1, bottom - 1));
  const QIcon icon = tabIcon(record.item);
  if (!icon.isNull()) {
    painter.drawPixmap(text.topLeft(), icon.pixmap(16, 16));
    text.setLeft(text.left() + 19);
  }
  text.setRight(text.right() - 3);
  const QString caption = tabText(record.item).left(99);
  const QString shown = painter.fontMetrics().elidedText(caption, Qt::ElideRight, std::max(0, text.width()));
  painter.setPen(ToColour(TabTextColour(selected)));
  painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
}

void CEnTabCtrl::PaintTabEdges(const TabDrawRecord& record) {
  if (record.painter == nullptr) return;
  QPainter& painter = *record.painter;
  const std::uint32_t c = TabFillColour(record.selected);
  const QColor light = ToColour(LighterColour(c, 1.5));
  const QColor dark = ToColour(DarkerColour(c, 0.75));
  const int left = record.rect.x(), top = record.rect.y(), right = left + record.rect.width();
  int bottom = top + record.rect.height();
  if (record.selected || (TabLook() & TabLookBackTabs) != 0) {
    bottom += record.selected ? -1 : 1;
    FillEdges(painter, left, top, left + 1, bottom, light);
    FillEdges(painter, left, top, right, top + 1, light);
    FillEdges(painter, right - 1, top, right, bottom, dark);
  } else {
    FillEdges(painter, left - 1, top, left, bottom, dark);
    FillEdges(painter, right - 1, top, right, bottom, dark);
  }
}

} // namespace qm
