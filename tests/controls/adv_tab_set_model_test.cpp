// The tab bar's model without a window: operation scripts over the tabs
// (add, hide, show, move, delete, select, refuse) checked for the events,
// their arguments and order, the tab order and the selection; the layout,
// the hit tolerances, scrolling into view, close buttons, accelerators,
// rearranging by drag, and a bar that goes away with its tabs.
#include "controls/adv_tab_set_model.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <memory>
#include <sstream>

#include "classlib/exceptions.h"

namespace {

// Text six pixels a character, a 300 x 21 window that exists.
class TFakeHost : public TTabSetHost {
public:
    int TextWidth(const String& text) const override { return 6 * static_cast<int>(text.size()); }
    int ClientWidth() const override { return width; }
    int ClientHeight() const override { return height; }
    bool WindowExists() const override { return true; }
    void Repaint() override { ++repaints; }

    int width = 300;
    int height = 21;
    int repaints = 0;
};

class TBar {
public:
    TBar()
    {
        model.OnChange = [this](int tab, bool& allow) {
            log << "change:" << tab << ' ';
            allow = !refuse;
        };
        model.OnClick = [this] { log << "click "; };
    }

    String Log()
    {
        String text = log.str();
        log.str("");
        if (!text.empty())
            text.pop_back();
        return text;
    }
    // The visible tabs in display order, by the number their caption ends in.
    String Order() const
    {
        String order;
        for (int i = 0; i < model.TabCount(); ++i)
            order += (i ? "," : "") + model.TabAt(i)->Caption().substr(8);
        return order;
    }
    String Selected() const
    {
        const TTabCollectionItem* item = model.TabAt(model.TabIndex());
        return item ? item->Caption().substr(8) : "none";
    }

    // Runs "add select:2 hide:0 ..." (numbers after hide/show/delete/disable/
    // enable/move are collection indexes; after select and ">" positions).
    void Run(const String& script)
    {
        std::istringstream words(script);
        String word;
        while (words >> word) {
            const auto colon = word.find(':');
            const String verb = word.substr(0, colon);
            const String argument = colon == String::npos ? "" : word.substr(colon + 1);
            const int n = argument.empty() ? 0 : std::stoi(argument);
            TTabCollection& tabs = model.AdvTabs();
            if (verb == "add")
                tabs.Add();
            else if (verb == "hide")
                tabs.GetItem(n).SetVisible(false);
            else if (verb == "show")
                tabs.GetItem(n).SetVisible(true);
            else if (verb == "delete")
                tabs.Delete(n);
            else if (verb == "select")
                model.SetTabIndex(n);
            else if (verb == "disable")
                tabs.GetItem(n).SetEnable(false);
            else if (verb == "enable")
                tabs.GetItem(n).SetEnable(true);
            else if (verb == "move")
                tabs.GetItem(n).MoveItemInTabSetTo(std::stoi(argument.substr(argument.find('>') + 1)));
            else if (verb == "refuse")
                refuse = true;
            else if (verb == "allow")
                refuse = false;
            else if (verb == "|")
                Log();  // events before the bar are not checked
            else
                FAIL() << "unknown step " << word;
        }
    }

    TFakeHost host;
    TAdvTabSetModel model{host};
    std::ostringstream log;
    bool refuse = false;
};

}  // namespace

TEST(AdvTabSetModel, NewTabsTakeNumberedCaptionsAndTheFirstIsSelected)
{
    TBar bar;
    EXPECT_EQ(bar.model.TabIndex(), -1);
    bar.Run("add");
    EXPECT_EQ(bar.Log(), "change:0 click");
    EXPECT_EQ(bar.model.TabAt(0)->Caption(), "TabSheet1");
    bar.Run("add");
    EXPECT_EQ(bar.Log(), "") << "the selection stays on the first tab";
    EXPECT_EQ(bar.model.TabAt(1)->Caption(), "TabSheet2");
    EXPECT_EQ(bar.model.TabIndex(), 0);

    // New tabs take the bar's colours of the moment; existing ones keep theirs.
    bar.model.SetTextColor(RGBColor(1, 2, 3));
    bar.model.SetUnselectedColor(RGBColor(4, 5, 6));
    bar.Run("add");
    EXPECT_EQ(bar.model.AdvTabs().GetItem(2).TextColor(), RGBColor(1, 2, 3));
    EXPECT_EQ(bar.model.AdvTabs().GetItem(2).TabColor(), RGBColor(4, 5, 6));
    EXPECT_EQ(bar.model.AdvTabs().GetItem(0).TabColor(), clWindow);
}

TEST(AdvTabSetModel, OperationScripts)
{
    const struct {
        const char* script;
        const char* events;  // after "|"
        const char* order;
        int tabIndex;
        const char* selected;
    } cases[] = {
        {"add add add | select:2", "change:2 click", "1,2,3", 2, "3"},
        {"add add | select:0", "", "1,2", 0, "1"},
        {"add add refuse | select:1", "change:1", "1,2", 0, "1"},
        // Hiding or deleting a tab before the selected one keeps the same tab selected.
        {"add add add select:2 | hide:0", "", "2,3", 1, "3"},
        {"add add add select:2 | delete:0", "", "2,3", 1, "3"},
        // The selected tab going away hands the selection on and says so.
        {"add add add select:2 | hide:2", "click", "1,2", 1, "2"},
        {"add add add select:1 | hide:1", "click", "1,3", 1, "3"},
        {"add add add select:1 | delete:1", "click", "1,3", 1, "3"},
        {"add | hide:0", "click", "", -1, "none"},
        // A shown tab goes to the end; OnChange reports collection indexes.
        {"add add add hide:0 | show:0", "", "2,3,1", 0, "2"},
        {"add add add select:2 hide:0 | select:0", "change:1 click", "2,3", 0, "2"},
        // Moves keep the selection on its tab, without events.
        {"add add add | move:2>0", "", "3,1,2", 1, "1"},
        {"add add add | move:0>2", "", "2,3,1", 2, "1"},
        {"add add add | move:1>1", "", "1,2,3", 0, "1"},
        // A disabled tab can't be selected; -1 clears without events.
        {"add add disable:1 | select:1", "", "1,2", 0, "1"},
        {"add add | select:-1", "", "1,2", -1, "none"},
        {"add add disable:1 hide:1 show:1 | select:1", "", "1,2", 0, "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        TBar bar;
        bar.Run(c.script);
        EXPECT_EQ(bar.Log(), c.events);
        EXPECT_EQ(bar.Order(), c.order);
        EXPECT_EQ(bar.model.TabIndex(), c.tabIndex);
        EXPECT_EQ(bar.Selected(), c.selected);
        // The map and the tab list agree, and every visible tab knows its place.
        for (int i = 0; i < bar.model.TabCount(); ++i) {
            EXPECT_EQ(bar.model.TabList().Strings(i), bar.model.TabAt(i)->Caption());
            EXPECT_EQ(bar.model.TabAt(i)->TabListPosition(), i);
        }
    }
}

TEST(AdvTabSetModel, RefusedOperationsRaiseAndChangeNothing)
{
    const struct {
        const char* script;
        const char* failing;
        const char* message;
    } cases[] = {
        {"add add add", "select:3", "Tab index out of bounds"},
        {"add add add", "select:-2", "Tab index out of bounds"},
        {"add add add select:1", "disable:1", "Can not disable active tab"},
        {"add add add", "move:0>3", "Invalid Index"},
        {"add add add", "move:0>-1", "Invalid Index"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        TBar bar;
        bar.Run(c.script);
        const String order = bar.Order();
        const int selected = bar.model.TabIndex();
        bar.Log();
        try {
            bar.Run(c.failing);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(bar.Order(), order);
        EXPECT_EQ(bar.model.TabIndex(), selected);
        EXPECT_EQ(bar.Log(), "");
        for (int i = 0; i < bar.model.AdvTabs().Count(); ++i)
            EXPECT_TRUE(bar.model.AdvTabs().GetItem(i).Enable());
    }
}

TEST(AdvTabSetModel, SelectNextWrapsBothWays)
{
    TBar bar;
    bar.Run("add add add");
    const struct {
        bool forward;
        int expected;
    } steps[] = {{false, 2}, {false, 1}, {true, 2}, {true, 0}};
    for (const auto& step : steps) {
        bar.model.SelectNext(step.forward);
        EXPECT_EQ(bar.model.TabIndex(), step.expected);
    }
    bar.Run("select:-1");
    bar.model.SelectNext(false);
    EXPECT_EQ(bar.model.TabIndex(), 2) << "from none backwards to the last";
}

namespace {

// The main window's page bars: no margins, arrows only when asked, fixed widths.
void PageSettings(TBar& bar, std::map<int, int> widths)
{
    bar.model.SetStartMargin(0);
    bar.model.SetEndMargin(0);
    bar.model.SetAutoScroll(false);
    bar.model.SetShowScroller(TShowScroller::ssAuto);
    bar.model.SetTabHeight(19);
    bar.model.OnMeasureTab = [widths](int position, int& width) {
        const auto found = widths.find(position);
        if (found != widths.end())
            width = found->second;
    };
}

}  // namespace

TEST(AdvTabSetModel, LayoutAndHitTests)
{
    TBar bar;
    bar.Run("add add add");
    PageSettings(bar, {{0, 50}, {1, 60}, {2, 70}});
    const TTabSetLayout layout = bar.model.LayOut();
    EXPECT_EQ(layout.runStart, 9);
    EXPECT_EQ(layout.bitmapHeight, 24) << "at least the tab height and 5";
    ASSERT_EQ(bar.model.VisibleTabs(), 3);
    const std::vector<TTabPlace> expected{{50, 9}, {60, 68}, {70, 137}};
    EXPECT_EQ(bar.model.PositionList(), expected);

    const TTabDrawing first = bar.model.TabDrawing(0);
    EXPECT_EQ(first.body, (TTabRect{9, 0, 69, 19})) << "one pixel over the next tab";
    EXPECT_TRUE(first.selected);
    EXPECT_TRUE(bar.model.TabDrawing(2).last);
    EXPECT_EQ(bar.model.ItemRect(0), (TTabRect{8, 2, 60, 17}));
    EXPECT_EQ(bar.model.ItemRect(3), TTabRect{});
    EXPECT_EQ(bar.model.MinClientRect(2, true), (TTabRect{0, 0, 50 + 9 + 60 + 9 + 23 + 4, 24}));

    // ItemAtPos: start .. start + width + 9, the first match wins.
    const struct {
        int x, y, entry;
    } items[] = {{9, 5, 0}, {8, 5, -1}, {68, 5, 0}, {69, 5, 1}, {216, 21, 2}, {217, 5, -1}, {20, 22, -1}};
    for (const auto& item : items)
        EXPECT_EQ(bar.model.ItemAtPos(item.x, item.y), item.entry) << item.x << "," << item.y;

    // Presses: 3 pixels of tolerance in the upper half of the strip, 4 below.
    const struct {
        int x, y, selected;
    } presses[] = {{65, 2, 1}, {64, 2, 0}, {64, 9, 1}, {63, 9, 0}, {134, 8, 2}, {200, 19, 2}, {100, 20, 0}};
    for (const auto& press : presses) {
        bar.model.SetTabIndex(0);
        bar.model.MouseDown(true, press.x, press.y);
        bar.model.MouseUp(true, press.x, press.y);
        EXPECT_EQ(bar.model.TabIndex(), press.selected) << press.x << "," << press.y;
    }
    bar.model.MouseDown(false, 140, 5);
    EXPECT_EQ(bar.model.TabIndex(), 0) << "only the left button selects";
}

TEST(AdvTabSetModel, TextWidthsMarginsAndCloseRoom)
{
    TBar bar;
    bar.Run("add add");
    // "TabSheet1": 9 characters, left 2 + right 0 - 4.
    EXPECT_EQ(bar.model.ItemWidth(0), 54 + 2 + 0 - 4);
    bar.model.AdvTabs().GetItem(1).SetShowClose(true);
    EXPECT_EQ(bar.model.TabList().Strings(1), "TabSheet2      ");
    EXPECT_EQ(bar.model.ItemWidth(1), 15 * 6 - 2);
    bar.model.SetCloseButtonAt(TCloseButtonPos::cbTabSet);
    bar.model.AdjustTabWidth();
    EXPECT_EQ(bar.model.TabList().Strings(1), "TabSheet2");
    bar.model.SetImageSize(true, 16, 12);
    EXPECT_EQ(bar.model.ItemWidth(0), 54 - 2 + 16);
    bar.model.AdvTabs().GetItem(0).SetImageIndex(-1);
    EXPECT_EQ(bar.model.ItemWidth(0), 54 - 2);

    // Margins report changes once, with the new and old value and their number.
    TTabMargin margin;
    std::vector<std::array<int, 3>> changes;
    margin.OnMarginChange = [&](int now, int old, int which) { changes.push_back({now, old, which}); };
    margin.SetTopMargin(3);
    margin.SetTopMargin(3);
    margin.SetLeftMargin(8);
    TTabMargin copy;
    copy.Assign(margin);
    EXPECT_EQ(changes, (std::vector<std::array<int, 3>>{{3, 0, 1}, {8, 0, 0}}));
    EXPECT_EQ(copy.LeftMargin(), 8);
}

TEST(AdvTabSetModel, ScrollArrowsComeAndGoWithTheRoom)
{
    TBar bar;
    bar.Run("add add add add add");
    PageSettings(bar, {{0, 60}, {1, 60}, {2, 60}, {3, 60}, {4, 60}});
    bar.model.SetAutoScroll(true);
    bar.model.SetTabOverlap(10);
    // Five tabs of 69 need 9 + 345 pixels; 300 hold four, or three beside the arrows.
    TTabSetLayout layout = bar.model.LayOut();
    EXPECT_TRUE(bar.model.ScrollerVisible());
    EXPECT_EQ(layout.runEnd, 300 - 23 - 10);
    EXPECT_EQ(bar.model.VisibleTabs(), 3);
    EXPECT_EQ(bar.model.ScrollerMax(), 2);
    EXPECT_EQ(layout.scrollerLeft, 300 - 23 - 2);

    bar.model.ScrollClick(2);
    EXPECT_EQ(bar.model.FirstIndex(), 2);
    bar.host.width = 400;
    bar.model.LayOut();
    EXPECT_EQ(bar.model.VisibleTabs(), 3) << "from the third tab on, all that are left fit";
    EXPECT_TRUE(bar.model.ScrollerVisible()) << "the first two can still be scrolled back to";
    bar.model.Resize();
    EXPECT_EQ(bar.model.FirstIndex(), 0) << "everything fits after the resize";
    bar.model.LayOut();
    EXPECT_EQ(bar.model.VisibleTabs(), 5);
    EXPECT_FALSE(bar.model.ScrollerVisible());

    bar.model.SetShowScroller(TShowScroller::ssAlways);
    layout = bar.model.LayOut();
    EXPECT_EQ(layout.runEnd, 400 - 24 - 10);
    EXPECT_TRUE(bar.model.ScrollerVisible());
    bar.model.SetAutoScroll(false);
    EXPECT_FALSE(bar.model.ScrollerVisible());
}

TEST(AdvTabSetModel, SelectingKeepsTheTabInView)
{
    TBar bar;
    bar.Run("add add add add add add");
    PageSettings(bar, {{0, 60}, {1, 60}, {2, 60}, {3, 60}, {4, 60}, {5, 400}});
    bar.model.LayOut();
    ASSERT_EQ(bar.model.VisibleTabs(), 4);
    bar.model.SetTabIndex(4);
    EXPECT_EQ(bar.model.FirstIndex(), 1) << "the smallest first tab from which the selected one fits";
    bar.model.SetTabIndex(0);
    EXPECT_EQ(bar.model.FirstIndex(), 0);

    // A tab longer than the whole bar is shown first, cut by the window.
    bar.model.LayOut();
    bar.model.SetTabIndex(5);
    EXPECT_EQ(bar.model.FirstIndex(), 5);
    bar.model.LayOut();
    EXPECT_EQ(bar.model.VisibleTabs(), 1);
    EXPECT_TRUE(bar.model.TabDrawing(0).selected);
}

TEST(AdvTabSetModel, CloseButtonsAskThenHideTheTab)
{
    const struct {
        TCloseButtonPos at;
        int x, y;  // on the close button
        bool canClose;
        const char* events;
        const char* order;
    } cases[] = {
        {TCloseButtonPos::cbTabs, 68 + 2 + 3, 2 + 5, true, "canclose:1 change:0 click tabclose:1", "1,3"},
        {TCloseButtonPos::cbTabs, 68 + 2 + 3, 2 + 5, false, "canclose:1", "1,2,3"},
        {TCloseButtonPos::cbTabSet, 300 - 10, 8, true, "canclose:1 change:0 click tabclose:1", "1,3"},
    };
    for (const auto& c : cases) {
        TBar bar;
        bar.Run("add add add");
        PageSettings(bar, {{0, 50}, {1, 60}, {2, 70}});
        bar.model.SetCloseButtonAt(c.at);
        bar.model.AdvTabs().GetItem(1).SetShowClose(true);
        bar.model.OnCanClose = [&](int tab, bool& can) {
            bar.log << "canclose:" << tab << ' ';
            can = c.canClose;
        };
        bar.model.OnTabClose = [&](int tab) { bar.log << "tabclose:" << tab << ' '; };
        bar.Run("select:1");
        bar.model.LayOut();
        bar.Log();
        bar.model.MouseDown(true, c.x, c.y);
        EXPECT_TRUE(bar.model.TabCloseLook() == TCloseLook::Pressed || bar.model.BarClosePressed());
        bar.model.MouseUp(true, c.x, c.y);
        EXPECT_EQ(bar.Log(), c.events);
        EXPECT_EQ(bar.Order(), c.order);
        EXPECT_EQ(bar.model.TabCloseLook(), TCloseLook::Normal);
    }

    // The pointer over the selected tab's button makes it hot, and leaving cools it.
    TBar bar;
    bar.Run("add add");
    PageSettings(bar, {{0, 50}, {1, 60}});
    bar.model.AdvTabs().GetItem(0).SetShowClose(true);
    bar.model.LayOut();
    bar.model.MouseMove(9 + 2 + 5, 2 + 6);
    EXPECT_EQ(bar.model.TabCloseLook(), TCloseLook::Hot);
    bar.model.MouseMove(40, 8);
    EXPECT_EQ(bar.model.TabCloseLook(), TCloseLook::Normal);
}

TEST(AdvTabSetModel, AcceleratorsSelectTheirTab)
{
    TBar bar;
    bar.Run("add add add");
    bar.model.AdvTabs().GetItem(1).SetCaption("&Scan");
    bar.model.AdvTabs().GetItem(2).SetCaption("&Quarantine");
    bar.Log();
    EXPECT_TRUE(bar.model.DialogChar('q'));
    EXPECT_EQ(bar.Log(), "change:2 click");
    EXPECT_TRUE(bar.model.DialogChar('Q')) << "taken, though already selected";
    EXPECT_EQ(bar.Log(), "");
    EXPECT_FALSE(bar.model.DialogChar('x'));
}

TEST(AdvTabSetModel, DraggingRearrangesTabs)
{
    TBar bar;
    bar.Run("add add add");
    PageSettings(bar, {{0, 50}, {1, 60}, {2, 70}});
    bar.model.SetTabRearrange(true);
    std::vector<std::pair<int, int>> moves;
    bar.model.OnTabMoved = [&](int from, int to) { moves.emplace_back(from, to); };
    bar.model.LayOut();
    bar.Log();

    // Tab 1 dropped on the right half of tab 3: it goes after it.
    bar.model.MouseDown(true, 20, 5);
    bar.model.MouseMove(24, 5);
    EXPECT_FALSE(bar.model.Dragging()) << "under the threshold";
    bar.model.MouseMove(190, 5);
    EXPECT_TRUE(bar.model.Dragging());
    EXPECT_TRUE(bar.model.DragAccepted());
    bar.model.MouseUp(true, 190, 5);
    EXPECT_EQ(bar.Order(), "2,3,1");
    EXPECT_EQ(bar.model.TabIndex(), 2);
    EXPECT_EQ(moves, (std::vector<std::pair<int, int>>{{0, 2}}));
    EXPECT_EQ(bar.Log(), "") << "the same tab stays selected";

    // Dragged back onto the left half of the first tab: it goes before it.
    bar.model.LayOut();
    bar.model.MouseDown(true, bar.model.PositionList()[2].start + 5, 5);
    bar.model.MouseMove(12, 5);
    bar.model.MouseUp(true, 12, 5);
    EXPECT_EQ(bar.Order(), "1,2,3");

    // Let go beyond the tabs: nothing moves.
    bar.model.LayOut();
    bar.model.MouseDown(true, 20, 5);
    bar.model.MouseMove(290, 5);
    EXPECT_FALSE(bar.model.DragAccepted());
    bar.model.MouseUp(true, 290, 5);
    EXPECT_EQ(bar.Order(), "1,2,3");
}

TEST(AdvTabSetModel, HoverFollowsThePointerWhenHoverColoursAreSet)
{
    TBar bar;
    bar.Run("add add");
    PageSettings(bar, {{0, 50}, {1, 60}});
    bar.model.LayOut();
    bar.model.MouseMove(80, 5);
    EXPECT_EQ(bar.model.HoverIndex(), -1) << "hover is off without hover colours";
    bar.model.SetTabHoverColor(RGBColor(200, 0, 0));
    bar.model.MouseMove(80, 5);
    EXPECT_EQ(bar.model.HoverIndex(), 1);
    EXPECT_TRUE(bar.model.TabDrawing(1).hovered);
    EXPECT_EQ(bar.model.TabDrawing(1).from, RGBColor(200, 0, 0));
    bar.model.MouseLeave();
    EXPECT_EQ(bar.model.HoverIndex(), -1);
}

TEST(AdvTabSetModel, ABarGoingAwayTellsNoHandler)
{
    TFakeHost host;
    int events = 0;
    {
        TAdvTabSetModel model(host);
        model.AdvTabs().Add();
        model.AdvTabs().Add();
        model.OnClick = [&] { ++events; };
        model.OnChange = [&](int, bool&) { ++events; };
        model.Destroy();
        EXPECT_EQ(model.AdvTabs().Count(), 0);
        EXPECT_EQ(model.TabCount(), 0);
    }
    EXPECT_EQ(events, 0);
}
