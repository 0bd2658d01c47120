#include "classlib/std_controls.h"

#include <vector>

String TMemo::Text()
{
    const int length = GetWindowTextLengthA(Handle());
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    const int copied = GetWindowTextA(Handle(), buffer.data(), length + 1);
    return String(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0));
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
