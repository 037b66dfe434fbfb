// Three small dialogs: a caption-less "please wait" notice shown while a
// slow step runs on this thread, a picture that explains the state icons
// of found files, and an information message with a "Don't show this
// message again." box.
#pragma once

#include <QtWidgets/QDialog>

class QCheckBox;
class QLabel;

class CWaitingDlg : public QDialog {
  Q_OBJECT
public:
  explicit CWaitingDlg(QWidget* parent = nullptr);
  ~CWaitingDlg() override;

  void SetText(const QString& text);
  QString Text() const;

private:
  QLabel* m_text;
  bool m_cursorSet = false;
};

class CAttributesStates : public QDialog {
  Q_OBJECT
public:
  explicit CAttributesStates(QWidget* parent = nullptr);
};

class CHasCheckboxPromptDlg : public QDialog {
  Q_OBJECT
public:
  CHasCheckboxPromptDlg(const QString& message, QWidget* parent = nullptr);
  // 1 when the box was ticked as OK was pressed; 0 after Escape or the
  // close box whatever the box shows.
  int IsChecked() const { return m_checked; }
  QCheckBox* CheckBox() const { return m_box; }

  void accept() override;

private:
  QCheckBox* m_box;
  int m_checked = 0;
};

// The picture of the state icons of found files.
QPixmap FileStatesPicture();
