#pragma once

#include <QApplication>
#include <functional>
#include <string>

namespace trimora {

// Qt for the window program: the application object with the program's names and fonts, and the
// runtime's bindings to its loop, for as long as this object lives.
class TQtToolkit {
  public:
    // MainWindow: the calibration window once it exists (progress windows centre over it).
    TQtToolkit(const std::string& Program, std::function<QWidget*()> MainWindow);
    ~TQtToolkit();
    TQtToolkit(const TQtToolkit&) = delete;
    TQtToolkit& operator=(const TQtToolkit&) = delete;

  private:
    std::string FProgram;
    // Qt's own options are not accepted: the environment (QT_QPA_PLATFORM, ...) covers them.
    int FArgc = 1;
    char* FArgv[2] = {FProgram.data(), nullptr};
    QApplication FApplication{FArgc, FArgv};
};

}  // namespace trimora
