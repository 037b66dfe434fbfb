// The property sheet the advanced settings keep beside their own page
// buttons: a tab control in the coloured tab look over a light-blue
// client area. The settings dialog owns one for its whole life and never
// shows it; it takes its window, tabs and look only when initialised.
#pragma once

#include <QtGui/QFont>
#include <QtWidgets/QWidget>

#include <cstdint>

namespace qm {

class CEnTabCtrl;

class CAdvanceSettingPropSheet : public QWidget {
  Q_OBJECT

public:
  static constexpr std::uint32_t kTabBackColour = 0x37FCF6; // RGB(246, 252, 55)
  static constexpr std::uint32_t kClientColour = 0xFFE6D6;  // RGB(214, 230, 255)

  explicit CAdvanceSettingPropSheet(QWidget* parent = nullptr);
  ~CAdvanceSettingPropSheet() override;

  // Makes the tab control: every look flag, the owner-drawn style and the
  // yellow tab background.
  void OnInitDialog();
  // Null until OnInitDialog.
  CEnTabCtrl* TabControl() const { return tabs_; }
  const QFont& BoldFont() const { return boldFont_; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  QFont boldFont_;
  CEnTabCtrl* tabs_ = nullptr;
};

} // namespace qm
