#pragma once

#include <QLabel>

namespace trimora {

// A text label that sizes itself to its text whenever the text or font changes. A right-aligned
// label keeps its right edge where it is and grows to the left.
class TLabel : public QLabel {
    Q_OBJECT
  public:
    explicit TLabel(QWidget* Parent = nullptr);

    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool RightAligned() const { return FRightAligned; }
    void SetRightAligned(bool Value);

    void SetCaption(const QString& Text);
    // The label's right edge: one past its last column, as a left edge plus a width.
    int RightEdge() const { return x() + width(); }

    // Fits the label's size to its text now.
    void FitToText();

  protected:
    void changeEvent(QEvent* Event) override;

  private:
    bool FAutoSize = true;
    bool FRightAligned = false;
};

}  // namespace trimora
