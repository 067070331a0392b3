#include "app/qt/QtToolkit.h"

#include "app/qt/CalibrationLayout.h"
#include "app/qt/FontSubstitute.h"
#include "app/qt/QtProgressWindow.h"
#include "app/qt/QtRuntimeBindings.h"

namespace trimora {

TQtToolkit::TQtToolkit(const std::string& Program, std::function<QWidget*()> MainWindow)
    : FProgram(Program) {
    // The application's name, for the task bar's grouping. Not set as display name: X11 window
    // managers would then show every caption with " — Trimora" appended to it.
    QApplication::setApplicationName(QStringLiteral("Trimora"));
    // Ties the window to trimora.desktop (its icon and name in the task bar, on Wayland too).
    QApplication::setDesktopFileName(QStringLiteral("trimora"));
    // The window's texts as wide as they were laid out, whatever fontconfig would fall back to.
    InstallFontSubstitute(TCalibrationLayout::WindowFont(), MsSansSerifStandIn());
    // A box closed before the window is up must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallQtRuntimeBindings();
    // While the window is being created (the dongle search) the progress window centres on the
    // screen, where the window will then appear.
    InstallQtProgressWindows(std::move(MainWindow));
}

TQtToolkit::~TQtToolkit() {
    UninstallQtRuntimeBindings();
}

}  // namespace trimora
