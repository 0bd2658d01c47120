// The tab bar that heads every page of the main window: one tab per visible
// item of its collection, chosen with the left mouse button or an
// accelerator, reported through OnChange (which may refuse) and OnClick.
// The tabs' state and layout are TAdvTabSetModel's; this window turns
// messages into its calls and composes the bar off screen at every paint.
#pragma once

#include <memory>

#include "classlib/controls.h"
#include "classlib/graphics.h"
#include "classlib/image_list.h"
#include "controls/adv_tab_set_model.h"

class TScroller;
class TCanvas;

class TAdvTabSet : public TWinControl, private TTabSetHost {
public:
    explicit TAdvTabSet(TComponent* owner);
    ~TAdvTabSet() override;

    String ClassName() const override { return "TAdvTabSet"; }

    // The tabs, their selection and layout, and the settings without a
    // picture or a font behind them.
    TAdvTabSetModel& Model() { return model_; }
    const TAdvTabSetModel& Model() const { return model_; }
    TTabCollection& AdvTabs() { return model_.AdvTabs(); }
    int TabIndex() const { return model_.TabIndex(); }
    void SetTabIndex(int value) { model_.SetTabIndex(value); }
    int FirstIndex() const { return model_.FirstIndex(); }
    int VisibleTabs() const { return model_.VisibleTabs(); }
    void SelectNext(bool goForward) { model_.SelectNext(goForward); }
    int ItemAtPos(int x, int y) const { return model_.ItemAtPos(x, y); }

    TColor BackgroundColor() const { return backgroundColour_; }
    void SetBackgroundColor(TColor colour);
    bool DitherBackground() const { return dither_; }
    void SetDitherBackground(bool dither);
    void SetAutoScroll(bool autoScroll);

    // Picture skins of the tabs, copied.
    const TBitmap& TabBackGround() const { return tabBackGround_; }
    void SetTabBackGround(const TBitmap& picture);
    const TBitmap& TabBackGroundSelected() const { return tabBackGroundSelected_; }
    void SetTabBackGroundSelected(const TBitmap& picture);
    // The font of the selected tab's text (Font is the others').
    const TFont& ActiveFont() const { return activeFont_; }
    void SetActiveFont(const TFont& font);
    // Tab pictures; not owned, and must outlive the bar or be set to null first.
    const TImageList* Images() const { return images_; }
    void SetImages(const TImageList* images);
    String Version() const { return "1.3.0.0"; }
    static constexpr unsigned VersionNr() { return 0x01030000; }

    // Events, with collection indexes where named so (OnClick is the control's).
    std::function<void(TAdvTabSet&, int newTab, bool& allowChange)> OnChange;
    std::function<void(TAdvTabSet&, int position, int& tabWidth)> OnMeasureTab;
    std::function<void(TAdvTabSet&, int tabIndex)> OnTabClose;
    std::function<void(TAdvTabSet&, int tabIndex, bool& canClose)> OnCanClose;
    std::function<void(TAdvTabSet&, int fromPos, int toPos)> OnTabMoved;

    // The translator rewrites captions by collection index.
    int TabCount() const override { return model_.AdvTabs().Count(); }
    void SetTabCaption(int index, const String& caption) override;
    bool DialogChar(char key) override;

    // Composes the bar and copies it to `dc` (client coordinates).
    void PaintTo(HDC dc);

    TScroller& Scroller() { return *scroller_; }

protected:
    // Clicks come from selection changes only.
    void Click() override {}
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseLeave() override;
    void FontChanged() override;

public:
    // The width of `text` in the bar's font.
    int TextWidth(const String& text) const override;

private:
    // TTabSetHost
    int ClientWidth() const override { return Width(); }
    int ClientHeight() const override { return Height(); }
    bool WindowExists() const override { return HandleAllocated(); }
    void Repaint() override { Invalidate(); }
    void SetRedraw(bool on) override;

    void SyncScroller(const TTabSetLayout& layout);
    void DrawTab(TCanvas& canvas, const TTabDrawing& tab, TTabRect& drawn);
    void DrawSkin(TCanvas& canvas, const TBitmap& skin, int x, int y, int total);
    void DrawTabContent(TCanvas& canvas, const TTabDrawing& tab, const TTabRect& body);
    void DrawTabSetCloseButton(TCanvas& canvas);

    // A measuring context in the bar's font, kept between paints (every
    // layout measures every tab); made again when the font changes.
    struct TMeasure {
        explicit TMeasure(const TFont& f) : font(f), dc(font) {}
        TFont font;
        TFontDC dc;
    };
    mutable std::unique_ptr<TMeasure> measure_;
    TAdvTabSetModel model_{*this};
    TScroller* scroller_ = nullptr;
    TColor backgroundColour_ = clBtnFace;
    bool dither_ = false;
    TBitmap tabBackGround_;
    TBitmap tabBackGroundSelected_;
    TFont activeFont_;
    const TImageList* images_ = nullptr;
    bool syncingScroller_ = false;
};
