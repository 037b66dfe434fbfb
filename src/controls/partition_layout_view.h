// Where the chosen partitions lie on the disk: a caption naming the disk, a
// legend with the disk's picture and size, and a scrolling band of rows in
// which each partition is a block sized by its sector range.
#pragma once

#include <QtWidgets/QAbstractScrollArea>

#include "controls/partition_layout_rows.h"

class CPartitionLayoutFrame;

class CPartitionLayoutView : public QAbstractScrollArea {
  Q_OBJECT
public:
  explicit CPartitionLayoutView(QWidget* parent = nullptr);

  void AddPartition(const LAYOUT_PARTITION& p);
  void RemovePartition(const LAYOUT_PARTITION& p);
  void DeleteAllItems();
  // The rows' height; one row's height when there are none.
  int GetContentHeight() const;
  void SetDiskSectors(std::uint64_t sectors);
  const qm::PartitionLayoutRows& Rows() const { return m_rows; }

Q_SIGNALS:
  // Rows came or went: the frame gives the view its new height.
  void RowsChanged();

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

private:
  void Relayout();

  qm::PartitionLayoutRows m_rows;
};

class CPartitionLayoutFrame : public QWidget {
  Q_OBJECT
public:
  explicit CPartitionLayoutFrame(QWidget* parent = nullptr);

  void SetItem(const LAYOUT_DISK& disk);
  CPartitionLayoutView* GetView() const { return m_view; }
  QString Caption() const { return m_caption; }
  QString LegendText() const { return m_legendText; }

  QSize sizeHint() const override { return {400, 120}; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void PlaceView();

  QString m_caption;
  QString m_legendText;
  unsigned m_legendKind = 0;
  CPartitionLayoutView* m_view;
};
