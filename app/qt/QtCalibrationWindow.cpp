#include "app/qt/QtCalibrationWindow.h"

#include <QFontMetrics>

namespace trimora {

namespace {

constexpr TControlRect StatusRect = CalibrationGeometry::StatusLine;

QString FromUtf8(const std::string& Text) {
    return QString::fromStdString(Text);
}

}  // namespace

TQtCalibrationWindow::TQtCalibrationWindow(TForm1::ProtocolSetup Setup, QWidget* Parent)
    : TCalibrationLayout(Parent) {
    // The buttons and keys reach TForm1 only once it exists: none come while it searches at
    // its creation, before the window is shown.
    connect(Btn_P1, &QPushButton::clicked, this, [this] {
        if (FForm) FForm->Btn_P1Click(nullptr);
    });
    connect(Btn_P2, &QPushButton::clicked, this, [this] {
        if (FForm) FForm->Btn_P2Click(nullptr);
    });
    connect(Btn_P3, &QPushButton::clicked, this, [this] {
        if (FForm) FForm->Btn_P3Click(nullptr);
    });
    OnKeyPreview = [this](char Key) {
        if (FForm) FForm->FormKeyPress(nullptr, Key);
    };
    StatusLine = new TLabel(this);
    StatusLine->SetAutoSize(false);
    StatusLine->setGeometry(StatusRect.Left, StatusRect.Top, StatusRect.Width, StatusRect.Height);
    // The small outer height leaves the client area ending where the text pane begins under a
    // 28 px frame; a window manager with a taller title bar must not hide the status line.
    SetMinimumClientHeight(CalibrationGeometry::MinimumClientHeight);
    FForm = std::make_unique<TForm1>(*this, std::move(Setup));
}

TQtCalibrationWindow::~TQtCalibrationWindow() {
    FForm.reset();
}

void TQtCalibrationWindow::BringToFront() {
    if (!isVisible()) return;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

void TQtCalibrationWindow::CloseIfShown() {
    if (isVisible()) close();
}

void TQtCalibrationWindow::SetCaption(const std::string& Text) {
    setWindowTitle(FromUtf8(Text));
}

void TQtCalibrationWindow::ShowSpeed(const std::string& Text, bool OnTarget) {
    Label1->SetCaption(FromUtf8(Text));
    QFont font = Label1->font();
    font.setBold(OnTarget);
    Label1->setFont(font);
}

void TQtCalibrationWindow::ShowTarget(const std::string& Text) {
    Label2->SetCaption(FromUtf8(Text));
}

void TQtCalibrationWindow::ShowArrowAt(double Speed) {
    MuoviIndicatore(Speed);
}

void TQtCalibrationWindow::SetArrowVisible(bool Visible) {
    Indicatore->setVisible(Visible);
}

void TQtCalibrationWindow::ShowTargetZone(double Centre, double Width) {
    ZonaObbiettivo->show();
    MuoviZonaObbiettivo(Centre, Width);
}

void TQtCalibrationWindow::ShowStatus(const std::string& Text) {
    const QString text = FromUtf8(Text);
    StatusLine->setText(
        QFontMetrics(StatusLine->font()).elidedText(text, Qt::ElideMiddle, StatusRect.Width));
    StatusLine->setToolTip(text);
}

void TQtCalibrationWindow::SetOuterHeight(int Value) {
    TCalibrationLayout::SetOuterHeight(Value);
}

QPushButton* TQtCalibrationWindow::PointButton(int Point) const {
    switch (Point) {
        case 0:
            return Btn_P1;
        case 1:
            return Btn_P2;
        default:
            return Btn_P3;
    }
}

void TQtCalibrationWindow::FocusPointButton(int Point) {
    // Before the window is first shown there is no focus to move.
    if (isVisible() && isEnabled()) PointButton(Point)->setFocus(Qt::OtherFocusReason);
}

bool TQtCalibrationWindow::MphChecked() const {
    return CheckBox1->isChecked();
}

std::string TQtCalibrationWindow::FormatOneDecimal(double Value) const {
    return TCalibrationLayout::FormatOneDecimal(Value).toStdString();
}

}  // namespace trimora
