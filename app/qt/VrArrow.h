#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

#include "app/logic/ArrowShape.h"

namespace trimora {

enum class TVrArrowDirection { adUp, adRight, adDown, adLeft };

// Arrow gauge: a thick arrow with a dark outline, centred in the widget's box on a transparent
// background, filled with the high colour while active and the low colour otherwise. It has no
// behaviour of its own; its owner moves it.
class TVrArrow : public QWidget {
    Q_OBJECT
  public:
    // The arrow's size when it points up or down; left and right swap the two.
    static constexpr int ArrowWidth = ArrowShape::Width;
    static constexpr int ArrowHeight = ArrowShape::Height;

    explicit TVrArrow(QWidget* Parent = nullptr);

    bool Active() const { return FActive; }
    void SetActive(bool Value);
    TVrArrowDirection Direction() const { return FDirection; }
    void SetDirection(TVrArrowDirection Value);
    QColor ColorHigh() const { return FColorHigh; }
    void SetColorHigh(const QColor& Value);
    QColor ColorLow() const { return FColorLow; }
    void SetColorLow(const QColor& Value);

    // Where the arrow lies in the widget: centred, its size depending on the direction.
    QRect ArrowRect() const;

  protected:
    void paintEvent(QPaintEvent* Event) override;

  private:
    bool FActive = true;
    TVrArrowDirection FDirection = TVrArrowDirection::adDown;
    QColor FColorHigh{Qt::green};
    QColor FColorLow{0, 128, 0};
};

}  // namespace trimora
