#include "ui/page_scroll.h"

void PaintFromScrollPictures(TWOwnrScrllBar& bar, const TImageList& pictures)
{
    const TImageList* list = &pictures;
    // The bar's State is true while the part is not pressed.
    bar.OnTopDraw = [list](TWOwnrScrllBar&, HDC dc, const RECT& r, bool atRest) {
        list->Draw(dc, r.left, r.top, atRest ? 0 : 1);
    };
    bar.OnBottomDraw = [list](TWOwnrScrllBar&, HDC dc, const RECT& r, bool atRest) {
        list->Draw(dc, r.left, r.top - 1, atRest ? 2 : 3);
    };
    bar.OnTrackDraw = [list](TWOwnrScrllBar&, HDC dc, const RECT& r, bool) { list->Draw(dc, r.left, r.top, 4); };
}

void FollowRowQuietly(TWOwnrScrllBar& bar, int row)
{
    const auto change = std::move(bar.OnChange);
    bar.OnChange = nullptr;
    bar.setPosition(row);
    bar.OnChange = change;
}
