#include "app/win32/Win32CalibrationView.h"

#include <cstdio>

#include "runtime/Application.h"

namespace trimora {

TWin32CalibrationView::TWin32CalibrationView(TForm1::ProtocolSetup Setup, HINSTANCE Instance)
    : FWindow(Instance, TWin32CalibrationWindow::TInput{
                            // Clicks and keys reach TForm1 only once it exists: none come while
                            // it searches at its creation, before the window is shown.
                            .PointClicked =
                                [this](int Point) {
                                    if (!FForm) return;
                                    if (Point == 1) FForm->Btn_P1Click(nullptr);
                                    if (Point == 2) FForm->Btn_P2Click(nullptr);
                                    if (Point == 3) FForm->Btn_P3Click(nullptr);
                                },
                            .KeyPressed =
                                [this](char Key) {
                                    if (FForm) FForm->FormKeyPress(nullptr, Key);
                                },
                            .CloseRequested = [this] { Close(); },
                            // The process may end when this returns: the shut-down frames go
                            // out now.
                            .SessionEnding =
                                [this] {
                                    if (FForm) FForm->ShutDown();
                                },
                        }) {
    FForm = std::make_unique<TForm1>(*this, std::move(Setup));
}

TWin32CalibrationView::~TWin32CalibrationView() {
    FForm.reset();
}

void TWin32CalibrationView::Close() {
    if (FForm) FForm->ShutDown();
    FWindow.Destroy();
    PostQuitMessage(0);
}

void TWin32CalibrationView::BringToFront() {
    if (FWindow.Visible()) FWindow.BringToFront();
}

void TWin32CalibrationView::CloseIfShown() {
    if (FWindow.Visible()) PostMessageA(FWindow.Handle(), WM_CLOSE, 0, 0);
}

void TWin32CalibrationView::SetCaption(const std::string& Text) {
    FWindow.SetCaption(Text);
}

void TWin32CalibrationView::ShowSpeed(const std::string& Text, bool OnTarget) {
    FWindow.SetSpeedText(Text, OnTarget);
}

void TWin32CalibrationView::ShowTarget(const std::string& Text) {
    FWindow.SetTargetText(Text);
}

void TWin32CalibrationView::ShowArrowAt(double Speed) {
    FArrowLeft = CalibrationGeometry::ArrowLeftAt(Speed);
    FWindow.SetArrow(FArrowVisible, FArrowLeft);
}

void TWin32CalibrationView::SetArrowVisible(bool Visible) {
    FArrowVisible = Visible;
    FWindow.SetArrow(FArrowVisible, FArrowLeft);
}

void TWin32CalibrationView::ShowTargetZone(double Centre, double Width) {
    const TControlRect zone = CalibrationGeometry::TargetZoneAt(Centre, Width);
    FWindow.SetZone(true, zone.Left, zone.Width);
}

void TWin32CalibrationView::ShowStatus(const std::string& Text) {
    FWindow.SetStatusText(Text);
}

void TWin32CalibrationView::SetOuterHeight(int Value) {
    FWindow.SetOuterHeight(Value);
}

void TWin32CalibrationView::FocusPointButton(int Point) {
    FWindow.FocusPointButton(Point + 1);  // none before the window is first shown
}

bool TWin32CalibrationView::MphChecked() const {
    return FWindow.MphChecked();
}

std::string TWin32CalibrationView::FormatOneDecimal(double Value) const {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", Value);
    const char separator = Application::Instance().FormatSettings().DecimalSeparator;
    for (char* c = text; *c != '\0'; ++c)
        if (*c == '.') *c = separator;
    return text;
}

}  // namespace trimora
