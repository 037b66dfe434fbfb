#include "dialogs/search_time_row.h"

#include <QtWidgets/QGridLayout>
#include <QtWidgets/QLabel>

namespace qm {

SearchTimeRow MakeSearchTimeRow(QWidget* dialog, const QString& elapsedCaption,
                                const QString& remainingCaption) {
  SearchTimeRow row;
  row.layout = new QGridLayout;
  row.layout->addWidget(new QLabel(elapsedCaption, dialog), 0, 0);
  row.elapsed = new QLabel(QStringLiteral("00:00:00"), dialog);
  row.elapsed->setObjectName(QStringLiteral("elapsed"));
  row.layout->addWidget(row.elapsed, 0, 1);
  row.layout->addWidget(new QLabel(remainingCaption, dialog), 0, 2);
  row.remaining = new QLabel(QStringLiteral("00:00:00"), dialog);
  row.remaining->setObjectName(QStringLiteral("remaining"));
  // Wide enough for "Calculating..." so that the row does not jump when
  // the first estimate replaces it.
  row.remaining->setMinimumWidth(90);
  row.layout->addWidget(row.remaining, 0, 3);
  row.layout->setColumnStretch(4, 1);
  row.layout->setHorizontalSpacing(12);
  return row;
}

} // namespace qm
