#include "controls/bitmapped_combo_box.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/application.h"
#include "support/bitmap_fixture.h"
#include "support/program_pictures.h"

namespace {

void Settle()
{
    for (int i = 0; i < 5; ++i) {
        TApplication::Instance().ProcessMessages();
        Sleep(10);
    }
}

// A form with a combo box of `items`, every event of the combo box written
// into `log` as a word and a blank, and another control to take the focus.
struct ComboOnAForm {
    explicit ComboOnAForm(std::vector<String> items = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"})
    {
        form.SetBounds(40, 40, 300, 220);
        other.SetParent(&form);
        other.SetBounds(200, 150, 20, 20);
        combo.SetParent(&form);
        combo.SetBounds(10, 10, 150, 21);
        for (const String& item : items)
            combo.AddItem(item);
        combo.OnClick = [this](TControl&) { log += "click "; };
        combo.OnChange = [this](TControl&) { log += "change(" + std::to_string(combo.ItemIndex()) + ") "; };
        combo.OnDropDown = [this](TControl&) { log += "dropdown "; };
        combo.OnDblClick = [this](TControl&) { log += "dblclick "; };
        combo.OnEnter = [this](TControl&) { log += "enter "; };
        combo.OnExit = [this](TControl&) { log += "exit "; };
    }
    void Show()
    {
        ShowWindow(form.Handle(), SW_SHOWNA);
        UpdateWindow(form.Handle());
    }
    void Notify(WORD code)
    {
        SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(0, code), reinterpret_cast<LPARAM>(combo.Handle()));
    }
    void Key(WORD key) { SendMessageA(combo.Handle(), WM_KEYDOWN, key, 0); }
    bool Dropped() { return SendMessageA(combo.Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0; }
    COMBOBOXINFO Info()
    {
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        EXPECT_TRUE(GetComboBoxInfo(combo.Handle(), &info));
        return info;
    }

    std::string log;  // outlives the form: its controls may still report while it goes
    TWinControl form{nullptr};
    TWinControl& other = form.Own<TWinControl>();
    TBitmappedComboBox& combo = form.Own<TBitmappedComboBox>();
};

const COLORREF kMarker = RGB(255, 0, 255);

// Paints the marker over the whole control without asking for a repaint:
// what still shows it later was not painted again.
void Smear(TBitmappedComboBox& combo)
{
    HDC dc = GetDC(combo.Handle());
    RECT client{};
    GetClientRect(combo.Handle(), &client);
    const HBRUSH brush = CreateSolidBrush(kMarker);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    ReleaseDC(combo.Handle(), dc);
    GdiFlush();
}

// How many pixels of `area` (client coordinates of `window`) show `colour`.
int Showing(HWND window, RECT area, COLORREF colour)
{
    const TBitmap shot = test_support::ScreenShot(window, area);
    int count = 0;
    for (int y = 0; y < shot.Height(); ++y)
        for (int x = 0; x < shot.Width(); ++x)
            count += shot.Pixel(x, y) == colour;
    return count;
}

COLORREF ShownAt(HWND window, int x, int y)
{
    return test_support::ScreenShot(window, RECT{x, y, x + 1, y + 1}).Pixel(0, 0);
}

// Real left clicks through the system's input queue at the field's
// mid-height (x in its client coordinates, beyond it too), `pause` ms
// apart; then their messages are handled.
void ClickField(HWND window, const std::vector<int>& xs, DWORD pause)
{
    RECT client{};
    GetClientRect(window, &client);
    for (size_t i = 0; i < xs.size(); ++i) {
        if (i > 0)
            Sleep(pause);
        POINT at{xs[i], client.bottom / 2};
        ClientToScreen(window, &at);
        SetCursorPos(at.x, at.y);
        INPUT input[2]{};
        input[0].type = input[1].type = INPUT_MOUSE;
        input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, input, sizeof(INPUT));
    }
    Settle();
}

// Handles messages for `ms`: what comes later starts afresh.
void Pause(DWORD ms)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms)
        Settle();
}

int FontHeight(const TFont& font)
{
    TEXTMETRICA metrics{};
    GetTextMetricsA(TFontDC(font).Get(), &metrics);
    return metrics.tmHeight;
}

}  // namespace

TEST(BitmappedComboBoxWindow, ASystemListDrawnByItsOwner)
{
    TWinControl form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    TBitmappedComboBox& combo = form.Own<TBitmappedComboBox>();
    combo.SetParent(&form);
    combo.SetBounds(10, 10, 150, 21);
    ASSERT_EQ(GetParent(combo.Handle()), form.Handle());
    char className[32] = {};
    GetClassNameA(combo.Handle(), className, sizeof className);
    EXPECT_STREQ(className, "ComboBox");

    combo.SetNormalBitmap(test_support::SolidBitmap(17, 17, RGB(0, 0, 200)));
    EXPECT_EQ(combo.ItemHeight(), 15);  // the picture's height less 2

    std::vector<int> drawn;
    combo.OnDrawItem = [&](TBitmappedComboBox&, int index, const RECT&, UINT) { drawn.push_back(index); };
    EXPECT_EQ(combo.AddItem("HKEY_CURRENT_USER"), 0);
    EXPECT_EQ(combo.AddItem("HKEY_LOCAL_MACHINE"), 1);
    combo.SetItemIndex(1);
    EXPECT_EQ(combo.ItemIndex(), 1);
    ShowWindow(form.Handle(), SW_SHOWNA);
    UpdateWindow(combo.Handle());
    EXPECT_FALSE(drawn.empty());  // drawing the field reached OnDrawItem through the parent

    // The drop button shows pressed while the list is open.
    SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_DROPDOWN), reinterpret_cast<LPARAM>(combo.Handle()));
    EXPECT_TRUE(combo.ButtonDown());
    SendMessageA(combo.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_CLOSEUP), reinterpret_cast<LPARAM>(combo.Handle()));
    EXPECT_FALSE(combo.ButtonDown());

    combo.SetColor(RGB(1, 2, 3));
    combo.SetEnabled(false);
    combo.SetEnabled(true);
    EXPECT_EQ(combo.Color(), clWindow);
}

TEST(BitmappedComboBoxWindow, NotificationsFireTheirEvents)
{
    ComboOnAForm f;
    f.Show();
    f.combo.SetItemIndex(2);
    const struct {
        WORD code;
        const char* events;
        bool buttonDown;
    } cases[] = {
        {CBN_SELCHANGE, "click change(2) ", false},
        {CBN_DROPDOWN, "dropdown ", true},
        {CBN_SELENDOK, "", true},
        {CBN_CLOSEUP, "", false},
        {CBN_DBLCLK, "dblclick ", false},
        {CBN_SELENDCANCEL, "", false},
        {CBN_SETFOCUS, "", false},
        {CBN_KILLFOCUS, "", false},
    };
    for (const auto& c : cases) {
        f.log.clear();
        f.Notify(c.code);
        EXPECT_EQ(f.log, c.events) << "notification " << c.code;
        EXPECT_EQ(f.combo.ButtonDown(), c.buttonDown) << "notification " << c.code;
    }
}

TEST(BitmappedComboBoxWindow, OnlyTheUsersChoiceFiresClickThenChange)
{
    ComboOnAForm f;
    f.Show();
    SetFocus(f.combo.Handle());
    ASSERT_EQ(GetFocus(), f.combo.Handle());
    f.log.clear();
    f.combo.SetItemIndex(0);  // from code: no event
    EXPECT_EQ(f.log, "");

    const struct {
        WORD key;
        const char* events;
        int index;
    } keys[] = {
        {VK_DOWN, "click change(1) ", 1},
        {VK_END, "click change(2) ", 2},
        {VK_UP, "click change(1) ", 1},
        {VK_HOME, "click change(0) ", 0},
    };
    for (const auto& k : keys) {
        f.log.clear();
        f.Key(k.key);
        EXPECT_EQ(f.log, k.events) << "key " << k.key;
        EXPECT_EQ(f.combo.ItemIndex(), k.index) << "key " << k.key;
    }
    EXPECT_EQ(f.combo.Text(), "HKEY_CLASSES_ROOT");

    // F4 opens the list: OnDropDown, the button pressed until it closes.
    f.log.clear();
    f.Key(VK_F4);
    EXPECT_TRUE(f.Dropped());
    EXPECT_EQ(f.log, "dropdown ");
    EXPECT_TRUE(f.combo.ButtonDown());
    f.Key(VK_ESCAPE);
    EXPECT_FALSE(f.Dropped());
    EXPECT_FALSE(f.combo.ButtonDown());
}

TEST(BitmappedComboBoxWindow, TheDroppedListShowsAtMostDropDownCountRows)
{
    const struct {
        int items, dropDownCount, rows;
    } cases[] = {
        {12, 8, 8},
        {3, 8, 3},
        {12, 4, 4},
        {0, 8, 1},
    };
    for (const auto& c : cases) {
        std::vector<String> items;
        for (int i = 0; i < c.items; ++i)
            items.push_back("item " + IntToStr(i));
        ComboOnAForm f(items);
        f.Show();
        f.combo.SetDropDownCount(c.dropDownCount);
        SetFocus(f.combo.Handle());
        f.Key(VK_F4);
        ASSERT_TRUE(f.Dropped());
        RECT list{};
        GetWindowRect(f.Info().hwndList, &list);
        EXPECT_EQ(list.bottom - list.top, c.rows * f.combo.ItemHeight() + 2) << c.items << " items";
        f.Key(VK_ESCAPE);
    }
}

TEST(BitmappedComboBoxWindow, OnDrawItemDrawsOnTheCanvasOfTheFieldAndOfTheList)
{
    ComboOnAForm f;
    const COLORREF colours[] = {RGB(200, 0, 0), RGB(0, 160, 0), RGB(0, 0, 220)};
    std::vector<UINT> fieldStates;
    f.combo.OnDrawItem = [&](TBitmappedComboBox& c, int index, const RECT& rect, UINT state) {
        if (state & ODS_COMBOBOXEDIT)
            fieldStates.push_back(state);
        c.Canvas().SetBrush(colours[index]);
        c.Canvas().FillRect(rect);
    };
    f.combo.SetItemIndex(2);
    f.Show();
    Settle();
    const COMBOBOXINFO info = f.Info();
    const int middle = (info.rcItem.top + info.rcItem.bottom) / 2;
    EXPECT_EQ(ShownAt(f.combo.Handle(), info.rcItem.left + 5, middle), colours[2]);
    ASSERT_FALSE(fieldStates.empty());
    EXPECT_EQ(fieldStates.back() & ODS_FOCUS, 0u);

    SetFocus(f.combo.Handle());
    Settle();
    EXPECT_NE(fieldStates.back() & ODS_FOCUS, 0u);  // the focused field is drawn again, as focused
    f.Key(VK_F4);
    Settle();
    ASSERT_TRUE(f.Dropped());
    const int height = f.combo.ItemHeight();
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(ShownAt(info.hwndList, 5, row * height + height / 2), colours[row]) << "row " << row;
    f.Key(VK_ESCAPE);
}

TEST(BitmappedComboBoxWindow, FocusRepaintsWithTheFocusedLook)
{
    // A picture narrower than the system's button leaves some of that
    // button showing: only the control's own repaints reach it.
    ComboOnAForm f;
    f.combo.SetNormalBitmap(test_support::SolidBitmap(9, 17, RGB(0, 0, 200)));
    f.combo.SetItemIndex(1);
    f.Show();
    SetFocus(f.other.Handle());
    Settle();
    const HWND window = f.combo.Handle();
    RECT client{};
    GetClientRect(window, &client);
    const RECT button{client.right - GetSystemMetrics(SM_CXVSCROLL) - 2, 0, client.right, client.bottom};
    RECT item = f.Info().rcItem;
    InflateRect(&item, -1, -1);  // the rectangle the item is drawn in
    const RECT topLine{item.left, item.top, item.right, item.top + 1};
    const COLORREF highlight = ColorToRGB(clHighlight);

    f.log.clear();
    Smear(f.combo);
    SetFocus(window);
    Settle();
    EXPECT_EQ(f.log, "enter ");
    EXPECT_EQ(Showing(window, button, kMarker), 0) << "the button is painted again";
    EXPECT_EQ(ShownAt(window, item.left + 3, (item.top + item.bottom) / 2), highlight) << "the item shows selected";
    EXPECT_GT(Showing(window, topLine, highlight), 0);
    EXPECT_LT(Showing(window, topLine, highlight), item.right - item.left) << "a focus rectangle";

    f.log.clear();
    Smear(f.combo);
    SetFocus(f.other.Handle());
    Settle();
    EXPECT_EQ(f.log, "exit ");
    EXPECT_EQ(Showing(window, client, kMarker), 0) << "the whole control is painted again";
    EXPECT_EQ(Showing(window, item, highlight), 0);
    EXPECT_EQ(ShownAt(window, 0, 1), ColorToRGB(clGray)) << "the border";
}

TEST(BitmappedComboBoxWindow, AFontMeasuresTheItemsOnlyWhileTheFormIsSetUp)
{
    const TFont big("Arial", -20);
    const TFont small("Arial", -9);
    ASSERT_NE(FontHeight(big), FontHeight(small));

    ComboOnAForm f;
    f.combo.SetFont(big);
    EXPECT_EQ(f.combo.ItemHeight(), FontHeight(big) + 4);
    f.form.SetFont(small);  // taken from the parent
    EXPECT_EQ(f.combo.ItemHeight(), FontHeight(big) + 4) << "its own font stays";
    f.combo.SetParentFont(true);
    EXPECT_EQ(f.combo.ItemHeight(), FontHeight(small) + 4);

    f.Show();
    f.combo.SetFont(big);  // once shown, the items keep their height
    EXPECT_EQ(f.combo.ItemHeight(), FontHeight(small) + 4);
    f.combo.SetNormalBitmap(test_support::SolidBitmap(17, 21, RGB(0, 0, 200)));
    EXPECT_EQ(f.combo.ItemHeight(), 19);  // a picture measures them at any time

    // Shown without a font of its own, the items follow the one it has.
    ComboOnAForm plain;
    plain.Show();
    EXPECT_EQ(plain.combo.ItemHeight(), FontHeight(plain.combo.Font()) + 4);
}

TEST(BitmappedComboBoxWindow, OnContextPopupCanKeepTheRequestFromTheParent)
{
    ComboOnAForm f;
    int parentSaw = 0;
    f.form.SetMessageHandler(WM_CONTEXTMENU, [&](TMessage&) {
        ++parentSaw;
        return false;
    });
    f.Show();
    const struct {
        const char* what;
        bool handled;
        bool fromKeyboard;
        POINT expected;
        int parentSees;
    } cases[] = {
        {"a right click, handled", true, false, POINT{7, 5}, 0},
        {"a right click, passed on", false, false, POINT{7, 5}, 1},
        {"from the keyboard", false, true, POINT{-1, -1}, 1},
    };
    for (const auto& c : cases) {
        POINT seen{-100, -100};
        f.combo.OnContextPopup = [&](TControl&, POINT at, bool& handled) {
            seen = at;
            handled = c.handled;
        };
        parentSaw = 0;
        if (c.fromKeyboard)
            SendMessageA(f.combo.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(f.combo.Handle()), -1);
        else
            SendMessageA(f.combo.Handle(), WM_RBUTTONUP, 0, MAKELPARAM(7, 5));  // the system asks for the menu
        EXPECT_EQ(seen.x, c.expected.x) << c.what;
        EXPECT_EQ(seen.y, c.expected.y) << c.what;
        EXPECT_EQ(parentSaw, c.parentSees) << c.what;
    }
}

TEST(BitmappedComboBoxWindow, AFormGoingAwayFiresNoExit)
{
    // A form's handlers use what the form holds, which is gone by the time
    // its controls leave their window.
    int exits = 0;
    {
        auto f = std::make_unique<ComboOnAForm>();
        f->combo.OnExit = [&exits](TControl&) { ++exits; };
        f->Show();
        SetFocus(f->combo.Handle());
        ASSERT_EQ(GetFocus(), f->combo.Handle());
    }
    EXPECT_EQ(exits, 0);
}

TEST(BitmappedComboBoxWindow, ADoubleClickAtTheFieldFiresOnDblClickOnce)
{
    // The first press drops the list, which then holds the mouse: the second
    // press of a double click reaches the list's window, and the system
    // makes no double click of two presses on two windows.
    ComboOnAForm f;
    bool parentNotifies = false;  // the parent is sent CBN_DBLCLK as the list closes, as a system might
    f.form.SetMessageHandler(WM_COMMAND, [&](TMessage& m) {
        if (parentNotifies && HIWORD(m.WParam) == CBN_CLOSEUP)
            f.Notify(CBN_DBLCLK);
        return false;  // on to the combo box
    });
    f.Show();
    SetFocus(f.combo.Handle());
    Settle();
    const DWORD slower = GetDoubleClickTime() + 200;
    const int apart = GetSystemMetrics(SM_CXDOUBLECLK) + 10;
    const int button = f.combo.Width() - 8;
    const int away = f.combo.Width() + 30;  // on the form, right of the field
    const struct {
        const char* what;
        std::vector<int> xs;  // where each click lands, at the field's mid-height
        DWORD pause;
        bool parentNotifies;
        const char* events;
        bool dropped;
    } cases[] = {
        {"a double click", {30, 30}, 0, false, "dropdown dblclick ", false},
        {"a double click on the button", {button, button}, 0, false, "dropdown dblclick ", false},
        {"three clicks", {30, 30, 30}, 0, false, "dropdown dblclick dropdown ", true},
        {"four clicks", {30, 30, 30, 30}, 0, false, "dropdown dblclick dropdown dblclick ", false},
        {"two clicks slower than a double click", {30, 30}, slower, false, "dropdown ", false},
        {"two clicks apart", {30, 30 + apart}, 0, false, "dropdown ", false},
        {"a click away from the field between two", {30, away, 30}, 0, false, "dropdown dropdown ", true},
        {"a double click the system notifies as well", {30, 30}, 0, true, "dropdown dblclick ", false},
    };
    for (const auto& c : cases) {
        parentNotifies = c.parentNotifies;
        f.log.clear();
        ClickField(f.combo.Handle(), c.xs, c.pause);
        EXPECT_EQ(f.log, c.events) << c.what;
        EXPECT_EQ(f.Dropped(), c.dropped) << c.what;
        EXPECT_FALSE(f.combo.ButtonDown()) << c.what << ": the button is let go";
        if (f.Dropped())
            f.Key(VK_ESCAPE);
        Pause(slower);  // the next case's first click is nobody's second
    }
}

TEST(BitmappedComboBoxWindow, TheSystemsDoubleClickMessageFiresOnDblClickOnce)
{
    // A window that gets both presses gets the second as WM_LBUTTONDBLCLK,
    // a press like the first: the button is let go at the release after it.
    ComboOnAForm f;
    f.Show();
    SetFocus(f.combo.Handle());
    f.log.clear();
    for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK}) {
        SendMessageA(f.combo.Handle(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(30, 10));
        EXPECT_EQ(f.combo.ButtonDown(), message != WM_LBUTTONUP) << "after message " << message;
    }
    SendMessageA(f.combo.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(30, 10));
    EXPECT_EQ(f.log, "dropdown dblclick ");
    EXPECT_FALSE(f.combo.ButtonDown());
    if (f.Dropped())
        f.Key(VK_ESCAPE);
}

TEST(BitmappedComboBoxWindow, SortedItemsStandAsInTheSystemsSortedList)
{
    // The peer: the system's own sorted list, given the same items.
    const std::vector<String> items = {"delta", "Alpha", "charlie7", "Bravo", "alpha2", "charlie10", "Echo", "b1"};
    for (const bool sortedFirst : {true, false}) {
        SCOPED_TRACE(sortedFirst ? "sorted before the items come" : "the items there are sorted");
        ComboOnAForm f(std::vector<String>{});
        const HWND peer = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST | CBS_SORT | CBS_HASSTRINGS, 0,
                                          100, 100, 100, f.form.Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(peer, nullptr);
        f.combo.SetSorted(sortedFirst);
        for (const String& item : items) {
            const LRESULT peerIndex = SendMessageA(peer, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
            const int index = f.combo.AddItem(item);
            if (sortedFirst) {
                EXPECT_EQ(index, peerIndex) << item;
            }
        }
        if (!sortedFirst) {
            f.combo.SetItemIndex(2);
            ASSERT_EQ(f.combo.Text(), "charlie7");
            f.combo.SetSorted(true);
            EXPECT_EQ(f.combo.Text(), "charlie7") << "the chosen item stays chosen";
        }
        ASSERT_EQ(f.combo.ItemCount(), static_cast<int>(items.size()));
        std::vector<String> shown, expected;
        for (int i = 0; i < f.combo.ItemCount(); ++i) {
            shown.push_back(f.combo.Items(i));
            char text[32] = {};
            SendMessageA(peer, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            expected.push_back(text);
        }
        EXPECT_EQ(shown, expected);
        EXPECT_NE(expected, items) << "the fixture's order differs from the sorted one";

        // Turned off, a new item goes to the end.
        f.combo.SetSorted(false);
        EXPECT_EQ(f.combo.AddItem("a0"), static_cast<int>(items.size()));
        EXPECT_EQ(f.log, "") << "nothing of this is the user's choice";
    }
}

TEST(BitmappedComboBoxWindow, ItemsAreDeletedAndCleared)
{
    ComboOnAForm f;
    f.Show();
    f.combo.SetItemIndex(2);
    f.combo.DeleteItem(0);
    ASSERT_EQ(f.combo.ItemCount(), 2);
    EXPECT_EQ(f.combo.Items(0), "HKEY_CURRENT_USER");
    EXPECT_EQ(f.combo.Text(), "HKEY_LOCAL_MACHINE") << "the chosen item stays chosen";
    for (const int outside : {-1, 2, 100})
        f.combo.DeleteItem(outside);
    EXPECT_EQ(f.combo.ItemCount(), 2) << "nothing deleted out of range";

    f.combo.ClearItems();
    EXPECT_EQ(f.combo.ItemCount(), 0);
    EXPECT_EQ(f.combo.ItemIndex(), -1);
    EXPECT_EQ(f.combo.Text(), "");
    EXPECT_EQ(f.combo.AddItem("HKEY_USERS"), 0);
    EXPECT_EQ(f.log, "") << "no events from code";
}
