// The main of every test program that needs a display: one QApplication around the whole run, with
// what the web engine needs. Built with INKWELL_WINDOW_ENVIRONMENT for programs that build the real
// main window, which also get a temporary folder and a lock folder of their own first.
#include "tests/support/windowenvironment.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
#ifdef INKWELL_WINDOW_ENVIRONMENT
    const inkwell::testing::WindowEnvironment environment(INKWELL_BINARY_DIR);
#else
    inkwell::testing::prepareForEngine();
#endif
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
