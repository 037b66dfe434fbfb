// The program's QApplication: every event is delivered through
// DeliverGuarded, so that no exception crosses Qt's event loop.
#pragma once

#include <QtWidgets/QApplication>

namespace qm {

class VekApplication : public QApplication {
    Q_OBJECT

public:
    VekApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace qm
