// The coloured tab control: its colour rules over the look flags, the
// gradient's bands, the background areas around the tabs, the paint modes
// and the shared look, and what it draws in each mode.
#include <QtGui/QImage>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <gtest/gtest.h>

#include "controls/en_tab_ctrl.h"
#include "support_ui/gallery.h"

namespace qm {
namespace {

// Restores the process-wide look after a test changed it.
struct LookGuard {
  std::uint32_t saved = CEnTabCtrl::TabLook();
  ~LookGuard() { CEnTabCtrl::SetTabLook(true, saved); }
};

TEST(TabColours, LighterAndDarkerPerChannel) {
  struct Case {
    std::uint32_t colour;
    double f;
    std::uint32_t lighter, darker;
  };
  const Case cases[] = {
      {0x808080, 1.4, 0xB3B3B3, 0x808080}, // darker limits f to 1
      {0x808080, 0.5, 0x808080, 0x404040}, // lighter counts f below 1 as 1
      {0x0000C8, 1.5, 0x0000FF, 0x0000C8}, // 300 becomes 255
      {0xFEFEFE, 1.0, 0xFEFEFE, 0xFEFEFE}, // 254 is not above 254
      {0x010203, 0.0, 0x010203, 0x000000},  {0x112233, -2.0, 0x112233, 0x000000},
      {0xC8C8C8, 0.75, 0xC8C8C8, 0x969696},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LighterColour(c.colour, c.f), c.lighter) << std::hex << c.colour << " " << c.f;
    EXPECT_EQ(DarkerColour(c.colour, c.f), c.darker) << std::hex << c.colour << " " << c.f;
  }
  EXPECT_EQ(LighterColour(0x646464, 3.0), 0xFFFFFFu);
}

TEST(TabColours, FillAndTextFollowTheLookFlags) {
  constexpr std::uint32_t face = 0xC8C8C8, back = 0x37FCF6, text = 0x101010;
  struct Case {
    std::uint32_t look, back;
    bool selected;
    std::uint32_t fill, textColour;
  };
  const Case cases[] = {
      // No look: selected tabs in the button face, the others a shade darker.
      {0, kTabSystemColour, true, face, text},
      {0, kTabSystemColour, false, DarkerColour(face, 0.9), DarkerColour(face, 0.5)},
      // A background colour without TabLookColour tints nothing.
      {0, back, false, DarkerColour(face, 0.9), DarkerColour(face, 0.5)},
      {TabLookSelection, back, true, LighterColour(face, 1.4), text},
      {TabLookSelection | TabLookColour, back, true, LighterColour(back, 1.4), text},
      {TabLookColour, back, false, DarkerColour(back, 0.9), DarkerColour(back, 0.5)},
      // Flat tabs take the background as it is, unless back tabs are asked for.
      {TabLookFlat, back, false, back, DarkerColour(back, 0.5)},
      {TabLookFlat, kTabSystemColour, false, face, DarkerColour(face, 0.5)},
      {TabLookFlat | TabLookBackTabs, back, false, DarkerColour(face, 0.9), DarkerColour(back, 0.5)},
      {kTabLookAll, back, false, DarkerColour(back, 0.9), DarkerColour(back, 0.5)},
      {kTabLookAll, back, true, LighterColour(back, 1.4), text},
      {kTabLookAll, kTabSystemColour, false, DarkerColour(face, 0.9), DarkerColour(face, 0.5)},
  };
  for (const Case& c : cases) {
    const TabPalette palette{c.look, c.back, face, text};
    EXPECT_EQ(EnTabFillColour(palette, c.selected), c.fill)
        << c.look << " " << std::hex << c.back << " " << c.selected;
    EXPECT_EQ(EnTabTextColour(palette, c.selected), c.textColour)
        << c.look << " " << std::hex << c.back << " " << c.selected;
  }
  EXPECT_EQ(EnTabGradientEnd({kTabLookAll, back, face, text}, true), face);
  EXPECT_EQ(EnTabGradientEnd({kTabLookAll, back, face, text}, false), DarkerColour(back, 0.7));
  EXPECT_EQ(EnTabGradientEnd({TabLookGradient, back, face, text}, false), DarkerColour(face, 0.7));
  EXPECT_EQ(EnTabGradientEnd({kTabLookAll, kTabSystemColour, face, text}, false), DarkerColour(face, 0.7));
}

TEST(TabColours, GradientBandsTwoPixelsHighInIntegerSteps) {
  auto colours = [](const std::vector<GradientBand>& bands) {
    std::vector<std::pair<int, std::uint32_t>> out;
    for (const GradientBand& band : bands)
      out.emplace_back(band.y, band.colour);
    return out;
  };
  using V = std::vector<std::pair<int, std::uint32_t>>;
  EXPECT_EQ(colours(GradientBands(0x000000, 0x0000FF, 10)),
            (V{{0, 0}, {2, 51}, {4, 102}, {6, 153}, {8, 204}}));
  // Falling channels round towards the top colour.
  EXPECT_EQ(colours(GradientBands(0xFF0000, 0x000000, 10)),
            (V{{0, 0xFF0000}, {2, 0xCC0000}, {4, 0x990000}, {6, 0x660000}, {8, 0x330000}}));
  EXPECT_EQ(colours(GradientBands(0x00FF00, 0x000000, 3)), (V{{0, 0x00FF00}, {2, 0x005500}}));
  EXPECT_EQ(colours(GradientBands(0x123456, 0x123456, 1)), (V{{0, 0x123456}}));
  EXPECT_TRUE(GradientBands(0, 0xFFFFFF, 0).empty());
  EXPECT_TRUE(GradientBands(0, 0xFFFFFF, -4).empty());
}

TEST(TabBackground, AboveLeftOfAndRightOfTheTabs) {
  const auto areas = TabBackgroundAreas(QRect(0, 0, 300, 200), QRect(2, 2, 100, 20));
  EXPECT_EQ(areas[0], QRect(0, 0, 300, 2));
  EXPECT_EQ(areas[1], QRect(0, 0, 2, 22));
  EXPECT_EQ(areas[2], QRect(102, 0, 198, 22));
  // No tabs: only the strips at the top left remain, nothing negative.
  const auto none = TabBackgroundAreas(QRect(0, 0, 50, 40), QRect());
  for (const QRect& area : none) {
    EXPECT_GE(area.width(), 0);
    EXPECT_GE(area.height(), 0);
  }
}

TEST(EnTabCtrl, PaintModesAndTheSharedLook) {
  LookGuard guard;
  CEnTabCtrl::SetTabLook(false, kTabLookAll);
  EXPECT_EQ(CEnTabCtrl::TabLook(), 0u);
  CEnTabCtrl plain;
  EXPECT_FALSE(plain.IsOwnerDrawn()) << "no look: the platform draws";
  EXPECT_FALSE(plain.SetPaintMode(3));
  EXPECT_FALSE(plain.SetPaintMode(-1));
  EXPECT_EQ(plain.PaintMode(), 0);
  EXPECT_FALSE(plain.IsOwnerDrawn());
  EXPECT_TRUE(plain.SetPaintMode(1));
  EXPECT_TRUE(plain.IsOwnerDrawn());
  EXPECT_TRUE(plain.SetPaintMode(0));
  EXPECT_FALSE(plain.IsOwnerDrawn());

  CEnTabCtrl::SetTabLook(true, TabLookFlat | TabLookColour);
  CEnTabCtrl other;
  EXPECT_TRUE(other.IsOwnerDrawn());
  EXPECT_EQ(other.TabFillColour(false), other.ButtonFace()) << "flat, no background: the button face";
  other.SetBackColour(0x37FCF6);
  EXPECT_EQ(other.TabFillColour(false), 0x37FCF6u);
  // Both instances read the one look.
  EXPECT_EQ(plain.TabTextColour(false), DarkerColour(plain.ButtonFace(), 0.5));
}

// A control of four tabs in the look the settings' property sheet uses.
std::unique_ptr<CEnTabCtrl> MakeTabs(int mode) {
  auto tabs = std::make_unique<CEnTabCtrl>();
  tabs->SetBackColour(0x37FCF6);
  EXPECT_TRUE(tabs->SetPaintMode(mode));
  for (const char* name : {"FAT", "NTFS", "Common", "RAW file types"})
    tabs->addTab(new QLabel(QStringLiteral("Options of %1").arg(QLatin1String(name))), QLatin1String(name));
  tabs->setCurrentIndex(1);
  tabs->resize(420, 160);
  return tabs;
}

TEST(EnTabCtrl, OwnerDrawnTabsShowTheirColours) {
  LookGuard guard;
  CEnTabCtrl::SetTabLook(true, TabLookFlat | TabLookColour);
  auto tabs = MakeTabs(2);
  tabs->show();
  QApplication::processEvents();
  const QImage picture = tabs->grab().toImage();
  // An unselected flat tab is filled with the background colour; the area
  // right of the tabs too.
  const QRect first = tabs->ItemRect(0);
  ASSERT_TRUE(first.isValid());
  EXPECT_EQ(picture.pixelColor(first.right() - 2, first.center().y()), QColor(246, 252, 55));
  const QRect last = tabs->ItemRect(3);
  EXPECT_EQ(picture.pixelColor(std::min(last.right() + 20, picture.width() - 1), last.top() + 2),
            QColor(246, 252, 55));
  // The selected tab is in the button face.
  const QRect selected = tabs->ItemRect(1);
  EXPECT_EQ(picture.pixelColor(selected.right() - 3, selected.center().y()),
            tabs->palette().color(QPalette::Button));
  tabs->hide();
}

TEST(EnTabCtrl, Pictures) {
  LookGuard guard;
  CEnTabCtrl::SetTabLook(false, 0);
  EXPECT_FALSE(test::SaveToGallery(*MakeTabs(0), QStringLiteral("en_tab_ctrl_platform")).isEmpty());
  CEnTabCtrl::SetTabLook(true, kTabLookAll);
  for (int mode : {0, 2}) {
    auto tabs = MakeTabs(mode);
    EXPECT_FALSE(
        test::SaveToGallery(*tabs, QStringLiteral("en_tab_ctrl_all_looks_mode%1").arg(mode)).isEmpty());
  }
  CEnTabCtrl::SetTabLook(true, TabLookFlat | TabLookColour | TabLookSelection);
  EXPECT_FALSE(test::SaveToGallery(*MakeTabs(2), QStringLiteral("en_tab_ctrl_flat_mode2")).isEmpty());
}

} // namespace
} // namespace qm
