// The state of a three-state picture button, free of Win32: which picture
// shows, when the mouse is captured, when a click fires. The windowed button
// feeds it mouse, key, focus and capture events in client coordinates and
// applies what it asks for (capture, focus, repaint).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

enum class TButtonPicture { Normal, Hot, Down, Disabled };

// A shape bitmap: pixels of the colour of its top-left pixel are outside.
class TShapeMap {
public:
    TShapeMap() = default;
    TShapeMap(int width, int height, std::vector<std::uint32_t> pixels);  // rows top first
    bool Contains(int x, int y) const;
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

class TThreeStateButtonModel {
public:
    std::function<void()> OnClick;

    void SetShape(TShapeMap shape) { shape_ = std::move(shape); }
    // A picture never shrinks the button.
    void GrowTo(int width, int height);
    // The size the window was given.
    void SetSize(int width, int height)
    {
        width_ = width;
        height_ = height;
    }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    void SetTabStop(bool tabStop) { tabStop_ = tabStop; }
    void SetCanFocus(bool canFocus) { canFocus_ = canFocus; }  // showing and able to take the focus

    // Mouse events in client coordinates; any button presses the picture,
    // only the left one clicks (see Click).
    void MouseMove(int x, int y, bool leftHeld);
    void MouseDown(int x, int y);
    void MouseUp();
    // The click: the window layer calls it when the left button is released
    // inside the control after a press on it, before MouseUp.
    void Click();
    // Space or Enter: consumed (answers true) and shown pressed.
    bool KeyPress(char key);
    bool KeyUp(int keyCode);
    void FocusReceived();
    void FocusLost() { focused_ = false; }
    // The capture went to another window (a modal box, Alt+Tab).
    void CaptureLost();

    bool HitTest(int x, int y) const { return shape_.Contains(x, y); }
    bool Captured() const { return captured_; }
    bool Focused() const { return focused_; }
    bool Pressed() const { return pressed_; }
    // The picture to paint; `hasHotPicture` says whether a hot picture is set.
    TButtonPicture PictureToPaint(bool hasHotPicture) const;

private:
    TShapeMap shape_;
    int width_ = 32;
    int height_ = 32;
    bool enabled_ = true;
    bool tabStop_ = false;
    bool canFocus_ = true;
    bool focused_ = false;
    TButtonPicture current_ = TButtonPicture::Normal;
    bool down_ = false;     // the pressed picture shows while focused
    bool pressed_ = false;  // a press began on the shape: a click may fire
    bool hot_ = false;      // the mouse is captured over the shape
    bool captured_ = false;
};
