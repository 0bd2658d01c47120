// The bitmapped combo box's rules, free of Win32: the item height that its
// button picture asks for, the button's rectangle, which picture shows and
// how tall the dropped list is.
#pragma once

// The picture's height - 2 when there is a picture, else the font's height + 4.
int ComboItemHeight(int normalPictureHeight, int fontHeight);

struct TComboButtonRect {
    int left, top, right, bottom;
    bool operator==(const TComboButtonRect&) const = default;
};
TComboButtonRect ComboButtonRect(int clientRight, int clientTop, int clientBottom, int pictureWidth);

// The dropped list's height: a row per item, at least one and at most
// dropDownCount (a count below one counts as one), and its two border lines.
int ComboDropDownHeight(int itemHeight, int itemCount, int dropDownCount);

// The drop button shows pressed from a left press or the list opening until
// the list closes or the left button is let go with the list closed.
class TComboButtonModel {
public:
    void LeftButtonDown() { buttonDown_ = true; }
    // Answers whether the button needs repainting (not while the list is open).
    bool LeftButtonUp(bool droppedDown)
    {
        buttonDown_ = false;
        return !droppedDown;
    }
    void ListOpened() { buttonDown_ = true; }
    void ListClosed() { buttonDown_ = false; }
    // The down picture while pressed, when there is one.
    bool ShowsDownPicture(bool hasDownPicture) const { return buttonDown_ && hasDownPicture; }
    bool ButtonDown() const { return buttonDown_; }

private:
    bool buttonDown_ = false;
};
