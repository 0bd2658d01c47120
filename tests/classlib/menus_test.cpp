#include "classlib/menus.h"

#include <gtest/gtest.h>

#include <atomic>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "classlib/image_list.h"
#include "classlib/timers.h"
#include "classlib/win_handle.h"
#include "support/bitmap_fixture.h"
#include "support/window_driving.h"

namespace {

using test_support::TMenuWatchdog;

struct TKey {
    UINT message;  // WM_KEYDOWN or WM_CHAR
    WPARAM key;
};

// Types `keys` into the menu once it is shown and `ready` agrees, from a
// timer that the menu's own message loop runs.
class TMenuTyper {
public:
    TMenuTyper(TPopupMenu& menu, std::vector<TKey> keys, std::function<bool()> ready = nullptr)
    {
        timer_.SetInterval(20);
        timer_.OnTimer = [&menu, keys = std::move(keys), ready = std::move(ready)](TTimer& timer) {
            if (!menu.Showing() || (ready && !ready()))
                return;
            timer.SetEnabled(false);
            for (const TKey& key : keys)
                PostMessageA(menu.WindowHandle(), key.message, key.key, 0);
        };
    }

private:
    TTimer timer_{nullptr};
};

bool MenuWindowShown()
{
    const HWND window = FindWindowA("#32768", nullptr);
    return window && IsWindowVisible(window);
}

}  // namespace

TEST(PopupMenuBuild, InvisibleItemsAreLeftOutAndShiftMenuIndexes)
{
    for (const bool ownerDraw : {true, false}) {
        SCOPED_TRACE(ownerDraw ? "owner-drawn" : "plain");
        TPopupMenu menu(nullptr);
        menu.SetOwnerDraw(ownerDraw);
        TMenuItem& open = menu.Add("&Open");
        TMenuItem& line = menu.Add("-");
        TMenuItem& hidden = menu.Add("Hidden");
        hidden.SetVisible(false);
        TMenuItem& disabled = menu.Add("&Settings");
        disabled.SetEnabled(false);
        TMenuItem& exit = menu.Add("E&xit");
        EXPECT_EQ(menu.Handle(), nullptr);
        EXPECT_EQ(open.MenuIndex(), -1);  // nothing built yet

        menu.Rebuild();
        ASSERT_NE(menu.Handle(), nullptr);
        ASSERT_EQ(GetMenuItemCount(menu.Handle()), 4);
        struct Expected {
            TMenuItem* item;
            int index;
            int menuIndex;
            bool separator;
            bool grayed;
        } rows[] = {
            {&open, 0, 0, false, false},     {&line, 1, 1, true, false},      {&hidden, 2, -1, false, false},
            {&disabled, 3, 2, false, true},  {&exit, 4, 3, false, false},
        };
        for (const Expected& row : rows) {
            SCOPED_TRACE(row.item->Caption());
            EXPECT_EQ(row.item->Index(), row.index);
            EXPECT_EQ(row.item->MenuIndex(), row.menuIndex);
            EXPECT_EQ(row.item->ParentHandle(), menu.Handle());
            if (row.menuIndex < 0)
                continue;
            MENUITEMINFOA info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_DATA;
            ASSERT_TRUE(GetMenuItemInfoA(menu.Handle(), static_cast<UINT>(row.menuIndex), TRUE, &info));
            EXPECT_EQ((info.fType & MFT_OWNERDRAW) != 0, ownerDraw);
            EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, row.separator);
            EXPECT_EQ((info.fState & MFS_GRAYED) != 0, row.grayed);
            if (!ownerDraw && !row.separator) {
                char text[64] = {};
                GetMenuStringA(menu.Handle(), static_cast<UINT>(row.menuIndex), text, sizeof text, MF_BYPOSITION);
                EXPECT_STREQ(text, row.item->Caption().c_str());
            }
        }

        // The next build follows the items as they are then.
        hidden.SetVisible(true);
        menu.Rebuild();
        EXPECT_EQ(GetMenuItemCount(menu.Handle()), 5);
        EXPECT_EQ(exit.MenuIndex(), 4);
    }
}

TEST(PopupMenuShow, MeasuresAndDrawsShownItemsWhereTheSystemPutsThem)
{
    TPopupMenu menu(nullptr);
    menu.SetOwnerDraw(true);
    // Heights all different, so that the rectangle of a wrong index shows.
    struct Row {
        const char* caption;
        int height;
        bool visible;
        bool enabled;
    } rows[] = {
        {"&Open", 20, true, true},   {"-", 8, true, true},         {"Hidden", 22, false, true},
        {"&Check", 24, true, true},  {"&Disabled", 28, true, false},
    };
    std::map<const TMenuItem*, int> measured;
    struct Drawn {
        RECT rect;
        TOwnerDrawState state;
        RECT systemRect;
        bool systemRectFound;
    };
    std::map<const TMenuItem*, Drawn> drawn;
    std::vector<const TMenuItem*> clicked;
    bool menuShownAtClick = true;
    for (const Row& row : rows) {
        TMenuItem& item = menu.Add(row.caption);
        item.SetVisible(row.visible);
        item.SetEnabled(row.enabled);
        item.OnMeasureItem = [&measured, height = row.height](TMenuItem& self, TCanvas& canvas, int& w, int& h) {
            EXPECT_GT(canvas.TextWidth("Open"), 0);
            measured[&self] += 1;
            w = 120;
            h = height;
        };
        item.OnAdvancedDrawItem = [&drawn](TMenuItem& self, TCanvas&, const RECT& rect, TOwnerDrawState state) {
            Drawn& d = drawn[&self];
            d.rect = rect;
            d.state = state;
            // What the program does after painting an item.
            d.systemRectFound = GetMenuItemRect(nullptr, self.ParentHandle(), static_cast<UINT>(self.MenuIndex()),
                                                &d.systemRect) != FALSE;
        };
        item.OnClick = [&](TMenuItem& self) {
            clicked.push_back(&self);
            menuShownAtClick = MenuWindowShown();
        };
    }
    TMenuItem& check = *menu.Items(3);
    const auto everyShownItemDrawn = [&] { return drawn.size() == 4; };
    // Down twice: the first item, then past the separator; Enter chooses it.
    TMenuTyper typer(menu, {{WM_KEYDOWN, VK_DOWN}, {WM_KEYDOWN, VK_DOWN}, {WM_KEYDOWN, VK_RETURN}}, everyShownItemDrawn);
    TMenuWatchdog watchdog(menu.WindowHandle());
    menu.Popup(100, 100);

    EXPECT_FALSE(watchdog.Fired());
    EXPECT_FALSE(menu.Showing());
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(clicked[0], &check);
    EXPECT_FALSE(menuShownAtClick);
    EXPECT_TRUE(IsMenu(menu.Handle()));  // the built menu stays until the next build

    for (size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        const TMenuItem* item = menu.Items(static_cast<int>(i));
        SCOPED_TRACE(row.caption);
        if (!row.visible) {
            EXPECT_EQ(measured.count(item), 0u);
            EXPECT_EQ(drawn.count(item), 0u);
            continue;
        }
        EXPECT_GE(measured[item], 1);
        ASSERT_EQ(drawn.count(item), 1u);
        const Drawn& d = drawn[item];
        EXPECT_EQ(d.rect.bottom - d.rect.top, row.height);
        ASSERT_TRUE(d.systemRectFound);
        EXPECT_EQ(d.systemRect.bottom - d.systemRect.top, row.height);
        EXPECT_EQ(d.systemRect.right - d.systemRect.left, d.rect.right - d.rect.left);
        EXPECT_EQ((d.state & odGrayed) != 0, !row.enabled);
    }
    // Items follow each other down the screen in the built order.
    EXPECT_LT(drawn[menu.Items(0)].systemRect.top, drawn[menu.Items(1)].systemRect.top);
    EXPECT_LT(drawn[menu.Items(1)].systemRect.top, drawn[&check].systemRect.top);
    EXPECT_LT(drawn[&check].systemRect.top, drawn[menu.Items(4)].systemRect.top);
    // The chosen item was drawn selected last.
    EXPECT_NE(drawn[&check].state & odSelected, 0u);
}

TEST(PopupMenuShow, KeysChooseItemsAndOnClickRunsAfterTheMenuCloses)
{
    struct Case {
        const char* name;
        std::vector<TKey> keys;
        const char* chosen;  // null: none
    } cases[] = {
        {"down, enter", {{WM_KEYDOWN, VK_DOWN}, {WM_KEYDOWN, VK_RETURN}}, "&Open"},
        {"down twice skips the line", {{WM_KEYDOWN, VK_DOWN}, {WM_KEYDOWN, VK_DOWN}, {WM_KEYDOWN, VK_RETURN}},
         "&Settings"},
        {"accelerator", {{WM_CHAR, 'x'}}, "E&xit"},
        {"escape", {{WM_KEYDOWN, VK_ESCAPE}}, nullptr},
    };
    TBitmap picture = test_support::SolidBitmap(16, 16, RGB(255, 0, 255));
    TImageList images(16, 16);
    images.Add(picture);
    for (const bool ownerDraw : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (ownerDraw ? ", owner-drawn" : ", plain"));
            TPopupMenu menu(nullptr);
            menu.SetOwnerDraw(ownerDraw);
            menu.SetImages(&images);  // drawn the default way: no events set
            std::vector<String> clicked;
            for (const char* caption : {"&Open", "-", "&Settings", "E&xit"}) {
                TMenuItem& item = menu.Add(caption);
                item.SetImageIndex(0);
                item.OnClick = [&clicked](TMenuItem& self) { clicked.push_back(self.Caption()); };
            }
            int popups = 0;
            menu.OnPopup = [&popups](TPopupMenu&) { ++popups; };
            TMenuTyper typer(menu, c.keys);
            TMenuWatchdog watchdog(menu.WindowHandle());
            menu.Popup(200, 150);
            EXPECT_FALSE(watchdog.Fired());
            EXPECT_EQ(popups, 1);
            if (c.chosen) {
                ASSERT_EQ(clicked.size(), 1u);
                EXPECT_EQ(clicked[0], c.chosen);
            } else {
                EXPECT_TRUE(clicked.empty());
            }
        }
    }
}

TEST(PopupMenuShow, OnPopupDecidesWhatIsShown)
{
    TPopupMenu menu(nullptr);
    menu.SetOwnerDraw(true);
    TMenuItem& first = menu.Add("&First");
    TMenuItem& second = menu.Add("&Second");
    std::vector<String> clicked;
    for (TMenuItem* item : {&first, &second})
        item->OnClick = [&clicked](TMenuItem& self) { clicked.push_back(self.Caption()); };
    menu.OnPopup = [&](TPopupMenu&) { first.SetVisible(false); };
    int builtCount = -1;
    TMenuTyper typer(menu, {{WM_KEYDOWN, VK_DOWN}, {WM_KEYDOWN, VK_RETURN}}, [&] {
        builtCount = GetMenuItemCount(menu.Handle());
        return true;
    });
    TMenuWatchdog watchdog(menu.WindowHandle());
    menu.Popup(50, 50);
    EXPECT_FALSE(watchdog.Fired());
    EXPECT_EQ(builtCount, 1);
    EXPECT_EQ(first.MenuIndex(), -1);
    EXPECT_EQ(second.MenuIndex(), 0);
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(clicked[0], "&Second");
}
