// Shared main of the test executables: a Qt application object (offscreen), then GoogleTest.
// The window tests build it with ORDOVAN_TEST_WIDGETS, which makes it a QApplication.
#ifdef ORDOVAN_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
