#include "controls/bit_check_box.h"

namespace {

const char* const kDefaultGlyphs[] = {"UNCHECKED", "CHECKED", "GRAYED"};

int Index(TCheckBoxState state) { return static_cast<int>(state); }

}  // namespace

TBitCheckBox::TBitCheckBox(TComponent* owner) : TWinControl(owner)
{
    SetBounds(0, 0, 97, 17);
    SetTabStop(true);
    for (TCheckBoxState state : {TCheckBoxState::cbChecked, TCheckBoxState::cbGrayed, TCheckBoxState::cbUnchecked})
        SetGlyph(state, TBitmap());
    for (TCheckBoxState state : {TCheckBoxState::cbChecked, TCheckBoxState::cbGrayed, TCheckBoxState::cbUnchecked})
        model_.SetNumGlyphs(state, 1);
    SetPaintHandler([this](HDC dc) { PaintTo(dc); });
    for (UINT message : {UINT{WM_SETFOCUS}, UINT{WM_KILLFOCUS}})
        SetMessageHandler(message, [this](TMessage&) {
            Repaint();
            return false;
        });
}

void TBitCheckBox::Repaint()
{
    if (HandleAllocated())
        InvalidateRect(Handle(), nullptr, FALSE);
}

void TBitCheckBox::SetState(TCheckBoxState state)
{
    if (state == model_.State())
        return;
    model_.SetState(state);
    Repaint();
}

void TBitCheckBox::SetAlignment(TLeftRight alignment)
{
    if (alignment == alignment_)
        return;
    alignment_ = alignment;
    Repaint();
}

void TBitCheckBox::SetGlyph(TCheckBoxState state, const TBitmap& glyph)
{
    TBitmap& slot = glyphs_[Index(state)];
    if (!glyph.Empty())
        slot.Assign(glyph);
    else if (!slot.LoadFromResourceName(GetModuleHandleA(nullptr), kDefaultGlyphs[Index(state)]))
        slot.Clear();  // no default picture in this module
    model_.GlyphChanged(state, slot.Width(), slot.Height());
    Repaint();
}

void TBitCheckBox::SetNumGlyphs(TCheckBoxState state, int count)
{
    model_.SetNumGlyphs(state, count);
    Repaint();
}

void TBitCheckBox::SetEnabled(bool enabled)
{
    TWinControl::SetEnabled(enabled);
    Repaint();
}

void TBitCheckBox::SetCaption(const String& caption)
{
    TWinControl::SetCaption(caption);
    Repaint();
}

void TBitCheckBox::Toggle()
{
    model_.Toggle();
    Repaint();
}

void TBitCheckBox::Click()
{
    Toggle();
    TWinControl::Click();
    if (Visible() && Enabled() && HandleAllocated())
        SetFocus(Handle());
}

void TBitCheckBox::KeyPress(char& key)
{
    TWinControl::KeyPress(key);
    if (key == ' ')
        Click();  // the key is not consumed
}

bool TBitCheckBox::DialogChar(char key)
{
    if (!IsAccel(key, Caption()) || !Enabled() || !Visible() || !HandleAllocated())
        return false;
    SetFocus(Handle());
    if (GetFocus() == Handle())
        Toggle();
    return true;
}

void TBitCheckBox::PaintTo(HDC target)
{
    PaintThroughBuffer(target, Width(), Height(), [this](HDC dc) { PaintBuffer(dc); });
}

void TBitCheckBox::PaintBuffer(HDC dc)
{
    const int width = Width();
    const int height = Height();
    TSelectFont font(dc, Font());
    const RECT client{0, 0, width, height};
    HBRUSH background = CreateSolidBrush(ColorToRGB(Color()));
    FillRect(dc, &client, background);

    const TBitmap& glyph = glyphs_[Index(model_.State())];
    const int frames = model_.NumGlyphs(model_.State());
    SIZE text{}, ampersand{};
    GetTextExtentPoint32A(dc, Caption().c_str(), static_cast<int>(Caption().size()), &text);
    GetTextExtentPoint32A(dc, "&", 1, &ampersand);
    const TCheckBoxLayout layout =
        LayoutCheckBox(width, height, alignment_, glyph.Width(), glyph.Height(), frames, Enabled(), text.cx,
                       ampersand.cx, Caption().find('&') != String::npos, text.cy);

    RECT caption{layout.caption.left, layout.caption.top, layout.caption.right, layout.caption.bottom};
    // Not clipped to the measured width: some fonts' last letter reaches past their text extent.
    constexpr UINT kCaptionFormat = DT_SINGLELINE | DT_VCENTER | DT_NOCLIP;
    SetBkMode(dc, TRANSPARENT);
    if (Enabled()) {
        SetTextColor(dc, ColorToRGB(Font().Color()));
        DrawTextA(dc, Caption().c_str(), -1, &caption, kCaptionFormat);
    } else {
        RECT shadow = caption;
        OffsetRect(&shadow, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextA(dc, Caption().c_str(), -1, &shadow, kCaptionFormat);
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextA(dc, Caption().c_str(), -1, &caption, kCaptionFormat);
    }
    if (HandleAllocated() && GetFocus() == Handle())
        DrawFocusRect(dc, &caption);

    // The glyph's bottom-left colour is its transparent one: the control's colour shows there.
    if (!glyph.Empty())
        glyph.DrawPart(dc, layout.glyph.left, layout.glyph.top, layout.sourceFrameLeft, 0,
                       layout.glyph.right - layout.glyph.left, glyph.Height(), true,
                       glyph.Pixel(0, glyph.Height() - 1));
    DeleteObject(background);
}
