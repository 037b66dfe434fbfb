// The main of every windowed test suite: one QApplication for the whole run,
// on the offscreen platform unless a display is asked for, with a fixed style
// and font so that layouts and gallery pictures do not depend on the desktop.
#include <QtGui/QFont>
#include <QtWidgets/QApplication>
#include <QtWidgets/QStyleFactory>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // ctest sets the platform; a suite started by hand gets it too.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // No message box may wait for a click during a test.
    setenv("QUENMARK_NONINTERACTIVE", "1", 0);
    // Death tests re-run the program in the child: Qt's threads make a
    // plain fork unsafe.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(9);
    QApplication::setFont(font);
    return RUN_ALL_TESTS();
}
