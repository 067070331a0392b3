#pragma once

#include <QColor>
#include <QWidget>

namespace trimora {

// A filled rectangle with a 1 px outline inside its bounds.
class TShape : public QWidget {
    Q_OBJECT
  public:
    explicit TShape(QWidget* Parent = nullptr);

    QColor BrushColor() const { return FBrushColor; }
    void SetBrushColor(const QColor& Value);
    QColor PenColor() const { return FPenColor; }
    void SetPenColor(const QColor& Value);

  protected:
    void paintEvent(QPaintEvent* Event) override;

  private:
    QColor FBrushColor{Qt::white};
    QColor FPenColor{Qt::black};
};

}  // namespace trimora
