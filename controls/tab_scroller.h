// The pair of scroll arrows the tab bar shows when not all tabs fit: drawn
// with lines, one step per completed click (TScrollerModel).
#pragma once

#include "classlib/controls.h"
#include "controls/tab_scroller_model.h"

constexpr TColor cl3DDkShadow = SystemColor(21);

class TScroller : public TWinControl {
public:
    explicit TScroller(TComponent* owner);

    String ClassName() const override { return "TScroller"; }

    int Min() const { return model_.Min(); }
    int Max() const { return model_.Max(); }
    int Position() const { return model_.Position(); }
    void SetMin(int value) { model_.SetMin(value); }
    void SetMax(int value) { model_.SetMax(value); }
    void SetPosition(int value);
    void SetChange(int value) { model_.SetChange(value); }
    TColor ArrowColor() const { return arrowColour_; }
    void SetArrowColor(TColor colour);
    TScrollPosition ScrollPosition() const { return model_.ScrollPosition(); }
    void SetScrollPosition(TScrollPosition position);
    bool CanScrollLeft() const { return model_.CanScrollLeft(); }
    bool CanScrollRight() const { return model_.CanScrollRight(); }

    // Its size is its own.
    void SetBounds(int left, int top, int width, int height) override;

    std::function<void(TScroller&)> OnClick;

    void PaintTo(HDC dc);

private:
    void Repaint();
    void PaintArrow(HDC dc, int arrow);

    TScrollerModel model_;
    TColor arrowColour_ = cl3DDkShadow;
};
