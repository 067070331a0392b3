#include "app/qt/Shape.h"

#include <QPainter>

namespace trimora {

TShape::TShape(QWidget* Parent) : QWidget(Parent) {
    setFocusPolicy(Qt::NoFocus);
}

void TShape::SetBrushColor(const QColor& Value) {
    FBrushColor = Value;
    update();
}

void TShape::SetPenColor(const QColor& Value) {
    FPenColor = Value;
    update();
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(rect(), FBrushColor);
    painter.setPen(QPen(FPenColor, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, width() - 1, height() - 1);
}

}  // namespace trimora
