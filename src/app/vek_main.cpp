// The windowed program: the shell starts, shows the main window and runs
// the message loop until it closes.
#include "app/placeholder_window.h"

#include <QtWidgets/QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    qm::PlaceholderWindow window;
    window.show();
    return QApplication::exec();
}
