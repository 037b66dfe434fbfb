// The row of elapsed and remaining time that the two partition-search
// dialogs show, built in one place so that both look alike.
#pragma once

#include <QtCore/QString>

class QGridLayout;
class QLabel;
class QWidget;

namespace qm {

struct SearchTimeRow {
  QGridLayout* layout = nullptr;
  QLabel* elapsed = nullptr;
  QLabel* remaining = nullptr;
};

// Caption and value of the elapsed time, then caption and value of the
// remaining time, both values "00:00:00" at first; the row's free space
// stays at its right end. The caller adds `layout` where the row belongs.
SearchTimeRow MakeSearchTimeRow(QWidget* dialog, const QString& elapsedCaption,
                                const QString& remainingCaption);

} // namespace qm
