#include "controls/partition_layout_view.h"

#include <QtGui/QPainter>
#include <QtWidgets/QScrollBar>

#include <algorithm>

#include "app/format_text.h"
#include "controls/device_icons.h"

namespace {

constexpr int kLegendWidth = 120;
constexpr int kCaptionHeight = 20;

QColor Ref(unsigned c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QRect ToQ(const qm::LayoutRect& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); }

} // namespace

CPartitionLayoutView::CPartitionLayoutView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QFont f = font();
  f.setPixelSize(12);
  setFont(f);
}

void CPartitionLayoutView::AddPartition(const LAYOUT_PARTITION& p) {
  if (m_rows.Add(p)) {
    Relayout();
    Q_EMIT RowsChanged();
  }
  viewport()->update();
}

void CPartitionLayoutView::RemovePartition(const LAYOUT_PARTITION& p) {
  if (m_rows.Remove(p)) {
    Relayout();
    Q_EMIT RowsChanged();
  }
  viewport()->update();
}

void CPartitionLayoutView::DeleteAllItems() {
  m_rows.Clear();
  Relayout();
  Q_EMIT RowsChanged();
  viewport()->update();
}

int CPartitionLayoutView::GetContentHeight() const {
  const int h = m_rows.ContentHeight();
  return h == 0 ? qm::kLayoutRowHeight : h;
}

void CPartitionLayoutView::SetDiskSectors(std::uint64_t sectors) {
  m_rows.SetDiskSectors(sectors);
  Relayout();
  viewport()->update();
}

void CPartitionLayoutView::Relayout() {
  m_rows.Layout(viewport()->width());
  verticalScrollBar()->setPageStep(std::max(1, viewport()->height()));
  verticalScrollBar()->setRange(0, std::max(0, m_rows.ContentHeight() - viewport()->height()));
}

void CPartitionLayoutView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  Relayout();
}

void CPartitionLayoutView::scrollContentsBy(int, int) { viewport()->update(); }

void CPartitionLayoutView::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  p.fillRect(viewport()->rect(), Ref(0xCBAA92));
  p.translate(0, -verticalScrollBar()->value());
  QFont bold = font();
  bold.setWeight(QFont::Bold);
  const QPixmap icon = qm::DeviceIconPixmap(3, 20);
  for (const auto& row : m_rows.Rows()) {
    for (const auto& block : row) {
      if (block.rect.bottom <= block.rect.top || m_rows.DiskSectors() == 0) continue;
      QRect r = ToQ(block.rect);
      // A partition of a few sectors on a large disk still shows as a
      // sliver, so that a ticked row never has an invisible block.
      if (r.width() < 2) r.setWidth(2);
      p.fillRect(r, Ref(0xDBCEC4));
      p.setPen(Ref(0x4B3C3A));
      p.drawRect(r.adjusted(0, 0, -1, -1));
      const qm::LayoutRect t = qm::BlockTitleRect(block.rect);
      if (t.left >= t.right) continue;
      p.fillRect(ToQ(t), Ref(0x549754));
      const qm::LayoutRect b = qm::BlockBodyRect(block.rect);
      if (b.left >= b.right) continue;
      const QRect body = ToQ(b);
      p.fillRect(body, Ref(0xF4F0EC));
      const int iconRight = std::min(b.left + 24, b.right);
      p.save();
      p.setClipRect(QRect(QPoint(b.left + 4, b.top), QPoint(iconRight - 1, b.top + 21)));
      p.drawPixmap(b.left + 4, b.top + 1, icon);
      p.restore();
      p.setPen(Qt::black);
      p.setFont(bold);
      const QRect nameRect(QPoint(iconRight + 4, b.top + 4), QPoint(b.right - 3, b.top + 19));
      if (nameRect.width() > 0)
        p.drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   QFontMetrics(bold).elidedText(QString::fromUtf8(block.partition.name), Qt::ElideRight,
                                                 nameRect.width()));
      p.setFont(font());
      const LAYOUT_PARTITION& lp = block.partition;
      const std::uint64_t sectors = lp.lastSector >= lp.firstSector ? lp.lastSector - lp.firstSector + 1 : 0;
      const QString text = QStringLiteral("%1, %2,\n%3: %4%")
                               .arg(QString::fromStdString(FormatSectorsSize(sectors, lp.bytesPerSector)),
                                    QString::fromStdString(GetFileSystemTypeName(lp.fileSystem)), tr("Rank"))
                               .arg(lp.rank * 100.0, 0, 'f', 2);
      const QRect textRect(QPoint(b.left + 4, b.top + 22), QPoint(b.right - 3, b.bottom - 3));
      if (textRect.width() > 0 && textRect.height() > 0) {
        p.save();
        p.setClipRect(textRect);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
        p.restore();
      }
    }
  }
}

CPartitionLayoutFrame::CPartitionLayoutFrame(QWidget* parent)
    : QWidget(parent), m_view(new CPartitionLayoutView(this)) {
  QFont f = font();
  f.setPixelSize(12);
  setFont(f);
  connect(m_view, &CPartitionLayoutView::RowsChanged, this, [this] {
    PlaceView();
    update();
  });
}

void CPartitionLayoutFrame::SetItem(const LAYOUT_DISK& disk) {
  QString head;
  switch (disk.type) {
  case 2:
    head = tr("Partitions layout on the disk image");
    break;
  case 3:
    head = tr("Partitions layout on the partition");
    break;
  default:
    head = tr("Partitions layout on the disk ");
    break;
  }
  // The image and partition captions lack the blank the disk caption ends
  // with; the name is set apart the same way for all three.
  if (!head.endsWith(QLatin1Char(' '))) head += QLatin1Char(' ');
  m_caption = head + QStringLiteral("\"%1\":").arg(QString::fromStdString(disk.name));
  m_legendText = tr("Size") + QStringLiteral(": %1").arg(QString::fromStdString(
                                  FormatSectorsSize(disk.sectorCount, disk.bytesPerSector)));
  m_view->SetDiskSectors(disk.sectorCount);
  if (disk.type <= 3) m_legendKind = disk.type;
  update();
}

void CPartitionLayoutFrame::PlaceView() {
  const int h = std::min(height(), m_view->GetContentHeight() + kCaptionHeight);
  m_view->setGeometry(QRect(QPoint(kLegendWidth - 1, kCaptionHeight - 1), QPoint(width() - 2, h - 2)));
}

void CPartitionLayoutFrame::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceView();
}

void CPartitionLayoutFrame::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Ref(0xF7EFEF));
  p.setFont(font());
  p.setPen(Qt::black);
  const QRect caption(4, 0, width() - 8, kCaptionHeight);
  p.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
             fontMetrics().elidedText(m_caption, Qt::ElideRight, caption.width()));
  const int legendHeight = m_view->height();
  const QRect legend(0, kCaptionHeight - 1, kLegendWidth, legendHeight);
  p.fillRect(legend, Ref(0xDDD0C6));
  static const unsigned kLegendIcon[] = {1, 6, 4, 3};
  p.drawPixmap(36, legend.top() + 8, qm::DeviceIconPixmap(kLegendIcon[m_legendKind], 48));
  // The size text stays inside the legend: a longer one is cut with an
  // ellipsis rather than running into the blocks.
  const QString legendText = fontMetrics().elidedText(m_legendText, Qt::ElideRight, kLegendWidth - 6);
  p.drawText(QRect(3, legend.top() + 58, kLegendWidth - 6, fontMetrics().height()),
             Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, legendText);
  p.setPen(Ref(0x4E403F));
  const QRect view = m_view->geometry();
  p.drawRect(QRect(QPoint(0, view.top() - 1), QPoint(width() - 1, view.bottom() + 1)));
}
