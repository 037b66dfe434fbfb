#include "dialogs/about_dlg.h"

#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "app/language.h"
#include "app/log_report.h"
#include "app/string_table.h"
#include "controls/hyper_link.h"

namespace qm {

CAboutFreeDlg::CAboutFreeDlg(QWidget* parent, std::function<bool(const QString&)> opener)
    : CSearchSuperDlg(parent) {
  setWindowTitle(LoadAppString(346));

  auto* picture = new QLabel(this);
  picture->setPixmap(ProductPicture(72));
  picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  title_ = new QLabel(NameAndVersion(), this);
  QFont bold = font();
  bold.setFamilies({QString::fromLatin1(GetUIFontName()), bold.family()});
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.25);
  title_->setFont(bold);

  auto* visit = new QLabel(tr("For the latest product information, please visit:"), this);
  link_ = new CHyperLink(false, this);
  link_->setText(QString::fromLatin1(kProductUrl));
  link_->SetURL(QString::fromLatin1(kProductUrl));
  link_->SetUnderline(1);
  if (opener) {
    link_->SetOpener(std::move(opener));
  }
  auto* words = new QLabel(tr("Recovers deleted, formatted and lost files and partitions, "
                              "reading your disks without ever writing to them."),
                           this);
  words->setWordWrap(true);
  words->setStyleSheet(QStringLiteral("color: #555B66;"));

  auto* ok = new QPushButton(tr("OK"), this);
  ok->setDefault(true);
  ok->setMinimumWidth(96);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* text = new QVBoxLayout;
  text->setSpacing(8);
  text->addWidget(title_);
  text->addSpacing(6);
  text->addWidget(visit);
  text->addWidget(link_, 0, Qt::AlignLeft);
  text->addSpacing(4);
  text->addWidget(words);
  text->addStretch(1);

  auto* top = new QHBoxLayout;
  top->setSpacing(18);
  top->addWidget(picture, 0, Qt::AlignTop);
  top->addLayout(text, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 18, 20, 14);
  layout->addLayout(top, 1);
  layout->addLayout(buttons);
  setFixedSize(480, 210);
}

QString CAboutFreeDlg::NameAndVersion() const {
  return LoadAppString(346) + QLatin1Char(' ') + QString::fromLatin1(GetVersionText());
}

QPixmap CAboutFreeDlg::ProductPicture(int size) {
  const qreal ratio = 2.0;
  QPixmap pixmap(QSize(size, size) * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  // The disk: a rounded box with its platter.
  QLinearGradient body(0, 0, 0, s);
  body.setColorAt(0, QColor(0x3A, 0x6E, 0xA5));
  body.setColorAt(1, QColor(0x1D, 0x3B, 0x5C));
  painter.setPen(Qt::NoPen);
  painter.setBrush(body);
  painter.drawRoundedRect(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84), s * 0.12, s * 0.12);
  painter.setBrush(QColor(0xE8, 0xEE, 0xF5));
  painter.drawEllipse(QPointF(s * 0.5, s * 0.46), s * 0.28, s * 0.28);
  painter.setBrush(QColor(0x1D, 0x3B, 0x5C));
  painter.drawEllipse(QPointF(s * 0.5, s * 0.46), s * 0.05, s * 0.05);
  // The returning arrow round the platter.
  QPen arrow(QColor(0xF2, 0x9B, 0x1D), s * 0.07, Qt::SolidLine, Qt::RoundCap);
  painter.setPen(arrow);
  painter.setBrush(Qt::NoBrush);
  const QRectF ring(s * 0.5 - s * 0.19, s * 0.46 - s * 0.19, s * 0.38, s * 0.38);
  painter.drawArc(ring, 100 * 16, 260 * 16);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0xF2, 0x9B, 0x1D));
  QPainterPath head;
  const QPointF tip(s * 0.47, s * 0.27);
  head.moveTo(tip + QPointF(s * 0.10, 0));
  head.lineTo(tip + QPointF(-s * 0.03, -s * 0.08));
  head.lineTo(tip + QPointF(-s * 0.03, s * 0.08));
  head.closeSubpath();
  painter.drawPath(head);
  // The drive's light.
  painter.setBrush(QColor(0x7C, 0xD9, 0x6B));
  painter.drawEllipse(QPointF(s * 0.78, s * 0.82), s * 0.035, s * 0.035);
  return pixmap;
}

} // namespace qm
