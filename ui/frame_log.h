// The events log page: one dated line per row of its grid, each with the
// picture of its level (plain, success, warning), at most 999 lines kept in
// memory for the program's life. An empty log is one row with an empty
// text, shown as the placeholder "No log records available.".
#pragma once

#include <windows.h>

#include "classlib/grids.h"
#include "classlib/image_list.h"
#include "classlib/std_controls.h"
#include "controls/adv_tab_set.h"
#include "controls/owner_scroll_bar.h"
#include "controls/three_state_button.h"

class TfmMain;

class TframeLog : public TFrame {
public:
    // At the 1000th line the newest 500 are kept.
    static constexpr int kRowLimit = 1000;
    static constexpr int kRowsKept = 500;

    TframeLog(TComponent* owner, HMODULE pictures);
    ~TframeLog() override;

    String ClassName() const override { return "TframeLog"; }

    // The main form's part of the set-up: row height and column width from
    // its font, the scroll bar sized by its scroll pictures.
    void SetUp(TfmMain& main);

    bool IsLogEmpty() const;
    // Appends a finished line (date, time and message) with its level; the
    // first line replaces the placeholder row. `pictureWidth` is the width
    // kept free for the row's picture when the text wraps.
    void AddLine(const String& line, int level, int pictureWidth);
    void AdjustRowHeight(int row, int pictureWidth);
    int Level(int row) const;
    void UpdateScrollRange();

    void btnClearLogClick();
    void sgLogClick();
    void logScrollChange();

    TImageList imglLogImages{16, 16};
    TPanel& plLogContainer;
    TStringGrid& sgLog;
    TWOwnrScrllBar& logScroll;
    TThreeStateButton& btnClearLog;
    TAdvTabSet& tsTabs;

private:
    void sgLogDrawCell(int col, int row, const RECT& rect, TGridDrawState state);

    String placeholder_;
    bool destroying_ = false;
};
