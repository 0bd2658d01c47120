// The picture button of every window: a normal, hot, pressed and disabled
// picture, and a shape bitmap whose top-left colour marks what is outside
// the button; outside the shape the mouse reaches the window beneath.
#pragma once

#include "classlib/controls.h"
#include "classlib/graphics.h"
#include "controls/three_state_button_model.h"

class TThreeStateButton : public TWinControl {
public:
    explicit TThreeStateButton(TComponent* owner);

    String ClassName() const override { return "TThreeStateButton"; }

    // Each setter copies the picture and grows the button to it.
    void SetNormalBitmap(const TBitmap& picture) { SetPicture(normal_, picture); }
    void SetHotBitmap(const TBitmap& picture) { SetPicture(hot_, picture); }
    void SetDownBitmap(const TBitmap& picture) { SetPicture(down_, picture); }
    void SetDisabledBitmap(const TBitmap& picture) { SetPicture(disabled_, picture); }
    void SetCoordBitmap(const TBitmap& shape);
    const TBitmap& NormalBitmap() const { return normal_; }
    const TBitmap& CoordinateBitmap() const { return shape_; }

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    void SetEnabled(bool enabled) override;
    void SetBounds(int left, int top, int width, int height) override
    {
        model_.SetSize(width, height);
        TWinControl::SetBounds(left, top, width, height);
    }
    void SetTabStop(bool tabStop) override
    {
        TWinControl::SetTabStop(tabStop);
        model_.SetTabStop(tabStop);
    }

    // The picture that paints now.
    const TBitmap& CurrentPicture() const;

    void Click() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyPress(char& key) override;
    void KeyUp(WORD& key, TShiftState shift) override;

private:
    void SetPicture(TBitmap& slot, const TBitmap& picture);
    void Apply();  // capture, focus and repaint as the model says
    void PaintTo(HDC dc);

    TThreeStateButtonModel model_;
    TBitmap normal_, hot_, down_, disabled_, shape_;
    bool transparent_ = true;
    bool changingCapture_ = false;
};
