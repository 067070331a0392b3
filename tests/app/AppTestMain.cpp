#include <gtest/gtest.h>

#include <QApplication>

#include "app/qt/QtRuntimeBindings.h"
#include "runtime/Application.h"

// Window tests run with a QApplication whose thread is the runtime's GUI thread, bound to Qt
// as the program binds it.
int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    trimora::Application::Instance();
    trimora::InstallQtRuntimeBindings();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    trimora::UninstallQtRuntimeBindings();
    return result;
}
