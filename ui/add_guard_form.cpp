#include "ui/add_guard_form.h"

#include "classlib/canvas.h"
#include "classlib/form_building.h"
#include "classlib/registry.h"
#include "controls/skin_helpers.h"
#include "scanner/root_keys.h"
#include "ui/control_translation.h"
#include "ui/message_box_form.h"

namespace {

constexpr int kClientWidth = 463;
constexpr int kClientHeight = 364;
constexpr RECT kDragArea{0, 0, 460, 26};
constexpr TColor kTitleColour = 8537638;
constexpr COLORREF kDisabledEdit = RGB(239, 239, 239);
constexpr COLORREF kOddRow = RGB(250, 250, 250);
constexpr COLORREF kSelectedRow = RGB(229, 229, 229);
constexpr COLORREF kSelectedText = RGB(0, 0, 128);
constexpr unsigned kInformation = MB_OK | MB_ICONINFORMATION;
constexpr unsigned kQuestion = MB_YESNOCANCEL | MB_ICONQUESTION;
constexpr int kEditLength = 255;

// The layout: labels at the left, their controls from kFieldLeft to
// kRight, group titles a little further out than the rows they head.
constexpr int kTitleLeft = 16, kLabelLeft = 24, kFieldLeft = 124, kRight = 439;
constexpr int kFieldWidth = kRight - kFieldLeft;
constexpr int kLabelDrop = 4;  // a label's top below its 21-pixel field's top

const char* const kRootKeys[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                 "HKEY_CURRENT_CONFIG"};

// The root of a name of the list; HKEY_CURRENT_CONFIG for any other text.
HKEY RootKeyOfName(const String& name)
{
    const int index = RootKeyIndex(name);
    switch (RootKeyOfIndex(index)) {
    case kClassesRoot: return HKEY_CLASSES_ROOT;
    case kCurrentUser: return HKEY_CURRENT_USER;
    case kLocalMachine: return HKEY_LOCAL_MACHINE;
    case kUsers: return HKEY_USERS;
    default: return HKEY_CURRENT_CONFIG;
    }
}

TLabel& PlaceLabel(TfmAddFreeze& form, const char* name, const char* caption, int left, int top, bool title = false)
{
    TLabel& label = Place<TLabel>(form, name, left, top, 0, 0);
    if (title)
        label.SetFont(TFont("Tahoma", -11, fsBold, kTitleColour));
    label.SetAutoSize(true);
    label.SetCaption(caption);
    return label;
}

TBitCheckBox& PlaceBox(TfmAddFreeze& form, const char* name, const char* caption, int left, int top, int width)
{
    TBitCheckBox& box = Place<TBitCheckBox>(form, name, left, top, width, 17);
    box.SetCaption(caption);
    return box;
}

TFlatEdit& PlaceEdit(TfmAddFreeze& form, const char* name, int left, int top, int width)
{
    TFlatEdit& edit = Place<TFlatEdit>(form, name, left, top, width, 21);
    edit.SetBorderColor(clGray);
    edit.SetColor(clWhite);
    edit.SetMaxLength(kEditLength);
    return edit;
}

}  // namespace

TfmAddFreeze::TfmAddFreeze(TComponent* owner, const TInterfaceTranslator* translator, HMODULE pictures)
    : TForm(owner),
      // First made, so it is painted first: everything else lies on it.
      imgPattern(Place<TImage>(*this, "imgPattern", 0, 0, kClientWidth, kClientHeight)),
      Label6(PlaceLabel(*this, "Label6", "Add/Edit Guard", 8, 7, true)),
      btnClose(Place<TThreeStateButton>(*this, "btnClose", kClientWidth - 25, 3, 20, 20)),
      Label9(PlaceLabel(*this, "Label9", "General", kTitleLeft, 36, true)),
      Label1(PlaceLabel(*this, "Label1", "Root key:", kLabelLeft, 54 + kLabelDrop)),
      cbKeys(Place<TBitmappedComboBox>(*this, "cbKeys", kFieldLeft, 54, 200, 21)),
      Label2(PlaceLabel(*this, "Label2", "Key to protect:", kLabelLeft, 80 + kLabelDrop)),
      edKeyToMonitor(PlaceEdit(*this, "edKeyToMonitor", kFieldLeft, 80, kFieldWidth)),
      Label7(PlaceLabel(*this, "Label7", "Options ", kTitleLeft, 110, true)),
      rbAllValuesAndSubKeys(PlaceBox(*this, "rbAllValuesAndSubKeys", "Protect all values and subkeys", kLabelLeft,
                                     128, 300)),
      rbOnlyValueWithName(PlaceBox(*this, "rbOnlyValueWithName", "Protect only one value named:", kLabelLeft, 150,
                                   186)),
      edValueToMonitor(PlaceEdit(*this, "edValueToMonitor", 214, 148, kRight - 214)),
      Label3(PlaceLabel(*this, "Label3", "Changes", kTitleLeft, 178, true)),
      rbRevokeModifications(PlaceBox(*this, "rbRevokeModifications", "Forbid changes", kLabelLeft, 196, 160)),
      rbAskMe(PlaceBox(*this, "rbAskMe", "Ask my confirmation to changes", 190, 196, kRight - 190)),
      cbAutoUpdateSnapshoot(PlaceBox(*this, "cbAutoUpdateSnapshoot", "Update snapshot after changes", kLabelLeft,
                                     218, 300)),
      Label8(PlaceLabel(*this, "Label8", "Display", kTitleLeft, 244, true)),
      Label4(PlaceLabel(*this, "Label4", "Display name:", kLabelLeft, 262 + kLabelDrop)),
      edDisplayName(PlaceEdit(*this, "edDisplayName", kFieldLeft, 262, kFieldWidth)),
      Label5(PlaceLabel(*this, "Label5", "Comment:", kLabelLeft, 288 + kLabelDrop)),
      edComment(PlaceEdit(*this, "edComment", kFieldLeft, 288, kFieldWidth)),
      btnOk(Place<TThreeStateButton>(*this, "btnOk", kRight - 59 - 64, kClientHeight - 14 - 22, 59, 22)),
      btnCancel(Place<TThreeStateButton>(*this, "btnCancel", kRight - 59, kClientHeight - 14 - 22, 59, 22)),
      translator_(translator),
      pictures_(pictures)
{
    SetName("fmAddFreeze");
    SetCaption("Add/Edit Guard");
    SetBounds(0, 0, kClientWidth, kClientHeight);
    SetKeyPreview(true);
    SetFont(TFont("Tahoma", -11, 0, clBlack));

    static const char* const kEnglish[] = {
        "Please specify a key for protection!",
        "Unable to protect this key!",
        "Confirmation",
        "The key specified by you does not exist!\r\nCreate a key with such name now?",
        "Please specify value name for protection!",
        "Value with the specified name does not exist!\r\nPlease specify other value.",
        "Please specify a name of protection.",
    };
    for (int id = 0; id < 7; ++id)
        messages_[id] = TranslateString(id, kEnglish[id]);
    notCreated_ = TranslateString(179, "Unable to create the key specified by you!\r\nPlease specify other key.");

    LoadSkinBitmaps(btnCancel, "SCANCEL", "BM_SMALLCOORD", pictures_);
    LoadSkinBitmaps(btnOk, "SOK", "BM_SMALLCOORD", pictures_);
    LoadSkinBitmaps(btnClose, "CLOSE", "BM_CLOSECOORD", pictures_);

    imgPattern.SetPicture(RequiredPicture(pictures_, "MB_ADDFREEZE"));
    if (HRGN region = CreateRegionFromBitmap(imgPattern.Picture().Handle(), 0, 0))
        SetWindowRgn(Handle(), region, FALSE);  // the window owns the region from here
    // The check boxes paint on their own colour: the picture's body.
    SetColor(static_cast<TColor>(imgPattern.Picture().Pixel(kClientWidth / 2, kClientHeight / 2)));

    imgStateImages.Add(RequiredPicture(pictures_, "BM_ROOTKEY"));
    cbKeys.SetNormalBitmap(RequiredPicture(pictures_, "BM_DROPDOWN_U"));
    cbKeys.SetDownBitmap(RequiredPicture(pictures_, "BM_DROPDOWN_D"));
    cbKeys.SetBorderColor(clGray);
    cbKeys.SetCornerColor(Color());
    for (const char* name : kRootKeys)
        cbKeys.AddItem(name);
    cbKeys.OnDrawItem = [this](TBitmappedComboBox& combo, int index, const RECT& rect, UINT state) {
        cbKeysDrawItem(combo, index, rect, state);
    };

    rbAllValuesAndSubKeys.SetChecked(true);
    rbRevokeModifications.SetChecked(true);
    rbAllValuesAndSubKeys.OnClick = [this](TControl&) { ToggleState(rbAllValuesAndSubKeys); };
    rbOnlyValueWithName.OnClick = [this](TControl&) { ToggleState(rbOnlyValueWithName); };
    rbRevokeModifications.OnClick = [this](TControl&) { ToggleState2(rbRevokeModifications); };
    rbAskMe.OnClick = [this](TControl&) { ToggleState2(rbAskMe); };

    cbKeys.SetItemIndex(0);
    ToggleState(rbAllValuesAndSubKeys);  // the value edit starts disabled
    for (TThreeStateButton* button : {&btnOk, &btnCancel, &btnClose})
        button->SetTransparent(false);

    btnOk.OnClick = [this](TControl&) { btnOkClick(); };
    btnCancel.OnClick = [this](TControl&) { btnCancelClick(); };
    btnClose.OnClick = [this](TControl&) { SetModalResult(kClosed); };
    OnKeyDown = [this](TControl& c, WORD& key, TShiftState shift) { FormKeyDown(c, key, shift); };
    OnKeyPress = [](TControl&, char& key) {
        if (key == '\r' || key == '\x1b')
            key = 0;  // their characters too, or an edit would take them
    };
    for (TControl* dragger : std::initializer_list<TControl*>{&imgPattern, &Label6})
        dragger->OnMouseDown = [this](TControl& c, TMouseButton b, TShiftState s, int x, int y) {
            imgPatternMouseDown(c, b, s, x, y);
        };

    if (translator_)
        TranslateControls(*translator_, *this);

    if (auto* form = dynamic_cast<TForm*>(owner))
        CenterOn(*form);
    else
        CenterOnScreen();
}

TfmAddFreeze::~TfmAddFreeze()
{
    // The picture list goes before the controls do.
    cbKeys.OnDrawItem = nullptr;
}

void TfmAddFreeze::SelectRootKey(const String& name)
{
    int found = 0;
    for (int i = 0; i < cbKeys.ItemCount(); ++i)
        if (SameText(cbKeys.Items(i), name))
            found = i;
    cbKeys.SetItemIndex(found);
}

String TfmAddFreeze::RootKeyName() const { return cbKeys.Text(); }

void TfmAddFreeze::Inform(const String& text) { ShowMessageBox(translator_, text, "", kInformation, false, pictures_); }

void TfmAddFreeze::btnOkClick()
{
    const String key = edKeyToMonitor.Text();  // used as typed, blanks and all
    if (Trim(key).empty())
        return Inform(messages_[0]);
    if (Pos("quendaril", LowerCase(key)) > 0)
        return Inform(messages_[1]);

    TRegistry registry;
    registry.SetRootKey(RootKeyOfName(cbKeys.Text()));
    if (!registry.KeyExists(key)) {
        if (ShowMessageBox(translator_, messages_[3], messages_[2], kQuestion, false, pictures_) != mrYes)
            return;
        // A guard of a key that isn't there would watch nothing.
        if (!registry.OpenKey(key, true))
            return Inform(notCreated_);
        registry.CloseKey();
    }

    if (rbOnlyValueWithName.Checked()) {
        const String value = edValueToMonitor.Text();
        if (Trim(value).empty())
            return Inform(messages_[4]);
        // A key that can't be read is taken as it is.
        if (registry.OpenKeyReadOnly(key) && !registry.ValueExists(value))
            return Inform(messages_[5]);
        registry.CloseKey();
    }

    if (Trim(edDisplayName.Text()).empty())
        return Inform(messages_[6]);
    SetModalResult(mrOk);
}

void TfmAddFreeze::btnCancelClick() { SetModalResult(mrCancel); }

void TfmAddFreeze::TogglePair(TBitCheckBox& clicked, TBitCheckBox& other)
{
    if (!other.Checked())
        clicked.SetChecked(true);
    if (clicked.Checked())
        other.SetChecked(false);
}

void TfmAddFreeze::ToggleState(TBitCheckBox& clicked)
{
    TogglePair(clicked, &clicked == &rbAllValuesAndSubKeys ? rbOnlyValueWithName : rbAllValuesAndSubKeys);
    const bool wholeKey = rbAllValuesAndSubKeys.Checked();
    edValueToMonitor.SetEnabled(!wholeKey);
    edValueToMonitor.SetColor(wholeKey ? static_cast<TColor>(kDisabledEdit) : clWhite);
}

void TfmAddFreeze::ToggleState2(TBitCheckBox& clicked)
{
    TogglePair(clicked, &clicked == &rbRevokeModifications ? rbAskMe : rbRevokeModifications);
}

void TfmAddFreeze::FormKeyDown(TControl&, WORD& key, TShiftState)
{
    if (key == VK_RETURN) {
        key = 0;
        btnOkClick();
    } else if (key == VK_ESCAPE) {
        key = 0;
        SetModalResult(mrCancel);
    }
}

void TfmAddFreeze::imgPatternMouseDown(TControl&, TMouseButton, TShiftState shift, int x, int y)
{
    const POINT point{x, y};
    if (!(shift & ssLeft) || !PtInRect(&kDragArea, point))
        return;
    ReleaseCapture();
    SendMessageA(Handle(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void TfmAddFreeze::cbKeysDrawItem(TBitmappedComboBox& combo, int index, const RECT& rect, UINT state)
{
    TCanvas& canvas = combo.Canvas();
    const HDC dc = canvas.Handle();
    const bool selected = (state & ODS_SELECTED) != 0;
    canvas.SetBrush(selected ? kSelectedRow : index % 2 == 1 ? kOddRow : RGB(255, 255, 255));
    canvas.FillRect(rect);
    canvas.SetFontColor(selected ? kSelectedText : ColorToRGB(combo.Font().Color()));
    SetBkMode(dc, TRANSPARENT);

    // The picture is a pixel taller than a row: it stays inside its own.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    const int height = rect.bottom - rect.top;
    imgStateImages.Draw(dc, rect.left + 2, rect.top + (height - imgStateImages.Height()) / 2, 0);
    const String text = combo.Items(index);
    RECT area{rect.left + imgStateImages.Width() + 6, rect.top, rect.right, rect.bottom};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    RestoreDC(dc, saved);
    if (state & ODS_FOCUS) {
        RECT focus = rect;
        DrawFocusRect(dc, &focus);
    }
}
