// A test main for widget tests: one QApplication around the whole run, with what the web engine needs.
#include <QApplication>
#include <gtest/gtest.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    // The engine's sandbox refuses to start as root (test containers run as root).
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
