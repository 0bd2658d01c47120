// Fonts as value objects: a face, a height (negative: character height in
// pixels, as the class library counts it), a style and a colour. The system
// font behind them is made on first use and shared by copies until one of
// them changes.
#pragma once

#include <windows.h>

#include <memory>

#include "classlib/colors.h"
#include "classlib/sysutils.h"

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class TFont {
public:
    TFont() = default;
    TFont(const String& name, int height, unsigned style = 0, TColor colour = clWindowText)
        : name_(name), height_(height), style_(style), colour_(colour)
    {
    }

    const String& Name() const { return name_; }
    void SetName(const String& name) { Change(name_, name); }
    int Height() const { return height_; }
    void SetHeight(int height) { Change(height_, height); }
    unsigned Style() const { return style_; }
    void SetStyle(unsigned style) { Change(style_, style); }
    TColor Color() const { return colour_; }
    void SetColor(TColor colour) { colour_ = colour; }  // the system font doesn't carry it

    // The system font; valid while this object (or a copy sharing it) lives.
    HFONT Handle() const;

    bool operator==(const TFont& other) const
    {
        return name_ == other.name_ && height_ == other.height_ && style_ == other.style_ &&
               colour_ == other.colour_;
    }

private:
    template <class T>
    void Change(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        handle_.reset();
    }

    String name_ = "MS Sans Serif";
    int height_ = -11;
    unsigned style_ = 0;
    TColor colour_ = clWindowText;
    mutable std::shared_ptr<std::remove_pointer_t<HFONT>> handle_;
};

// The RGB value of a colour; system colours are looked up now.
COLORREF ColorToRGB(TColor colour);

// Selects a font into a device context for the life of the scope.
class TSelectFont {
public:
    TSelectFont(HDC dc, const TFont& font) : dc_(dc), old_(SelectObject(dc, font.Handle())) {}
    ~TSelectFont() { SelectObject(dc_, old_); }
    TSelectFont(const TSelectFont&) = delete;
    TSelectFont& operator=(const TSelectFont&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A screen-compatible memory DC with `font` selected, for measuring text
// without a window; `font` must outlive it.
class TFontDC {
public:
    explicit TFontDC(const TFont& font);
    ~TFontDC();
    TFontDC(const TFontDC&) = delete;
    TFontDC& operator=(const TFontDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};
