// The string grid in real windows: cells through size changes, mixed row
// heights and scrolling, the current row set by code, clicks, keys and the
// wheel, and owner-drawn and default cells painted pixel by pixel.
#include "classlib/grids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <set>
#include <string>

#include "classlib/canvas.h"
#include "classlib/graphics.h"
#include "classlib/std_controls.h"

namespace {

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

bool Contains(const RECT& area, int x, int y) { return x >= area.left && x < area.right && y >= area.top && y < area.bottom; }
bool Empty(const RECT& area) { return IsRectEmpty(&area) != FALSE; }

TBitmap Painted(TStringGrid& grid)
{
    TBitmap picture(grid.Width(), grid.Height());
    {
        TBitmapDC dc(picture);
        grid.PaintTo(dc.Get());
    }
    return picture;
}

// A grid shown on a panel, as the pages place it: `rows` rows of `rowHeight`
// in a client of width x height.
struct TShownGrid {
    TShownGrid(int width, int height, int rows, int rowHeight) : panel(nullptr), grid(panel.Own<TStringGrid>())
    {
        panel.SetBounds(40, 40, width + 20, height + 20);
        grid.SetParent(&panel);
        grid.SetBounds(10, 10, width, height);
        grid.SetColor(clWhite);
        grid.SetOptions(goRowSelect);
        grid.SetColCount(3);
        grid.SetDefaultRowHeight(rowHeight);
        grid.SetRowCount(rows);
        ShowWindow(panel.Handle(), SW_SHOWNA);
    }
    // Asks and clicks, as "ask <row> click <row>/<top> ".
    void Trace()
    {
        grid.OnSelectCell = [this](TStringGrid&, int, int row, bool& canSelect) {
            trace += "ask " + std::to_string(row) + " ";
            canSelect = row != refused;
        };
        grid.OnClick = [this](TControl&) {
            trace += "click " + std::to_string(grid.Row()) + "/" + std::to_string(grid.TopRow()) + " ";
        };
    }
    TPanel panel;
    TStringGrid& grid;
    std::string trace;
    int refused = -1;
};

}  // namespace

TEST(StringGridCells, TextsAndObjectsSurviveSizeChanges)
{
    TStringGrid grid(nullptr);
    grid.SetColCount(3);
    grid.SetRowCount(4);
    int guards[4] = {};
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 3; ++col)
            grid.SetCells(col, row, std::to_string(col) + ":" + std::to_string(row));
        grid.SetObjects(0, row, &guards[row]);
        grid.SetObjects(2, row, reinterpret_cast<void*>(static_cast<intptr_t>(row + 1)));  // a level
    }
    grid.SetRowCount(10);
    EXPECT_EQ(grid.Cells(2, 3), "2:3") << "growing keeps the cells";
    EXPECT_EQ(grid.Objects(0, 3), &guards[3]);
    EXPECT_EQ(grid.Cells(0, 9), "");
    EXPECT_EQ(grid.Objects(0, 9), nullptr);
    grid.SetRowCount(2);  // rows 2.. go
    grid.SetRowCount(4);
    grid.SetColCount(2);  // column 2 goes
    grid.SetColCount(3);

    const struct {
        int col, row;
        const char* text;
        void* object;
    } cells[] = {
        {0, 0, "0:0", &guards[0]},  {1, 1, "1:1", nullptr},
        {2, 1, "", nullptr},        {0, 2, "", nullptr},
        {1, 3, "", nullptr},        {-1, 0, "", nullptr},
        {0, -1, "", nullptr},       {3, 0, "", nullptr},
        {0, 4, "", nullptr},        {INT_MIN, INT_MAX, "", nullptr},
    };
    for (const auto& c : cells) {
        EXPECT_EQ(grid.Cells(c.col, c.row), c.text) << c.col << "," << c.row;
        EXPECT_EQ(grid.Objects(c.col, c.row), c.object) << c.col << "," << c.row;
        // Outside the grid setting does nothing.
        if (c.col < 0 || c.row < 0 || c.col >= 3 || c.row >= 4) {
            grid.SetCells(c.col, c.row, "x");
            grid.SetObjects(c.col, c.row, &guards[0]);
            EXPECT_EQ(grid.Cells(c.col, c.row), "");
            EXPECT_TRUE(Empty(grid.CellRect(c.col, c.row))) << c.col << "," << c.row;
        }
    }
    for (int outside : {-1, 4, INT_MIN, INT_MAX}) {
        grid.SetRowHeights(outside, 7);
        grid.SetColWidths(outside, 7);
        EXPECT_EQ(grid.RowHeights(outside), 0) << outside;
        EXPECT_EQ(grid.ColWidths(outside), 0) << outside;
    }
    EXPECT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.ColCount(), 3);

    // No rows at all is one empty row.
    for (int count : {0, -5, INT_MIN}) {
        grid.SetRowCount(count);
        EXPECT_EQ(grid.RowCount(), 1) << count;
        EXPECT_EQ(grid.Row(), 0) << count;
        grid.SetColCount(count);
        EXPECT_EQ(grid.ColCount(), 1) << count;
    }
    EXPECT_EQ(grid.Cells(0, 0), "0:0");
}

TEST(StringGridLayout, MixedRowHeightsTopRowAndVisibleRows)
{
    TStringGrid grid(nullptr);
    grid.SetBounds(0, 0, 100, 100);
    grid.SetColCount(3);
    const int widths[3] = {30, 50, 50};  // the last column partly shown
    for (int col : {0, 1, 2})
        grid.SetColWidths(col, widths[col]);
    grid.SetDefaultRowHeight(20);
    grid.SetRowCount(10);
    grid.SetRowHeights(2, 50);
    grid.SetRowHeights(5, 35);
    // Tops: 0 20 40 90 110 130 165 185 205 225; the last page is rows 6..9.
    const struct {
        int setTop, top, visible;
    } views[] = {{0, 0, 3}, {2, 2, 3}, {3, 3, 4}, {9, 6, 4}, {-3, 0, 3}};
    for (const auto& v : views) {
        grid.SetTopRow(v.setTop);
        EXPECT_EQ(grid.TopRow(), v.top) << v.setTop;
        EXPECT_EQ(grid.VisibleRowCount(), v.visible) << v.setTop;
    }

    // From row 3: row 3 at 0, 4 at 20, 5 at 40, 6 at 75, 7 at 95 (partly).
    grid.SetTopRow(3);
    const struct {
        int x, y, col, row;
        RECT cell;
    } points[] = {
        {5, 0, 0, 3, {0, 0, 30, 20}},      {31, 41, 1, 5, {30, 40, 80, 75}},
        {99, 99, 2, 7, {80, 95, 130, 115}}, {-1, 5, -1, -1, {}},
        {100, 5, -1, -1, {}},              {5, 100, -1, -1, {}},
    };
    for (const auto& p : points) {
        int col = 0, row = 0;
        grid.MouseToCell(p.x, p.y, col, row);
        EXPECT_EQ(col, p.col) << p.x << "," << p.y;
        EXPECT_EQ(row, p.row) << p.x << "," << p.y;
        if (row >= 0) {
            const RECT cell = grid.CellRect(col, row);
            EXPECT_TRUE(EqualRect(&cell, &p.cell)) << p.x << "," << p.y;
            EXPECT_TRUE(Contains(cell, p.x, p.y));
        }
    }
    for (const int row : {0, 2, 8})
        EXPECT_TRUE(Empty(grid.CellRect(1, row))) << "row " << row << " isn't shown";

    // A smaller row leaves room on the last page: the view follows.
    grid.SetTopRow(6);
    grid.SetRowHeights(5, 10);
    EXPECT_EQ(grid.TopRow(), 5);
    // A taller client too.
    grid.SetBounds(0, 0, 100, 200);
    EXPECT_EQ(grid.TopRow(), 1);
    EXPECT_EQ(grid.VisibleRowCount(), 9);

    // A fixed row stays on top and never becomes current.
    grid.SetBounds(0, 0, 100, 100);
    grid.SetFixedRows(1);
    grid.SetTopRow(0);
    EXPECT_EQ(grid.TopRow(), 1);
    EXPECT_EQ(grid.Row(), 1);
    grid.SetRow(0);
    EXPECT_EQ(grid.Row(), 1);
    const RECT fixed = grid.CellRect(0, 0), first = grid.CellRect(0, 1);
    EXPECT_EQ(fixed.top, 0);
    EXPECT_EQ(first.top, 20);
    EXPECT_EQ(grid.VisibleRowCount(), 2) << "rows 1 and 2 in the 80 pixels under the fixed one";
}

TEST(StringGridSelection, SetRowAsksScrollsIntoViewAndClicks)
{
    TShownGrid shown(150, 100, 10, 20);  // five rows show
    TStringGrid& grid = shown.grid;
    shown.Trace();
    const struct {
        const char* what;
        std::function<void()> action;
        const char* trace;
        int row, top;
    } steps[] = {
        {"down out of view", [&] { grid.SetRow(7); }, "ask 7 click 7/3 ", 7, 3},
        {"the same row", [&] { grid.SetRow(7); }, "", 7, 3},
        {"up out of view", [&] { grid.SetRow(1); }, "ask 1 click 1/1 ", 1, 1},
        {"in view", [&] { grid.SetRow(4); }, "ask 4 click 4/1 ", 4, 1},
        {"refused", [&] { shown.refused = 2; grid.SetRow(2); }, "ask 2 ", 4, 1},
        {"outside", [&] { grid.SetRow(10); grid.SetRow(-1); }, "", 4, 1},
        {"scrolled away, the row stays", [&] { grid.SetTopRow(5); }, "", 4, 5},
        {"the current row's rows go", [&] { grid.SetRow(9); grid.SetRowCount(6); }, "ask 9 click 9/5 click 5/1 ", 5, 1},
    };
    for (const auto& step : steps) {
        shown.trace.clear();
        step.action();
        EXPECT_EQ(shown.trace, step.trace) << step.what;
        EXPECT_EQ(grid.Row(), step.row) << step.what;
        EXPECT_EQ(grid.TopRow(), step.top) << step.what;
    }
}

TEST(StringGridMouse, APressSelectsTheRowUnderThePoint)
{
    TShownGrid shown(150, 100, 12, 20);
    TStringGrid& grid = shown.grid;
    const int widths[3] = {30, 50, 50};  // nothing under x = 130..149
    for (int col : {0, 1, 2})
        grid.SetColWidths(col, widths[col]);
    grid.SetTopRow(2);
    shown.Trace();
    grid.OnMouseDown = [&](TControl&, TMouseButton, TShiftState, int x, int y) {
        shown.trace += "down " + std::to_string(x) + "," + std::to_string(y) + " ";
    };
    grid.OnMouseUp = [&](TControl&, TMouseButton, TShiftState, int, int) { shown.trace += "up"; };

    const struct {
        UINT press;
        int x, y;
        const char* trace;
        int col, row;
    } presses[] = {
        {WM_LBUTTONDOWN, 70, 45, "ask 4 click 4/2 down 70,45 up", 1, 4},
        {WM_LBUTTONDOWN, 5, 99, "ask 6 click 6/2 down 5,99 up", 0, 6},
        {WM_LBUTTONDBLCLK, 100, 0, "ask 2 click 2/2 down 100,0 up", 2, 2},
        {WM_LBUTTONDOWN, 100, 1, "ask 2 click 2/2 down 100,1 up", 2, 2},  // a click is a click
        {WM_LBUTTONDOWN, 140, 50, "down 140,50 up", -1, 4},                // past the columns
        {WM_RBUTTONDOWN, 70, 65, "down 70,65 up", 1, 5},
    };
    for (const auto& p : presses) {
        shown.trace.clear();
        const int before = grid.Row();
        SendMessageA(grid.Handle(), p.press, p.press == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON, At(p.x, p.y));
        SendMessageA(grid.Handle(), p.press == WM_RBUTTONDOWN ? WM_RBUTTONUP : WM_LBUTTONUP, 0, At(p.x, p.y));
        EXPECT_EQ(shown.trace, p.trace) << p.x << "," << p.y;
        int col = 0, row = 0;
        grid.MouseToCell(p.x, p.y, col, row);
        EXPECT_EQ(col, p.col) << p.x << "," << p.y;
        EXPECT_EQ(row, p.row) << p.x << "," << p.y;
        const bool onCell = col >= 0 && row >= 0;
        EXPECT_EQ(grid.Row(), onCell && p.press != WM_RBUTTONDOWN ? p.row : before) << p.x << "," << p.y;
        if (onCell) {
            EXPECT_TRUE(Contains(grid.CellRect(col, row), p.x, p.y)) << p.x << "," << p.y;
        }
    }
    EXPECT_EQ(GetFocus(), grid.Handle()) << "a press takes the focus";
}

TEST(StringGridKeys, ArrowsPagesHomeAndEndMoveTheRowInView)
{
    TShownGrid shown(150, 100, 20, 20);  // five rows show
    TStringGrid& grid = shown.grid;
    shown.Trace();
    bool takeDown = false;
    grid.OnKeyDown = [&](TControl&, WORD& key, TShiftState) {
        if (takeDown && key == VK_DOWN)
            key = 0;
    };
    const struct {
        WORD key;
        const char* trace;
        int row, top;
    } steps[] = {
        {VK_DOWN, "ask 1 click 1/0 ", 1, 0},    {VK_NEXT, "ask 6 click 6/2 ", 6, 2},
        {VK_NEXT, "ask 11 click 11/7 ", 11, 7}, {VK_UP, "ask 10 click 10/7 ", 10, 7},
        {VK_PRIOR, "ask 5 click 5/5 ", 5, 5},   {VK_END, "ask 19 click 19/15 ", 19, 15},
        {VK_NEXT, "", 19, 15},                  {VK_DOWN, "", 19, 15},
        {VK_HOME, "ask 0 click 0/0 ", 0, 0},    {VK_UP, "", 0, 0},
        {VK_RIGHT, "", 0, 0},  // the row is selected as a whole
    };
    for (const auto& step : steps) {
        shown.trace.clear();
        SendMessageA(grid.Handle(), WM_KEYDOWN, step.key, 0);
        EXPECT_EQ(shown.trace, step.trace) << step.key;
        EXPECT_EQ(grid.Row(), step.row) << step.key;
        EXPECT_EQ(grid.TopRow(), step.top) << step.key;
    }
    takeDown = true;
    SendMessageA(grid.Handle(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(grid.Row(), 0) << "OnKeyDown took the key";
    EXPECT_EQ(SendMessageA(grid.Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS, DLGC_WANTARROWS);
}

TEST(StringGridWheel, ScrollsTheViewNotTheSelection)
{
    TShownGrid shown(150, 100, 20, 20);  // the last page starts at row 15
    TStringGrid& grid = shown.grid;
    shown.Trace();
    int moved = 0;
    grid.OnTopLeftChanged = [&](TStringGrid&) { ++moved; };
    grid.SetRow(2);
    shown.trace.clear();
    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const int notch = lines == WHEEL_PAGESCROLL ? 5 : static_cast<int>(lines);

    const struct {
        std::vector<short> deltas;
        int top;
    } turns[] = {
        {{-WHEEL_DELTA}, std::min(notch, 15)},
        {{WHEEL_DELTA}, 0},
        {{WHEEL_DELTA}, 0},                           // already at the top
        {{-WHEEL_DELTA / 2, -WHEEL_DELTA / 2}, std::min(notch, 15)},  // two halves make a notch
        {{WHEEL_DELTA / 2, -WHEEL_DELTA / 2}, std::min(notch, 15)},    // there and back
        {std::vector<short>(10, -WHEEL_DELTA), 15},   // stops at the last page
    };
    for (const auto& turn : turns) {
        for (short delta : turn.deltas)
            SendMessageA(grid.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, delta), 0);
        EXPECT_EQ(grid.TopRow(), turn.top) << turn.deltas.size() << " x " << turn.deltas.front();
    }
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_EQ(shown.trace, "") << "no selection, no click";
    EXPECT_GE(moved, 3);
}

TEST(StringGridPainting, OwnerDrawnCellsGetTheirStateAndCanvas)
{
    TShownGrid shown(130, 100, 6, 30);  // the last page is rows 3..5, 10 pixels under them
    TStringGrid& grid = shown.grid;
    for (int col : {0, 1, 2})
        grid.SetColWidths(col, 40);  // 120: 10 pixels right of them
    grid.SetDefaultDrawing(false);
    grid.SetTopRow(3);
    grid.SetRow(4);
    const COLORREF columnColours[3] = {RGB(0, 150, 0), RGB(0, 0, 150), RGB(150, 150, 0)};
    std::string drawn;
    grid.OnDrawCell = [&](TStringGrid& g, int col, int row, const RECT& rect, TGridDrawState state) {
        drawn += std::to_string(col) + "," + std::to_string(row) + ((state & gdSelected) ? "s" : "") +
                 ((state & gdFocused) ? "f" : "") + " ";
        TCanvas& canvas = g.Canvas();
        if (!(state & gdSelected))
            canvas.SetBrush(columnColours[col]);  // selected cells keep the brush the grid gave
        RECT spill = rect;
        InflateRect(&spill, 10, 10);  // the grid keeps each cell to its own rectangle
        canvas.FillRect(col == 2 ? spill : rect);
    };

    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT), white = RGB(255, 255, 255);
    TBitmap look = Painted(grid);
    EXPECT_EQ(drawn, "0,3 1,3 2,3 0,4s 1,4s 2,4s 0,5 1,5 2,5 ");
    const struct {
        int x, y;
        COLORREF colour;
        const char* what;
    } pixels[] = {
        {5, 5, columnColours[0], "row 3"},    {45, 35, highlight, "the current row"},
        {119, 59, highlight, "its last pixel"}, {85, 89, columnColours[2], "row 5"},
        {125, 15, white, "right of the columns"}, {100, 95, white, "under the rows"},
    };
    for (const auto& p : pixels)
        EXPECT_EQ(look.Pixel(p.x, p.y), p.colour) << p.what;

    // Focused, the current row says so; the window paints the same.
    SetFocus(grid.Handle());
    ASSERT_EQ(GetFocus(), grid.Handle());
    drawn.clear();
    look = Painted(grid);
    EXPECT_EQ(drawn, "0,3 1,3 2,3 0,4sf 1,4sf 2,4sf 0,5 1,5 2,5 ");
    UpdateWindow(grid.Handle());
    HDC window = GetDC(grid.Handle());
    for (const auto& p : pixels)
        EXPECT_EQ(GetPixel(window, p.x, p.y), p.colour) << p.what << " on screen";
    ReleaseDC(grid.Handle(), window);
}

TEST(StringGridPainting, DefaultCellsShowTheirTextAndTheSelection)
{
    TShownGrid shown(130, 100, 3, 20);
    TStringGrid& grid = shown.grid;
    grid.SetFont(TFont("Tahoma", -11, 0, clBlack));
    for (int col : {0, 1, 2})
        grid.SetColWidths(col, 40);
    grid.SetCells(0, 0, "WWW");
    grid.SetCells(0, 1, "WWW");
    grid.SetRow(1);
    const TBitmap look = Painted(grid);

    // The colours inside a cell: its background, and text or none.
    const auto colours = [&](int col, int row) {
        const RECT cell = grid.CellRect(col, row);
        std::set<COLORREF> seen;
        for (int y = cell.top; y < cell.bottom; ++y)
            for (int x = cell.left; x < cell.right; ++x)
                seen.insert(look.Pixel(x, y));
        return seen;
    };
    const COLORREF white = RGB(255, 255, 255), highlight = GetSysColor(COLOR_HIGHLIGHT);
    const struct {
        int col, row;
        COLORREF background;
        bool text;
    } cells[] = {{0, 0, white, true}, {1, 0, white, false}, {0, 1, highlight, true}, {2, 1, highlight, false}};
    for (const auto& c : cells) {
        const std::set<COLORREF> seen = colours(c.col, c.row);
        EXPECT_EQ(look.Pixel(grid.CellRect(c.col, c.row).right - 1, grid.CellRect(c.col, c.row).top), c.background)
            << c.col << "," << c.row;
        EXPECT_EQ(seen.size() > 1, c.text) << c.col << "," << c.row;
    }
    const std::set<COLORREF> text = colours(0, 0);
    EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](COLORREF c) {
        return GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100;
    })) << "text in the font's colour";
    EXPECT_EQ(look.Pixel(5, 70), white) << "no rows there";
}

TEST(StringGridMeasuring, TextsMeasureInTheGridsFont)
{
    TStringGrid grid(nullptr);
    grid.SetFont(TFont("Tahoma", -11));
    const String text = "Signalled guard: the start page of the browser changed";
    const RECT line = grid.MeasureText("Start Page", 300);
    const RECT wrapped = grid.MeasureText(text, 80);
    EXPECT_EQ(line.bottom, grid.Canvas().TextHeight("Start Page")) << "one line";
    EXPECT_GE(wrapped.bottom, 3 * line.bottom) << "broken into lines within 80 pixels";
    EXPECT_LE(wrapped.right, 80);
    // DrawText on the grid's canvas measures the same.
    RECT onCanvas{0, 0, 80, 0};
    DrawTextA(grid.Canvas().Handle(), text.c_str(), -1, &onCanvas, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_TRUE(EqualRect(&onCanvas, &wrapped));

    grid.SetFont(TFont("Tahoma", -22));
    EXPECT_GT(grid.MeasureText("Start Page", 300).bottom, line.bottom);
    EXPECT_GT(grid.Canvas().TextHeight("Start Page"), line.bottom) << "the canvas follows the font";
}
