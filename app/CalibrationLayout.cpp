#include "app/CalibrationLayout.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace trimora {

namespace {

constexpr double PixelsPerKmh = 5.0;

// Margins of the text pane to the right and bottom of the client area as laid out; the pane
// keeps them when the window changes size.
constexpr int MemoLeft = 16, MemoTop = 136, MemoRightMargin = 22, MemoBottomMargin = 17;

int RoundHalfEven(double Value) {
    // nearbyint follows the current rounding mode, which is round-half-to-even by default.
    return static_cast<int>(std::nearbyint(Value));
}

QFont VersionFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Terminal")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(8);
    return font;
}

QPushButton* MakeButton(QWidget* Parent, const QString& Caption, int Left) {
    auto* button = new QPushButton(Caption, Parent);
    button->setGeometry(Left, 16, 75, 25);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

QFont TCalibrationLayout::WindowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

TCalibrationLayout::TCalibrationLayout(QWidget* Parent)
    : QWidget(Parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    CreateControls();
    // Key preview: the window sees each key press before the control that has the focus.
    qApp->installEventFilter(this);
}

TCalibrationLayout::~TCalibrationLayout() {
    qApp->removeEventFilter(this);
}

void TCalibrationLayout::CreateControls() {
    setWindowTitle(QStringLiteral("Trimora: not connected!"));
    setFont(WindowFont());
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, windowPalette.color(QPalette::Button));
    setPalette(windowPalette);
    setAutoFillBackground(true);
    setFixedWidth(ClientWidth);
    resize(ClientWidth, DesignClientHeight);

    // Siblings stack in creation order, so this order is also the drawing order.
    Zona = new TShape(this);
    Zona->setGeometry(8, 80, 300, 17);
    Zona->SetBrushColor(Qt::white);
    Zona->SetPenColor(Qt::black);

    ZonaObbiettivo = new TShape(this);
    ZonaObbiettivo->setGeometry(136, 80, 20, 17);
    ZonaObbiettivo->SetBrushColor(Qt::cyan);
    ZonaObbiettivo->SetPenColor(Qt::black);
    ZonaObbiettivo->hide();

    Label1 = new TLabel(this);
    Label1->move(8, 56);
    Label1->SetCaption(QStringLiteral("Speed:"));

    Label2 = new TLabel(this);
    Label2->SetRightAligned(true);
    Label2->setGeometry(309, 56, 3, 13);
    Label2->SetCaption(QString());

    Indicatore = new TVrArrow(this);
    Indicatore->setGeometry(88, 43, 50, 45);
    Indicatore->SetActive(true);
    Indicatore->SetDirection(TVrArrowDirection::adDown);
    Indicatore->SetColorLow(QColor(0, 128, 0));
    Indicatore->SetColorHigh(QColor(0, 255, 0));

    Label3 = new TLabel(this);
    Label3->SetAutoSize(false);
    Label3->setGeometry(8, 112, 40, 12);
    Label3->setFont(VersionFont());
    Label3->SetCaption(QStringLiteral("Ver. 2.0"));

    Btn_P1 = MakeButton(this, QStringLiteral("P1"), 16);
    Btn_P2 = MakeButton(this, QStringLiteral("P2"), 120);
    Btn_P3 = MakeButton(this, QStringLiteral("P3"), 224);

    CheckBox1 = new QCheckBox(QStringLiteral("mph"), this);
    CheckBox1->setGeometry(264, 104, 49, 17);
    CheckBox1->setChecked(false);

    Memo1 = new QPlainTextEdit(QStringLiteral("Memo1"), this);
    Memo1->setGeometry(MemoLeft, MemoTop, 281, 220);
    Memo1->setTabChangesFocus(true);  // Tab moves on, as in every other control here

    setTabOrder(Btn_P1, Btn_P2);
    setTabOrder(Btn_P2, Btn_P3);
    setTabOrder(Btn_P3, CheckBox1);
    setTabOrder(CheckBox1, Memo1);
}

QString TCalibrationLayout::FormatOneDecimal(double Value) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(Value, 'f', 1);
}

void TCalibrationLayout::MuoviZonaObbiettivo(double Centre, double Width) {
    ZonaObbiettivo->setGeometry(RoundHalfEven((Centre - Width / 2) * PixelsPerKmh) + Zona->x(),
                                ZonaObbiettivo->y(), RoundHalfEven(Width * PixelsPerKmh),
                                ZonaObbiettivo->height());
}

void TCalibrationLayout::MuoviIndicatore(double Speed) {
    // The gauge is 50 px wide: its middle lands on the speed's place on the scale.
    Indicatore->move(RoundHalfEven(Speed * PixelsPerKmh) + Zona->x() - 25, Indicatore->y());
}

void TCalibrationLayout::FormKeyPress(QObject*, char Key) {
    // Only lower-case d; the text pane below comes into view.
    if (Key == 'd') SetOuterHeight(LargeOuterHeight);
}

bool TCalibrationLayout::IsKeyPreviewTarget(QObject* Watched) const {
    auto* widget = qobject_cast<QWidget*>(Watched);
    if (widget == nullptr || widget->window() != this) return false;
    // A key the focused control ignores travels on to its parents; see it once only, on the
    // first receiver.
    QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && focus->window() == this) return widget == focus;
    return widget == this;
}

bool TCalibrationLayout::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::KeyPress && IsKeyPreviewTarget(Watched)) {
        const QString text = static_cast<QKeyEvent*>(Event)->text();
        if (text.size() == 1 && text.at(0).unicode() < 0x100)
            FormKeyPress(this, static_cast<char>(text.at(0).unicode()));
    }
    return QWidget::eventFilter(Watched, Event);  // the key goes on to the control
}

void TCalibrationLayout::SetOuterHeight(int Value) {
    FOuterHeight = Value;
    ApplyOuterHeight();
}

void TCalibrationLayout::SetMinimumClientHeight(int Value) {
    FMinimumClientHeight = std::max(1, Value);
    ApplyOuterHeight();
}

void TCalibrationLayout::ApplyOuterHeight() {
    // The frame's height is known only once the window system has framed the window (a window
    // manager reports it late), so it is applied again whenever the window is shown or moved.
    const int frame = frameGeometry().height() - height();
    const int client = std::max(FMinimumClientHeight, FOuterHeight - frame);
    if (client != height() || minimumHeight() != maximumHeight()) setFixedHeight(client);
}

void TCalibrationLayout::CentreOnDesktop() {
    QScreen* desktop = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (desktop == nullptr) return;
    QRect frame = frameGeometry();
    frame.moveCenter(desktop->availableGeometry().center());
    move(frame.topLeft());
}

void TCalibrationLayout::showEvent(QShowEvent* Event) {
    QWidget::showEvent(Event);
    if (!FShownOnce) {
        FShownOnce = true;
        CentreOnDesktop();
    }
    ApplyOuterHeight();
}

void TCalibrationLayout::moveEvent(QMoveEvent* Event) {
    QWidget::moveEvent(Event);
    ApplyOuterHeight();
}

void TCalibrationLayout::changeEvent(QEvent* Event) {
    QWidget::changeEvent(Event);
    // A window manager that frames the window without moving it is seen to have done so by the
    // activation that follows.
    if (Event->type() == QEvent::ActivationChange) ApplyOuterHeight();
}

void TCalibrationLayout::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    // The text pane is anchored to all four sides of the client area. At the small height a
    // window frame takes the room the pane would need; where the frame is thinner (no window
    // manager) a clipped strip of it would show, so a pane too short for one line is hidden.
    const int memoHeight = height() - MemoTop - MemoBottomMargin;
    Memo1->setGeometry(MemoLeft, MemoTop, std::max(0, width() - MemoLeft - MemoRightMargin),
                       std::max(0, memoHeight));
    Memo1->setVisible(memoHeight >= Memo1->minimumSizeHint().height());
    ApplyOuterHeight();
}

}  // namespace trimora
