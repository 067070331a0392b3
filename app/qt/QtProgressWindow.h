#pragma once

#include <QWidget>
#include <functional>

#include "runtime/UiHooks.h"

class QLabel;
class QProgressBar;

namespace trimora {

// The progress window's look drawn by Qt: a small window, without frame and above the others,
// with one line of text over a progress bar. It appears centred over the main window, or centred
// on the screen while the main window is not yet shown.
class QtProgressWindow : public QWidget, public TProgressWindowView {
    Q_OBJECT
  public:
    using MainWindowFinder = std::function<QWidget*()>;

    explicit QtProgressWindow(MainWindowFinder MainWindow);

    void Apply(const ProgressWindowLook& Look) override;

    QProgressBar* Bar() const { return FBar; }
    QLabel* Label() const { return FLabel; }

  private:
    void ApplyFlags(const ProgressWindowLook& Look);
    // Over the main window while that is shown, otherwise on the screen.
    void Centre(bool OverMainWindow);

    MainWindowFinder FMainWindow;
    QProgressBar* FBar = nullptr;
    QLabel* FLabel = nullptr;
};

// Makes every progress window of the core a QtProgressWindow.
void InstallQtProgressWindows(QtProgressWindow::MainWindowFinder MainWindow);

}  // namespace trimora
