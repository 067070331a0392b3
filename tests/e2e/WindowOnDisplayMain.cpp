#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>

#include "app/qt/QtRuntimeBindings.h"
#include "runtime/Application.h"
#include "tests/e2e/VirtualDisplay.h"

// The calibration window in this process, on an X server of its own, bound to the runtime as
// the program binds it.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    trimora::test::VirtualDisplay display;
    std::string error;
    if (!display.StartAsThisProcessDisplay(error)) {
        std::fprintf(stderr, "these tests need a virtual X server: %s\n", error.c_str());
        return 1;
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        trimora::Application::Instance();
        trimora::InstallQtRuntimeBindings();
        result = RUN_ALL_TESTS();
        trimora::UninstallQtRuntimeBindings();
    }
    display.Stop();
    return result;
}
