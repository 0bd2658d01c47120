// A grid of texts in rows and columns, each cell with an object pointer
// beside its text. The program's list pages use it as a list: whole-row
// selection, cells drawn by the page, and no scroll bars of its own (a
// separate scroll bar follows Row and moves it).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "classlib/controls.h"

class TCanvas;

enum TGridDrawStateFlag : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = unsigned;

// goRowSelect: the current row is selected as a whole; without it only the
// current cell is, and Left and Right move it.
enum TGridOption : unsigned { goRowSelect = 1 };
using TGridOptions = unsigned;

class TStringGrid : public TWinControl {
public:
    explicit TStringGrid(TComponent* owner);
    ~TStringGrid() override;

    String ClassName() const override { return "TStringGrid"; }

    // At least one column and one row past the fixed ones; growing keeps
    // the cells, shrinking drops the last columns or rows.
    int ColCount() const { return static_cast<int>(colWidths_.size()); }
    void SetColCount(int count);
    int RowCount() const { return static_cast<int>(rows_.size()); }
    void SetRowCount(int count);
    // Fixed rows stay at the top whatever TopRow is; fixed rows and columns
    // are drawn as gdFixed and never become current.
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int count);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int count);

    // A new default gives it to every row (column); rows and columns added
    // later start with it.
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int height);
    int DefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int width);
    int RowHeights(int row) const;  // 0 outside the grid
    void SetRowHeights(int row, int height);
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);

    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions options);
    // On: the grid fills each cell and writes its text before OnDrawCell.
    // Off: OnDrawCell paints the cells on the grid's background.
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool on);

    // Outside the grid: an empty text, no object, and setting does nothing.
    String Cells(int col, int row) const;
    void SetCells(int col, int row, const String& text);
    void* Objects(int col, int row) const;
    void SetObjects(int col, int row, void* object);

    // The current cell. Setting it asks OnSelectCell, scrolls it into view,
    // repaints and runs OnClick; the same cell or one outside does nothing.
    int Col() const { return col_; }
    void SetCol(int col);
    int Row() const { return row_; }
    void SetRow(int row);
    // The first row shown under the fixed ones, kept so that the last page
    // is full; the current row stays.
    int TopRow() const { return topRow_; }
    void SetTopRow(int row);
    // The rows from TopRow that fit whole under the fixed rows.
    int VisibleRowCount() const;

    // The cell's rectangle in client coordinates while any of it shows;
    // an empty rectangle otherwise.
    RECT CellRect(int col, int row) const;
    // The cell under a client point; -1 for the column or row when none.
    void MouseToCell(int x, int y, int& col, int& row) const;

    // While a cell is drawn: the paint canvas, clipped to the cell, with the
    // grid's font and the cell's colours as brush and text colour (the
    // highlight for selected cells). Otherwise a canvas for measuring with
    // the grid's font.
    TCanvas& Canvas();
    // The rectangle DrawText fills with `text` in the grid's font within
    // `width` (DT_CALCRECT is added to `format`).
    RECT MeasureText(const String& text, int width, UINT format = DT_WORDBREAK) const;

    // Paints the whole grid into `dc` through an off-screen buffer.
    void PaintTo(HDC dc);

    std::function<void(TStringGrid&, int col, int row, bool& canSelect)> OnSelectCell;
    std::function<void(TStringGrid&, int col, int row, const RECT& rect, TGridDrawState state)> OnDrawCell;
    // TopRow changed, by the wheel, the keys or code.
    std::function<void(TStringGrid&)> OnTopLeftChanged;

    void SetBounds(int left, int top, int width, int height) override;
    // The grid clicks when its current cell is set, not by the click rule
    // of a press and release.
    void Click() override {}
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(WORD& key, TShiftState shift) override;

protected:
    virtual bool SelectCell(int col, int row);
    virtual void DrawCell(int col, int row, const RECT& rect, TGridDrawState state);
    void FontChanged() override;

private:
    struct TCell {
        String text;
        void* object = nullptr;
    };
    struct TGridRow {
        std::vector<TCell> cells;
        int height = 0;
    };
    struct TMeasureCanvas;

    bool InGrid(int col, int row) const { return col >= 0 && row >= 0 && col < ColCount() && row < RowCount(); }
    bool Selectable(int col, int row) const { return InGrid(col, row) && col >= fixedCols_ && row >= fixedRows_; }
    bool Focused();
    int FixedHeight() const;
    int ScrollHeight() const;  // the client height under the fixed rows
    int MaxTopRow() const;
    // The first TopRow that shows `row` whole at the bottom (or `row` when
    // it is taller than the view).
    int TopRowEndingAt(int row) const;
    // Calls `visit(row, top, height)` for each row shown, top to bottom.
    void ForEachShownRow(const std::function<void(int, int, int)>& visit) const;
    int ColumnLeft(int col) const;
    TGridDrawState StateOf(int col, int row);
    void ScrollIntoView(int row);
    void ChangeTopRow(int row);
    void ClampTopRow();
    bool MoveCurrent(int col, int row);
    void ForceCurrent(int col, int row);
    void MoveBy(int rows, int cols);
    void Wheel(int delta);
    void PaintBuffer(HDC dc);

    std::vector<TGridRow> rows_;
    std::vector<int> colWidths_;
    int fixedCols_ = 0;
    int fixedRows_ = 0;
    int defaultRowHeight_ = 24;
    int defaultColWidth_ = 64;
    TGridOptions options_ = 0;
    bool defaultDrawing_ = true;
    int col_ = 0;
    int row_ = 0;
    int topRow_ = 0;
    int wheelRest_ = 0;  // wheel delta short of a whole notch
    TCanvas* paintCanvas_ = nullptr;
    std::unique_ptr<TMeasureCanvas> measureCanvas_;
};
