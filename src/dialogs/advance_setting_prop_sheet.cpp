#include "dialogs/advance_setting_prop_sheet.h"

#include <QtGui/QPainter>

#include "controls/en_tab_ctrl.h"

namespace qm {

CAdvanceSettingPropSheet::CAdvanceSettingPropSheet(QWidget* parent) : QWidget(parent) {}

CAdvanceSettingPropSheet::~CAdvanceSettingPropSheet() = default;

void CAdvanceSettingPropSheet::OnInitDialog() {
  if (tabs_ != nullptr) return;
  boldFont_ = font();
  boldFont_.setWeight(QFont::Bold);
  CEnTabCtrl::SetTabLook(true, kTabLookAll);
  tabs_ = new CEnTabCtrl(this);
  tabs_->SetBackColour(kTabBackColour);
  tabs_->setGeometry(rect().adjusted(7, 7, -7, -7));
  tabs_->show();
}

void CAdvanceSettingPropSheet::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(),
                   QColor(kClientColour & 0xFF, (kClientColour >> 8) & 0xFF, (kClientColour >> 16) & 0xFF));
}

void CAdvanceSettingPropSheet::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (tabs_ != nullptr) tabs_->setGeometry(rect().adjusted(7, 7, -7, -7));
}

} // namespace qm
