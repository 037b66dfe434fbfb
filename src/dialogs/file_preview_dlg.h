// The preview of a recovered copy in three tabs: "Text" and "Hex" show one
// page of lines at a time, moved by one scroll bar over the whole file,
// and "Image" shows the picture fitted or at its own size. OK asks the
// page to recover the file.
#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QPointer>

#include "dialogs/search_super_dlg.h"

class QScrollBar;
class QStackedWidget;
class QTabBar;
class QToolButton;
class QPushButton;

namespace qm {

class CImageWindow;
class CTextFilePreViewEdit;
class CHexFilePreViewEdit;
class CFilePreViewEdit;

class CFilePreViewDlg : public CSearchSuperDlg {
  Q_OBJECT
public:
  enum Tab { kTabText = 0, kTabHex = 1, kTabImage = 2 };

  explicit CFilePreViewDlg(QWidget* parent = nullptr);
  ~CFilePreViewDlg() override;

  // The window that hears RecoverRequested when the user presses OK.
  void SetNotifyWindow(QWidget* window) { notify_ = window; }
  // Loads the copy into the three views and picks the first tab: "Image"
  // when the copy is a picture, else "Text".
  void SetPaths(const QString& filePath, const QString& title);

  int CurrentTab() const;
  void ShowTab(int tab);
  // The first line shown, counted in the lines of the text or hex view.
  std::uint64_t ScrollPosition() const;
  void SetScrollPosition(std::uint64_t line);
  // The byte offset at the top of the text or hex page.
  std::uint64_t TopOffset() const;

  CTextFilePreViewEdit* TextView() const { return text_; }
  CHexFilePreViewEdit* HexView() const { return hex_; }
  CImageWindow* ImageView() const { return image_; }
  QScrollBar* ScrollBar() const { return bar_; }
  QToolButton* BestFitButton() const { return fit_; }
  QToolButton* ActualSizeButton() const { return actual_; }
  QPushButton* OkButton() const { return ok_; }
  // Redraws the page (throttled to one per 100 ms unless forced).
  void Refresh(bool force);

Q_SIGNALS:
  void RecoverRequested();

private:
  CFilePreViewEdit* ActiveEdit() const;
  void OnTabChanged(int tab);
  void OnScroll(int value);
  void UpdateRange();
  void SetFit(bool fit);

  QTabBar* tabs_;
  QStackedWidget* pages_;
  QStackedWidget* edits_;
  CTextFilePreViewEdit* text_;
  CHexFilePreViewEdit* hex_;
  QScrollBar* bar_;
  CImageWindow* image_;
  QToolButton* fit_;
  QToolButton* actual_;
  QPushButton* ok_;
  QPushButton* cancel_;
  QPointer<QWidget> notify_;
  QString path_;
  int viewFlag_ = kTabText; // which view's lines the position counts
  int shownTab_ = -1;
  QElapsedTimer sinceRefresh_;
  QTimer* pendingRefresh_;
};

} // namespace qm
