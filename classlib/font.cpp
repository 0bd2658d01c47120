#include "classlib/font.h"

HFONT TFont::Handle() const
{
    if (!handle_) {
        const HFONT font = CreateFontA(height_, 0, 0, 0, (style_ & fsBold) ? FW_BOLD : FW_NORMAL,
                                       (style_ & fsItalic) != 0, (style_ & fsUnderline) != 0,
                                       (style_ & fsStrikeOut) != 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                       name_.c_str());
        handle_.reset(font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)),
                      [owned = font != nullptr](HFONT f) {
                          if (owned)
                              DeleteObject(f);
                      });
    }
    return handle_.get();
}

COLORREF ColorToRGB(TColor colour)
{
    if (IsSystemColor(colour))
        return GetSysColor(colour & 0xFF);
    if (colour == clNone)
        return RGB(255, 255, 255);
    return static_cast<COLORREF>(colour) & 0xFFFFFF;
}

TFontDC::TFontDC(const TFont& font) : dc_(CreateCompatibleDC(nullptr)), old_(SelectObject(dc_, font.Handle())) {}

TFontDC::~TFontDC()
{
    SelectObject(dc_, old_);
    DeleteDC(dc_);
}
