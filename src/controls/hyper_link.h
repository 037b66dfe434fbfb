// A text that behaves as a link: coloured, underlined while the mouse is
// over it, its target in a tool tip, opened by the desktop when clicked.
// In folder mode a click shows the listed items in the file manager.
#pragma once

#include <QtGui/QCursor>
#include <QtWidgets/QLabel>

#include <functional>

namespace qm {
class Prompter;
}

class CHyperLink : public QLabel {
  Q_OBJECT
public:
  explicit CHyperLink(bool selectDirs = false, QWidget* parent = nullptr);

  void SetURL(const QString& target);
  QString GetURL() const { return m_url; }
  // -1 underline while hovered, 1 always, 0 never.
  void SetUnderline(int mode);
  void SetVisited(bool visited);
  bool IsVisited() const { return m_visited; }
  bool IsHovered() const { return m_hover; }
  void SetItemPaths(const QStringList& paths) { m_items = paths; }
  // The cursor shown over the link (a pointing hand by default).
  void SetLinkCursor(const QCursor& cursor) { setCursor(cursor); }
  // How a target is opened; the desktop by default. Tests replace it.
  void SetOpener(std::function<bool(const QString&)> opener) { m_opener = std::move(opener); }
  // Where a failure is told (the program's boxes by default).
  void SetPrompter(qm::Prompter* prompter) { m_prompter = prompter; }

Q_SIGNALS:
  // The target could not be opened; the text says why (also shown in a
  // warning box under the program's title).
  void OpenFailed(const QString& message);

protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  void Restyle();
  void Open();
  void Fail(const QString& message);

  QString m_url;
  QStringList m_items;
  bool m_selectDirs;
  bool m_hover = false;
  bool m_visited = false;
  int m_underline = -1;
  std::function<bool(const QString&)> m_opener;
  qm::Prompter* m_prompter = nullptr;
};
