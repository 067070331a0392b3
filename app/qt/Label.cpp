#include "app/qt/Label.h"

#include <QEvent>
#include <QFontMetrics>

namespace trimora {

TLabel::TLabel(QWidget* Parent) : QLabel(Parent) {
    setFocusPolicy(Qt::NoFocus);
    setMargin(0);
    setIndent(0);
    setTextFormat(Qt::PlainText);
}

void TLabel::SetAutoSize(bool Value) {
    FAutoSize = Value;
    if (FAutoSize) FitToText();
}

void TLabel::SetRightAligned(bool Value) {
    FRightAligned = Value;
    setAlignment((Value ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
}

void TLabel::SetCaption(const QString& Text) {
    setText(Text);
    if (FAutoSize) FitToText();
}

void TLabel::FitToText() {
    const QFontMetrics metrics(font());
    const QSize fitted(metrics.horizontalAdvance(text()), metrics.height());
    if (fitted == size()) return;
    const int right = RightEdge();
    if (FRightAligned)
        setGeometry(right - fitted.width(), y(), fitted.width(), fitted.height());
    else
        resize(fitted);
}

void TLabel::changeEvent(QEvent* Event) {
    QLabel::changeEvent(Event);
    if (Event->type() == QEvent::FontChange && FAutoSize) FitToText();
}

}  // namespace trimora
