// The main program's hint window: its size from the text, its styles by
// system version, and what it paints. Expected sizes are worked out here from
// the font's own metrics (the width of a string as GetTextExtentPoint32 gives
// it, the line height from GetTextMetrics) and from where the words must
// break, never from DrawText's own measure, which is what the window uses.
#include "ui/new_hint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "classlib/application.h"
#include "classlib/font.h"
#include "classlib/graphics.h"
#include "support/program_pictures.h"

namespace {

const char kLongHint[] =
    "Removes the selected items and keeps a copy of each in the quarantine, so that they can be restored later";

// The application's hint font selected into a memory DC of the test's own.
class HintFontDC {
public:
    HintFontDC()
    {
        const HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, TApplication::Instance().HintFont().Handle());
    }
    ~HintFontDC()
    {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    HintFontDC(const HintFontDC&) = delete;
    HintFontDC& operator=(const HintFontDC&) = delete;

    // The width of the characters as they stand: no prefix, no wrapping.
    int Width(const std::string& text) const
    {
        SIZE size{};
        GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &size);
        return size.cx;
    }
    int LineHeight() const
    {
        TEXTMETRICA metrics{};
        GetTextMetricsA(dc_, &metrics);
        return metrics.tmHeight;
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

bool XP() { return true; }
bool Windows2000() { return false; }

// Words that must break into three lines, "Scan Scan", "Scan" and a long
// word that is as wide as the maximum itself: the maximum holds "Scan Scan"
// with its blank but not a third "Scan". The long word ends the text, so
// the widest line has no trailing blank, whether a system counts those or not.
struct WrapFixture {
    std::string longWord = "S";  // "ScanScanSc..."
    std::string text;
    int maxWidth = 0;
    int widestLine = 0;
    int lines = 3;
    explicit WrapFixture(const HintFontDC& font)
    {
        while (font.Width(longWord) < font.Width("Scan Scan "))
            longWord += "Scan"[longWord.size() % 4];
        text = "Scan Scan Scan " + longWord;
        maxWidth = widestLine = font.Width(longWord);
    }
    bool Holds(const HintFontDC& font) const { return maxWidth < font.Width("Scan Scan Scan"); }
};

}  // namespace

TEST(NewHint, SizeIsTheWrappedTextWithoutPrefixesPlusEightByFour)
{
    const HintFontDC font;
    const int line = font.LineHeight();
    ASSERT_GT(line, 0);
    const WrapFixture wrap(font);
    ASSERT_TRUE(wrap.Holds(font)) << "a third word must not fit";

    struct Case {
        const char* what;
        std::string hint;
        int maxWidth;
        int textWidth, lines;
    } cases[] = {
        {"one word", "Scan", 300, font.Width("Scan"), 1},
        // With prefixes the "&" would vanish and underline the blank after it.
        {"an ampersand is a character", "Remove & quarantine", 300, font.Width("Remove & quarantine"), 1},
        {"doubled ampersands stay doubled", "A&&B", 300, font.Width("A&&B"), 1},
        {"a leading ampersand", "&Scan", 300, font.Width("&Scan"), 1},
        {"words that don't fit go to the next line", wrap.text, wrap.maxWidth, wrap.widestLine, wrap.lines},
        {"a line break in the text", "Scan\r\nQuarantine", 300, font.Width("Quarantine"), 2},
    };
    TNewHint hint(&XP);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RECT rect = hint.CalcHintRect(c.maxWidth, c.hint);
        EXPECT_EQ(rect.left, 0);
        EXPECT_EQ(rect.top, 0);
        EXPECT_EQ(rect.right, c.textWidth + 8);
        EXPECT_EQ(rect.bottom, c.lines * line + 4);
    }

    // A long text within a maximum: whole lines, none wider than the maximum,
    // and each line broken only where the next word no longer fits.
    const int longestWord = font.Width(" quarantine,");
    for (const int maxWidth : {300, 120}) {
        SCOPED_TRACE(maxWidth);
        ASSERT_GT(font.Width(kLongHint), maxWidth);
        const RECT rect = hint.CalcHintRect(maxWidth, kLongHint);
        EXPECT_LE(Width(rect), maxWidth + 8);
        EXPECT_GT(Width(rect) - 8, maxWidth - longestWord) << "lines are filled, not broken at every word";
        EXPECT_EQ((Height(rect) - 4) % line, 0) << "whole lines";
        EXPECT_GE(Height(rect) - 4, 2 * line) << "wrapped";
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
        {"Windows XP or later again", &XP, true},
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

TEST(NewHint, WithoutARuleTheSystemsVersionDecidesTheShadow)
{
    // The versions a test system reports, with the answer the version rule
    // gives each: every NT version from XP (5.1) on.
    const struct {
        DWORD major, minor;
        bool shadow;
    } known[] = {
        {5, 0, false}, {5, 1, true}, {5, 2, true}, {6, 0, true}, {6, 1, true},
        {6, 2, true},  {6, 3, true}, {10, 0, true},
    };
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ASSERT_TRUE(GetVersionExA(&version));
#pragma GCC diagnostic pop
    ASSERT_EQ(version.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    const auto row = std::find_if(std::begin(known), std::end(known), [&](const auto& k) {
        return k.major == version.dwMajorVersion && k.minor == version.dwMinorVersion;
    });
    ASSERT_NE(row, std::end(known)) << "a system version this test doesn't know: " << version.dwMajorVersion << "."
                                    << version.dwMinorVersion;

    TNewHint hint;
    hint.ActivateHint(RECT{600, 500, 700, 520}, "Scan");
    EXPECT_EQ((GetClassLongPtrA(hint.Handle(), GCL_STYLE) & CS_DROPSHADOW) != 0, row->shadow)
        << version.dwMajorVersion << "." << version.dwMinorVersion;
    hint.ReleaseHandle();
}

TEST(NewHint, PaintsABlackFrameOnTheHintColourAndTheTextInside)
{
    TApplication& application = TApplication::Instance();
    const TColor savedColour = application.HintColor();
    const COLORREF background = RGB(180, 220, 250);
    application.SetHintColor(static_cast<TColor>(background));
    const COLORREF ink = ColorToRGB(application.HintFont().Color());
    ASSERT_NE(ink, background);

    const HintFontDC font;
    const int line = font.LineHeight();
    const WrapFixture wrap(font);
    ASSERT_TRUE(wrap.Holds(font));
    struct Case {
        const char* what;
        std::string hint;
        std::vector<std::string> lines;  // as they must be drawn, worked out by hand
        int windowWidth;
    } cases[] = {
        {"one word", "Scan", {"Scan"}, font.Width("Scan") + 8},
        // With prefixes, two ampersands of the four would be drawn.
        {"ampersands drawn as they are", "&&&&", {"&&&&"}, font.Width("&&&&") + 8},
        {"an ampersand before a letter", "&Scan", {"&Scan"}, font.Width("&Scan") + 8},
        // The text starts 4 pixels in and may run to the right edge.
        {"wrapped over lines", wrap.text, {"Scan Scan", "Scan", wrap.longWord}, wrap.maxWidth + 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TNewHint hint(&XP);
        // Sized here, not by the window's own measure: the paint alone is under test.
        const int width = c.windowWidth;
        const int height = static_cast<int>(c.lines.size()) * line + 4;
        hint.ActivateHint(RECT{500, 400, 500 + width, 400 + height}, c.hint);
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

        // Inside the frame: the hint colour, and each line drawn as it stands
        // from (4, 3), one line height below the other. The test draws them
        // itself with TextOut, which knows nothing of prefixes or wrapping.
        TBitmap expected(width, height);
        {
            TBitmapDC dc(expected);
            const HBRUSH fill = CreateSolidBrush(background);
            const RECT all{0, 0, width, height};
            FillRect(dc.Get(), &all, fill);
            DeleteObject(fill);
            const HGDIOBJ old = SelectObject(dc.Get(), application.HintFont().Handle());
            SetBkMode(dc.Get(), TRANSPARENT);
            SetTextColor(dc.Get(), ink);
            for (size_t i = 0; i < c.lines.size(); ++i)
                TextOutA(dc.Get(), 4, 3 + static_cast<int>(i) * line, c.lines[i].c_str(),
                         static_cast<int>(c.lines[i].size()));
            SelectObject(dc.Get(), old);
        }
        int inked = 0, faults = 0;
        for (int y = 1; y < height - 1; ++y)
            for (int x = 1; x < width - 1; ++x) {
                inked += picture.Pixel(x, y) != background;
                faults += picture.Pixel(x, y) != expected.Pixel(x, y);
            }
        EXPECT_GT(inked, 0) << "no text painted";
        EXPECT_EQ(faults, 0) << "pixels inside the frame that differ from the text drawn at (4, 3)";
        if (faults)
            test_support::KeepArtefact(picture, std::string("new-hint-") + std::to_string(&c - cases) + ".bmp");
    }
    application.SetHintColor(savedColour);
}
