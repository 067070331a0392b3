#include "app/qt/VrArrow.h"

#include <QImage>
#include <QPainter>

#include "app/logic/ArrowShape.h"

namespace trimora {

namespace {

// Turns a pixel of the arrow's box, for the given direction, into the down arrow's coordinates.
QPoint ToDownArrow(TVrArrowDirection Direction, int X, int Y) {
    switch (Direction) {
        case TVrArrowDirection::adDown:
            return {X, Y};
        case TVrArrowDirection::adUp:
            return {X, TVrArrow::ArrowHeight - 1 - Y};
        case TVrArrowDirection::adLeft:
            return {Y, TVrArrow::ArrowHeight - 1 - X};
        case TVrArrowDirection::adRight:
            return {TVrArrow::ArrowWidth - 1 - Y, X};
    }
    return {X, Y};
}

bool Sideways(TVrArrowDirection Direction) {
    return Direction == TVrArrowDirection::adLeft || Direction == TVrArrowDirection::adRight;
}

}  // namespace

TVrArrow::TVrArrow(QWidget* Parent) : QWidget(Parent) {
    // Nothing behind the arrow is painted: the widgets below show through.
    setAutoFillBackground(false);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void TVrArrow::SetActive(bool Value) {
    if (FActive == Value) return;
    FActive = Value;
    update();
}

void TVrArrow::SetDirection(TVrArrowDirection Value) {
    if (FDirection == Value) return;
    FDirection = Value;
    update();
}

void TVrArrow::SetColorHigh(const QColor& Value) {
    FColorHigh = Value;
    update();
}

void TVrArrow::SetColorLow(const QColor& Value) {
    FColorLow = Value;
    update();
}

QRect TVrArrow::ArrowRect() const {
    const QSize size =
        Sideways(FDirection) ? QSize(ArrowHeight, ArrowWidth) : QSize(ArrowWidth, ArrowHeight);
    // An odd spare pixel goes to the left and top, so that a down arrow's tip sits on the box's
    // middle column (x = 25 in a 50 px box): the owner centres the box on a position.
    const ArrowShape::TPoint origin =
        ArrowShape::OriginIn(width(), height(), size.width(), size.height());
    return QRect(QPoint(origin.X, origin.Y), size);
}

void TVrArrow::paintEvent(QPaintEvent*) {
    // Drawn pixel by pixel: the shape is small and must come out exactly the same everywhere.
    const QRect box = ArrowRect();
    QImage picture(box.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    const QRgb fill = (FActive ? FColorHigh : FColorLow).rgba();
    const QRgb outline = QColor(Qt::black).rgba();
    for (int y = 0; y < box.height(); ++y) {
        for (int x = 0; x < box.width(); ++x) {
            const QPoint p = ToDownArrow(FDirection, x, y);
            if (!ArrowShape::Contains(p.x(), p.y())) continue;
            const bool edge = !ArrowShape::Contains(p.x() - 1, p.y()) ||
                              !ArrowShape::Contains(p.x() + 1, p.y()) ||
                              !ArrowShape::Contains(p.x(), p.y() - 1) ||
                              !ArrowShape::Contains(p.x(), p.y() + 1);
            picture.setPixel(x, y, edge ? outline : fill);
        }
    }
    QPainter painter(this);
    painter.drawImage(box.topLeft(), picture);
}

}  // namespace trimora
