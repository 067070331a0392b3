#include "app/qt/QtProgressWindow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

#include "runtime/Application.h"

namespace trimora {

namespace {

QString FromSingleByte(const std::string& Text) {
    return QString::fromLatin1(Text.data(), static_cast<qsizetype>(Text.size()));
}

}  // namespace

QtProgressWindow::QtProgressWindow(MainWindowFinder MainWindow)
    : QWidget(nullptr), FMainWindow(std::move(MainWindow)) {
    FBar = new QProgressBar(this);
    FBar->setTextVisible(false);
    FLabel = new QLabel(this);
    FLabel->setTextFormat(Qt::PlainText);
}

void QtProgressWindow::ApplyFlags(const ProgressWindowLook& Look) {
    Qt::WindowFlags flags = Qt::Tool;
    if (Look.Borderless) flags |= Qt::FramelessWindowHint;
    if (Look.StayOnTop) flags |= Qt::WindowStaysOnTopHint;
    if (windowFlags() != flags) setWindowFlags(flags);  // hides the window; shown again below
}

void QtProgressWindow::Apply(const ProgressWindowLook& Look) {
    const bool wasVisible = isVisible();
    ApplyFlags(Look);
    setWindowTitle(FromSingleByte(Look.Caption));
    setFixedSize(Look.Width, Look.Height);

    FBar->setObjectName(FromSingleByte(Look.BarName));
    FBar->setGeometry(Look.BarLeft, Look.BarTop, Look.BarWidth, Look.BarHeight);
    FBar->setRange(Look.Min, Look.Max);
    FBar->setValue(Look.Position);

    FLabel->setText(FromSingleByte(Look.LabelText));
    FLabel->move(Look.LabelLeft, Look.LabelTop);
    FLabel->adjustSize();
    FLabel->setVisible(Look.LabelVisible);

    if (!Look.Visible) {
        hide();
        return;
    }
    if (!wasVisible) Centre(Look.CentredOnMainWindow);
    show();
    raise();
}

void QtProgressWindow::Centre(bool OverMainWindow) {
    QWidget* main = OverMainWindow && FMainWindow ? FMainWindow() : nullptr;
    QRect frame = frameGeometry();
    if (main != nullptr && main->isVisible()) {
        frame.moveCenter(main->frameGeometry().center());
    } else {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (screen == nullptr) return;
        frame.moveCenter(screen->availableGeometry().center());
    }
    move(frame.topLeft());
}

void InstallQtProgressWindows(QtProgressWindow::MainWindowFinder MainWindow) {
    Application::Instance().Ui().SetProgressViewFactory(
        [MainWindow]() -> std::unique_ptr<TProgressWindowView> {
            return std::make_unique<QtProgressWindow>(MainWindow);
        });
}

}  // namespace trimora
