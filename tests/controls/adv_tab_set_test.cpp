// The tab bar as a window: composed on a memory DC and read pixel by pixel
// in the main window's page-bar settings (flat tabs, gradients, picture
// skins), driven through real mouse messages and accelerators, and shown on
// a form with the program's own skins for a screenshot kept for review.
#include "controls/adv_tab_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "classlib/application.h"
#include "classlib/forms.h"
#include "controls/adv_tab_set_painting.h"
#include "support/program_pictures.h"

namespace {

// The main window's page-bar colours.
constexpr TColor kPageBlue = 8537638;         // RGB(38, 70, 130)
constexpr TColor kPageBackground = 15130846;  // RGB(222, 224, 230)
constexpr COLORREF kGrey = RGB(128, 128, 128);

int TextWidthIn(const TFont& font, const String& text)
{
    const TFontDC dc(font);
    SIZE size{};
    GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// A bar set up as the main window's page bars are, with a tab per caption.
void SetUpPageBar(TAdvTabSet& bar, const std::vector<String>& captions)
{
    TAdvTabSetModel& model = bar.Model();
    bar.SetBounds(0, 0, 553, 21);
    model.SetTabPosition(TAdvTabPosition::pTop);
    model.SetAdvTabStyle(TAdvTabStyle::tsClassic);
    bar.SetAutoScroll(false);
    model.SetShowScroller(TShowScroller::ssAuto);
    model.SetTabHeight(19);
    model.TabMargin().SetLeftMargin(8);
    model.TabMargin().SetTopMargin(3);
    model.TabMargin().SetRightMargin(0);
    model.SetTabOverlap(10);
    model.SetStartMargin(0);
    model.SetEndMargin(0);
    model.SetLowerSelected(0);
    model.SetSoftTop(true);
    bar.SetBackgroundColor(kPageBackground);
    model.SetSelectedColor(kPageBlue);
    model.SetSelectedColorTo(kPageBlue);
    model.SetTextColor(kPageBlue);
    model.SetTabBorderColor(clBtnFace);
    const TFont font("Arial", -13, fsBold, kPageBlue);
    bar.SetFont(font);
    bar.SetActiveFont(font);
    bar.OnMeasureTab = [](TAdvTabSet& self, int position, int& width) {
        width = TextWidthIn(self.Font(), self.Model().TabAt(position)->Caption()) + 20;
    };
    for (const String& caption : captions) {
        TTabCollectionItem& tab = bar.AdvTabs().Add();
        tab.SetCaption(caption);
        tab.SetTabColor(clWindow);
        tab.SetTabColorTo(clNone);
        tab.SetTextColor(kPageBlue);
    }
}

TBitmap Painted(TAdvTabSet& bar)
{
    TBitmap picture(bar.Width(), bar.Height());
    TBitmapDC dc(picture);
    bar.PaintTo(dc.Get());
    return picture;
}

int CountColour(const TBitmap& picture, const RECT& area, COLORREF colour)
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            count += picture.Pixel(x, y) == colour;
    return count;
}

std::string Hex(COLORREF colour)
{
    char text[16];
    snprintf(text, sizeof text, "%06lX", static_cast<unsigned long>(colour));
    return text;
}

// Where a tab's caption is drawn: the body's left edge plus the left margin,
// the top margin down, as wide as the text.
RECT CaptionArea(const TTabPlace& place, int textWidth)
{
    return RECT{place.start + 8, 3, place.start + 8 + textWidth, 19};
}

}  // namespace

TEST(AdvTabSetPaint, APageBarInTheMainWindowsSettings)
{
    TAdvTabSet bar(nullptr);
    const std::vector<String> captions{"&Keys", "&Values", "&Startup"};
    SetUpPageBar(bar, captions);
    bar.SetTabIndex(1);
    bar.AdvTabs().GetItem(2).SetEnable(false);
    TBitmap look = Painted(bar);

    // Layout: the run starts 9 in, tabs are their text width + 20 wide and
    // start width + 9 apart.
    const std::vector<TTabPlace> places = bar.Model().PositionList();
    ASSERT_EQ(places.size(), 3u);
    int textWidths[3];
    for (int i = 0; i < 3; ++i) {
        textWidths[i] = TextWidthIn(bar.Font(), captions[static_cast<size_t>(i)]);
        EXPECT_EQ(places[static_cast<size_t>(i)].width, textWidths[i] + 20) << captions[static_cast<size_t>(i)];
    }
    const int a = places[0].width, b = places[1].width, c = places[2].width;
    EXPECT_EQ(places[0].start, 9);
    EXPECT_EQ(places[1].start, 9 + a + 9);
    EXPECT_EQ(places[2].start, 9 + a + b + 18);
    const int s0 = places[0].start, s1 = places[1].start, s2 = places[2].start;

    const COLORREF border = ColorToRGB(clBtnFace), blue = RGB(38, 70, 130), white = RGB(255, 255, 255),
                   background = RGB(222, 224, 230);
    ASSERT_NE(border, background);
    ASSERT_NE(border, white);
    const struct {
        const char* what;
        int x, y;
        COLORREF want;
    } probes[] = {
        {"first tab's left outline", s0, 8, border},
        {"outline shared by the first and second tabs", s1, 8, border},
        {"outline shared by the second and third tabs", s2, 8, border},
        {"last tab's right outline", s2 + c + 9, 8, border},
        {"selected tab's top outline", s1 + 4, 0, border},
        {"selected tab's fill", s1 + 3, 10, blue},
        {"selected tab's fill beside its right outline", s1 + b + 8, 1, blue},
        {"first tab's white inside", s0 + 3, 10, white},
        {"first tab's white beside its right end", s0 + a + 8, 10, white},
        {"third tab's white inside", s2 + c + 5, 10, white},
        {"background before the first tab", 4, 5, background},
        {"background right after the last tab", s2 + c + 10, 10, background},
        {"background at the bar's right end", 550, 5, background},
        {"background below the base line", 300, 19, background},
        {"background on the bottom row", s1 + 3, 20, background},
    };
    for (const auto& p : probes)
        EXPECT_EQ(Hex(look.Pixel(p.x, p.y)), Hex(p.want)) << p.what << " at " << p.x << "," << p.y;

    // The base line runs across the whole bar, under the tabs too.
    int offLine = 0;
    for (int x = 0; x < bar.Width(); ++x)
        offLine += look.Pixel(x, 18) != border;
    EXPECT_EQ(offLine, 0) << "pixels of row 18 not in the border colour";

    // Captions: the enabled tab in its text colour, the disabled one grey
    // and nothing of its own colour.
    const RECT first = CaptionArea(places[0], textWidths[0]);
    const RECT third = CaptionArea(places[2], textWidths[2]);
    EXPECT_GT(CountColour(look, first, blue), 0);
    EXPECT_EQ(CountColour(look, first, kGrey), 0);
    EXPECT_GT(CountColour(look, third, kGrey), 0);
    EXPECT_EQ(CountColour(look, third, blue), 0);

    // The page bars draw the selected caption in the fill colour; with
    // colours of their own the selected caption is in the active font's
    // colour, an unselected one in its tab's.
    const COLORREF green = RGB(0, 128, 0), yellow = RGB(250, 220, 0);
    bar.SetActiveFont(TFont("Arial", -13, fsBold, RGBColor(250, 220, 0)));
    bar.AdvTabs().GetItem(1).SetTextColor(RGBColor(0, 128, 0));
    const RECT second = CaptionArea(places[1], textWidths[1]);
    look = Painted(bar);
    EXPECT_GT(CountColour(look, second, yellow), 0);
    EXPECT_EQ(CountColour(look, second, green), 0);
    bar.SetTabIndex(0);
    look = Painted(bar);
    EXPECT_GT(CountColour(look, second, green), 0);
    EXPECT_EQ(CountColour(look, second, yellow), 0);
    EXPECT_EQ(Hex(look.Pixel(s1 + 3, 10)), Hex(white));
    EXPECT_EQ(Hex(look.Pixel(s0 + 3, 10)), Hex(blue));
}

TEST(AdvTabSetPaint, GradientTabsAreFilledInSixteenBands)
{
    const COLORREF from = RGB(200, 40, 10), to = RGB(20, 160, 250);
    const COLORREF selectedFrom = RGB(250, 200, 0), selectedTo = RGB(0, 60, 120);
    const struct {
        const char* what;
        bool selected;
        TGradientDirection direction;
        int tabHeight;
    } cases[] = {
        {"unselected, top to bottom, page-bar height", false, TGradientDirection::gdVertical, 19},
        {"unselected, top to bottom, tall", false, TGradientDirection::gdVertical, 40},
        {"unselected, left to right", false, TGradientDirection::gdHorizontal, 19},
        {"selected, in the selected colours", true, TGradientDirection::gdVertical, 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TAdvTabSet bar(nullptr);
        SetUpPageBar(bar, {"", ""});
        bar.SetBounds(0, 0, 553, c.tabHeight + 2);
        bar.Model().SetTabHeight(c.tabHeight);
        bar.Model().SetSelectedColor(static_cast<TColor>(selectedFrom));
        bar.Model().SetSelectedColorTo(static_cast<TColor>(selectedTo));
        bar.OnMeasureTab = [](TAdvTabSet&, int, int& width) { width = 70; };
        TTabCollectionItem& tab = bar.AdvTabs().GetItem(1);
        tab.SetTabColor(static_cast<TColor>(from));
        tab.SetTabColorTo(static_cast<TColor>(to));
        tab.SetTabGradientDirection(c.direction);
        bar.SetTabIndex(c.selected ? 1 : 0);
        const TBitmap look = Painted(bar);

        ASSERT_EQ(bar.Model().PositionList().size(), 2u);
        const TTabPlace place = bar.Model().PositionList()[1];
        const TTabRect body{place.start, 0, place.start + place.width + 10, c.tabHeight};
        const bool vertical = c.direction == TGradientDirection::gdVertical;
        // The bands fill the body but its last row (column), which the
        // outline covers.
        TTabRect area = body;
        (vertical ? area.bottom : area.right) -= 1;
        const std::vector<TGradientBand> bands = GradientBands(area, c.selected ? selectedFrom : from,
                                                               c.selected ? selectedTo : to, 16, vertical);
        ASSERT_EQ(bands.size(), 16u);
        EXPECT_EQ(Hex(bands.front().colour), Hex(c.selected ? selectedFrom : from));

        // Every pixel inside the outline shows the last band drawn over it.
        int wrong = 0;
        std::string firstWrong;
        for (int y = body.top + 1; y < body.bottom - 1; ++y)
            for (int x = body.left + 1; x < body.right - 1; ++x) {
                const int along = vertical ? y : x;
                const TGradientBand* over = nullptr;
                for (const TGradientBand& band : bands) {
                    const int start = vertical ? band.rect.top : band.rect.left;
                    const int end = vertical ? band.rect.bottom : band.rect.right;
                    if (along >= start && along < end)
                        over = &band;
                }
                const std::string want = over ? Hex(over->colour) : "no band";
                if (Hex(look.Pixel(x, y)) != want && wrong++ == 0)
                    firstWrong = std::to_string(x) + "," + std::to_string(y) + ": " + Hex(look.Pixel(x, y)) +
                                 " instead of " + want;
            }
        EXPECT_EQ(wrong, 0) << firstWrong;
        const COLORREF border = ColorToRGB(clBtnFace);
        EXPECT_EQ(Hex(look.Pixel(body.left + 5, 0)), Hex(border)) << "outline over the first band";
        EXPECT_EQ(Hex(look.Pixel(body.left + 5, body.bottom - 1)), Hex(border)) << "outline over the last band";
        EXPECT_EQ(Hex(look.Pixel(body.right - 1, c.tabHeight / 2)), Hex(border));
    }
}

namespace {

constexpr COLORREF kKey = RGB(255, 0, 255);

// A 40 x 22 skin whose every pixel tells its column and row, with key
// pixels about its corners; the bottom-left one names the key, the top-left
// one is not of it.
TBitmap MadeSkin(bool selected)
{
    TBitmap skin(40, 22);
    for (int y = 0; y < skin.Height(); ++y)
        for (int x = 0; x < skin.Width(); ++x)
            skin.SetPixel(x, y, selected ? RGB(60, 40 + 5 * y, 20 + 4 * x) : RGB(20 + 4 * x, 40 + 5 * y, 60));
    const int r = skin.Width() - 1, b = skin.Height() - 1;
    for (const POINT p : {POINT{1, 0}, POINT{0, 1}, POINT{r, 0}, POINT{r - 1, 0}, POINT{r, 1}, POINT{0, b}, POINT{r, b}})
        skin.SetPixel(p.x, p.y, kKey);
    return skin;
}

// What a bar of skinned tabs must show: the background, then each skin in
// drawing order with its key pixels left out. A stretched part may show
// either of the two columns it is stretched from.
class TExpectedPicture {
public:
    TExpectedPicture(int width, int height, COLORREF background)
        : width_(width), height_(height), want_(static_cast<size_t>(width * height), {background, background})
    {
    }
    void Skin(const TBitmap& skin, int x, int total)
    {
        const COLORREF key = skin.Pixel(0, skin.Height() - 1);
        for (const TSkinSlice& slice : ThreeSlices(skin.Width(), skin.Height(), x, 0, total, false))
            for (int tx = slice.target.left; tx < slice.target.right; ++tx) {
                const bool stretched = slice.source.Width() != slice.target.Width();
                const int s1 = stretched ? slice.source.left : slice.source.left + (tx - slice.target.left);
                const int s2 = stretched ? slice.source.right - 1 : s1;
                for (int y = 0; y < std::min(skin.Height(), height_); ++y)
                    if (tx >= 0 && tx < width_ && skin.Pixel(s1, y) != key && skin.Pixel(s2, y) != key)
                        want_[static_cast<size_t>(y * width_ + tx)] = {skin.Pixel(s1, y), skin.Pixel(s2, y)};
            }
    }
    // The number of pixels that differ, and the first of them.
    int Compare(const TBitmap& look, std::string& first) const
    {
        int wrong = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const auto& [one, other] = want_[static_cast<size_t>(y * width_ + x)];
                const COLORREF got = look.Pixel(x, y);
                if (got != one && got != other && wrong++ == 0)
                    first = std::to_string(x) + "," + std::to_string(y) + ": " + Hex(got) + " instead of " + Hex(one);
            }
        return wrong;
    }

private:
    int width_, height_;
    std::vector<std::pair<COLORREF, COLORREF>> want_;
};

}  // namespace

TEST(AdvTabSetPaint, SkinsAreDrawnInThreeSlicesAroundTheirKey)
{
    const TBitmap normal = MadeSkin(false), selected = MadeSkin(true);
    const COLORREF background = RGB(222, 224, 230);
    const struct {
        const char* what;
        int tabWidth;  // the skin spans the body and the overlap: width + 20
    } cases[] = {
        {"longer than the skin: the middle stretched", 40},
        {"as long as the skin", 20},
        {"shorter than the skin: both ends cut to fit", 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TAdvTabSet bar(nullptr);
        SetUpPageBar(bar, {"", "", ""});
        bar.SetBounds(0, 0, 553, 24);  // the skins' every row in view
        const int width = c.tabWidth;
        bar.OnMeasureTab = [width](TAdvTabSet&, int, int& w) { w = width; };
        bar.SetTabBackGround(normal);
        bar.SetTabBackGroundSelected(selected);
        bar.SetTabIndex(1);
        const TBitmap look = Painted(bar);
        const std::vector<TTabPlace> places = bar.Model().PositionList();
        ASSERT_EQ(places.size(), 3u);
        const int total = width + 10 + bar.Model().TabOverlap();

        EXPECT_EQ(CountColour(look, RECT{0, 0, look.Width(), look.Height()}, kKey), 0) << "the key colour shows";
        // The key pixels of the first tab's skin let the background through,
        // and nothing draws a base line under skins.
        EXPECT_EQ(Hex(look.Pixel(places[0].start, 21)), Hex(background));
        EXPECT_EQ(Hex(look.Pixel(places[0].start + 1, 0)), Hex(background));
        EXPECT_EQ(Hex(look.Pixel(places[0].start, 0)), Hex(normal.Pixel(0, 0)));
        EXPECT_EQ(Hex(look.Pixel(places[0].start + 1, 21)), Hex(normal.Pixel(1, 21)));
        EXPECT_EQ(Hex(look.Pixel(2, 18)), Hex(background));

        // The selected tab is drawn last, over both neighbours: its ends are
        // the skin's ends, column for column, never mirrored.
        const int x0 = places[1].start;
        const int ends = std::min(selected.Width(), total) / 2;
        int wrongEnds = 0;
        for (int i = 0; i < ends; ++i)
            for (int y = 2; y < 20; ++y) {
                wrongEnds += look.Pixel(x0 + i, y) != selected.Pixel(i, y);
                wrongEnds += look.Pixel(x0 + total - 1 - i, y) != selected.Pixel(selected.Width() - 1 - i, y);
            }
        EXPECT_EQ(wrongEnds, 0) << "pixels of the selected tab's ends not from the skin's ends";

        // The whole bar, pixel for pixel.
        TExpectedPicture want(look.Width(), look.Height(), background);
        want.Skin(normal, places[0].start, total);
        want.Skin(normal, places[2].start, total);
        want.Skin(selected, places[1].start, total);
        std::string first;
        EXPECT_EQ(want.Compare(look, first), 0) << first;
    }
}

TEST(AdvTabSetWindow, PressesAndAcceleratorsSelectThroughTheEvents)
{
    TAdvTabSet bar(nullptr);
    SetUpPageBar(bar, {"&Keys", "&Values", "&Startup"});
    std::vector<std::string> events;
    bool refuse = false;
    bar.OnMouseDown = [&](TControl&, TMouseButton, TShiftState, int, int) { events.push_back("down"); };
    bar.OnMouseUp = [&](TControl&, TMouseButton, TShiftState, int, int) { events.push_back("up"); };
    bar.OnChange = [&](TAdvTabSet&, int newTab, bool& allow) {
        events.push_back("change " + std::to_string(newTab));
        allow = !refuse;
    };
    bar.OnClick = [&](TControl&) { events.push_back("click"); };
    Painted(bar);  // lays the tabs out
    const std::vector<TTabPlace> places = bar.Model().PositionList();
    ASSERT_EQ(places.size(), 3u);
    const int s1 = places[1].start, s2 = places[2].start;

    const auto press = [&](int x, int y) {
        events.clear();
        SendMessageA(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        const bool captured = GetCapture() == bar.Handle();
        SendMessageA(bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        EXPECT_EQ(GetCapture(), nullptr) << "released with the button";
        return captured;
    };
    using Log = std::vector<std::string>;
    const Log selects1{"down", "change 1", "click", "up"}, nothing{"down", "up"};
    // The strip is 19 high: presses above row 9 reach 3 pixels before a
    // tab, lower ones 4.
    const struct {
        const char* what;
        int x, y;
        bool refused, thirdDisabled;
        Log events;
        int tabIndex;
    } cases[] = {
        {"inside the second tab", s1 + 5, 5, false, false, selects1, 1},
        {"3 before the second tab, upper half", s1 - 3, 4, false, false, selects1, 1},
        {"4 before the second tab, upper half", s1 - 4, 4, false, false, nothing, 0},
        {"4 before the second tab, lower half", s1 - 4, 14, false, false, selects1, 1},
        {"below the tabs", s1 + 5, 20, false, false, nothing, 0},
        {"refused by OnChange", s1 + 5, 5, true, false, {"down", "change 1", "up"}, 0},
        {"a disabled tab", s2 + 5, 5, false, true, nothing, 0},
        {"the selected tab", places[0].start + 5, 5, false, false, nothing, 0},
    };
    for (const auto& c : cases) {
        refuse = false;
        bar.SetTabIndex(0);
        bar.AdvTabs().GetItem(2).SetEnable(!c.thirdDisabled);
        refuse = c.refused;
        const TBitmap before = Painted(bar);
        EXPECT_TRUE(press(c.x, c.y)) << c.what << ": the bar holds the mouse while the button is down";
        EXPECT_EQ(events, c.events) << c.what;
        EXPECT_EQ(bar.TabIndex(), c.tabIndex) << c.what;
        if (c.tabIndex == 0) {
            const TBitmap after = Painted(bar);
            EXPECT_EQ(CountColour(after, RECT{0, 0, 553, 21}, RGB(38, 70, 130)),
                      CountColour(before, RECT{0, 0, 553, 21}, RGB(38, 70, 130)))
                << c.what << ": drawn as before";
        }
    }
    refuse = false;
    bar.AdvTabs().GetItem(2).SetEnable(true);

    // OnChange reports collection indexes: with the first tab hidden, the
    // first tab drawn is the collection's second.
    bar.SetTabIndex(2);
    bar.AdvTabs().GetItem(0).SetVisible(false);
    ASSERT_EQ(bar.TabIndex(), 1) << "the selection stays on its tab";
    Painted(bar);
    ASSERT_EQ(bar.Model().PositionList().size(), 2u);
    press(bar.Model().PositionList()[0].start + 5, 5);
    EXPECT_EQ(events, selects1);
    EXPECT_EQ(bar.TabIndex(), 0);

    // Accelerators pick the tab whose caption marks the key.
    bar.AdvTabs().GetItem(0).SetVisible(true);  // back at the end of the bar
    const struct {
        char key;
        bool taken;
        Log events;
        int tabIndex;
    } keys[] = {
        {'s', true, {"change 2", "click"}, 1},
        {'K', true, {"change 0", "click"}, 2},
        {'k', true, {}, 2},  // already selected
        {'x', false, {}, 2},
        {'t', false, {}, 2},  // in a caption, but not marked
    };
    for (const auto& k : keys) {
        events.clear();
        EXPECT_EQ(bar.DialogChar(k.key), k.taken) << k.key;
        EXPECT_EQ(events, k.events) << k.key;
        EXPECT_EQ(bar.TabIndex(), k.tabIndex) << k.key;
    }
}

namespace {

void Settle()
{
    for (int i = 0; i < 20; ++i) {
        TApplication::Instance().ProcessMessages();
        Sleep(10);
    }
}

}  // namespace

TEST(AdvTabSetScreenshot, APageBarWithTheProgramsSkins)
{
    const test_support::ProgramModule module("Talmoris.exe");
    ASSERT_NE(module.Get(), nullptr);
    const TBitmap normal = module.Picture("BM_TH"), selected = module.Picture("BM_THS");
    ASSERT_FALSE(normal.Empty());
    ASSERT_FALSE(selected.Empty());
    SetCursorPos(1023, 767);  // the mouse away from the bar

    TForm form(nullptr);
    form.SetBounds(40, 40, 600, 80);
    form.SetColor(static_cast<TColor>(kPageBackground));
    TAdvTabSet& bar = form.Own<TAdvTabSet>();
    bar.SetParent(&form);
    const std::vector<String> captions{"&Registry", "&Files", "&Services", "S&tartup"};
    SetUpPageBar(bar, captions);
    bar.SetBounds(8, 8, 553, 21);
    bar.SetTabBackGround(normal);
    bar.SetTabBackGroundSelected(selected);
    bar.SetTabIndex(1);
    form.SetVisible(true);
    ShowWindow(form.Handle(), SW_SHOWNA);
    Settle();
    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
    Settle();

    const TBitmap shot = test_support::ScreenShot(bar.Handle(), RECT{0, 0, bar.Width(), bar.Height()});
    test_support::KeepArtefact(shot, "page-tab-bar.bmp");

    // The screen shows what the bar composes.
    const TBitmap composed = Painted(bar);
    int differ = 0;
    for (int y = 0; y < shot.Height(); ++y)
        for (int x = 0; x < shot.Width(); ++x)
            differ += shot.Pixel(x, y) != composed.Pixel(x, y);
    EXPECT_EQ(differ, 0) << "pixels on screen not as composed";

    const std::vector<TTabPlace> places = bar.Model().PositionList();
    ASSERT_EQ(places.size(), captions.size());
    const COLORREF key = normal.Pixel(0, normal.Height() - 1);
    EXPECT_EQ(Hex(key), Hex(RGB(255, 0, 255)));
    EXPECT_EQ(CountColour(shot, RECT{0, 0, shot.Width(), shot.Height()}, key), 0) << "the key colour shows";
    EXPECT_EQ(Hex(shot.Pixel(places[0].start, 0)), Hex(RGB(222, 224, 230))) << "background through the key";
    EXPECT_EQ(Hex(shot.Pixel(places[0].start + 3, 10)), Hex(normal.Pixel(3, 10))) << "an unselected tab's inside";
    EXPECT_EQ(Hex(shot.Pixel(places[1].start + 3, 10)), Hex(selected.Pixel(3, 10))) << "the selected tab's inside";
    EXPECT_EQ(Hex(shot.Pixel(places[1].start + 3, 0)), Hex(selected.Pixel(3, 0))) << "the selected tab's top";
    // Captions in the page colour on both skins.
    for (size_t i = 0; i < 2; ++i)
        EXPECT_GT(CountColour(shot, CaptionArea(places[i], TextWidthIn(bar.Font(), captions[i])), RGB(38, 70, 130)),
                  0)
            << captions[i];
}
