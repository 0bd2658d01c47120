// The security list page: the registry guards on its first tab, with
// buttons to add, edit, delete and mark them all active and a context menu
// that also opens a guard's key in the registry editor; the file
// protections on its second, each switched on and off by a click on its
// status picture. The main form owns the lists and the operations on them
// (monitoring, snapshots, saving); the page shows them and calls those.
#pragma once

#include <windows.h>

#include "classlib/graphics.h"
#include "classlib/grids.h"
#include "classlib/menus.h"
#include "classlib/std_controls.h"
#include "controls/adv_tab_set.h"
#include "controls/owner_scroll_bar.h"
#include "controls/three_state_button.h"
#include "ui/popup_menu_painter.h"

class TfmMain;
class TfmAddFreeze;
struct TSingleFreeze;
class TFileProtection;

class TframeFreezeList : public TFrame {
public:
    TframeFreezeList(TComponent* owner, TfmMain& main, HMODULE pictures);
    ~TframeFreezeList() override;

    String ClassName() const override { return "TframeFreezeList"; }

    // The main form's part of the set-up: column widths, scroll bars painted
    // from its scroll pictures.
    void SetUp();

    // The grids from the main form's lists (each row's object, its height).
    void FillGuardGrid();
    void FillProtectionGrid();
    // A guard appended to the list gets the last row.
    void AppendGuardRow(TSingleFreeze* guard);
    // The scroll bar's maximum follows the registry grid's row count.
    void UpdateGuardsScroll();
    // Edit, Delete, their menu items and "Open in Regedit" are usable
    // exactly when the selected row holds a guard.
    void UpdateGuardButtons();

    TSingleFreeze* GuardOfRow(int row) const;
    TFileProtection* ProtectionOfRow(int row) const;
    TSingleFreeze* SelectedGuard() const { return GuardOfRow(sgFreezes.Row()); }

    // Where a click switches the row's status: the status picture.
    RECT StatusPictureRect(const TStringGrid& grid, int row) const;

    // Handlers.
    void btnNewFreezeClick();
    void btnEditGuardClick();
    void btnDeleteFreezeClick();
    void btnMarkAllClick();
    void miOpenRegeditClick();
    void sgFreezesClick();
    void sgFreezesMouseUp(TMouseButton button, int x, int y);
    void sgFreezesMouseMove(int x, int y);
    void pmGuardsPopupPopup();
    void logScrollChange();
    void tsTabsChange(int newTab);
    void sgListClick();
    void sgListMouseUp(TMouseButton button, int x, int y);
    void fileGuardsScrollChange();

    // The dialog shown by New and Edit, before it runs modally: tests fill
    // it in and end it here instead of a user.
    std::function<int(TfmAddFreeze&)> RunDialog;

    TAdvTabSet& tsTabs;
    TPanel& plSecurityList;
    TPanel& plFreezesBorder;
    TStringGrid& sgFreezes;
    TWOwnrScrllBar& logScroll;
    TThreeStateButton& btnMarkAll;
    TThreeStateButton& btnNewFreeze;
    TThreeStateButton& btnEditGuard;
    TThreeStateButton& btnDeleteFreeze;
    TPanel& plFileGuards;
    TPanel& plListBorder;
    TStringGrid& sgList;
    TWOwnrScrllBar& fileGuardsScroll;
    TPopupMenu& pmGuardsPopup;
    TMenuItem& miNewGuard;
    TMenuItem& miEditGuard;
    TMenuItem& miDeleteGuard;
    TMenuItem& miOpenRegedit;

private:
    void sgFreezesDrawCell(int row, const RECT& rect, TGridDrawState state);
    void sgListDrawCell(int row, const RECT& rect, TGridDrawState state);
    // One row's look: the status picture (-1 none), the name, and the
    // status word at the bottom right `statusLift` pixels above the edge.
    void DrawStatusRow(TStringGrid& grid, int row, const RECT& rect, TGridDrawState state, int picture,
                       const String& name, const String& status, bool active, int statusLift);
    int RowHeightFor(const TStringGrid& grid, const String& text) const;
    // Takes the guard's row out: later rows move up one.
    void DeleteGuardRow(int row);
    int ShowDialog(TfmAddFreeze& dialog);
    void ShowContextMenu(LPARAM at);

    TfmMain& main_;
    String activeText_, notActiveText_, disabledText_, statusText_;
    TBitmap cellPicture_;
    int lastHintRow_ = -1;
    TPopupMenuPainter menuPainter_;
    bool destroying_ = false;
};
