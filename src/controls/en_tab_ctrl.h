// A tab control that paints its tabs itself: flat, coloured or gradient
// tabs on a background of its own colour. CBaseTabCtrl holds the colour and
// the paint mode and calls the drawing operations; CEnTabCtrl draws with
// the look flags that every instance shares. The colour rules are plain
// functions over 0x00BBGGRR values, so they are tested without a window.
#pragma once

#include <QtCore/QRect>
#include <QtWidgets/QTabBar>
#include <QtWidgets/QTabWidget>

#include <array>
#include <cstdint>
#include <vector>

class QPainter;

namespace qm {

enum TabLook : std::uint32_t {
  TabLookFlat = 1,
  TabLookColour = 2,
  TabLookSelection = 4,
  TabLookGradient = 8,
  TabLookBackTabs = 16,
};
inline constexpr std::uint32_t kTabLookAll =
    TabLookFlat | TabLookColour | TabLookSelection | TabLookGradient | TabLookBackTabs;

// A background colour of -1: the system's button face.
inline constexpr std::uint32_t kTabSystemColour = 0xFFFFFFFFu;

// Every channel times f (below 1 counts as 1), 255 when above 254.
std::uint32_t LighterColour(std::uint32_t colour, double f);
// Every channel times f (limited to 0 .. 1).
std::uint32_t DarkerColour(std::uint32_t colour, double f);

// What the colour rules read: the look flags, the control's background
// (kTabSystemColour when none is set) and the system's colours.
struct TabPalette {
  std::uint32_t look = 0;
  std::uint32_t back = kTabSystemColour;
  std::uint32_t buttonFace = 0xF0F0F0;
  std::uint32_t windowText = 0x000000;
};
std::uint32_t EnTabFillColour(const TabPalette& palette, bool selected);
std::uint32_t EnTabTextColour(const TabPalette& palette, bool selected);
// The colour a gradient tab fades to at its bottom.
std::uint32_t EnTabGradientEnd(const TabPalette& palette, bool selected);

// One band of a gradient fill: its offset from the top (bands are 2 pixels
// high) and its colour.
struct GradientBand {
  int y = 0;
  std::uint32_t colour = 0;
};
std::vector<GradientBand> GradientBands(std::uint32_t top, std::uint32_t bottom, int height);

// The parts of the client area the background colour fills before the
// tabs are drawn: above the tabs, left of them and right of them.
std::array<QRect, 3> TabBackgroundAreas(const QRect& client, const QRect& tabsUnion);

// What one drawing call gets: the painter, the tab, its rectangle (in the
// control's coordinates) and whether it is drawn as the selected tab.
struct TabDrawRecord {
  QPainter* painter = nullptr;
  int item = -1;
  QRect rect;
  bool selected = false;
};

class CBaseTabCtrl : public QTabWidget {
  Q_OBJECT

public:
  explicit CBaseTabCtrl(QWidget* parent = nullptr);

  // 0: the platform paints; 1: the platform paints the frame and the tab
  // shapes, DrawItem each tab's face; 2: everything is drawn here. Other
  // values are refused (false).
  bool SetPaintMode(int mode);
  int PaintMode() const { return paintMode_; }
  void SetBackColour(std::uint32_t colour);
  std::uint32_t BackColour() const { return backColour_; }
  // Whether each tab's face is drawn by DrawItem.
  bool IsOwnerDrawn() const { return ownerDrawn_; }

  virtual void DrawItem(const TabDrawRecord& record);
  virtual void PaintFrame(const TabDrawRecord& record);
  virtual void PaintTabEdges(const TabDrawRecord& record);
  virtual std::uint32_t TabFillColour(bool selected);
  virtual std::uint32_t TabTextColour(bool selected);

  // The system colours as 0x00BBGGRR.
  std::uint32_t ButtonFace() const;
  std::uint32_t WindowText() const;
  // The rectangle of tab i in this control's coordinates.
  QRect ItemRect(int i) const;
  // The pages' area.
  QRect DisplayArea() const;

protected:
  void paintEvent(QPaintEvent* event) override;
  void SetOwnerDrawn(bool ownerDrawn);

private:
  friend class CBaseTabBar;
  void PaintTabs(QPainter& painter);

  std::uint32_t backColour_ = kTabSystemColour;
  int paintMode_ = 0;
  bool ownerDrawn_ = false;
};

class CEnTabCtrl : public CBaseTabCtrl {
  Q_OBJECT

public:
  // Takes the owner-drawn style when the shared look flags are not 0.
  explicit CEnTabCtrl(QWidget* parent = nullptr);

  // The look of every instance: flags when enable, else 0.
  static void SetTabLook(bool enable, std::uint32_t flags);
  static std::uint32_t TabLook();

  void DrawItem(const TabDrawRecord& record) override;
  void PaintFrame(const TabDrawRecord& record) override;
  void PaintTabEdges(const TabDrawRecord& record) override;
  std::uint32_t TabFillColour(bool selected) override;
  std::uint32_t TabTextColour(bool selected) override;

private:
  TabPalette Palette() const;
};

} // namespace qm
