#include "classlib/grids.h"

#include <algorithm>

#include "classlib/canvas.h"
#include "classlib/graphics.h"

// Measuring outside painting: the font copy keeps the system font alive for
// as long as the DC holds it, whatever happens to the grid's own font.
struct TStringGrid::TMeasureCanvas {
    explicit TMeasureCanvas(const TFont& gridFont) : font(gridFont), dc(font), canvas(dc.Get()) {}
    TFont font;
    TFontDC dc;
    TCanvas canvas;
};

TStringGrid::TStringGrid(TComponent* owner) : TWinControl(owner)
{
    SetColor(clWindow);
    SetTabStop(true);
    colWidths_.assign(5, defaultColWidth_);
    rows_.assign(5, TGridRow{std::vector<TCell>(colWidths_.size()), defaultRowHeight_});

    SetPaintHandler([this](HDC dc) { PaintTo(dc); });
    // Dialog-style navigation must leave the arrows to the grid.
    SetMessageHandler(WM_GETDLGCODE, [](TMessage& m) {
        m.Result = DLGC_WANTARROWS;
        return true;
    });
    // A quick second press is a press like any other.
    SetMessageHandler(WM_LBUTTONDBLCLK, [this](TMessage& m) {
        m.Result = Perform(WM_LBUTTONDOWN, m.WParam, m.LParam);
        return true;
    });
    // The selected cells look focused or not.
    const auto focusChanged = [this](TMessage&) {
        Invalidate();
        return false;
    };
    SetMessageHandler(WM_SETFOCUS, focusChanged);
    SetMessageHandler(WM_KILLFOCUS, focusChanged);
    SetMessageHandler(WM_MOUSEWHEEL, [this](TMessage& m) {
        Wheel(GET_WHEEL_DELTA_WPARAM(m.WParam));
        m.Result = 0;
        return true;
    });
}

TStringGrid::~TStringGrid() = default;

// ---- Size ----

void TStringGrid::SetColCount(int count)
{
    count = std::max(count, fixedCols_ + 1);
    if (count == ColCount())
        return;
    colWidths_.resize(static_cast<size_t>(count), defaultColWidth_);
    for (TGridRow& row : rows_)
        row.cells.resize(static_cast<size_t>(count));
    if (col_ >= count)
        ForceCurrent(count - 1, row_);
    Invalidate();
}

void TStringGrid::SetRowCount(int count)
{
    count = std::max(count, fixedRows_ + 1);
    if (count == RowCount())
        return;
    rows_.resize(static_cast<size_t>(count), TGridRow{std::vector<TCell>(colWidths_.size()), defaultRowHeight_});
    ClampTopRow();
    if (row_ >= count)
        ForceCurrent(col_, count - 1);
    Invalidate();
}

void TStringGrid::SetFixedCols(int count)
{
    fixedCols_ = std::clamp(count, 0, ColCount() - 1);
    if (col_ < fixedCols_)
        ForceCurrent(fixedCols_, row_);
    Invalidate();
}

void TStringGrid::SetFixedRows(int count)
{
    fixedRows_ = std::clamp(count, 0, RowCount() - 1);
    ClampTopRow();
    if (row_ < fixedRows_)
        ForceCurrent(col_, fixedRows_);
    Invalidate();
}

void TStringGrid::SetDefaultRowHeight(int height)
{
    defaultRowHeight_ = std::max(height, 0);
    for (TGridRow& row : rows_)
        row.height = defaultRowHeight_;
    ClampTopRow();
    Invalidate();
}

void TStringGrid::SetDefaultColWidth(int width)
{
    defaultColWidth_ = std::max(width, 0);
    colWidths_.assign(colWidths_.size(), defaultColWidth_);
    Invalidate();
}

int TStringGrid::RowHeights(int row) const
{
    return row >= 0 && row < RowCount() ? rows_[static_cast<size_t>(row)].height : 0;
}

void TStringGrid::SetRowHeights(int row, int height)
{
    if (row < 0 || row >= RowCount())
        return;
    rows_[static_cast<size_t>(row)].height = std::max(height, 0);
    ClampTopRow();
    Invalidate();
}

int TStringGrid::ColWidths(int col) const
{
    return col >= 0 && col < ColCount() ? colWidths_[static_cast<size_t>(col)] : 0;
}

void TStringGrid::SetColWidths(int col, int width)
{
    if (col < 0 || col >= ColCount())
        return;
    colWidths_[static_cast<size_t>(col)] = std::max(width, 0);
    Invalidate();
}

void TStringGrid::SetOptions(TGridOptions options)
{
    options_ = options;
    Invalidate();
}

void TStringGrid::SetDefaultDrawing(bool on)
{
    defaultDrawing_ = on;
    Invalidate();
}

void TStringGrid::SetBounds(int left, int top, int width, int height)
{
    TWinControl::SetBounds(left, top, width, height);
    ClampTopRow();
    Invalidate();
}

// ---- Cells ----

String TStringGrid::Cells(int col, int row) const
{
    return InGrid(col, row) ? rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(col)].text : String();
}

void TStringGrid::SetCells(int col, int row, const String& text)
{
    if (!InGrid(col, row))
        return;
    rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(col)].text = text;
    Invalidate();
}

void* TStringGrid::Objects(int col, int row) const
{
    return InGrid(col, row) ? rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(col)].object : nullptr;
}

void TStringGrid::SetObjects(int col, int row, void* object)
{
    if (!InGrid(col, row))
        return;
    rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(col)].object = object;
    Invalidate();  // owner-drawn cells may show their object
}

// ---- Geometry ----

int TStringGrid::FixedHeight() const
{
    int height = 0;
    for (int row = 0; row < fixedRows_; ++row)
        height += rows_[static_cast<size_t>(row)].height;
    return height;
}

int TStringGrid::ScrollHeight() const { return std::max(Height() - FixedHeight(), 0); }

int TStringGrid::TopRowEndingAt(int row) const
{
    if (row < fixedRows_)
        return fixedRows_;
    const int space = ScrollHeight();
    int top = row;
    int used = rows_[static_cast<size_t>(row)].height;
    while (top > fixedRows_ && used + rows_[static_cast<size_t>(top - 1)].height <= space) {
        --top;
        used += rows_[static_cast<size_t>(top)].height;
    }
    return top;
}

int TStringGrid::MaxTopRow() const { return TopRowEndingAt(RowCount() - 1); }

int TStringGrid::VisibleRowCount() const
{
    const int space = ScrollHeight();
    int count = 0;
    for (int row = topRow_, used = 0; row < RowCount(); ++row, ++count) {
        used += rows_[static_cast<size_t>(row)].height;
        if (used > space)
            break;
    }
    return count;
}

void TStringGrid::ForEachShownRow(const std::function<void(int, int, int)>& visit) const
{
    int top = 0;
    const auto show = [&](int row) {
        if (top >= Height())
            return false;
        const int height = rows_[static_cast<size_t>(row)].height;
        visit(row, top, height);
        top += height;
        return true;
    };
    for (int row = 0; row < fixedRows_; ++row)
        if (!show(row))
            return;
    for (int row = topRow_; row < RowCount(); ++row)
        if (!show(row))
            return;
}

int TStringGrid::ColumnLeft(int col) const
{
    int left = 0;
    for (int c = 0; c < col; ++c)
        left += colWidths_[static_cast<size_t>(c)];
    return left;
}

RECT TStringGrid::CellRect(int col, int row) const
{
    RECT cell{};
    if (!InGrid(col, row))
        return cell;
    const int left = ColumnLeft(col);
    if (left >= Width())
        return cell;
    ForEachShownRow([&](int shown, int top, int height) {
        if (shown == row)
            cell = RECT{left, top, left + colWidths_[static_cast<size_t>(col)], top + height};
    });
    return cell;
}

void TStringGrid::MouseToCell(int x, int y, int& col, int& row) const
{
    col = -1;
    row = -1;
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return;
    for (int c = 0, left = 0; c < ColCount(); ++c) {
        left += colWidths_[static_cast<size_t>(c)];
        if (x < left) {
            col = c;
            break;
        }
    }
    ForEachShownRow([&](int shown, int top, int height) {
        if (y >= top && y < top + height)
            row = shown;
    });
}

// ---- Selection and scrolling ----

void TStringGrid::SetCol(int col)
{
    if (col != col_ && Selectable(col, row_))
        MoveCurrent(col, row_);
}

void TStringGrid::SetRow(int row)
{
    if (row != row_ && Selectable(col_, row))
        MoveCurrent(col_, row);
}

void TStringGrid::SetTopRow(int row) { ChangeTopRow(std::clamp(row, fixedRows_, MaxTopRow())); }

void TStringGrid::ChangeTopRow(int row)
{
    if (row == topRow_)
        return;
    topRow_ = row;
    Invalidate();
    if (OnTopLeftChanged)
        OnTopLeftChanged(*this);
}

// Rows removed or resized can leave TopRow past the last full page.
void TStringGrid::ClampTopRow() { ChangeTopRow(std::clamp(topRow_, fixedRows_, MaxTopRow())); }

void TStringGrid::ScrollIntoView(int row)
{
    if (row < fixedRows_)
        return;
    ChangeTopRow(row < topRow_ ? row : std::max(topRow_, TopRowEndingAt(row)));
}

bool TStringGrid::SelectCell(int col, int row)
{
    bool canSelect = true;
    if (OnSelectCell)
        OnSelectCell(*this, col, row, canSelect);
    return canSelect;
}

// Every move of the current cell the user or the page asks for: OnSelectCell
// may refuse it; the pages follow the grid through OnClick.
bool TStringGrid::MoveCurrent(int col, int row)
{
    if (!Selectable(col, row) || !SelectCell(col, row))
        return false;
    ForceCurrent(col, row);
    return true;
}

// A move the grid must make (its rows went): nobody is asked, but the pages
// still hear of it.
void TStringGrid::ForceCurrent(int col, int row)
{
    col_ = col;
    row_ = row;
    ScrollIntoView(row);
    Invalidate();
    TWinControl::Click();
}

void TStringGrid::MoveBy(int rows, int cols)
{
    const int row = std::clamp(row_ + rows, fixedRows_, RowCount() - 1);
    const int col = std::clamp(col_ + cols, fixedCols_, ColCount() - 1);
    if (row != row_ || col != col_)
        MoveCurrent(col, row);
}

bool TStringGrid::Focused() { return HandleAllocated() && GetFocus() == Handle(); }

void TStringGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == TMouseButton::mbLeft) {
        if (HandleAllocated() && GetFocus() != Handle())
            SetFocus(Handle());
        int col = -1, row = -1;
        MouseToCell(x, y, col, row);
        MoveCurrent(col, row);  // also the current cell again: a click is a click
    }
    TWinControl::MouseDown(button, shift, x, y);
}

void TStringGrid::KeyDown(WORD& key, TShiftState shift)
{
    TWinControl::KeyDown(key, shift);  // OnKeyDown may take the key
    const int page = std::max(VisibleRowCount(), 1);
    const bool rowSelect = (options_ & goRowSelect) != 0;
    switch (key) {
    case VK_UP: MoveBy(-1, 0); break;
    case VK_DOWN: MoveBy(1, 0); break;
    case VK_PRIOR: MoveBy(-page, 0); break;
    case VK_NEXT: MoveBy(page, 0); break;
    case VK_HOME: MoveBy(-RowCount(), 0); break;
    case VK_END: MoveBy(RowCount(), 0); break;
    case VK_LEFT:
        if (!rowSelect)
            MoveBy(0, -1);
        break;
    case VK_RIGHT:
        if (!rowSelect)
            MoveBy(0, 1);
        break;
    default: break;
    }
}

// The view moves by the system's wheel lines per notch; the selection stays,
// as in a list box.
void TStringGrid::Wheel(int delta)
{
    if ((delta > 0) != (wheelRest_ > 0))
        wheelRest_ = 0;  // turned the other way: the part notch is forgotten
    wheelRest_ += delta;
    const int notches = wheelRest_ / WHEEL_DELTA;
    wheelRest_ %= WHEEL_DELTA;
    if (notches == 0)
        return;
    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const int rows = lines == WHEEL_PAGESCROLL ? std::max(VisibleRowCount(), 1) : static_cast<int>(std::min(lines, 100u));
    SetTopRow(topRow_ - notches * rows);
}

// ---- Painting and measuring ----

TCanvas& TStringGrid::Canvas()
{
    if (paintCanvas_)
        return *paintCanvas_;
    if (!measureCanvas_)
        measureCanvas_ = std::make_unique<TMeasureCanvas>(Font());
    return measureCanvas_->canvas;
}

RECT TStringGrid::MeasureText(const String& text, int width, UINT format) const
{
    const TFontDC dc(Font());
    RECT area{0, 0, std::max(width, 0), 0};
    DrawTextA(dc.Get(), text.c_str(), static_cast<int>(text.size()), &area, format | DT_CALCRECT);
    return area;
}

void TStringGrid::FontChanged()
{
    measureCanvas_.reset();
    TWinControl::FontChanged();
}

TGridDrawState TStringGrid::StateOf(int col, int row)
{
    if (col < fixedCols_ || row < fixedRows_)
        return gdFixed;
    if (row != row_ || ((options_ & goRowSelect) == 0 && col != col_))
        return 0;
    return Focused() ? gdSelected | gdFocused : gdSelected;
}

void TStringGrid::PaintTo(HDC target)
{
    PaintThroughBuffer(target, Width(), Height(), [this](HDC dc) { PaintBuffer(dc); });
}

void TStringGrid::PaintBuffer(HDC dc)
{
    const int width = Width();
    TCanvas canvas(dc);
    canvas.SetBrush(ColorToRGB(Color()));
    canvas.FillRect(RECT{0, 0, width, Height()});  // where there are no rows
    paintCanvas_ = &canvas;
    struct TPainting {
        TCanvas*& canvas;
        ~TPainting() { canvas = nullptr; }
    } painting{paintCanvas_};

    const HFONT font = Font().Handle();
    ForEachShownRow([&](int row, int top, int height) {
        int left = 0;
        for (int col = 0; col < ColCount() && left < width; ++col) {
            const RECT cell{left, top, left + colWidths_[static_cast<size_t>(col)], top + height};
            left = cell.right;
            if (IsRectEmpty(&cell))
                continue;
            // Each cell starts afresh, whatever the one before left selected.
            const TGridDrawState state = StateOf(col, row);
            SelectClipRgn(dc, nullptr);
            IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
            SelectObject(dc, font);
            SetBkMode(dc, TRANSPARENT);
            canvas.SetBrush(ColorToRGB((state & gdSelected) ? clHighlight : (state & gdFixed) ? clBtnFace : Color()));
            canvas.SetFontColor(ColorToRGB((state & gdSelected) ? clHighlightText : Font().Color()));
            DrawCell(col, row, cell, state);
        }
    });
    SelectClipRgn(dc, nullptr);

    if (defaultDrawing_ && Focused()) {
        RECT focus = CellRect((options_ & goRowSelect) ? fixedCols_ : col_, row_);
        if (options_ & goRowSelect) {
            const RECT last = CellRect(ColCount() - 1, row_);
            focus.right = IsRectEmpty(&last) ? width : last.right;
        }
        if (!IsRectEmpty(&focus))
            DrawFocusRect(dc, &focus);
    }
}

void TStringGrid::DrawCell(int col, int row, const RECT& rect, TGridDrawState state)
{
    if (defaultDrawing_) {
        TCanvas& canvas = Canvas();
        canvas.FillRect(rect);
        canvas.TextAt(rect.left + 2, rect.top + 2, Cells(col, row));
    }
    if (OnDrawCell)
        OnDrawCell(*this, col, row, rect, state);
}
