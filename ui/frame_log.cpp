#include "ui/frame_log.h"

#include <algorithm>
#include <cstdint>

#include "classlib/canvas.h"
#include "classlib/form_building.h"
#include "controls/skin_helpers.h"
#include "guard/interface_translator.h"
#include "ui/main_form.h"
#include "ui/page_scroll.h"
#include "ui/page_tabs.h"

namespace {

void* LevelObject(int level) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(level)); }

}  // namespace

TframeLog::TframeLog(TComponent* owner, HMODULE pictures)
    : TFrame(owner),
      plLogContainer(Place<TPanel>(*this, "plLogContainer", 6, 30, 510, 246)),
      sgLog(Place<TStringGrid>(*this, plLogContainer, "sgLog", 1, 1, 491, 244)),
      logScroll(Place<TWOwnrScrllBar>(*this, plLogContainer, "logScroll", 492, 1, 17, 244)),
      btnClearLog(Place<TThreeStateButton>(*this, "btnClearLog", 416, 283, 100, 27)),
      tsTabs(Place<TAdvTabSet>(*this, "tsTabs", -1, 9, 553, 21)),
      placeholder_(TranslateString(30, "No log records available."))
{
    SetName("frameLog");
    SetColor(kPageColour);
    plLogContainer.SetColor(clSilver);  // the one-pixel border around the list

    imglLogImages.AddStrip(RequiredPicture(pictures, "BM_LOGIMAGES"));
    SetUpPageTabs(tsTabs, pictures, {"Events Log"});

    sgLog.SetColCount(1);
    sgLog.SetRowCount(1);
    sgLog.SetOptions(goRowSelect);
    sgLog.SetDefaultDrawing(false);
    sgLog.SetColor(clWhite);
    sgLog.SetFont(TFont("Tahoma", -11, 0, clBlack));
    sgLog.OnDrawCell = [this](TStringGrid&, int col, int row, const RECT& rect, TGridDrawState state) {
        sgLogDrawCell(col, row, rect, state);
    };
    sgLog.OnClick = [this](TControl&) { sgLogClick(); };

    logScroll.SetDrawStyle(TOSBDrawStyle::osbOwnerDraw);
    logScroll.SetMin(0);
    logScroll.SetMax(100);
    logScroll.SetSmallChange(1);
    logScroll.SetLargeChange(4);
    logScroll.SetCtrl3d(false);
    logScroll.SetBgColor(kPageColour);
    logScroll.OnChange = [this](TWOwnrScrllBar&) { logScrollChange(); };

    LoadSkinBitmaps(btnClearLog, "CLEARLOG", "BM_COORD", pictures);
    btnClearLog.SetTransparent(true);
    btnClearLog.OnClick = [this](TControl&) { btnClearLogClick(); };
}

TframeLog::~TframeLog()
{
    destroying_ = true;
    sgLog.OnDrawCell = nullptr;
    sgLog.OnClick = nullptr;
    logScroll.OnChange = nullptr;
}

void TframeLog::SetUp(TfmMain& main)
{
    const TFontDC measure(main.Font());
    SIZE size{};
    GetTextExtentPoint32A(measure.Get(), "Wg", 2, &size);
    sgLog.SetDefaultRowHeight(size.cy + 4);
    sgLog.SetColWidths(0, sgLog.Width() - 2);
    PaintFromScrollPictures(logScroll, main.imglScrollBitmaps);
    const int height = main.imglScrollBitmaps.Height();
    logScroll.SetTrackHeight(height);
    logScroll.SetButtonHeight(height);
    const int width = main.imglScrollBitmaps.Width() + 2;
    logScroll.SetBounds(plLogContainer.Width() - 1 - width, 1, width, plLogContainer.Height() - 2);
    UpdateScrollRange();
}

bool TframeLog::IsLogEmpty() const { return sgLog.RowCount() == 1 && sgLog.Cells(0, 0).empty(); }

int TframeLog::Level(int row) const
{
    return static_cast<int>(reinterpret_cast<std::intptr_t>(sgLog.Objects(0, row)));
}

void TframeLog::AddLine(const String& line, int level, int pictureWidth)
{
    if (IsLogEmpty()) {
        sgLog.SetCells(0, 0, line);
        sgLog.SetObjects(0, 0, LevelObject(level));
        AdjustRowHeight(0, pictureWidth);
        return;
    }
    const int last = sgLog.RowCount();
    sgLog.SetRowCount(last + 1);
    sgLog.SetCells(0, last, line);
    sgLog.SetObjects(0, last, LevelObject(level));
    sgLog.SetRow(last);
    AdjustRowHeight(sgLog.Row(), pictureWidth);
    if (sgLog.RowCount() >= kRowLimit) {
        // The newest lines stay, each with its own level.
        const int first = sgLog.RowCount() - kRowsKept;
        for (int row = 0; row < kRowsKept; ++row) {
            sgLog.SetCells(0, row, sgLog.Cells(0, first + row));
            sgLog.SetObjects(0, row, sgLog.Objects(0, first + row));
        }
        sgLog.SetRowCount(kRowsKept);
        for (int row = 0; row < kRowsKept; ++row)
            AdjustRowHeight(row, pictureWidth);
    }
    UpdateScrollRange();
    sgLogClick();  // the bar's range is known now: its thumb goes to the new line
}

void TframeLog::AdjustRowHeight(int row, int pictureWidth)
{
    const String text = sgLog.Cells(0, row);
    const int width = sgLog.ColWidths(0) - (pictureWidth + 10);
    const RECT wrapped = sgLog.MeasureText(text, width, DT_WORDBREAK);
    const RECT line = sgLog.MeasureText(text.empty() ? String("Wg") : text, 0, DT_SINGLELINE);
    sgLog.SetRowHeights(row, std::max<int>(line.bottom - line.top + 4 + (wrapped.bottom - wrapped.top),
                                           imglLogImages.Height() + 4));
}

void TframeLog::UpdateScrollRange() { logScroll.SetMax(sgLog.RowCount()); }

void TframeLog::btnClearLogClick()
{
    sgLog.SetRowCount(1);
    sgLog.SetCells(0, 0, "");
    sgLog.SetObjects(0, 0, LevelObject(0));
    UpdateScrollRange();
    sgLog.Invalidate();
    sgLogClick();
}

void TframeLog::sgLogClick() { FollowRowQuietly(logScroll, sgLog.Row()); }

void TframeLog::logScrollChange()
{
    if (logScroll.Position() < sgLog.RowCount())
        sgLog.SetRow(logScroll.Position());
}

void TframeLog::sgLogDrawCell(int, int row, const RECT& rect, TGridDrawState state)
{
    if (destroying_)
        return;
    TCanvas& canvas = sgLog.Canvas();
    const HDC dc = canvas.Handle();
    const bool empty = IsLogEmpty();
    COLORREF background = RGB(255, 255, 255);
    if (!empty && (state & gdSelected))
        background = RGB(0xE5, 0xE5, 0xE5);
    else if (!empty && row % 2 == 1)
        background = RGB(0xFA, 0xFA, 0xFA);
    canvas.SetBrush(background);
    canvas.FillRect(rect);
    SetBkMode(dc, TRANSPARENT);

    if (empty) {
        SetTextColor(dc, RGB(0x50, 0x50, 0x50));
        RECT area = rect;
        DrawTextA(dc, placeholder_.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        return;
    }
    SetTextColor(dc, RGB(0, 0, 0));
    const int level = Level(row);
    imglLogImages.Draw(dc, rect.left + 2, rect.top + 3, level >= 0 && level < imglLogImages.Count() ? level : 0);
    RECT text{rect.left + imglLogImages.Width() + 6, rect.top + 1, rect.right - 6, rect.bottom - 1};
    const String line = sgLog.Cells(0, row);
    DrawTextA(dc, line.c_str(), static_cast<int>(line.size()), &text, DT_WORDBREAK);
    if (state & gdFocused) {
        RECT focus = rect;
        DrawFocusRect(dc, &focus);
    }
}
