// The main window until the wizard's frame takes its place: a titled,
// empty window of the frame's start size.
#pragma once

#include <QtWidgets/QMainWindow>

namespace qm {

class PlaceholderWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit PlaceholderWindow(QWidget* parent = nullptr);
};

}  // namespace qm
