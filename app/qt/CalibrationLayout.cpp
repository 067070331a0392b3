#include "app/qt/CalibrationLayout.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace trimora {

namespace {

using namespace CalibrationGeometry;

// The text pane keeps its margins to the right and bottom of the client area as laid out when
// the window changes size.
constexpr int MemoLeft = Memo1.Left, MemoTop = Memo1.Top;

void Place(QWidget* Widget, const TControlRect& Rect) {
    Widget->setGeometry(Rect.Left, Rect.Top, Rect.Width, Rect.Height);
}

QFont VersionFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Terminal")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(VersionFontPixelHeight);
    return font;
}

QPushButton* MakeButton(QWidget* Parent, const QString& Caption, const TControlRect& Rect) {
    auto* button = new QPushButton(Caption, Parent);
    Place(button, Rect);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

QFont TCalibrationLayout::WindowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(FontPixelHeight);
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
    Place(Zona, CalibrationGeometry::Zona);
    Zona->SetBrushColor(Qt::white);
    Zona->SetPenColor(Qt::black);

    ZonaObbiettivo = new TShape(this);
    Place(ZonaObbiettivo, CalibrationGeometry::ZonaObbiettivo);
    ZonaObbiettivo->SetBrushColor(Qt::cyan);
    ZonaObbiettivo->SetPenColor(Qt::black);
    ZonaObbiettivo->hide();

    Label1 = new TLabel(this);
    Label1->move(CalibrationGeometry::Label1.Left, CalibrationGeometry::Label1.Top);
    Label1->SetCaption(QStringLiteral("Speed:"));

    Label2 = new TLabel(this);
    Label2->SetRightAligned(true);
    Place(Label2, CalibrationGeometry::Label2);
    Label2->SetCaption(QString());

    Indicatore = new TVrArrow(this);
    Place(Indicatore, CalibrationGeometry::Indicatore);
    Indicatore->SetActive(true);
    Indicatore->SetDirection(TVrArrowDirection::adDown);
    Indicatore->SetColorLow(QColor(0, 128, 0));
    Indicatore->SetColorHigh(QColor(0, 255, 0));

    Label3 = new TLabel(this);
    Label3->SetAutoSize(false);
    Place(Label3, CalibrationGeometry::Label3);
    Label3->setFont(VersionFont());
    Label3->SetCaption(QStringLiteral("Ver. 2.0"));

    Btn_P1 = MakeButton(this, QStringLiteral("P1"), CalibrationGeometry::Btn_P1);
    Btn_P2 = MakeButton(this, QStringLiteral("P2"), CalibrationGeometry::Btn_P2);
    Btn_P3 = MakeButton(this, QStringLiteral("P3"), CalibrationGeometry::Btn_P3);

    CheckBox1 = new QCheckBox(QStringLiteral("mph"), this);
    Place(CheckBox1, CalibrationGeometry::CheckBox1);
    CheckBox1->setChecked(false);

    Memo1 = new QPlainTextEdit(QStringLiteral("Memo1"), this);
    Place(Memo1, CalibrationGeometry::Memo1);
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
    Place(ZonaObbiettivo, TargetZoneAt(Centre, Width));
}

void TCalibrationLayout::MuoviIndicatore(double Speed) {
    Indicatore->move(ArrowLeftAt(Speed), Indicatore->y());
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
        if (text.size() == 1 && text.at(0).unicode() < 0x100 && OnKeyPreview)
            OnKeyPreview(static_cast<char>(text.at(0).unicode()));
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

int TCalibrationLayout::FrameHeight() const {
    // The widget's own frame geometry is what it saw at its last move or resize; the native
    // window asks the window system, which knows of a frame added since. A frame caught while
    // the window manager is still building it can read as less than nothing.
    const QWindow* window = windowHandle();
    if (window == nullptr) return 0;
    const QMargins frame = window->frameMargins();
    return std::max(0, frame.top() + frame.bottom());
}

void TCalibrationLayout::ApplyOuterHeight() {
    // The frame's height is known only once the window system has framed the window (a window
    // manager reports it late), so it is applied again whenever the frame may have changed.
    const int client = std::max(FMinimumClientHeight, FOuterHeight - FrameHeight());
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

bool TCalibrationLayout::nativeEvent(const QByteArray& EventType, void* Message, qintptr* Result) {
    // A window manager may frame the window, or change its frame, without moving, resizing or
    // activating it, and Qt tells no widget when it does. Look again once the window system's
    // messages at hand have been handled; one look serves them all.
    if (!FFrameLookPending) {
        FFrameLookPending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                FFrameLookPending = false;
                ApplyOuterHeight();
            },
            Qt::QueuedConnection);
    }
    return QWidget::nativeEvent(EventType, Message, Result);
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
