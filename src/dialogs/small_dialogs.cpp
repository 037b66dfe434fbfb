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

#include <iterator>

#include "app/string_table.h"
#include "controls/file_state_marks.h"

CWaitingDlg::CWaitingDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      m_text(new QLabel(tr("Please wait, scanning system..."), this)) {
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
  // What the file lists show of a found file: the deleted mark over its
  // icon, the damaged sign, and the colour of its name for compressed and
  // encrypted files.
  struct Row {
    bool deleted;
    bool damaged;
    QColor colour;
    const char* name;
    const char* text;
  } rows[] = {
      {false, false, Qt::black, "report.doc", QT_TRANSLATE_NOOP("CAttributesStates", "An existing file")},
      {true, false, Qt::black, "photo.jpg", QT_TRANSLATE_NOOP("CAttributesStates", "A deleted file")},
      {true, true, Qt::black, "movie.avi",
       QT_TRANSLATE_NOOP("CAttributesStates", "A damaged file: its data is incomplete or overwritten")},
      {false, false, QColor(0, 0, 255), "archive.log",
       QT_TRANSLATE_NOOP("CAttributesStates", "A compressed file")},
      {false, false, QColor(0, 160, 0), "secret.txt",
       QT_TRANSLATE_NOOP("CAttributesStates", "An encrypted file")},
  };
  constexpr int kRowHeight = 34;
  constexpr int kTextLeft = 130;
  constexpr int kWidth = 400;
  QPixmap pm(kWidth, 10 + kRowHeight * static_cast<int>(std::size(rows)) - 4);
  pm.fill(Qt::white);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  auto fileIcon = [&](int y, bool deleted, bool damaged) {
    p.setPen(QColor(110, 110, 120));
    p.setBrush(QColor(250, 250, 252));
    p.drawRect(QRectF(14, y, 14, 18));
    if (deleted) {
      p.setPen(QPen(QColor(210, 40, 40), 2.5));
      p.drawLine(QPointF(20, y + 8), QPointF(30, y + 18));
      p.drawLine(QPointF(30, y + 8), QPointF(20, y + 18));
    }
    if (damaged) qm::PaintDamagedMark(p, QRectF(8, y + 9, 11, 11));
  };
  int y = 10;
  for (const Row& r : rows) {
    fileIcon(y, r.deleted, r.damaged);
    p.setPen(r.colour);
    p.drawText(QRect(40, y, kTextLeft - 44, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromLatin1(r.name));
    p.setPen(Qt::black);
    // Long texts wrap onto a second line inside the row.
    p.drawText(QRect(kTextLeft, y - 6, kWidth - kTextLeft - 8, kRowHeight - 2),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
               QCoreApplication::translate("CAttributesStates", r.text));
    y += kRowHeight;
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
  setWindowTitle(qm::LoadAppString(347));
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
