#include "controls/hyper_link.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QUrl>
#include <QtGui/QDesktopServices>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>

#include "app/prompter.h"
#include "app/zorv_app.h"

namespace {

QUrl TargetUrl(const QString& target) {
  return QUrl::fromUserInput(target, QDir::currentPath(), QUrl::AssumeLocalFile);
}

bool OpenWithDesktop(const QString& target) {
  const QUrl url = TargetUrl(target);
  return url.isValid() && QDesktopServices::openUrl(url);
}

} // namespace

CHyperLink::CHyperLink(bool selectDirs, QWidget* parent)
    : QLabel(parent), m_selectDirs(selectDirs), m_opener(OpenWithDesktop) {
  setCursor(Qt::PointingHandCursor);
  setTextInteractionFlags(Qt::NoTextInteraction);
  Restyle();
}

void CHyperLink::SetURL(const QString& target) {
  m_url = target;
  if (text().isEmpty()) setText(target);
  setToolTip(target);
  adjustSize();
}

void CHyperLink::SetUnderline(int mode) {
  if (mode == m_underline) return;
  m_underline = mode;
  Restyle();
}

void CHyperLink::SetVisited(bool visited) {
  m_visited = visited;
  Restyle();
}

void CHyperLink::Restyle() {
  // Colours in the order red, green, blue.
  const QColor colour = m_hover     ? QColor(0xFF, 0, 0)
                        : m_visited ? QColor(0x55, 0x1A, 0x8B)
                                    : QColor(0, 0, 0xEE);
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, colour);
  setPalette(pal);
  QFont f = font();
  f.setUnderline(m_underline == 1 || (m_underline == -1 && m_hover));
  setFont(f);
  update();
}

void CHyperLink::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  m_hover = true;
  Restyle();
}

void CHyperLink::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  m_hover = false;
  Restyle();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Open();
}

void CHyperLink::Open() {
  if (!m_selectDirs) {
    const QString target = m_url.isEmpty() ? text() : m_url;
    if (m_opener(target)) {
      SetVisited(true);
      return;
    }
    // The desktop gives no reason; a missing local file is the one it can
    // be told apart from having no program for the address.
    const QUrl url = TargetUrl(target);
    const bool missing = url.isLocalFile() && !QFileInfo::exists(url.toLocalFile());
    Fail(tr("Unable to open hyperlink:\n\n") +
         (missing ? tr("The specified file is not found.")
                  : tr("There is no application associated\nwith the given filename extension.")));
    return;
  }
  // Folder mode: the file manager shows the folder of each listed item.
  if (!QFileInfo(m_url).isDir()) {
    Fail(tr("Path Invalid!"));
    return;
  }
  bool opened = false;
  for (const QString& item : m_items)
    opened |= m_opener(QFileInfo(item).absolutePath());
  if (m_items.isEmpty()) opened = m_opener(m_url);
  if (opened) SetVisited(true);
}

void CHyperLink::Fail(const QString& message) {
  QApplication::beep();
  Q_EMIT OpenFailed(message);
  qm::Prompter& prompter = m_prompter != nullptr ? *m_prompter : qm::DefaultPrompter();
  prompter.Inform(window(), message, qm::ProgramTitle(), qm::PromptIcon::Warning);
}
