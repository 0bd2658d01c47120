#include "classlib/std_controls.h"

#include <vector>

namespace {

String WindowText(HWND window)
{
    const int length = GetWindowTextLengthA(window);
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    const int copied = GetWindowTextA(window, buffer.data(), length + 1);
    return String(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

}  // namespace

String TMemo::Text() { return WindowText(Handle()); }

// ---- TEdit ----

TEdit::TEdit(TComponent* owner) : TWinControl(owner)
{
    SetBounds(0, 0, 121, 21);
    SetColor(clWindow);
    SetTabStop(true);
    SetMessageHandler(CN_BASE + WM_COMMAND, [this](TMessage& m) {
        if (HIWORD(m.WParam) == EN_CHANGE)
            Change();
        m.Result = 0;
        return true;
    });
    SetMessageHandler(WM_SETFOCUS, [this](TMessage& m) {
        DefaultHandler(m);
        // A click places the caret itself: only other ways in select all.
        if (autoSelect_ && GetKeyState(VK_LBUTTON) >= 0)
            SelectAll();
        DoEnter();
        return true;
    });
    SetMessageHandler(WM_KILLFOCUS, [this](TMessage& m) {
        DefaultHandler(m);
        DoExit();
        return true;
    });
}

String TEdit::Text() { return HandleAllocated() ? WindowText(Handle()) : Caption(); }

void TEdit::SetMaxLength(int length)
{
    maxLength_ = length < 0 ? 0 : length;
    SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TEdit::SetReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    SendMessageA(Handle(), EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

void TEdit::GetSelection(DWORD& start, DWORD& end)
{
    start = end = 0;
    SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
}

int TEdit::SelStart()
{
    DWORD start, end;
    GetSelection(start, end);
    return static_cast<int>(start);
}

int TEdit::SelLength()
{
    DWORD start, end;
    GetSelection(start, end);
    return static_cast<int>(end - start);
}

void TEdit::SetSelStart(int start) { SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(start), start); }

void TEdit::SetSelLength(int length)
{
    const int start = SelStart();
    SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(start), start + length);
}

void TEdit::SelectAll() { SendMessageA(Handle(), EM_SETSEL, 0, -1); }

String TEdit::SelText()
{
    DWORD start, end;
    GetSelection(start, end);
    const String text = Text();
    return start < end && end <= text.size() ? text.substr(start, end - start) : String();
}

void TEdit::SetSelText(const String& text)
{
    SendMessageA(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TEdit::SetBorderStyle(TBorderStyle style)
{
    if (style == borderStyle_)
        return;
    borderStyle_ = style;
    if (!HandleAllocated())
        return;
    SetWindowLongA(Handle(), GWL_EXSTYLE, static_cast<LONG>(ExStyle()));
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TEdit::Change()
{
    if (OnChange)
        OnChange(*this);
}

// Entering and leaving happen within a parent: the focus a control loses
// while its form takes it off is nobody's business.
void TEdit::DoEnter()
{
    if (OnEnter && Parent())
        OnEnter(*this);
}

void TEdit::DoExit()
{
    if (OnExit && Parent())
        OnExit(*this);
}

void TLabel::Paint(HDC dc)
{
    TSelectFont font(dc, Font());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Font().Color()));
    RECT area{0, 0, Width(), Height()};
    DrawTextA(dc, Caption().c_str(), -1, &area, TextFormat());
}

void TLabel::SetCaption(const String& caption)
{
    Invalidate();  // the old text's place
    TControl::SetCaption(caption);
    AdjustSize();
    Invalidate();
}

void TLabel::SetWordWrap(bool wordWrap)
{
    wordWrap_ = wordWrap;
    AdjustSize();
    Invalidate();
}

void TLabel::SetAutoSize(bool autoSize)
{
    autoSize_ = autoSize;
    AdjustSize();
    Invalidate();
}

void TLabel::SetAlignment(TAlignment alignment)
{
    alignment_ = alignment;
    Invalidate();
}

void TLabel::FontChanged()
{
    AdjustSize();
    TControl::FontChanged();
}

void TLabel::AdjustSize()
{
    if (!autoSize_)
        return;
    RECT area{0, 0, wordWrap_ ? Width() : 0, 0};
    const TFontDC measure(Font());
    DrawTextA(measure.Get(), Caption().empty() ? " " : Caption().c_str(), -1, &area, TextFormat() | DT_CALCRECT);
    SetBounds(Left(), Top(), wordWrap_ ? Width() : area.right, area.bottom);
}
