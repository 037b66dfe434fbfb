// The sign that the file lists draw on a damaged file (its data could not
// all be found, or lies in clusters another file has since taken): one
// drawing for the report list's icons, the thumbnails and the picture that
// explains the states, so that all three show the same sign.
#pragma once

#include <QtCore/QRectF>
#include <QtGui/QColor>

class QPainter;

namespace qm {

// The sign's colour; the folder tree's damaged dot has it too.
inline QColor DamagedMarkColour() { return QColor(230, 150, 20); }

// An amber disc with a white exclamation mark, filling `box` (a square).
void PaintDamagedMark(QPainter& painter, const QRectF& box);

} // namespace qm
