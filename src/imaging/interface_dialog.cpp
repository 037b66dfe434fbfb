#include "imaging/interface_dialog.h"

#include <QtGui/QPainter>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QStyle>

#include "controls/sector_select_ctrl.h"

namespace qm {

CInterfaceDialog::CInterfaceDialog(QWidget* parent, bool asPage) : CSearchSuperDlg(parent) {
  if (asPage) {
    setWindowFlags(Qt::Widget);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
  }
}

CDIskImagePublicDlg::CDIskImagePublicDlg(QWidget* parent) : QWidget(parent) {
  setFixedHeight(64);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(16, 8, 16, 8);
  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("bannerPicture"));
  picture->setPixmap(
      QIcon::fromTheme(QStringLiteral("media-optical"), style()->standardIcon(QStyle::SP_DriveHDIcon))
          .pixmap(40, 40));
  layout->addWidget(picture);
  title_ = BoldLabel(QString(), this);
  QFont font = title_->font();
  font.setPointSizeF(font.pointSizeF() * 1.3);
  title_->setFont(font);
  layout->addWidget(title_, 1);
}

void CDIskImagePublicDlg::SetTitle(const QString& title) { title_->setText(title); }

void CDIskImagePublicDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), ColorRef(0xF4DAB1));
  painter.setPen(ColorRef(0xC8A878));
  painter.drawLine(0, height() - 1, width(), height() - 1);
}

QLabel* BoldLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

} // namespace qm
