#include "dialogs/small_dialogs.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStyle>
#include <QtWidgets/QVBoxLayout>

CWaitingDlg::CWaitingDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_text(new QLabel(tr("Please wait, scanning system..."), this)) {
  setModal(false);
  m_text->setAlignment(Qt::AlignCenter);
  m_text->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 12, 16, 12);
  layout->addWidget(m_text);
  setFixedSize(360, 80);
  setStyleSheet(QStringLiteral("CWaitingDlg { border: 1px solid #8a8f99; background: #ffffff; }"));
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  m_cursorSet = true;
  if (parent) move(parent->mapToGlobal(parent->rect().center()) - rect().center());
}

CWaitingDlg::~CWaitingDlg() {
  // The arrow comes back however the slow step ended.
  if (m_cursorSet) QGuiApplication::restoreOverrideCursor();
}

void CWaitingDlg::SetText(const QString& text) { m_text->setText(text); }

QString CWaitingDlg::Text() const { return m_text->text(); }

QPixmap FileStatesPicture() {
  struct State {
    QColor colour;
    const char* text;
  } states[] = {
      {QColor(40, 150, 60), "Good: the file's data looks whole"},
      {QColor(230, 170, 30), "Fair: part of the data may be overwritten"},
      {QColor(200, 60, 50), "Poor: most of the data is overwritten"},
      {QColor(120, 120, 130), "Unknown: the state cannot be told"},
  };
  QPixmap pm(300, 150);
  pm.fill(Qt::white);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  int y = 14;
  for (const State& s : states) {
    p.setPen(s.colour.darker(140));
    p.setBrush(s.colour);
    p.drawEllipse(QRectF(12, y, 16, 16));
    p.setPen(Qt::black);
    p.drawText(QRect(38, y - 4, 256, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QCoreApplication::translate("CAttributesStates", s.text));
    y += 34;
  }
  return pm;
}

CAttributesStates::CAttributesStates(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("About States"));
  auto* picture = new QLabel(this);
  picture->setPixmap(FileStatesPicture());
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(picture);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}

CHasCheckboxPromptDlg::CHasCheckboxPromptDlg(const QString& message, QWidget* parent)
    : QDialog(parent), m_box(new QCheckBox(tr("Don't show this message again."), this)) {
  setWindowTitle(QCoreApplication::applicationName());
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);
  auto* text = new QLabel(message, this);
  text->setWordWrap(true);
  text->setMinimumWidth(320);
  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addWidget(text, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CHasCheckboxPromptDlg::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(m_box);
  layout->addWidget(buttons);
}

void CHasCheckboxPromptDlg::accept() {
  m_checked = m_box->isChecked() ? 1 : 0;
  QDialog::accept();
}
