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
    DrawTextA(dc, Caption().c_str(), -1, &area, DT_LEFT | DT_TOP | DT_NOCLIP);
}
