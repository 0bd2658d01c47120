#include "controls/bit_check_box.h"

#include <gtest/gtest.h>

namespace {

// A glyph of `frames` frames, 14 high: frame k is filled with colours[k],
// and its bottom-left pixel is the transparent magenta.
TBitmap Glyph(int frameWidth, std::vector<COLORREF> colours)
{
    TBitmap glyph(frameWidth * static_cast<int>(colours.size()), 14);
    for (int x = 0; x < glyph.Width(); ++x)
        for (int y = 0; y < 14; ++y)
            glyph.SetPixel(x, y, colours[static_cast<size_t>(x / frameWidth)]);
    glyph.SetPixel(0, 13, RGB(255, 0, 255));
    return glyph;
}

COLORREF PaintedAt(TBitCheckBox& box, int x, int y)
{
    TBitmap canvas(box.Width(), box.Height());
    {
        TBitmapDC dc(canvas);
        box.PaintTo(dc.Get());
    }
    return canvas.Pixel(x, y);
}

}  // namespace

TEST(BitCheckBoxWindow, ClicksToggleBeforeOnClick)
{
    TBitCheckBox box(nullptr);
    box.SetAllowGrayed(true);
    std::vector<TCheckBoxState> seen;
    box.OnClick = [&](TControl&) { seen.push_back(box.State()); };
    for (int i = 0; i < 3; ++i) {
        SendMessageA(box.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(box.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{TCheckBoxState::cbGrayed, TCheckBoxState::cbChecked,
                                                 TCheckBoxState::cbUnchecked}));
    SendMessageA(box.Handle(), WM_CHAR, ' ', 0);
    EXPECT_EQ(box.State(), TCheckBoxState::cbGrayed);
    EXPECT_EQ(seen.size(), 4u);
    box.SetChecked(true);  // from code: no event
    EXPECT_EQ(seen.size(), 4u);
}

TEST(BitCheckBoxWindow, GlyphFramesAndTheirPlace)
{
    TBitCheckBox box(nullptr);
    box.SetColor(RGB(200, 200, 200));
    box.SetGlyph(TCheckBoxState::cbUnchecked, Glyph(14, {RGB(0, 128, 0), RGB(128, 0, 0)}));
    EXPECT_EQ(box.NumGlyphs(TCheckBoxState::cbUnchecked), 2);
    const int y = (17 - 14) / 2 + 5;
    EXPECT_EQ(PaintedAt(box, 5, y), RGB(0, 128, 0));       // the first frame, at the left
    EXPECT_EQ(PaintedAt(box, 0, 1 + 13), RGB(200, 200, 200));  // the transparent pixel shows the colour
    box.SetEnabled(false);
    EXPECT_EQ(PaintedAt(box, 5, y), RGB(128, 0, 0));       // the disabled frame
    box.SetEnabled(true);
    box.SetAlignment(TLeftRight::taLeftJustify);
    EXPECT_EQ(PaintedAt(box, 97 - 14 + 5, y), RGB(0, 128, 0));  // at the right edge
    EXPECT_EQ(PaintedAt(box, 5, y), RGB(200, 200, 200));
}

#include "classlib/forms.h"

TEST(BitCheckBoxWindow, TheAcceleratorFocusesAndTogglesWithoutOnClick)
{
    TForm form(nullptr);
    form.SetBounds(50, 50, 300, 100);
    TWinControl& other = form.Own<TWinControl>();
    other.SetParent(&form);
    other.SetBounds(0, 0, 20, 20);
    TBitCheckBox& box = form.Own<TBitCheckBox>();
    box.SetParent(&form);
    box.SetBounds(10, 40, 200, 17);
    box.SetCaption("&Always forbid these changes");
    int clicks = 0;
    box.OnClick = [&](TControl&) { ++clicks; };
    ShowWindow(form.Handle(), SW_SHOWNA);

    const struct {
        const char* what;
        UINT message;
        char key;
        bool enabled;
        bool toggles;
    } cases[] = {
        {"Alt+A", WM_SYSCHAR, 'a', true, true},
        {"a typed in a control that takes no characters", WM_CHAR, 'A', true, true},
        {"another letter", WM_SYSCHAR, 'l', true, false},
        {"disabled", WM_SYSCHAR, 'a', false, false},
    };
    for (const auto& c : cases) {
        box.SetEnabled(c.enabled);
        box.SetChecked(false);
        SetFocus(other.Handle());
        SendMessageA(other.Handle(), c.message, static_cast<WPARAM>(c.key), 0);
        EXPECT_EQ(box.Checked(), c.toggles) << c.what;
        EXPECT_EQ(GetFocus() == box.Handle(), c.toggles) << c.what;
    }
    EXPECT_EQ(clicks, 0);
}
