// The flat edit in a real window under Xvfb: its frame read back from the
// screen after each kind of repaint, and a picture kept for review in
// test-artefacts/.
#include "controls/flat_edit.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

#include "classlib/application.h"
#include "support/program_pictures.h"

namespace {

const COLORREF kPage = RGB(0xDE, 0xE0, 0xE6);  // the settings page's background
const COLORREF kMarker = RGB(255, 0, 255);

void Settle()
{
    for (int i = 0; i < 10; ++i) {
        TApplication::Instance().ProcessMessages();
        Sleep(10);
    }
    GdiFlush();
}

// A page with an edit as the forms place theirs, and a control to take the focus.
struct EditOnAPage {
    EditOnAPage()
    {
        page.SetBounds(40, 40, 320, 120);
        page.SetColor(static_cast<TColor>(kPage));
        page.SetFont(TFont("Tahoma", -11));
        other.SetParent(&page);
        other.SetBounds(280, 80, 20, 20);
        edit.SetParent(&page);
        edit.SetBounds(10, 10, 200, 21);
        edit.SetBorderColor(clGray);
        edit.SetColor(clWhite);
    }
    void Show()
    {
        ShowWindow(page.Handle(), SW_SHOWNA);
        UpdateWindow(page.Handle());
        Settle();
    }
    TWinControl page{nullptr};
    TWinControl& other = page.Own<TWinControl>();
    TFlatEdit& edit = page.Own<TFlatEdit>();
};

// Paints the marker over the frame's three rings without asking for a
// repaint: a frame shown later was drawn again.
void Smear(TFlatEdit& edit)
{
    HDC dc = GetWindowDC(edit.Handle());
    RECT ring{0, 0, edit.Width(), edit.Height()};
    const HBRUSH brush = CreateSolidBrush(kMarker);
    for (int i = 0; i < 3; ++i, InflateRect(&ring, -1, -1))
        FrameRect(dc, &ring, brush);
    DeleteObject(brush);
    ReleaseDC(edit.Handle(), dc);
    GdiFlush();
}

TBitmap Shot(TFlatEdit& edit) { return test_support::ScreenShot(edit.Handle(), RECT{0, 0, edit.Width(), edit.Height()}); }

// The pixels of the outer ring that aren't `border` and of the two rings
// inside it that aren't `band`, as "frame a band b"; "" when all are right.
std::string FrameFaults(const TBitmap& shot, COLORREF border, COLORREF band)
{
    int wrongFrame = 0, wrongBand = 0;
    const int w = shot.Width(), h = shot.Height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int ring = std::min(std::min(x, y), std::min(w - 1 - x, h - 1 - y));
            if (ring == 0)
                wrongFrame += shot.Pixel(x, y) != border;
            else if (ring <= 2)
                wrongBand += shot.Pixel(x, y) != band;
        }
    if (wrongFrame == 0 && wrongBand == 0)
        return "";
    std::ostringstream out;
    out << "frame " << wrongFrame << " band " << wrongBand;
    return out.str();
}

// How many pixels inside the band show `colour`.
int InsideShowing(const TBitmap& shot, COLORREF colour)
{
    int count = 0;
    for (int y = 3; y < shot.Height() - 3; ++y)
        for (int x = 3; x < shot.Width() - 3; ++x)
            count += shot.Pixel(x, y) == colour;
    return count;
}

void Type(TFlatEdit& edit, const std::string& keys)
{
    for (char key : keys)
        SendMessageA(edit.Handle(), WM_CHAR, static_cast<unsigned char>(key), 1);
}

}  // namespace

TEST(FlatEditWindow, AFrameLineAndABandOfTheEditsColourOnAWindowWithoutASystemBorder)
{
    EditOnAPage f;
    f.edit.SetText("Software\\Microsoft\\Internet Explorer\\Main");
    f.edit.SetMaxLength(255);
    // As made: navy, 21 high; the disabled look of the settings page.
    TFlatEdit& plain = f.page.Own<TFlatEdit>();
    plain.SetParent(&f.page);
    plain.SetBounds(10, 40, 200, plain.Height());
    TFlatEdit& disabled = f.page.Own<TFlatEdit>();
    disabled.SetParent(&f.page);
    disabled.SetBounds(10, 70, 200, 21);
    disabled.SetBorderColor(clGray);
    disabled.SetText("8080");
    disabled.SetEnabled(false);
    disabled.SetColor(static_cast<TColor>(0xEFEFEF));
    f.Show();
    test_support::KeepArtefact(test_support::ScreenShot(f.page.Handle(), RECT{4, 4, 216, 96}), "flat-edit.bmp");

    EXPECT_EQ(plain.Height(), 21);
    const struct {
        const char* name;
        TFlatEdit& edit;
        COLORREF border, band;
    } cases[] = {
        {"grey frame", f.edit, RGB(128, 128, 128), RGB(255, 255, 255)},
        {"as made", plain, RGB(0, 0, 128), ColorToRGB(clWindow)},
        {"disabled", disabled, RGB(128, 128, 128), RGB(0xEF, 0xEF, 0xEF)},
    };
    for (const auto& c : cases) {
        const HWND window = c.edit.Handle();
        EXPECT_FALSE(GetWindowLongA(window, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)) << c.name;
        EXPECT_FALSE(GetWindowLongA(window, GWL_STYLE) & WS_BORDER) << c.name;
        const TBitmap shot = Shot(c.edit);
        EXPECT_EQ(FrameFaults(shot, c.border, c.band), "") << c.name;
        // The band is the edit's own background, which goes on inside it.
        EXPECT_EQ(shot.Pixel(shot.Width() - 5, shot.Height() / 2), c.band) << c.name;
        // The line lies at the very edge: the page shows right outside it.
        const RECT outside{c.edit.Left() - 1, c.edit.Top() - 1, c.edit.Left(), c.edit.Top()};
        EXPECT_EQ(test_support::ScreenShot(f.page.Handle(), outside).Pixel(0, 0), kPage) << c.name;
    }
}

TEST(FlatEditWindow, ColourChangesShowOnTheNextPaint)
{
    EditOnAPage f;
    f.edit.SetText("Proxy");
    f.Show();
    COLORREF border = RGB(128, 128, 128), band = RGB(255, 255, 255);
    const struct {
        const char* name;
        std::function<void(TFlatEdit&)> change;
        COLORREF border, band;
    } steps[] = {
        {"grey edit", [](TFlatEdit& e) { e.SetColor(static_cast<TColor>(0xEFEFEF)); }, 0, RGB(0xEF, 0xEF, 0xEF)},
        {"red line", [](TFlatEdit& e) { e.SetBorderColor(static_cast<TColor>(RGB(200, 0, 0))); }, RGB(200, 0, 0), 0},
        {"disabled", [](TFlatEdit& e) { e.SetEnabled(false); }, 0, 0},
        {"enabled and white", [](TFlatEdit& e) { e.SetEnabled(true); e.SetColor(clWhite); }, 0, RGB(255, 255, 255)},
        {"system colour", [](TFlatEdit& e) { e.SetColor(clBtnFace); }, 0, ColorToRGB(clBtnFace)},
    };
    for (const auto& step : steps) {
        step.change(f.edit);
        Settle();
        border = step.border ? step.border : border;
        band = step.band ? step.band : band;
        const TBitmap shot = Shot(f.edit);
        EXPECT_EQ(FrameFaults(shot, border, band), "") << step.name;
        EXPECT_EQ(shot.Pixel(shot.Width() - 5, shot.Height() / 2), band) << step.name << ": the background inside";
    }
}

TEST(FlatEditWindow, TypingSelectingAndTheFocusNeverLeaveTheFrameMissing)
{
    EditOnAPage f;
    f.Show();
    const COLORREF border = RGB(128, 128, 128), white = RGB(255, 255, 255);
    const COLORREF highlight = ColorToRGB(clHighlight);
    // The caret blinks by inverting what is under it, frame included: it is
    // kept hidden while the screen is read.
    const auto look = [&](const char* step, bool selectionShows) {
        Settle();
        if (GetFocus() == f.edit.Handle())
            HideCaret(f.edit.Handle());
        const TBitmap shot = Shot(f.edit);
        EXPECT_EQ(FrameFaults(shot, border, white), "") << step;
        if (selectionShows)
            EXPECT_GT(InsideShowing(shot, highlight), 0) << step << ": the selection shows";
        else
            EXPECT_EQ(InsideShowing(shot, highlight), 0) << step;
        if (GetFocus() == f.edit.Handle())
            ShowCaret(f.edit.Handle());
    };

    Smear(f.edit);
    Type(f.edit, "HKEY_LOCAL_MACHINE");  // the text runs the width of the edit
    look("typed", false);
    EXPECT_EQ(f.edit.Text(), "HKEY_LOCAL_MACHINE");

    Smear(f.edit);
    Type(f.edit, "\b\b\b\b\b\b\b\b");
    look("rubbed out", false);
    EXPECT_EQ(f.edit.Text(), "HKEY_LOCAL");

    Smear(f.edit);
    SetFocus(f.edit.Handle());  // entered: all of it selected
    look("entered", true);
    EXPECT_EQ(f.edit.SelLength(), 10);

    Smear(f.edit);
    f.edit.SetSelStart(5);
    f.edit.SetSelLength(5);
    look("part selected", true);

    // The mouse drags a selection through the system's own handling.
    Smear(f.edit);
    SendMessageA(f.edit.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 8));
    SendMessageA(f.edit.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, 8));
    SendMessageA(f.edit.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(30, 8));
    look("dragged", true);
    EXPECT_EQ(f.edit.SelStart(), 0);
    EXPECT_GT(f.edit.SelLength(), 0);

    Smear(f.edit);
    SetFocus(f.other.Handle());  // left: the selection hides
    look("left", false);
}
