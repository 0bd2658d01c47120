// The main program's hint window: its size from the measured text, its
// styles by system version, and what it paints.
#include "ui/new_hint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "classlib/application.h"
#include "classlib/graphics.h"
#include "guard/common.h"

namespace {

const char kLongHint[] =
    "Removes the selected items and keeps a copy of each in the quarantine, so that they can be restored later";

// DrawText's rectangle for `text` in the application's hint font, measured
// here on a DC of our own.
RECT Measured(const String& text, int maxWidth, UINT flags)
{
    RECT rect{0, 0, maxWidth, 0};
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    const HGDIOBJ old = SelectObject(dc, TApplication::Instance().HintFont().Handle());
    DrawTextA(dc, text.c_str(), -1, &rect, DT_CALCRECT | flags);
    SelectObject(dc, old);
    DeleteDC(dc);
    return rect;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }


bool XP() { return true; }
bool Windows2000() { return false; }

}  // namespace

TEST(NewHint, SizeIsTheWrappedTextWithoutPrefixesPlusEightByFour)
{
    struct Case {
        const char* what;
        const char* hint;
        int maxWidth;
    } cases[] = {
        {"one word", "Scan", 300},
        {"an ampersand is a character", "Remove & quarantine", 300},
        {"doubled ampersands stay doubled", "A&&B", 300},
        {"wider than the maximum", kLongHint, 300},
        {"wider than a narrow maximum", kLongHint, 120},
    };
    TNewHint hint(&XP);
    const int lineHeight = Height(Measured("Wg", 1000, DT_SINGLELINE));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RECT text = Measured(c.hint, c.maxWidth, DT_WORDBREAK | DT_NOPREFIX);
        const RECT rect = hint.CalcHintRect(c.maxWidth, c.hint);
        EXPECT_EQ(rect.left, 0);
        EXPECT_EQ(rect.top, 0);
        EXPECT_EQ(rect.right, text.right + 8);
        EXPECT_EQ(rect.bottom, text.bottom + 4);

        // Independent of how the text was measured above: no prefixes, and
        // wrapping within the maximum.
        const std::string hintText = c.hint;
        if (hintText.find('&') != std::string::npos) {
            std::string bare = hintText;
            bare.erase(std::remove(bare.begin(), bare.end(), '&'), bare.end());
            EXPECT_GT(Width(rect), Width(hint.CalcHintRect(c.maxWidth, bare))) << "the & is measured";
        }
        const RECT oneLine = Measured(c.hint, 100000, DT_SINGLELINE | DT_NOPREFIX);
        EXPECT_LE(Width(rect), c.maxWidth + 8);
        if (Width(oneLine) > c.maxWidth) {
            EXPECT_GE(Height(rect), 2 * lineHeight + 4) << "wrapped";
        } else {
            EXPECT_EQ(Height(rect), lineHeight + 4) << "one line";
            EXPECT_EQ(Width(rect), Width(oneLine) + 8);
        }
    }
}

TEST(NewHint, NoBorderAndADropShadowFromWindowsXPOn)
{
    struct Case {
        const char* what;
        TNewHint::TVersionRule rule;
        bool shadow;
    } cases[] = {
        {"Windows XP or later", &XP, true},
        {"before Windows XP", &Windows2000, false},
        {"the system we run on", &IsWindowsXPOrLater, IsWindowsXPOrLater()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TNewHint hint(c.rule);
        hint.ActivateHint(RECT{600, 500, 700, 520}, "Scan");
        const HWND window = hint.Handle();
        ASSERT_TRUE(IsWindowVisible(window));
        const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
        EXPECT_EQ(style & (WS_POPUP | WS_BORDER | WS_CHILD), WS_POPUP);
        EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ((GetClassLongPtrA(window, GCL_STYLE) & CS_DROPSHADOW) != 0, c.shadow);
        // Without a border the window is all client area: the painted frame is its edge.
        RECT client{};
        GetClientRect(window, &client);
        EXPECT_EQ(Width(client), 100);
        EXPECT_EQ(Height(client), 20);
        hint.ReleaseHandle();
        EXPECT_FALSE(IsWindowVisible(window));
    }
}

TEST(NewHint, PaintsABlackFrameOnTheHintColourAndTheTextInside)
{
    TApplication& application = TApplication::Instance();
    const TColor savedColour = application.HintColor();
    const COLORREF background = RGB(180, 220, 250);
    application.SetHintColor(static_cast<TColor>(background));

    struct Case {
        const char* what;
        const char* hint;
    } cases[] = {
        {"one word", "Scan"},
        {"ampersands drawn as they are", "&&&&"},
        {"wrapped over lines", kLongHint},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TNewHint hint(&XP);
        const RECT size = hint.CalcHintRect(150, c.hint);
        hint.ActivateHint(RECT{500, 400, 500 + size.right, 400 + size.bottom}, c.hint);
        const int width = size.right;
        const int height = size.bottom;
        TBitmap picture(width, height);
        {
            TBitmapDC dc(picture);
            SendMessageA(hint.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()),
                         PRF_ERASEBKGND | PRF_CLIENT);
        }
        hint.ReleaseHandle();

        int frameFaults = 0;
        for (int x = 0; x < width; ++x)
            frameFaults += (picture.Pixel(x, 0) != RGB(0, 0, 0)) + (picture.Pixel(x, height - 1) != RGB(0, 0, 0));
        for (int y = 0; y < height; ++y)
            frameFaults += (picture.Pixel(0, y) != RGB(0, 0, 0)) + (picture.Pixel(width - 1, y) != RGB(0, 0, 0));
        EXPECT_EQ(frameFaults, 0) << "the frame is black all round";

        // Inside the frame: the hint colour, with the text's ink starting
        // at (4, 3) and filling the measured text rectangle.
        RECT ink{width, height, 0, 0};
        for (int y = 1; y < height - 1; ++y)
            for (int x = 1; x < width - 1; ++x)
                if (picture.Pixel(x, y) != background) {
                    ink.left = std::min<LONG>(ink.left, x);
                    ink.top = std::min<LONG>(ink.top, y);
                    ink.right = std::max<LONG>(ink.right, x + 1);
                    ink.bottom = std::max<LONG>(ink.bottom, y + 1);
                }
        EXPECT_EQ(picture.Pixel(1, 1), background);
        EXPECT_EQ(picture.Pixel(width - 2, height - 2), background);
        const RECT text = Measured(c.hint, 150, DT_WORDBREAK | DT_NOPREFIX);
        ASSERT_LT(ink.left, ink.right) << "no text painted";
        EXPECT_GE(ink.left, 4);
        EXPECT_GE(ink.top, 3);
        EXPECT_LE(ink.right, 4 + text.right + 1);  // +1: a glyph may overhang its cell
        EXPECT_LE(ink.bottom, 3 + text.bottom);
        EXPECT_GT(ink.right, 4 + text.right * 3 / 4) << "the whole text is drawn";
        if (Height(text) >= 3 * Height(Measured("Wg", 1000, DT_SINGLELINE))) {
            EXPECT_GT(ink.bottom, 3 + text.bottom / 2) << "drawn over several lines";
        }
    }
    application.SetHintColor(savedColour);
}
