#include "app/vek_application.h"

#include "app/zorv_app.h"

namespace qm {

VekApplication::VekApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool VekApplication::notify(QObject* receiver, QEvent* event)
{
    return DeliverGuarded([&] { return QApplication::notify(receiver, event); });
}

}  // namespace qm
