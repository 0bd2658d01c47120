// A drop-down list with a flat one-pixel border, corner pixels of their own
// colour and a picture in place of the system drop button. Its items are
// drawn by OnDrawItem, or as plain text when nobody draws them.
#pragma once

#include <functional>
#include <memory>

#include "classlib/canvas.h"
#include "classlib/controls.h"
#include "classlib/graphics.h"
#include "controls/bitmapped_combo_box_model.h"

class TBitmappedComboBox : public TWinControl {
public:
    explicit TBitmappedComboBox(TComponent* owner);
    ~TBitmappedComboBox() override;

    String ClassName() const override { return "TBitmappedComboBox"; }
    bool PublishesTextProperty(const String& name) const override { return name == "Text" || name == "Hint"; }

    void SetNormalBitmap(const TBitmap& picture);
    void SetDownBitmap(const TBitmap& picture);
    void SetBorderColor(TColor colour);
    void SetCornerColor(TColor colour);
    void SetEnabled(bool enabled) override;

    // Choosing an item from code (SetItemIndex) fires no event.
    int AddItem(const String& text);  // answers the new item's index
    void DeleteItem(int index);       // nothing out of range
    void ClearItems();
    int ItemCount();
    String Items(int index);  // empty out of range
    // The items in the order of the system's sorted lists (case ignored): a
    // new item goes to its place, and turning it on sorts the items there
    // are, the chosen one staying chosen. Off, items stay where they are.
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    int ItemIndex();
    void SetItemIndex(int index);
    String Text();  // the chosen item's text, empty without a choice
    int ItemHeight();
    // The most rows the dropped list shows at once.
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int count) { dropDownCount_ = count; }
    bool ButtonDown() const { return button_.ButtonDown(); }

    // While an item is drawn: the item's device context with the combo box's
    // font, its brush and text colour (the highlight for a selected item).
    // Otherwise a canvas for measuring with the font.
    TCanvas& Canvas();

    // Draws one item, its focus rectangle included: (index, rectangle,
    // DRAWITEMSTRUCT state). Unset, the item's text is drawn plainly.
    std::function<void(TBitmappedComboBox&, int, const RECT&, UINT)> OnDrawItem;
    // A choice made by the user: OnClick, then OnChange, the new item chosen.
    std::function<void(TControl&)> OnChange;
    std::function<void(TControl&)> OnDropDown;
    // Once per double click at the field: two left presses within the
    // system's double-click time and distance, or a CBN_DBLCLK.
    std::function<void(TControl&)> OnDblClick;
    // The focus coming and going, while the control sits on a parent.
    std::function<void(TControl&)> OnEnter;
    std::function<void(TControl&)> OnExit;
    // A context menu asked for, at a client point ((-1, -1) from the
    // keyboard); setting `handled` keeps the request from the parent.
    std::function<void(TControl&, POINT, bool& handled)> OnContextPopup;

protected:
    const char* WindowClassName() const override { return "COMBOBOX"; }
    DWORD Style() const override;
    void FontChanged() override;

    virtual void Change();
    virtual void DropDown();
    virtual void DblClick();
    virtual void DoEnter();
    virtual void DoExit();

private:
    struct TMeasureCanvas;
    class TListWatch;
    struct TPress {
        DWORD time = 0;
        POINT at{};
        bool valid = false;
    };

    void Notified(WORD code);
    void WatchList();
    void FieldPressed(POINT screenPoint, bool systemDoubleClick, const std::function<void()>& systemHandling);
    bool SecondPress(POINT screenPoint);
    int SortedPlace(const String& text);
    void AdjustDropDown();
    void DrawItem(const DRAWITEMSTRUCT& item);
    void NewAdjustHeight();
    void InvalidateButtonRect();
    void PaintButtonAndBorder();
    void DrawButton(const RECT& rect, const TBitmap& picture);
    void RedrawBorder();
    void ContextMenu(TMessage& m);

    TComboButtonModel button_;
    TBitmap normal_, down_;
    TColor border_ = clGray;
    TColor corner_ = clBtnFace;
    int dropDownCount_ = 8;
    int itemHeight_ = 0;
    // Until it is first painted the control is still being set up: a font
    // it is given meanwhile measures the items again, a later one doesn't.
    bool loading_ = true;
    TCanvas* itemCanvas_ = nullptr;
    std::unique_ptr<TMeasureCanvas> measureCanvas_;
    bool sorted_ = false;
    // Double clicks: the press before, and whether one is being handled by
    // the system (a CBN_DBLCLK it sends meanwhile is that same double click).
    TPress lastPress_;
    bool inPress_ = false;
    bool firedInPress_ = false;
    std::unique_ptr<TListWatch> listWatch_;
};
