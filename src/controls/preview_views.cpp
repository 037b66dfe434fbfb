#include "controls/preview_views.h"

#include <QtGui/QFontDatabase>
#include <QtGui/QImageReader>
#include <QtGui/QKeyEvent>
#include <QtGui/QPainter>
#include <QtGui/QWheelEvent>
#include <QtWidgets/QScrollBar>

#include <algorithm>

#include "app/string_table.h"

namespace qm {

QImage DecodeUntrustedImage(const QString& path) {
  QImageReader::setAllocationLimit(kImageAllocationLimitMiB);
  QImageReader reader(path);
  reader.setAutoTransform(true);
  QImage image = reader.read();
  if (image.isNull() || image.width() == 0 || image.height() == 0) return {};
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QRect ImageTargetRect(QSize image, QSize client, bool fit) {
  if (image.isEmpty() || client.isEmpty()) return {};
  const bool fits = image.width() <= client.width() && image.height() <= client.height();
  if (!fit || fits) {
    const int width = std::min(client.width(), image.width());
    const int height = std::min(client.height(), image.height());
    return QRect((client.width() - width) / 2, (client.height() - height) / 2, width, height);
  }
  const double ratioW = static_cast<double>(image.width()) / client.width();
  const double ratioH = static_cast<double>(image.height()) / client.height();
  if (ratioH < ratioW) {
    const int h = static_cast<int>(client.height() * ratioH / ratioW);
    return QRect(1, (client.height() - h) / 2 + 1, client.width() - 2, std::max(1, h - 2));
  }
  const int w = static_cast<int>(client.width() * ratioW / ratioH);
  return QRect((client.width() - w) / 2 + 1, 1, std::max(1, w - 2), client.height() - 2);
}

// ---- picture window ----

CImageWindow::CImageWindow(QWidget* parent) : QAbstractScrollArea(parent) {
  setFrameShape(QFrame::NoFrame);
  viewport()->setAutoFillBackground(false);
  setFocusPolicy(Qt::StrongFocus);
  UpdateScrollBars();
}

bool CImageWindow::LoadImage(const QString& path) {
  image_ = DecodeUntrustedImage(path);
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
  return HasImage();
}

void CImageWindow::SetFitMode(bool fit) {
  fit_ = fit;
  UpdateScrollBars();
  viewport()->update();
}

void CImageWindow::UpdateScrollBars() {
  const QSize client = viewport()->size();
  const bool scroll = HasImage() && !fit_;
  const int extraW = scroll ? std::max(0, image_.width() - client.width()) : 0;
  const int extraH = scroll ? std::max(0, image_.height() - client.height()) : 0;
  // A bar shows only where the picture is larger than the window.
  setHorizontalScrollBarPolicy(extraW > 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(extraH > 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  horizontalScrollBar()->setRange(0, extraW);
  horizontalScrollBar()->setPageStep(client.width());
  horizontalScrollBar()->setSingleStep(1);
  verticalScrollBar()->setRange(0, extraH);
  verticalScrollBar()->setPageStep(client.height());
  verticalScrollBar()->setSingleStep(1);
}

void CImageWindow::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void CImageWindow::scrollContentsBy(int, int) { viewport()->update(); }

void CImageWindow::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const QRect client = viewport()->rect();
  painter.fillRect(client, Qt::white);
  if (!HasImage()) {
    painter.setPen(Qt::black);
    painter.drawText(client, Qt::AlignCenter | Qt::TextSingleLine,
                     tr("Warning! Not support the image format!"));
  } else {
    const QRect target = ImageTargetRect(image_.size(), client.size(), fit_);
    const bool scaled = fit_ && (image_.width() > client.width() || image_.height() > client.height());
    if (scaled) {
      painter.setRenderHint(QPainter::SmoothPixmapTransform);
      painter.drawImage(target, image_);
    } else {
      const QPoint origin(fit_ ? 0 : horizontalScrollBar()->value(), fit_ ? 0 : verticalScrollBar()->value());
      painter.drawImage(target.topLeft(), image_, QRect(origin, target.size()));
    }
  }
  painter.setPen(QColor(0x80, 0x80, 0x80));
  painter.drawRect(client.adjusted(0, 0, -1, -1));
}

// ---- paged edit views ----

CFilePreViewEdit::CFilePreViewEdit(std::unique_ptr<FilePager> pager, QWidget* parent)
    : QPlainTextEdit(parent), pager_(std::move(pager)) {
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setUndoRedoEnabled(false);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

bool CFilePreViewEdit::SetFile(const QString& path) {
  const bool ok = pager_->Load(path.toStdString());
  if (!ok) {
    pager_->Reset();
    linesPerPage_ = 1;
    clear();
  }
  CalcLinesPerPage();
  return ok;
}

void CFilePreViewEdit::ShowPage(std::uint64_t firstLine) {
  if (pager_->LineCount() == 0) return;
  const int scrollX = horizontalScrollBar()->value();
  setPlainText(DisplayText(pager_->PageText(firstLine, linesPerPage_)));
  horizontalScrollBar()->setValue(scrollX);
}

QString CFilePreViewEdit::DisplayText(const std::string& page) const {
  return QString::fromUtf8(page.data(), static_cast<qsizetype>(page.size()));
}

void CFilePreViewEdit::CalcLinesPerPage() {
  const std::uint64_t before = linesPerPage_;
  if (pager_->LineCount() != 0) {
    const int spacing = std::max(1, fontMetrics().lineSpacing());
    const int height = viewport()->height() - 2 * static_cast<int>(document()->documentMargin());
    const int lines = std::max(1, height / spacing - HeaderLines());
    linesPerPage_ = static_cast<std::uint64_t>(lines);
  }
  if (before != linesPerPage_) Q_EMIT LinesPerPageChanged();
}

void CFilePreViewEdit::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  CalcLinesPerPage();
}

void CFilePreViewEdit::keyPressEvent(QKeyEvent* event) {
  // The page is all the box holds: moving keys move the file's scroll bar.
  if (scrollOwner_ != nullptr) {
    switch (event->key()) {
    case Qt::Key_Up:
      scrollOwner_->triggerAction(QAbstractSlider::SliderSingleStepSub);
      return;
    case Qt::Key_Down:
      scrollOwner_->triggerAction(QAbstractSlider::SliderSingleStepAdd);
      return;
    case Qt::Key_PageUp:
      scrollOwner_->triggerAction(QAbstractSlider::SliderPageStepSub);
      return;
    case Qt::Key_PageDown:
      scrollOwner_->triggerAction(QAbstractSlider::SliderPageStepAdd);
      return;
    case Qt::Key_Home:
      if (event->modifiers() & Qt::ControlModifier) {
        scrollOwner_->triggerAction(QAbstractSlider::SliderToMinimum);
        return;
      }
      break;
    case Qt::Key_End:
      if (event->modifiers() & Qt::ControlModifier) {
        scrollOwner_->triggerAction(QAbstractSlider::SliderToMaximum);
        return;
      }
      break;
    default:
      break;
    }
  }
  QPlainTextEdit::keyPressEvent(event);
}

void CFilePreViewEdit::wheelEvent(QWheelEvent* event) {
  if (scrollOwner_ == nullptr) return;
  // One line a turn: down for a turn towards the user.
  const int delta = event->angleDelta().y();
  if (delta != 0)
    scrollOwner_->triggerAction(delta <= 0 ? QAbstractSlider::SliderSingleStepAdd
                                           : QAbstractSlider::SliderSingleStepSub);
  event->accept();
}

void CFilePreViewEdit::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

CTextFilePreViewEdit::CTextFilePreViewEdit(QWidget* parent)
    : CFilePreViewEdit(std::make_unique<TextPager>(), parent) {
  setObjectName(QStringLiteral("textView"));
}

QString CTextFilePreViewEdit::DisplayText(const std::string& page) const {
  // Text files here are UTF-8; a byte that is not valid UTF-8 shows as the
  // replacement character.
  return QString::fromUtf8(page.data(), static_cast<qsizetype>(page.size()));
}

CHexFilePreViewEdit::CHexFilePreViewEdit(QWidget* parent)
    : CFilePreViewEdit(std::make_unique<HexPager>(), parent) {
  setObjectName(QStringLiteral("hexView"));
  static_cast<HexPager&>(*pager_).SetAlignedColumns(true);
  setTabStopDistance(3 * fontMetrics().horizontalAdvance(QLatin1Char('0')));
}

QString CHexFilePreViewEdit::DisplayText(const std::string& page) const {
  // One character per byte.
  return QString::fromLatin1(page.data(), static_cast<qsizetype>(page.size()));
}

void CHexFilePreViewEdit::focusInEvent(QFocusEvent* event) {
  QPlainTextEdit::focusInEvent(event);
  QTextCursor cursor = textCursor();
  cursor.clearSelection();
  setTextCursor(cursor);
  ensureCursorVisible();
}

} // namespace qm
