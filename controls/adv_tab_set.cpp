#include "controls/adv_tab_set.h"

#include <memory>

#include "classlib/canvas.h"
#include "controls/adv_tab_set_painting.h"
#include "controls/tab_scroller.h"

namespace {

constexpr COLORREF kGreyText = RGB(128, 128, 128);

struct TGdiDeleter {
    void operator()(HGDIOBJ object) const
    {
        if (object)
            DeleteObject(object);
    }
};
using TGdiObject = std::unique_ptr<std::remove_pointer_t<HGDIOBJ>, TGdiDeleter>;

RECT ToRect(const TTabRect& r) { return {r.left, r.top, r.right, r.bottom}; }

void DrawLine(TCanvas& canvas, const TTabLine& line)
{
    if (line.empty())
        return;
    canvas.MoveTo(line[0].x, line[0].y);
    for (size_t i = 1; i < line.size(); ++i)
        canvas.LineTo(line[i].x, line[i].y);
}

// The 8 x 8 brush the bar's background is filled with.
TGdiObject PatternBrush(COLORREF background, bool dither)
{
    TBitmap pattern(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            pattern.SetPixel(x, y, PatternPixelIsWhite(x, y, dither) ? RGB(255, 255, 255) : background);
    return TGdiObject(CreatePatternBrush(pattern.Handle()));
}

// A copy of `font` turned for text along a left or right bar.
TGdiObject TurnedFont(const TFont& font, int escapement)
{
    LOGFONTA log{};
    GetObjectA(font.Handle(), sizeof log, &log);
    log.lfEscapement = escapement;
    log.lfOrientation = 30;
    return TGdiObject(CreateFontIndirectA(&log));
}

}  // namespace

TAdvTabSet::TAdvTabSet(TComponent* owner) : TWinControl(owner), activeFont_("Tahoma", TFont().Height())
{
    TWinControl::SetBounds(0, 0, 185, 21);
    SetFont(TFont("Tahoma", TFont().Height()));
    scroller_ = &Own<TScroller>();
    scroller_->SetParent(this);
    scroller_->SetVisible(false);
    scroller_->SetBounds(0, 3, 0, 0);
    scroller_->SetColor(static_cast<TColor>(ColorToRGB(backgroundColour_)));
    scroller_->OnClick = [this](TScroller& scroller) {
        if (!syncingScroller_)
            model_.ScrollClick(scroller.Position());
    };

    model_.OnChange = [this](int newTab, bool& allow) {
        if (OnChange)
            OnChange(*this, newTab, allow);
    };
    model_.OnClick = [this] {
        if (TControl::OnClick)
            TControl::OnClick(*this);
    };
    model_.OnMeasureTab = [this](int position, int& width) {
        if (OnMeasureTab)
            OnMeasureTab(*this, position, width);
    };
    model_.OnTabClose = [this](int index) {
        if (OnTabClose)
            OnTabClose(*this, index);
    };
    model_.OnCanClose = [this](int index, bool& canClose) {
        if (OnCanClose)
            OnCanClose(*this, index, canClose);
    };
    model_.OnTabMoved = [this](int from, int to) {
        if (OnTabMoved)
            OnTabMoved(*this, from, to);
    };

    SetPaintHandler([this](HDC dc) { PaintTo(dc); });
    SetMessageHandler(WM_GETDLGCODE, [](TMessage& m) {
        m.Result = DLGC_WANTALLKEYS;
        return true;
    });
    SetMessageHandler(WM_SIZE, [this](TMessage& m) {
        DefaultHandler(m);
        model_.Resize();
        return true;
    });
    SetMessageHandler(WM_SYSCOLORCHANGE, [this](TMessage& m) {
        model_.CreateEdgeParts();
        Invalidate();
        m.Result = 0;
        return true;
    });
}

TAdvTabSet::~TAdvTabSet()
{
    // No handler hears of the tabs going away with the bar.
    TControl::OnClick = nullptr;
    OnChange = nullptr;
    OnMeasureTab = nullptr;
    OnTabClose = nullptr;
    OnCanClose = nullptr;
    OnTabMoved = nullptr;
    model_.Destroy();
}

int TAdvTabSet::TextWidth(const String& text) const
{
    if (!measure_)
        measure_ = std::make_unique<TMeasure>(Font());
    SIZE size{};
    GetTextExtentPoint32A(measure_->dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void TAdvTabSet::SetRedraw(bool on)
{
    if (HandleAllocated())
        SendMessageA(Handle(), WM_SETREDRAW, on ? TRUE : FALSE, 0);
}

void TAdvTabSet::SetBackgroundColor(TColor colour)
{
    if (colour == backgroundColour_)
        return;
    backgroundColour_ = colour;
    scroller_->SetColor(static_cast<TColor>(ColorToRGB(colour)));
    Invalidate();
}

void TAdvTabSet::SetDitherBackground(bool dither)
{
    if (dither == dither_)
        return;
    dither_ = dither;
    Invalidate();
}

void TAdvTabSet::SetAutoScroll(bool autoScroll)
{
    model_.SetAutoScroll(autoScroll);
    if (!model_.ScrollerVisible())
        scroller_->SetVisible(false);
}

void TAdvTabSet::SetTabBackGround(const TBitmap& picture)
{
    tabBackGround_.Assign(picture);
    model_.SetSkins(!tabBackGround_.Empty(), !tabBackGroundSelected_.Empty());
}

void TAdvTabSet::SetTabBackGroundSelected(const TBitmap& picture)
{
    tabBackGroundSelected_.Assign(picture);
    model_.SetSkins(!tabBackGround_.Empty(), !tabBackGroundSelected_.Empty());
}

void TAdvTabSet::SetActiveFont(const TFont& font)
{
    activeFont_ = font;
    Invalidate();
}

void TAdvTabSet::SetImages(const TImageList* images)
{
    images_ = images;
    model_.SetImageSize(images != nullptr, images ? images->Width() : 0, images ? images->Height() : 0);
}

void TAdvTabSet::SetTabCaption(int index, const String& caption)
{
    if (index >= 0 && index < model_.AdvTabs().Count())
        model_.AdvTabs().GetItem(index).SetCaption(caption);
}

bool TAdvTabSet::DialogChar(char key) { return model_.DialogChar(key); }

void TAdvTabSet::FontChanged()
{
    measure_.reset();
    model_.CreateEdgeParts();
    TWinControl::FontChanged();
}

void TAdvTabSet::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TWinControl::MouseDown(button, shift, x, y);
    if (button == TMouseButton::mbLeft && HandleAllocated())
        SetCapture(Handle());
    model_.MouseDown(button == TMouseButton::mbLeft, x, y);
}

void TAdvTabSet::MouseMove(TShiftState shift, int x, int y)
{
    TWinControl::MouseMove(shift, x, y);
    model_.MouseMove(x, y);
    if (model_.Dragging())
        ::SetCursor(LoadCursor(nullptr, model_.DragAccepted() ? IDC_ARROW : IDC_NO));
}

void TAdvTabSet::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TWinControl::MouseUp(button, shift, x, y);
    if (button == TMouseButton::mbLeft && HandleAllocated() && GetCapture() == Handle())
        ReleaseCapture();
    model_.MouseUp(button == TMouseButton::mbLeft, x, y);
}

void TAdvTabSet::MouseLeave()
{
    TWinControl::MouseLeave();
    model_.MouseLeave();
}

void TAdvTabSet::SyncScroller(const TTabSetLayout& layout)
{
    syncingScroller_ = true;
    scroller_->SetScrollPosition(model_.Horizontal() ? TScrollPosition::spHorizontal : TScrollPosition::spVertical);
    if (model_.ScrollerVisible()) {
        scroller_->SetBounds(layout.scrollerLeft, layout.scrollerTop, 0, 0);
        scroller_->SetMin(0);
        scroller_->SetMax(model_.ScrollerMax());
        scroller_->SetPosition(model_.FirstIndex());
    }
    if (scroller_->Visible() != model_.ScrollerVisible())
        scroller_->SetVisible(model_.ScrollerVisible());
    syncingScroller_ = false;
}

void TAdvTabSet::PaintTo(HDC dc)
{
    const TTabSetLayout layout = model_.LayOut();
    SyncScroller(layout);

    PaintThroughBuffer(dc, layout.bitmapWidth, layout.bitmapHeight, [&](HDC memory) {
        TCanvas canvas(memory);
        const TGdiObject pattern = PatternBrush(ColorToRGB(backgroundColour_), dither_);
        const RECT all{0, 0, layout.bitmapWidth, layout.bitmapHeight};
        ::FillRect(memory, &all, static_cast<HBRUSH>(pattern.get()));
        SelectObject(memory, Font().Handle());
        SetBkMode(memory, TRANSPARENT);

        const int count = model_.VisibleTabs();
        const bool horizontal = model_.Horizontal();
        TTabRect lastBody = horizontal ? TTabRect{0, 0, 0, model_.EffectiveTabHeight()}
                                       : TTabRect{0, 0, model_.EffectiveTabHeight(), 0};
        int hovered = -1;
        int asideEntry = -1;
        for (int i = 0; i < count; ++i) {
            const TTabDrawing tab = model_.TabDrawing(i);
            lastBody = tab.body;
            if (tab.selected && !tabBackGround_.Empty() && !tabBackGroundSelected_.Empty()) {
                asideEntry = i;  // drawn over its neighbours, after them
                continue;
            }
            TTabRect body = tab.body;
            DrawTab(canvas, tab, body);
            if (tab.hovered)
                hovered = i;
        }
        if (asideEntry >= 0) {
            const TTabDrawing tab = model_.TabDrawing(asideEntry);
            int x = tab.body.left, y = tab.body.top;
            if (model_.LowerSelected() > 0) {
                switch (model_.TabPosition()) {
                case TAdvTabPosition::pLeft: x += 1; break;
                case TAdvTabPosition::pRight: x -= 1; break;
                default: y += 1; break;
                }
            }
            const int length = horizontal ? tab.body.Width() : tab.body.Height();
            DrawSkin(canvas, tabBackGroundSelected_, x, y, length + model_.TabOverlap());
            DrawTabContent(canvas, tab, tab.body);
        }

        if (tabBackGround_.Empty() && tabBackGroundSelected_.Empty()) {
            const auto& places = model_.PositionList();
            const int firstStart = places.empty() ? 0 : places.front().start;
            const int lastEnd = places.empty() ? 0 : (horizontal ? lastBody.right : lastBody.bottom);
            canvas.SetPen(ColorToRGB(model_.TabBorderColor()));
            for (const TTabLine& line : BaseLine(model_.TabPosition(), model_.TabStyle(), lastBody, Width(), Height(),
                                                 firstStart, lastEnd))
                DrawLine(canvas, line);
        }

        if (hovered >= 0 && model_.TabHoverBorder() != clNone) {
            canvas.SetPen(ColorToRGB(model_.TabHoverBorder()));
            canvas.SetBrushClear();
            canvas.Rectangle(ToRect(model_.TabDrawing(hovered).body));
        }
    });

    if (model_.CloseButtonAt() == TCloseButtonPos::cbTabSet) {
        TCanvas canvas(dc);
        DrawTabSetCloseButton(canvas);
    }
}

void TAdvTabSet::DrawSkin(TCanvas& canvas, const TBitmap& skin, int x, int y, int total)
{
    if (skin.Empty())
        return;
    const COLORREF key = skin.Pixel(0, skin.Height() - 1);
    TBitmapDC source(skin);
    const int oldMode = SetStretchBltMode(canvas.Handle(), COLORONCOLOR);
    for (const TSkinSlice& slice : ThreeSlices(skin.Width(), skin.Height(), x, y, total, !model_.Horizontal()))
        TransparentBlt(canvas.Handle(), slice.target.left, slice.target.top, slice.target.Width(),
                       slice.target.Height(), source.Get(), slice.source.left, slice.source.top,
                       slice.source.Width(), slice.source.Height(), key);
    SetStretchBltMode(canvas.Handle(), oldMode);
}

void TAdvTabSet::DrawTab(TCanvas& canvas, const TTabDrawing& tab, TTabRect& body)
{
    const bool horizontal = model_.Horizontal();
    const TAdvTabPosition position = model_.TabPosition();
    const bool dotNet = model_.TabStyle() == TAdvTabStyle::tsDotNet;
    const TTabRect content = body;

    if (!tabBackGround_.Empty()) {
        const int length = horizontal ? body.Width() : body.Height();
        DrawSkin(canvas, tabBackGround_, body.left, body.top, length + model_.TabOverlap());
    } else {
        if (horizontal && dotNet && tab.selected)
            body.bottom += 1;
        const COLORREF from = ColorToRGB(tab.from);
        if (tab.to == clNone) {
            canvas.SetBrush(from);
            canvas.FillRect(ToRect(body));
        } else {
            const bool vertical = tab.direction == TGradientDirection::gdVertical;
            TTabRect area = body;
            if (vertical)
                area.bottom -= 1;
            else
                area.right -= 1;
            for (const TGradientBand& band : GradientBands(area, from, ColorToRGB(tab.to), 16, vertical)) {
                canvas.SetPen(band.colour);
                canvas.SetBrush(band.colour);
                canvas.Rectangle(ToRect(band.rect));
            }
        }
        canvas.SetBrushClear();
        canvas.SetPen(ColorToRGB(model_.TabBorderColor()));
        if (!dotNet) {
            canvas.Rectangle(ToRect(body));
        } else {
            for (const TOutlineStroke& stroke : DotNetOutline(position, body, tab.selected, tab.last, tab.nextSelected)) {
                canvas.SetPen(ColorToRGB(stroke.separator ? model_.SelectedColor() : model_.TabBorderColor()));
                DrawLine(canvas, stroke.points);
            }
        }
    }
    DrawTabContent(canvas, tab, content);
}

void TAdvTabSet::DrawTabContent(TCanvas& canvas, const TTabDrawing& tab, const TTabRect& body)
{
    const TAdvTabPosition position = model_.TabPosition();
    const bool horizontal = model_.Horizontal();
    const TTabMargin& margin = model_.TabMargin();
    const int lower = tab.selected ? model_.LowerSelected() : 0;
    const HDC dc = canvas.Handle();
    TTabRect text = body;

    if (model_.CloseButtonAt() == TCloseButtonPos::cbTabs && tab.item->ShowClose()) {
        const int bottomShift =
            position == TAdvTabPosition::pLeft && !tabBackGroundSelected_.Empty() ? model_.TabOverlap() : 0;
        const TCloseButtonShape shape =
            TabCloseButton(position, text, margin.LeftMargin(), margin.TopMargin(), lower, bottomShift);
        const TCloseLook look = tab.selected ? model_.TabCloseLook() : TCloseLook::Normal;
        canvas.SetBrush(look == TCloseLook::Pressed ? RGB(192, 192, 192) : RGB(255, 255, 255));
        canvas.SetPen(look == TCloseLook::Normal ? kGreyText : RGB(0, 0, 0));
        canvas.Rectangle(ToRect(shape.box));
        canvas.SetPen(look == TCloseLook::Hot ? kGreyText : RGB(0, 0, 0));
        for (const TTabLine& line : shape.cross)
            DrawLine(canvas, line);
        switch (position) {
        case TAdvTabPosition::pLeft: text.bottom -= 16; break;
        case TAdvTabPosition::pRight: text.top += 16; break;
        default: text.left += 17; break;
        }
    }

    switch (position) {
    case TAdvTabPosition::pLeft:
        text.bottom -= margin.TopMargin();
        text.left += margin.LeftMargin() + lower;
        break;
    case TAdvTabPosition::pRight:
        text.left += margin.LeftMargin() + 2 - lower;
        text.top += margin.TopMargin();
        break;
    default:
        text.left += margin.LeftMargin();
        text.top += margin.TopMargin() + lower;
        break;
    }

    if (images_ && tab.item->ImageIndex() >= 0) {
        switch (position) {
        case TAdvTabPosition::pLeft:
            images_->Draw(dc, text.left, text.bottom - images_->Height(), tab.item->ImageIndex());
            text.bottom -= images_->Height() + 2;
            break;
        case TAdvTabPosition::pRight:
            images_->Draw(dc, text.left, text.top, tab.item->ImageIndex());
            text.top += images_->Height() + 2;
            break;
        default:
            images_->Draw(dc, text.left, text.top, tab.item->ImageIndex());
            text.left += images_->Width() + 2;
            break;
        }
    }

    const TFont& font = tab.selected ? activeFont_ : Font();
    TGdiObject turned;
    if (!horizontal)
        turned = TurnedFont(font, position == TAdvTabPosition::pLeft ? -2700 : -900);
    const HGDIOBJ oldFont = SelectObject(dc, turned ? turned.get() : font.Handle());
    COLORREF colour = ColorToRGB(tab.selected ? activeFont_.Color() : tab.item->TextColor());
    if (!tab.item->Enable())
        colour = kGreyText;
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);

    const String& caption = tab.item->Caption();
    switch (position) {
    case TAdvTabPosition::pLeft:
        canvas.TextAt(text.left, text.bottom, caption);
        break;
    case TAdvTabPosition::pRight:
        canvas.TextAt(text.left + canvas.TextHeight("T"), text.top, caption);
        break;
    default: {
        RECT area = ToRect(text);
        DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &area, 0);
        break;
    }
    }
    SelectObject(dc, oldFont);

    if (model_.ShowFocus() && tab.selected) {
        canvas.SetBrushClear();
        canvas.SetPen(RGB(0, 0, 0), 1, PS_DOT);
        canvas.Rectangle({body.left + 5, body.top + 3, body.right - 5, body.bottom - 3});
        canvas.SetPen(RGB(0, 0, 0));
    }
}

void TAdvTabSet::DrawTabSetCloseButton(TCanvas& canvas)
{
    const bool horizontal = model_.Horizontal();
    const TTabCollectionItem* selected = model_.TabAt(model_.TabIndex());
    const bool pressed = model_.BarClosePressed();
    const bool thick = pressed || (selected && selected->ShowClose());
    canvas.SetBrushClear();
    canvas.SetPen(ColorToRGB(backgroundColour_));
    canvas.Rectangle(ToRect(TabSetCloseFrame(horizontal, Width(), Height())));
    if (pressed) {
        const TSunkenFrame frame = TabSetPressedFrame(horizontal, Width(), Height());
        canvas.SetPen(RGB(0, 0, 0));
        DrawLine(canvas, frame.dark);
        canvas.SetPen(RGB(255, 255, 255));
        DrawLine(canvas, frame.light);
    }
    canvas.SetPen(ColorToRGB(cl3DDkShadow));
    for (const TTabLine& line : TabSetCross(horizontal, Width(), Height(), thick))
        DrawLine(canvas, line);
}
