// The vertical scroll bar of the program's page grids: two arrow buttons, a
// track and a thumb, drawn in the system's look or by its host through
// three events. Its state and geometry live in TScrollBarModel.
#pragma once

#include "classlib/controls.h"
#include "classlib/graphics.h"
#include "controls/owner_scroll_bar_model.h"

enum class TOSBDrawStyle { osbStandard, osbOwnerDraw };

class TWOwnrScrllBar : public TWinControl {
public:
    // (bar, the buffer's device context, the part's rectangle, State: true
    // when the part is not pressed)
    using TOSBEvent = std::function<void(TWOwnrScrllBar&, HDC, const RECT&, bool)>;

    explicit TWOwnrScrllBar(TComponent* owner);
    ~TWOwnrScrllBar() override;

    String ClassName() const override { return "TWOwnrScrllBar"; }

    TOSBDrawStyle DrawStyle() const { return drawStyle_; }
    void SetDrawStyle(TOSBDrawStyle style);
    bool Ctrl3D() const { return ctrl3D_; }
    void SetCtrl3d(bool on);
    TColor BackgroundColor() const { return background_; }
    void SetBgColor(TColor colour);
    int ButtonHeight() const { return model_.ButtonHeight(); }
    void SetButtonHeight(int height);
    int TrackHeight() const { return model_.TrackHeight(); }
    void SetTrackHeight(int height);
    void SetAutoSizeTrack(bool on);
    void SetMinTrackSize(int size) { model_.SetMinTrackSize(size); }
    int Min() const { return model_.Min(); }
    int Max() const { return model_.Max(); }
    void SetMin(int min) { model_.SetMin(min); }
    void SetMax(int max) { model_.SetMax(max); }
    int Position() const { return model_.Position(); }
    // Out of Min..Max: nothing. Otherwise the thumb moves and OnChange fires,
    // also for the same value.
    void setPosition(int position) { model_.SetPosition(position); }
    void SetSmallChange(int step) { model_.SetSmallChange(step); }
    void SetLargeChange(int step) { model_.SetLargeChange(step); }
    TScrollRect TrackRect() const { return model_.TrackRect(); }
    const TScrollBarModel& Model() const { return model_; }

    void SetBounds(int left, int top, int width, int height) override;

    TOSBEvent OnTopDraw, OnTrackDraw, OnBottomDraw;
    std::function<void(TWOwnrScrllBar&)> OnChange;

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

    // Paints the whole bar into `dc` through the buffer.
    void PaintTo(HDC dc);

protected:
    virtual void DoChange();

private:
    void PaintBuffer(HDC dc);
    void FireDraw(const TOSBEvent& event, HDC dc, const TScrollRect& rect, bool state);
    void Repaint();
    void FollowRepeatTimer();

    TScrollBarModel model_;
    TOSBDrawStyle drawStyle_ = TOSBDrawStyle::osbStandard;
    bool ctrl3D_ = true;
    TColor background_ = clBtnFace;
    int timerInterval_ = 0;  // what runs now; 0: off
};
