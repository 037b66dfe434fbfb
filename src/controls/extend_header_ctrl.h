// A column header with the lists' own font and colours, a little taller
// than the platform's.
#pragma once

#include <QtWidgets/QHeaderView>

class QStandardItemModel;

class CExtendHeaderCtrl : public QHeaderView {
  Q_OBJECT
public:
  explicit CExtendHeaderCtrl(QWidget* parent = nullptr);

  // Appends a column; `alignment` is 0 left, 1 right, 2 centre.
  void AddColumn(const QString& text, int width, int alignment = 0);
  void SetColumnText(int column, const QString& text);
  int ColumnCount() const;
  int GetColumnWidth(int column) const;
  int GetTotalWidth() const;
  // The height owners reserve for the header.
  int HeaderHeight() const;

  QSize sizeHint() const override;

protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
  QStandardItemModel* m_model;
  QColor m_text{0, 0, 0};
  QColor m_background{248, 248, 248};
};
