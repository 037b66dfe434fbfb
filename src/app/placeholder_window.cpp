#include "app/placeholder_window.h"

#include <QtWidgets/QLabel>

namespace qm {

PlaceholderWindow::PlaceholderWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Quenmark"));
    auto* label = new QLabel(tr("The recovery wizard will appear here."), this);
    label->setAlignment(Qt::AlignCenter);
    setCentralWidget(label);
    resize(1000, 700);
}

}  // namespace qm
