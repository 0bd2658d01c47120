#include "ui/frame_freeze_list.h"

#include <algorithm>

#include "classlib/application.h"
#include "classlib/canvas.h"
#include "classlib/form_building.h"
#include "controls/skin_helpers.h"
#include "guard/file_protector.h"
#include "guard/freeze_list.h"
#include "guard/interface_translator.h"
#include "guard/protection_list.h"
#include "guard/registry_utils.h"
#include "ui/add_guard_form.h"
#include "ui/main_form.h"
#include "ui/page_scroll.h"
#include "ui/page_tabs.h"
#include "ui/registry_editor_opener.h"

namespace {

constexpr COLORREF kOddRow = RGB(250, 250, 250);
constexpr COLORREF kSelectedRow = RGB(229, 229, 229);
constexpr COLORREF kActiveStatus = RGB(0, 0, 128);
constexpr COLORREF kOtherStatus = RGB(255, 0, 0);
constexpr COLORREF kStatusLabel = RGB(80, 80, 80);
constexpr int kActivePicture = 4;
constexpr int kNotActivePicture = 3;

// The grids keep a guard or a protection as each row's object.
template <typename T>
T* RowObject(const TStringGrid& grid, int row)
{
    if (row < 0 || row >= grid.RowCount())
        return nullptr;
    return static_cast<T*>(grid.Objects(0, row));
}

void SetUpGrid(TStringGrid& grid)
{
    grid.SetColCount(1);
    grid.SetRowCount(1);
    grid.SetOptions(goRowSelect);
    grid.SetDefaultDrawing(false);
    grid.SetColor(clWhite);
    grid.SetFont(TFont("Tahoma", -11, 0, clBlack));
    grid.SetShowHint(true);
}

// The placeholder row of an empty list.
void DrawBlankRow(TStringGrid& grid, const RECT& rect)
{
    TCanvas& canvas = grid.Canvas();
    canvas.SetBrush(RGB(255, 255, 255));
    canvas.FillRect(rect);
}

void SetUpScroll(TWOwnrScrllBar& bar)
{
    bar.SetDrawStyle(TOSBDrawStyle::osbOwnerDraw);
    bar.SetMin(0);
    bar.SetMax(1);
    bar.SetSmallChange(1);
    bar.SetLargeChange(4);
    bar.SetCtrl3d(false);
    bar.SetBgColor(kPageColour);
}

// What the dialog says of a guard (its state, GUID and id stay).
void ReadGuardFields(TfmAddFreeze& dialog, TSingleFreeze& guard)
{
    guard.AutoUpdate = dialog.cbAutoUpdateSnapshoot.Checked();
    guard.RootKeyName = dialog.RootKeyName();
    guard.KeyPath = dialog.edKeyToMonitor.Text();
    guard.ValueName = dialog.edValueToMonitor.Text();
    guard.DisplayName = dialog.edDisplayName.Text();
    guard.Comment = dialog.edComment.Text();
    guard.Kind = dialog.rbAllValuesAndSubKeys.Checked() ? gkKey : gkValue;
    guard.Reaction = dialog.rbRevokeModifications.Checked() ? grRevoke : grAsk;
}

void WriteGuardFields(const TSingleFreeze& guard, TfmAddFreeze& dialog)
{
    dialog.SelectRootKey(guard.RootKeyName);
    dialog.cbAutoUpdateSnapshoot.SetChecked(guard.AutoUpdate);
    dialog.edKeyToMonitor.SetText(guard.KeyPath);
    dialog.edValueToMonitor.SetText(guard.ValueName);
    dialog.edDisplayName.SetText(guard.DisplayName);
    dialog.edComment.SetText(guard.Comment);
    // Each pair through its own rule, which also sets the value edit's look.
    TBitCheckBox& kind = guard.Kind == gkKey ? dialog.rbAllValuesAndSubKeys : dialog.rbOnlyValueWithName;
    kind.SetChecked(true);
    dialog.ToggleState(kind);
    TBitCheckBox& reaction = guard.Reaction == grRevoke ? dialog.rbRevokeModifications : dialog.rbAskMe;
    reaction.SetChecked(true);
    dialog.ToggleState2(reaction);
}

}  // namespace

TframeFreezeList::TframeFreezeList(TComponent* owner, TfmMain& main, HMODULE pictures)
    : TFrame(owner),
      tsTabs(Place<TAdvTabSet>(*this, "tsTabs", -1, 9, 553, 21)),
      plSecurityList(Place<TPanel>(*this, "plSecurityList", 0, 30, 523, 287)),
      plFreezesBorder(Place<TPanel>(*this, plSecurityList, "plFreezesBorder", 6, 0, 510, 246)),
      sgFreezes(Place<TStringGrid>(*this, plFreezesBorder, "sgFreezes", 1, 1, 491, 244)),
      logScroll(Place<TWOwnrScrllBar>(*this, plFreezesBorder, "logScroll", 492, 1, 17, 244)),
      btnMarkAll(Place<TThreeStateButton>(*this, plSecurityList, "btnMarkAll", 6, 253, 100, 27)),
      btnNewFreeze(Place<TThreeStateButton>(*this, plSecurityList, "btnNewFreeze", 204, 253, 100, 27)),
      btnEditGuard(Place<TThreeStateButton>(*this, plSecurityList, "btnEditGuard", 310, 253, 100, 27)),
      btnDeleteFreeze(Place<TThreeStateButton>(*this, plSecurityList, "btnDeleteFreeze", 416, 253, 100, 27)),
      plFileGuards(Place<TPanel>(*this, "plFileGuards", 0, 30, 523, 287)),
      plListBorder(Place<TPanel>(*this, plFileGuards, "plListBorder", 6, 0, 510, 277)),
      sgList(Place<TStringGrid>(*this, plListBorder, "sgList", 1, 1, 491, 275)),
      fileGuardsScroll(Place<TWOwnrScrllBar>(*this, plListBorder, "fileGuardsScroll", 492, 1, 17, 275)),
      pmGuardsPopup(Own<TPopupMenu>()),
      miNewGuard(pmGuardsPopup.Add("New Guard")),
      miEditGuard(pmGuardsPopup.Add("Edit Guard")),
      miDeleteGuard(pmGuardsPopup.Add("Delete Guard")),
      miOpenRegedit((pmGuardsPopup.Add("-").SetName("N1"), pmGuardsPopup.Add("Open in Regedit"))),
      main_(main),
      activeText_(TranslateString(24, "active")),
      notActiveText_(TranslateString(25, "not active")),
      disabledText_(TranslateString(26, "disabled")),
      statusText_(TranslateString(27, "Status: ")),
      menuPainter_(main.imgPopupImages, main.Font())
{
    SetName("frameFreezeList");
    SetColor(kPageColour);
    for (TPanel* panel : {&plSecurityList, &plFileGuards})
        panel->SetColor(kPageColour);
    for (TPanel* border : {&plFreezesBorder, &plListBorder})
        border->SetColor(clSilver);  // the one-pixel border around the list

    SetUpPageTabs(tsTabs, pictures, {"Registry Guards", "File  Guards"});
    tsTabs.OnChange = [this](TAdvTabSet&, int newTab, bool&) { tsTabsChange(newTab); };

    SetUpGrid(sgFreezes);
    sgFreezes.OnDrawCell = [this](TStringGrid&, int, int row, const RECT& rect, TGridDrawState state) {
        sgFreezesDrawCell(row, rect, state);
    };
    sgFreezes.OnClick = [this](TControl&) { sgFreezesClick(); };
    sgFreezes.OnMouseUp = [this](TControl&, TMouseButton button, TShiftState, int x, int y) {
        sgFreezesMouseUp(button, x, y);
    };
    sgFreezes.OnMouseMove = [this](TControl&, TShiftState, int x, int y) { sgFreezesMouseMove(x, y); };
    // The menu key and Shift+F10.
    sgFreezes.SetMessageHandler(WM_CONTEXTMENU, [this](TMessage& m) {
        ShowContextMenu(m.LParam);
        m.Result = 0;
        return true;
    });
    SetUpGrid(sgList);
    sgList.OnDrawCell = [this](TStringGrid&, int, int row, const RECT& rect, TGridDrawState state) {
        sgListDrawCell(row, rect, state);
    };
    sgList.OnClick = [this](TControl&) { sgListClick(); };
    sgList.OnMouseUp = [this](TControl&, TMouseButton button, TShiftState, int x, int y) {
        sgListMouseUp(button, x, y);
    };

    SetUpScroll(logScroll);
    logScroll.OnChange = [this](TWOwnrScrllBar&) { logScrollChange(); };
    SetUpScroll(fileGuardsScroll);
    fileGuardsScroll.OnChange = [this](TWOwnrScrllBar&) { fileGuardsScrollChange(); };

    const struct {
        TThreeStateButton& button;
        const char* skin;
        const char* hint;
        void (TframeFreezeList::*click)();
    } buttons[] = {{btnMarkAll, "MARKALL", "Mark all items checked", &TframeFreezeList::btnMarkAllClick},
                   {btnNewFreeze, "NEWGUARD", "Add new guard", &TframeFreezeList::btnNewFreezeClick},
                   {btnEditGuard, "EDITGUARD", "Edit selected guard", &TframeFreezeList::btnEditGuardClick},
                   {btnDeleteFreeze, "DELETEGUARD", "Delete selected guard", &TframeFreezeList::btnDeleteFreezeClick}};
    for (const auto& entry : buttons) {
        LoadSkinBitmaps(entry.button, entry.skin, "BM_COORD", pictures);
        entry.button.SetTransparent(true);
        entry.button.SetHint(entry.hint);
        const auto click = entry.click;
        entry.button.OnClick = [this, click](TControl&) { (this->*click)(); };
    }

    pmGuardsPopup.SetName("pmGuardsPopup");
    pmGuardsPopup.SetOwnerDraw(true);
    pmGuardsPopup.SetImages(&main.imgPopupImages);
    pmGuardsPopup.OnPopup = [this](TPopupMenu&) { pmGuardsPopupPopup(); };
    miNewGuard.SetName("miNewGuard");
    miEditGuard.SetName("miEditGuard");
    miDeleteGuard.SetName("miDeleteGuard");
    miOpenRegedit.SetName("miOpenRegedit");
    miOpenRegedit.SetImageIndex(5);
    miNewGuard.OnClick = [this](TMenuItem&) { btnNewFreezeClick(); };
    miEditGuard.OnClick = [this](TMenuItem&) { btnEditGuardClick(); };
    miDeleteGuard.OnClick = [this](TMenuItem&) { btnDeleteFreezeClick(); };
    miOpenRegedit.OnClick = [this](TMenuItem&) { miOpenRegeditClick(); };
    for (int i = 0; i < pmGuardsPopup.Count(); ++i) {
        TMenuItem* item = pmGuardsPopup.Items(i);
        item->OnMeasureItem = [this](TMenuItem& it, TCanvas& c, int& w, int& h) {
            menuPainter_.Measure(it, c.Handle(), w, h);
        };
        item->OnAdvancedDrawItem = [this](TMenuItem& it, TCanvas& c, const RECT& r, TOwnerDrawState s) {
            menuPainter_.Draw(it, c.Handle(), r, s);
        };
    }
    main.AddFramedMenu(&pmGuardsPopup);

    plSecurityList.BringToFront();
    UpdateGuardButtons();
}

TframeFreezeList::~TframeFreezeList()
{
    destroying_ = true;
    for (TStringGrid* grid : {&sgFreezes, &sgList}) {
        grid->OnDrawCell = nullptr;
        grid->OnClick = nullptr;
    }
    logScroll.OnChange = nullptr;
    fileGuardsScroll.OnChange = nullptr;
}

void TframeFreezeList::SetUp()
{
    const TFontDC measure(main_.Font());
    SIZE line{};
    GetTextExtentPoint32A(measure.Get(), "Wg", 2, &line);
    for (TStringGrid* grid : {&sgFreezes, &sgList}) {
        grid->SetDefaultRowHeight(line.cy + 4);
        grid->SetColWidths(0, grid->Width() - 2);
    }
    const int height = main_.imglScrollBitmaps.Height();
    const int width = main_.imglScrollBitmaps.Width() + 2;
    const struct {
        TWOwnrScrllBar& bar;
        TPanel& border;
    } bars[] = {{logScroll, plFreezesBorder}, {fileGuardsScroll, plListBorder}};
    for (const auto& entry : bars) {
        PaintFromScrollPictures(entry.bar, main_.imglScrollBitmaps);
        entry.bar.SetTrackHeight(height);
        entry.bar.SetButtonHeight(height);
        entry.bar.SetBounds(entry.border.Width() - 1 - width, 1, width, entry.border.Height() - 2);
    }
}

// ---------------------------------------------------------------- rows

int TframeFreezeList::RowHeightFor(const TStringGrid& grid, const String& text) const
{
    const int width = grid.ColWidths(0) - (main_.imglTrayIcons.Width() + 10);
    const RECT measured = grid.MeasureText(text, width, DT_WORDBREAK);
    return std::max<int>(main_.imglTrayIcons.Height() + 4, 2 * (measured.bottom - measured.top) + 4);
}

void TframeFreezeList::FillGuardGrid()
{
    const TFreezeList* guards = main_.GuardList();
    if (guards && guards->Count() > 0) {
        sgFreezes.SetRowCount(guards->Count());
        for (int i = 0; i < guards->Count(); ++i) {
            TSingleFreeze* guard = guards->GetItem(i);
            sgFreezes.SetObjects(0, i, guard);
            sgFreezes.SetRowHeights(i, RowHeightFor(sgFreezes, guard->DisplayName));
        }
    }
    UpdateGuardsScroll();
    sgFreezesClick();
}

void TframeFreezeList::FillProtectionGrid()
{
    const TProtectionList* protections = main_.ProtectionList();
    if (!protections)
        return;
    const int count = protections->Count();
    sgList.SetRowCount(std::max(count, 1));
    if (count == 0)
        sgList.SetObjects(0, 0, nullptr);
    fileGuardsScroll.SetMax(std::max(count, 1));
    for (int i = 0; i < count; ++i) {
        TFileProtection* protection = protections->GetItem(i);
        sgList.SetObjects(0, i, protection);
        sgList.SetRowHeights(i, RowHeightFor(sgList, protection->DisplayName()));
    }
    fileGuardsScroll.setPosition(0);
}

void TframeFreezeList::AppendGuardRow(TSingleFreeze* guard)
{
    const TFreezeList* guards = main_.GuardList();
    if (!guard || !guards)
        return;
    const int count = std::max(guards->Count(), 1);
    sgFreezes.SetRowCount(count);
    sgFreezes.SetObjects(0, count - 1, guard);
    sgFreezes.SetRowHeights(count - 1, RowHeightFor(sgFreezes, guard->DisplayName));
    sgFreezes.Invalidate();
    UpdateGuardsScroll();
    UpdateGuardButtons();
}

void TframeFreezeList::UpdateGuardsScroll() { logScroll.SetMax(sgFreezes.RowCount()); }

TSingleFreeze* TframeFreezeList::GuardOfRow(int row) const { return RowObject<TSingleFreeze>(sgFreezes, row); }

TFileProtection* TframeFreezeList::ProtectionOfRow(int row) const { return RowObject<TFileProtection>(sgList, row); }

void TframeFreezeList::UpdateGuardButtons()
{
    const bool guard = SelectedGuard() != nullptr;
    btnEditGuard.SetEnabled(guard);
    btnDeleteFreeze.SetEnabled(guard);
}

void TframeFreezeList::DeleteGuardRow(int row)
{
    const int count = sgFreezes.RowCount();
    if (row < 0 || row >= count)
        return;
    for (int r = row; r + 1 < count; ++r) {
        auto* moved = GuardOfRow(r + 1);
        sgFreezes.SetObjects(0, r, moved);
        if (moved)
            sgFreezes.SetRowHeights(r, RowHeightFor(sgFreezes, moved->DisplayName));
    }
    if (count > 1) {
        sgFreezes.SetRowCount(count - 1);
    } else {
        sgFreezes.SetObjects(0, 0, nullptr);  // the blank placeholder row
        sgFreezes.SetRowHeights(0, sgFreezes.DefaultRowHeight());
    }
    sgFreezes.Invalidate();
}

RECT TframeFreezeList::StatusPictureRect(const TStringGrid& grid, int row) const
{
    const RECT cell = grid.CellRect(0, row);
    return RECT{cell.left + 2, cell.top + 2, cell.left + 2 + main_.imglTrayIcons.Width(),
                cell.top + 2 + main_.imglTrayIcons.Height()};
}

// ---------------------------------------------------------------- registry guards

int TframeFreezeList::ShowDialog(TfmAddFreeze& dialog)
{
    return RunDialog ? RunDialog(dialog) : dialog.ShowModal();
}

void TframeFreezeList::btnNewFreezeClick()
{
    TfmAddFreeze dialog(&main_, &main_.Translator(), main_.Pictures());
    if (ShowDialog(dialog) != mrOk || !main_.GuardList())
        return;
    auto guard = std::make_unique<TSingleFreeze>();
    ReadGuardFields(dialog, *guard);
    guard->State = gsActive;
    main_.AddGuard(std::move(guard));
    UpdateGuardsScroll();
    UpdateGuardButtons();
}

void TframeFreezeList::btnEditGuardClick()
{
    TSingleFreeze* guard = SelectedGuard();
    if (!guard)
        return;
    TfmAddFreeze dialog(&main_, &main_.Translator(), main_.Pictures());
    WriteGuardFields(*guard, dialog);
    if (ShowDialog(dialog) != mrOk || !main_.GuardList())
        return;
    TSingleFreeze changed = *guard;
    ReadGuardFields(dialog, changed);
    main_.ChangeGuard(guard, changed);
    const int row = sgFreezes.Row();
    sgFreezes.SetRowHeights(row, RowHeightFor(sgFreezes, guard->DisplayName));
    sgFreezes.Invalidate();
}

void TframeFreezeList::btnDeleteFreezeClick()
{
    TSingleFreeze* guard = SelectedGuard();
    if (!guard)
        return;
    if (main_.GetSettings()->AskConfirmation && !main_.ConfirmRemoveGuard(*guard))
        return;
    DeleteGuardRow(sgFreezes.Row());
    main_.RemoveGuard(guard);
    UpdateGuardsScroll();
    sgFreezesClick();
}

void TframeFreezeList::btnMarkAllClick()
{
    TFreezeList* guards = main_.GuardList();
    if (!guards)
        return;
    for (int row = 0; row < sgFreezes.RowCount(); ++row)
        if (TSingleFreeze* guard = GuardOfRow(row))
            guard->State = gsActive;
    sgFreezes.Invalidate();
    main_.SaveFreezeList();
    main_.StartMonitoring();
}

void TframeFreezeList::miOpenRegeditClick()
{
    if (const TSingleFreeze* guard = SelectedGuard())
        OpenInRegistryEditor(RootKeyHandle(RootKeyOfGuard(guard)), guard->KeyPath, guard->ValueName);
}

void TframeFreezeList::sgFreezesClick()
{
    FollowRowQuietly(logScroll, sgFreezes.Row());
    UpdateGuardButtons();
}

void TframeFreezeList::sgFreezesMouseUp(TMouseButton button, int x, int y)
{
    if (button == TMouseButton::mbRight) {
        // The grid takes the release itself, so no WM_CONTEXTMENU follows.
        POINT at{x, y};
        ClientToScreen(sgFreezes.Handle(), &at);
        pmGuardsPopup.Popup(at.x, at.y);
        return;
    }
    if (button != TMouseButton::mbLeft)
        return;
    int col = -1, row = -1;
    sgFreezes.MouseToCell(x, y, col, row);
    TSingleFreeze* guard = col == 0 ? GuardOfRow(row) : nullptr;
    if (!guard)
        return;
    const RECT picture = StatusPictureRect(sgFreezes, row);
    const POINT at{x, y};
    if (!PtInRect(&picture, at) || guard->State == gsDisabled)
        return;
    guard->State = guard->State == gsActive ? gsNotActive : gsActive;
    sgFreezes.Invalidate();
    main_.SaveFreezeList();  // the state lasts past a crash too
    // The monitor asks before it acts on a guard it holds; one that wasn't
    // active when it armed isn't held at all, so switching on restarts it.
    if (guard->State == gsActive)
        main_.StartMonitoring();
}

void TframeFreezeList::sgFreezesMouseMove(int x, int y)
{
    if (!sgFreezes.ShowHint())
        return;
    int col = -1, row = -1;
    sgFreezes.MouseToCell(x, y, col, row);
    if (row < 0) {
        sgFreezes.SetHint("");
        lastHintRow_ = -1;
        return;
    }
    if (row == lastHintRow_)
        return;
    lastHintRow_ = row;
    const TSingleFreeze* guard = GuardOfRow(row);
    sgFreezes.SetHint(guard ? guard->Comment : String());
    TApplication::Instance().ActivateHint();
}

void TframeFreezeList::ShowContextMenu(LPARAM at)
{
    POINT point{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    if (at == -1) {  // from the keyboard: below the selected row
        const RECT cell = sgFreezes.CellRect(0, sgFreezes.Row());
        point = POINT{cell.left + 8, cell.bottom};
        ClientToScreen(sgFreezes.Handle(), &point);
    }
    pmGuardsPopup.Popup(point.x, point.y);
}

void TframeFreezeList::pmGuardsPopupPopup()
{
    POINT mouse{};
    GetCursorPos(&mouse);
    ScreenToClient(sgFreezes.Handle(), &mouse);
    int col = -1, row = -1;
    sgFreezes.MouseToCell(mouse.x, mouse.y, col, row);
    if (row >= 0)
        sgFreezes.SetRow(row);
    UpdateGuardButtons();
    miNewGuard.SetEnabled(btnNewFreeze.Enabled());
    miEditGuard.SetEnabled(btnEditGuard.Enabled());
    miDeleteGuard.SetEnabled(btnDeleteFreeze.Enabled());
    miOpenRegedit.SetEnabled(miEditGuard.Enabled());
}

void TframeFreezeList::logScrollChange()
{
    if (logScroll.Position() < sgFreezes.RowCount())
        sgFreezes.SetRow(logScroll.Position());
}

void TframeFreezeList::tsTabsChange(int newTab)
{
    (newTab == 1 ? plFileGuards : plSecurityList).BringToFront();
}

// ---------------------------------------------------------------- file guards

void TframeFreezeList::sgListClick() { FollowRowQuietly(fileGuardsScroll, sgList.Row()); }

void TframeFreezeList::sgListMouseUp(TMouseButton button, int x, int y)
{
    if (button != TMouseButton::mbLeft)
        return;
    int col = -1, row = -1;
    sgList.MouseToCell(x, y, col, row);
    TFileProtection* protection = col == 0 ? ProtectionOfRow(row) : nullptr;
    if (!protection)
        return;
    const RECT picture = StatusPictureRect(sgList, row);
    const POINT at{x, y};
    if (!PtInRect(&picture, at))
        return;
    protection->SetEnabled(!protection->Enabled());
    if (protection->Enabled())
        protection->Start();
    else
        protection->Stop();
    sgList.Invalidate();
}

void TframeFreezeList::fileGuardsScrollChange()
{
    if (fileGuardsScroll.Position() < sgList.RowCount())
        sgList.SetRow(fileGuardsScroll.Position());
}

// ---------------------------------------------------------------- drawing

void TframeFreezeList::DrawStatusRow(TStringGrid& grid, int row, const RECT& rect, TGridDrawState state, int picture,
                                     const String& name, const String& status, bool active, int statusLift)
{
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0)
        return;
    if (cellPicture_.Width() != w || cellPicture_.Height() != h)
        cellPicture_ = TBitmap(w, h);
    {
        TBitmapDC paint(cellPicture_);
        TCanvas canvas(paint.Get());
        const HDC dc = paint.Get();
        SelectObject(dc, grid.Font().Handle());
        COLORREF background = RGB(255, 255, 255);
        if (state & gdSelected)
            background = kSelectedRow;
        else if (row % 2 == 1)
            background = kOddRow;
        canvas.SetBrush(background);
        canvas.FillRect({0, 0, w, h});
        SetBkMode(dc, TRANSPARENT);

        const TImageList& images = main_.imglTrayIcons;
        if (picture >= 0)
            images.Draw(dc, 2, 1, picture);
        SetTextColor(dc, RGB(0, 0, 0));
        RECT text{2 + images.Width() + 2, 1, w - 4, h};
        DrawTextA(dc, name.c_str(), static_cast<int>(name.size()), &text, DT_WORDBREAK | DT_NOPREFIX);

        const int lineHeight = canvas.TextHeight("Wg");
        const int top = h - (lineHeight + statusLift);
        const int statusWidth = canvas.TextWidth(status);
        SetTextColor(dc, active ? kActiveStatus : kOtherStatus);
        canvas.TextAt(w - 4 - statusWidth, top, status);
        SetTextColor(dc, kStatusLabel);
        canvas.TextAt(w - 4 - statusWidth - canvas.TextWidth(statusText_), top, statusText_);
        if (state & gdFocused) {
            RECT focus{0, 0, w, h};
            DrawFocusRect(dc, &focus);
        }
    }
    cellPicture_.Draw(grid.Canvas().Handle(), rect.left, rect.top, false, POINT{0, 0});
}

void TframeFreezeList::sgFreezesDrawCell(int row, const RECT& rect, TGridDrawState state)
{
    if (destroying_)
        return;
    const TSingleFreeze* guard = GuardOfRow(row);
    if (!guard) {
        DrawBlankRow(sgFreezes, rect);
        return;
    }
    int picture = -1;
    const String* status = &disabledText_;
    if (guard->State == gsActive) {
        picture = kActivePicture;
        status = &activeText_;
    } else if (guard->State == gsNotActive) {
        picture = kNotActivePicture;
        status = &notActiveText_;
    }
    DrawStatusRow(sgFreezes, row, rect, state, picture, guard->DisplayName, *status, guard->State == gsActive, 2);
}

void TframeFreezeList::sgListDrawCell(int row, const RECT& rect, TGridDrawState state)
{
    if (destroying_)
        return;
    const TFileProtection* protection = ProtectionOfRow(row);
    if (!protection) {
        DrawBlankRow(sgList, rect);
        return;
    }
    const bool enabled = protection->Enabled();
    DrawStatusRow(sgList, row, rect, state, enabled ? kActivePicture : kNotActivePicture, protection->DisplayName(),
                  enabled ? activeText_ : notActiveText_, enabled, 1);
}
