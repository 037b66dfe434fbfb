// The views of the preview dialog: the picture window with its best-fit
// and actual-size modes, and the text and hex views that show one page of
// lines at a time from a file of up to 100 MiB.
#pragma once

#include <QtGui/QImage>
#include <QtWidgets/QAbstractScrollArea>
#include <QtWidgets/QPlainTextEdit>

#include <memory>

#include "preview/preview_paging.h"

class QScrollBar;

namespace qm {

// Recovered pictures are untrusted: no decode may allocate more than this.
inline constexpr int kImageAllocationLimitMiB = 256;

// Decodes a picture file with the allocation limit set; a null image when
// it cannot be decoded or has no pixels.
QImage DecodeUntrustedImage(const QString& path);

// The rectangle a picture of imageSize is drawn to in a client of
// clientSize: 1:1 and centred when it fits (or in actual-size mode, where
// the part shown starts at the scroll offset), else scaled into the
// client keeping its shape, inside a 1-pixel frame.
QRect ImageTargetRect(QSize imageSize, QSize clientSize, bool fit);

class CImageWindow : public QAbstractScrollArea {
  Q_OBJECT
public:
  explicit CImageWindow(QWidget* parent = nullptr);

  // Frees any previous picture; true when the file decoded.
  bool LoadImage(const QString& path);
  void SetFitMode(bool fit);
  bool FitMode() const { return fit_; }
  bool HasImage() const { return !image_.isNull(); }
  const QImage& Image() const { return image_; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

private:
  void UpdateScrollBars();
  QImage image_;
  bool fit_ = true;
};

// A read-only edit box that shows one page of a FilePager. Keys and the
// wheel move the shared scroll bar instead of the box's own.
class CFilePreViewEdit : public QPlainTextEdit {
  Q_OBJECT
public:
  CFilePreViewEdit(std::unique_ptr<FilePager> pager, QWidget* parent = nullptr);

  // Loads the file; false (and an empty view) when it cannot be shown.
  bool SetFile(const QString& path);
  void ShowPage(std::uint64_t firstLine);
  std::uint64_t LineCount() const { return pager_->LineCount(); }
  std::uint64_t LinesPerPage() const { return linesPerPage_; }
  FilePager& Pager() { return *pager_; }
  // The scroll bar that keys and the wheel move.
  void SetScrollOwner(QScrollBar* bar) { scrollOwner_ = bar; }
  // The text shown for a page (the hex view aligns its columns here).
  virtual QString DisplayText(const std::string& page) const;

Q_SIGNALS:
  void LinesPerPageChanged();

protected:
  void CalcLinesPerPage();
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  virtual int HeaderLines() const { return 0; }

  std::unique_ptr<FilePager> pager_;
  std::uint64_t linesPerPage_ = 1;
  QScrollBar* scrollOwner_ = nullptr;
};

class CTextFilePreViewEdit : public CFilePreViewEdit {
  Q_OBJECT
public:
  explicit CTextFilePreViewEdit(QWidget* parent = nullptr);
  QString DisplayText(const std::string& page) const override;
};

class CHexFilePreViewEdit : public CFilePreViewEdit {
  Q_OBJECT
public:
  explicit CHexFilePreViewEdit(QWidget* parent = nullptr);
  QString DisplayText(const std::string& page) const override;

protected:
  int HeaderLines() const override { return 1; }
  void focusInEvent(QFocusEvent* event) override;
};

} // namespace qm
