// The tab bar's tabs and state, free of Win32: the tab collection (design
// order), the tab list (display texts of the visible tabs, in display
// order) and the position map between them, the selection and the first
// tab shown, the layout of the tabs that fit, the hit tests, and what mouse
// presses, moves, releases, drags and accelerators do. TAdvTabSet turns
// messages into these calls and paints from the layout.
//
// Two orders must not be confused: a tab's collection index (`Index`) and
// its tab-list position (only while visible). TabIndex, FirstIndex,
// VisibleTabs, the hit tests and OnMeasureTab count tab-list positions;
// OnChange, OnCanClose and OnTabClose report collection indexes.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "classlib/colors.h"
#include "classlib/string_list.h"
#include "classlib/sysutils.h"

enum class TGradientDirection { gdVertical, gdHorizontal };
enum class TAdvTabStyle { tsClassic, tsDotNet };
enum class TAdvTabPosition { pLeft, pRight, pTop, pBottom };
enum class TCloseButtonPos { cbTabs, cbTabSet };
enum class TShowScroller { ssAuto, ssAlways };

struct TTabRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const TTabRect&) const = default;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    // Right and bottom edges excluded.
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

class TAdvTabSetModel;
class TTabCollection;

// Left, top and right margin of a tab's text; a change is reported with the
// new value, the old value and the margin's number (0 left, 1 top, 2 right).
class TTabMargin {
public:
    int LeftMargin() const { return margins_[0]; }
    int TopMargin() const { return margins_[1]; }
    int RightMargin() const { return margins_[2]; }
    void SetLeftMargin(int value) { Set(0, value); }
    void SetTopMargin(int value) { Set(1, value); }
    void SetRightMargin(int value) { Set(2, value); }
    // Copies the three values without a notification.
    void Assign(const TTabMargin& other);

    std::function<void(int newValue, int oldValue, int margin)> OnMarginChange;

private:
    void Set(int margin, int value);
    int margins_[3] = {0, 0, 0};
};

class TTabCollectionItem {
public:
    explicit TTabCollectionItem(TTabCollection& collection);
    TTabCollectionItem(const TTabCollectionItem&) = delete;
    TTabCollectionItem& operator=(const TTabCollectionItem&) = delete;

    TTabCollection& Collection() const { return collection_; }
    int Index() const;  // the collection index

    const String& Caption() const { return caption_; }
    void SetCaption(const String& caption);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool ShowClose() const { return showClose_; }
    void SetShowClose(bool showClose);
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }
    TColor TextColor() const { return textColour_; }
    void SetTextColor(TColor colour) { Change(textColour_, colour); }
    TColor TabColor() const { return tabColour_; }
    void SetTabColor(TColor colour) { Change(tabColour_, colour); }
    TColor TabColorTo() const { return tabColourTo_; }
    void SetTabColorTo(TColor colour) { Change(tabColourTo_, colour); }
    TGradientDirection TabGradientDirection() const { return gradientDirection_; }
    void SetTabGradientDirection(TGradientDirection direction) { Change(gradientDirection_, direction); }
    TGradientDirection HoverGradientDirection() const { return hoverGradientDirection_; }
    void SetHoverGradientDirection(TGradientDirection direction) { Change(hoverGradientDirection_, direction); }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    // A disabled tab can't be selected. Disabling the selected tab raises
    // "Can not disable active tab" and leaves it enabled.
    bool Enable() const { return enable_; }
    void SetEnable(bool enable);

    // Where the tab stands in the tab list; meaningful while visible.
    int TabListPosition() const { return position_; }
    // Moves the visible tab to another tab-list position; false when it is
    // there already (or hidden). A position outside the list raises "Invalid Index".
    bool MoveItemInTabSetTo(int newPosition);

    // Caption, visibility, close button, colours, directions, picture and tag.
    void Assign(const TTabCollectionItem& other);

private:
    friend class TTabCollection;
    friend class TAdvTabSetModel;
    TAdvTabSetModel& Owner() const;
    void Created();     // the item has its place in the collection
    void Destroying();  // the item has left the collection
    template <class T>
    void Change(T& field, const T& value);

    TTabCollection& collection_;
    String caption_;
    bool visible_ = true;
    bool showClose_ = false;
    int tag_ = 0;
    TColor textColour_ = clBlack;
    TColor tabColour_ = clWindow;
    TColor tabColourTo_ = clNone;
    TGradientDirection gradientDirection_ = TGradientDirection::gdVertical;
    TGradientDirection hoverGradientDirection_ = TGradientDirection::gdVertical;
    int imageIndex_ = 0;
    int position_ = 0;
    bool enable_ = true;
};

// The tabs in design order; owned by the bar.
class TTabCollection {
public:
    explicit TTabCollection(TAdvTabSetModel& owner) : owner_(owner) {}
    ~TTabCollection();
    TTabCollection(const TTabCollection&) = delete;
    TTabCollection& operator=(const TTabCollection&) = delete;

    TAdvTabSetModel& GetOwner() const { return owner_; }
    int Count() const { return static_cast<int>(items_.size()); }
    TTabCollectionItem& Add();
    // A new tab at collection index `index` (it still appears at the end of the bar).
    TTabCollectionItem& Insert(int index);
    // Raises EListError outside 0 .. Count - 1.
    TTabCollectionItem& GetItem(int index) const;
    void SetItem(int index, const TTabCollectionItem& item) { GetItem(index).Assign(item); }
    void Delete(int index);
    void Clear();
    int IndexOf(const TTabCollectionItem& item) const;

private:
    TAdvTabSetModel& owner_;
    std::vector<std::unique_ptr<TTabCollectionItem>> items_;
};

// The display texts of the visible tabs. Every change repaints the bar;
// inserting and deleting keep the selection on the same tab where it still
// exists.
class TTabList {
public:
    explicit TTabList(TAdvTabSetModel& owner) : owner_(owner) {}

    int Count() const { return list_.Count(); }
    const String& Strings(int index) const { return list_.Strings(index); }
    int Add(const String& text);
    void Put(int index, const String& text);
    void Insert(int index, const String& text);
    void Delete(int index);
    void Clear();
    void AddStrings(const TStringList& strings);

private:
    friend class TAdvTabSetModel;
    TAdvTabSetModel& owner_;
    TStringList list_;
};

// What the bar needs from its window.
class TTabSetHost {
public:
    virtual ~TTabSetHost() = default;
    virtual int TextWidth(const String& text) const = 0;  // in the bar's font
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    virtual bool WindowExists() const = 0;
    virtual void Repaint() = 0;  // a request; the layout is made by the next paint
    virtual void SetRedraw(bool) {}
};

// One laid-out tab: its width and where it starts along the run.
struct TTabPlace {
    int width = 0;
    int start = 0;
    bool operator==(const TTabPlace&) const = default;
};

// What a paint needs before it draws tabs (after `LayOut`).
struct TTabSetLayout {
    int bitmapWidth = 0, bitmapHeight = 0;
    int runStart = 0, runEnd = 0;
    int scrollerLeft = 0, scrollerTop = 0;
};

// One tab as a paint draws it.
struct TTabDrawing {
    TTabRect tab;   // (start, 0, start + width, effective tab height), turned for left/right
    TTabRect body;  // the tab 10 longer along the run: neighbours overlap by one pixel
    bool selected = false, last = false, nextSelected = false, hovered = false;
    TTabCollectionItem* item = nullptr;
    TColor from = clNone, to = clNone;
    TGradientDirection direction = TGradientDirection::gdVertical;
};

enum class TCloseLook { Normal, Hot, Pressed };

class TAdvTabSetModel {
public:
    explicit TAdvTabSetModel(TTabSetHost& host);
    ~TAdvTabSetModel();
    TAdvTabSetModel(const TAdvTabSetModel&) = delete;
    TAdvTabSetModel& operator=(const TAdvTabSetModel&) = delete;

    // Clears the events, then frees the tabs while the lists still exist,
    // so no handler hears of tabs going away with their bar.
    void Destroy();

    TTabCollection& AdvTabs() { return *tabs_; }
    const TTabCollection& AdvTabs() const { return *tabs_; }
    TTabList& TabList() { return tabList_; }
    const TTabList& TabList() const { return tabList_; }
    int TabCount() const { return tabList_.Count(); }
    // The tab at a tab-list position (through the position map), or null.
    TTabCollectionItem* TabAt(int position) const;

    int TabIndex() const { return tabIndex_; }
    // Raises "Tab index out of bounds" outside -1 .. TabCount - 1. A disabled
    // tab or a refusing OnChange changes nothing; -1 clears without events.
    void SetTabIndex(int value);
    int FirstIndex() const { return firstIndex_; }
    void SetFirstIndex(int value);
    int VisibleTabs() const { return visibleTabs_; }
    void SelectNext(bool goForward);

    // Layout settings.
    int StartMargin() const { return startMargin_; }
    void SetStartMargin(int value) { Change(startMargin_, value); }
    int EndMargin() const { return endMargin_; }
    void SetEndMargin(int value) { Change(endMargin_, value); }
    int TabHeight() const { return tabHeight_; }
    void SetTabHeight(int value);
    int EffectiveTabHeight() const { return effectiveTabHeight_; }
    void CreateEdgeParts() { effectiveTabHeight_ = tabHeight_; }
    TTabMargin& TabMargin() { return tabMargin_; }
    const TTabMargin& TabMargin() const { return tabMargin_; }
    void SetTabMargin(const TTabMargin& margin) { tabMargin_.Assign(margin); }
    int TabOverlap() const { return tabOverlap_; }
    void SetTabOverlap(int value) { Change(tabOverlap_, value < 0 ? 0 : value > 15 ? 15 : value); }
    TAdvTabStyle TabStyle() const { return tabStyle_; }
    void SetAdvTabStyle(TAdvTabStyle style);
    TAdvTabPosition TabPosition() const { return tabPosition_; }
    void SetTabPosition(TAdvTabPosition position);
    bool Horizontal() const { return tabPosition_ == TAdvTabPosition::pTop || tabPosition_ == TAdvTabPosition::pBottom; }
    TCloseButtonPos CloseButtonAt() const { return closeButtonAt_; }
    void SetCloseButtonAt(TCloseButtonPos at) { Change(closeButtonAt_, at); }
    TShowScroller ShowScroller() const { return showScroller_; }
    void SetShowScroller(TShowScroller show) { Change(showScroller_, show); }
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool autoScroll);
    bool ShowFocus() const { return showFocus_; }
    void SetShowFocus(bool show) { Change(showFocus_, show); }
    bool TabRearrange() const { return tabRearrange_; }
    void SetTabRearrange(bool rearrange) { tabRearrange_ = rearrange; }
    int LowerSelected() const { return lowerSelected_; }
    void SetLowerSelected(int value) { Change(lowerSelected_, value); }
    bool SoftTop() const { return softTop_; }
    void SetSoftTop(bool soft);

    // Colours; the ones copied into new tabs don't touch existing tabs.
    TColor SelectedColor() const { return selectedColour_; }
    void SetSelectedColor(TColor c) { Change(selectedColour_, c); }
    TColor SelectedColorTo() const { return selectedColourTo_; }
    void SetSelectedColorTo(TColor c) { Change(selectedColourTo_, c); }
    TColor UnselectedColor() const { return unselectedColour_; }
    void SetUnselectedColor(TColor c) { Change(unselectedColour_, c); }
    TColor UnSelectedColorTo() const { return unselectedColourTo_; }
    void SetUnSelectedColorTo(TColor c) { Change(unselectedColourTo_, c); }
    TColor TextColor() const { return textColour_; }
    void SetTextColor(TColor c) { Change(textColour_, c); }
    TColor TabBorderColor() const { return borderColour_; }
    void SetTabBorderColor(TColor c) { Change(borderColour_, c); }
    TColor TabHoverColor() const { return hoverColour_; }
    void SetTabHoverColor(TColor c) { Change(hoverColour_, c); }
    TColor TabHoverColorTo() const { return hoverColourTo_; }
    void SetTabHoverColorTo(TColor c) { Change(hoverColourTo_, c); }
    TColor TabHoverBorder() const { return hoverBorder_; }
    void SetTabHoverBorder(TColor c) { Change(hoverBorder_, c); }
    TGradientDirection GradientDirection() const { return gradientDirection_; }
    void SetGradientDirection(TGradientDirection d) { Change(gradientDirection_, d); }
    TGradientDirection HoverGradientDirection() const { return hoverGradientDirection_; }
    void SetHoverGradientDirection(TGradientDirection d) { hoverGradientDirection_ = d; }

    // What the window holds that the layout depends on.
    void SetImageSize(bool hasImages, int width, int height);
    bool HasImages() const { return hasImages_; }
    int ImageWidth() const { return imageWidth_; }
    int ImageHeight() const { return imageHeight_; }
    void SetSkins(bool background, bool backgroundSelected);
    bool HasTabBackGround() const { return hasBackGround_; }
    bool HasTabBackGroundSelected() const { return hasBackGroundSelected_; }

    // The scroll arrows: their size follows the tab position.
    int ScrollerWidth() const { return Horizontal() ? 23 : 13; }
    int ScrollerHeight() const { return Horizontal() ? 13 : 23; }
    bool ScrollerVisible() const { return scrollerVisible_; }
    int ScrollerMax() const { return scrollerMax_; }
    // The arrows were clicked to `position`.
    void ScrollClick(int position) { SetFirstIndex(position); }

    // Width of the tab at a tab-list position: its text, margins and picture,
    // or what OnMeasureTab makes of it.
    int ItemWidth(int position) const;
    void AdjustTabWidth();
    void IncTabWidth(int extra);
    // Lays out the tabs from `first` between `start` and `stop`; the number that fit.
    int CalcTabPositions(int start, int stop, int first);
    const std::vector<TTabPlace>& PositionList() const { return positions_; }
    // Keeps the selected tab in view.
    void FixTabPos();
    // Position-list index under the point, or -1.
    int ItemAtPos(int x, int y) const;
    TTabRect ItemRect(int item) const;
    TTabRect MinClientRect(int tabCount, bool withScroller) const;
    TTabRect MinClientRect(bool withScroller = false) const { return MinClientRect(TabCount(), withScroller); }

    // The window changed size.
    void Resize();
    // Lays the bar out for a paint: bitmap size, run, scroll arrows, the tabs
    // that fit.
    TTabSetLayout LayOut();
    // The position-list entry `entry` as the paint draws it.
    TTabDrawing TabDrawing(int entry) const;
    // The selected tab's entry in the position list, or -1 when it isn't laid out.
    int SelectedEntry() const;

    // Close buttons: the one in the selected tab (its look), the bar's own.
    TCloseLook TabCloseLook() const;
    bool BarClosePressed() const { return barClosePressed_; }
    bool IsOnButton(int entry, int x, int y) const;
    bool IsOnCloseButtonAtTabSet(int x, int y) const;
    void CloseButtonClick();

    // Input, in client coordinates (after the class library's own events).
    void MouseDown(bool left, int x, int y);
    void MouseMove(int x, int y);
    void MouseUp(bool left, int x, int y);
    void MouseLeave();
    bool Dragging() const { return dragging_; }
    bool DragAccepted() const { return dragAccepted_; }
    // An accelerator typed in the form: true when a tab took it.
    bool DialogChar(char key);
    int HoverIndex() const { return hoverIndex_; }

    // Events; collection indexes where named so.
    std::function<void(int newTab, bool& allowChange)> OnChange;
    std::function<void()> OnClick;
    std::function<void(int position, int& tabWidth)> OnMeasureTab;
    std::function<void(int tabIndex)> OnTabClose;
    std::function<void(int tabIndex, bool& canClose)> OnCanClose;
    std::function<void(int fromPos, int toPos)> OnTabMoved;

    void Repaint();

private:
    friend class TTabCollectionItem;
    friend class TTabList;
    template <class T>
    void Change(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        Repaint();
    }
    int RunExtent() const { return Horizontal() ? host_.ClientWidth() : host_.ClientHeight(); }
    int DepthExtent() const { return Horizontal() ? host_.ClientHeight() : host_.ClientWidth(); }
    int Along(int x, int y) const { return Horizontal() ? x : y; }
    int Across(int x, int y) const { return Horizontal() ? y : x; }
    TTabRect TabRectOf(const TTabPlace& place) const;
    // Tab-list and position-map entries, kept in step.
    int AppendEntry(TTabCollectionItem& item);
    void RemoveEntry(int position);
    // A move keeps the selection on the tab it was on, with no events.
    void MoveEntry(int from, int to);
    void Renumber(int from);
    void NotifyClick();
    void DragDrop(int x, int y);
    void ApplyVerticalMarginRule();

    TTabSetHost& host_;
    TTabList tabList_{*this};
    std::vector<TTabCollectionItem*> positionMap_;
    std::unique_ptr<TTabCollection> tabs_;
    std::vector<TTabPlace> positions_;

    int tabIndex_ = -1;
    int firstIndex_ = 0;
    int visibleTabs_ = 0;
    int startMargin_ = 5, endMargin_ = 5;
    int tabHeight_ = 20, effectiveTabHeight_ = 20;
    TTabMargin tabMargin_;
    int tabOverlap_ = 0;
    TAdvTabStyle tabStyle_ = TAdvTabStyle::tsClassic;
    TAdvTabPosition tabPosition_ = TAdvTabPosition::pTop;
    TCloseButtonPos closeButtonAt_ = TCloseButtonPos::cbTabs;
    TShowScroller showScroller_ = TShowScroller::ssAlways;
    bool autoScroll_ = true;
    bool showFocus_ = false;
    bool tabRearrange_ = false;
    int lowerSelected_ = 2;
    bool softTop_ = false;

    TColor selectedColour_ = clBtnFace, selectedColourTo_ = clNone;
    TColor unselectedColour_ = clWindow, unselectedColourTo_ = clNone;
    TColor textColour_ = clBlack;
    TColor borderColour_ = RGBColor(128, 128, 128);
    TColor hoverColour_ = clNone, hoverColourTo_ = clNone, hoverBorder_ = clNone;
    TGradientDirection gradientDirection_ = TGradientDirection::gdVertical;
    TGradientDirection hoverGradientDirection_ = TGradientDirection::gdVertical;

    bool hasImages_ = false;
    int imageWidth_ = 0, imageHeight_ = 0;
    bool hasBackGround_ = false, hasBackGroundSelected_ = false;

    bool scrollerVisible_ = false;
    int scrollerMax_ = 0;
    bool fixPosition_ = false;
    int hoverIndex_ = -1;
    bool closeHot_ = false;
    bool tabClosePressed_ = false;
    bool barClosePressed_ = false;
    bool dragPending_ = false, dragging_ = false, dragAccepted_ = false;
    int dragX_ = 0, dragY_ = 0;
    bool destroyed_ = false;
};
