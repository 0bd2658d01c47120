#include "controls/adv_tab_set_model.h"

#include <algorithm>
#include <cstdlib>

#include "classlib/exceptions.h"

namespace {

constexpr int kTabGap = 9;         // consecutive tabs start width + 9 apart
constexpr int kDragThreshold = 6;  // pixels before a press on a tab starts a drag

}  // namespace

// ---------------------------------------------------------------- margins

void TTabMargin::Set(int margin, int value)
{
    const int old = margins_[margin];
    if (old == value)
        return;
    margins_[margin] = value;
    if (OnMarginChange)
        OnMarginChange(value, old, margin);
}

void TTabMargin::Assign(const TTabMargin& other)
{
    std::copy(std::begin(other.margins_), std::end(other.margins_), margins_);
}

// ---------------------------------------------------------------- items

TTabCollectionItem::TTabCollectionItem(TTabCollection& collection) : collection_(collection) {}

TAdvTabSetModel& TTabCollectionItem::Owner() const { return collection_.GetOwner(); }

int TTabCollectionItem::Index() const { return collection_.IndexOf(*this); }

void TTabCollectionItem::Created()
{
    TAdvTabSetModel& bar = Owner();
    caption_ = "TabSheet";
    textColour_ = bar.TextColor();
    tabColour_ = bar.UnselectedColor();
    tabColourTo_ = bar.UnSelectedColorTo();
    gradientDirection_ = bar.GradientDirection();
    hoverGradientDirection_ = bar.HoverGradientDirection();
    position_ = bar.AppendEntry(*this);
    caption_ += IntToStr(position_ + 1);
    bar.tabList_.Put(position_, caption_);
    bar.SetTabIndex(0);
    bar.AdjustTabWidth();
}

void TTabCollectionItem::Destroying()
{
    if (visible_) {
        visible_ = false;
        Owner().RemoveEntry(position_);
    }
}

template <class T>
void TTabCollectionItem::Change(T& field, const T& value)
{
    if (field == value)
        return;
    field = value;
    Owner().Repaint();
}

// The inline setters of the header call these; made here, where Change is defined.
template void TTabCollectionItem::Change<TColor>(TColor&, const TColor&);
template void TTabCollectionItem::Change<TGradientDirection>(TGradientDirection&, const TGradientDirection&);

void TTabCollectionItem::SetCaption(const String& caption)
{
    TAdvTabSetModel& bar = Owner();
    caption_ = caption;
    if (visible_)
        bar.tabList_.Put(position_, caption);
    bar.AdjustTabWidth();
    bar.Repaint();
}

void TTabCollectionItem::SetVisible(bool visible)
{
    if (visible == visible_)
        return;
    TAdvTabSetModel& bar = Owner();
    visible_ = visible;
    if (visible) {
        position_ = bar.AppendEntry(*this);
        bar.AdjustTabWidth();
    } else {
        bar.RemoveEntry(position_);
    }
    bar.Repaint();
}

void TTabCollectionItem::SetShowClose(bool showClose)
{
    showClose_ = showClose;
    Owner().AdjustTabWidth();
    Owner().Repaint();
}

void TTabCollectionItem::SetImageIndex(int index)
{
    imageIndex_ = index;
    Owner().Repaint();
}

void TTabCollectionItem::SetEnable(bool enable)
{
    if (enable == enable_)
        return;
    // A hidden tab keeps the flag too, so it comes back disabled.
    if (!enable && visible_ && Owner().TabIndex() == position_)
        throw Exception("Can not disable active tab");
    enable_ = enable;
    Owner().Repaint();
}

bool TTabCollectionItem::MoveItemInTabSetTo(int newPosition)
{
    TAdvTabSetModel& bar = Owner();
    if (newPosition < 0 || newPosition >= bar.TabCount())
        throw Exception("Invalid Index");
    if (!visible_ || newPosition == position_)
        return false;
    bar.MoveEntry(position_, newPosition);
    bar.AdjustTabWidth();
    return true;
}

void TTabCollectionItem::Assign(const TTabCollectionItem& other)
{
    SetCaption(other.caption_);
    SetVisible(other.visible_);
    SetShowClose(other.showClose_);
    SetTextColor(other.textColour_);
    SetTabColor(other.tabColour_);
    SetTabColorTo(other.tabColourTo_);
    SetTabGradientDirection(other.gradientDirection_);
    SetHoverGradientDirection(other.hoverGradientDirection_);
    SetImageIndex(other.imageIndex_);
    SetTag(other.tag_);
}

// ---------------------------------------------------------------- collection

TTabCollection::~TTabCollection() { Clear(); }

TTabCollectionItem& TTabCollection::Add()
{
    items_.push_back(std::make_unique<TTabCollectionItem>(*this));
    TTabCollectionItem& item = *items_.back();
    item.Created();
    return item;
}

TTabCollectionItem& TTabCollection::Insert(int index)
{
    if (index < 0 || index > Count())
        throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    TTabCollectionItem& item = Add();
    auto last = std::prev(items_.end());
    std::rotate(items_.begin() + index, last, items_.end());
    return item;
}

TTabCollectionItem& TTabCollection::GetItem(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return *items_[static_cast<size_t>(index)];
}

void TTabCollection::Delete(int index)
{
    GetItem(index);
    // The item leaves the collection before the bar hears of it, so handlers
    // run on a collection and lists that agree.
    std::unique_ptr<TTabCollectionItem> item = std::move(items_[static_cast<size_t>(index)]);
    items_.erase(items_.begin() + index);
    item->Destroying();
}

void TTabCollection::Clear()
{
    while (!items_.empty())
        Delete(Count() - 1);
}

int TTabCollection::IndexOf(const TTabCollectionItem& item) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == &item)
            return static_cast<int>(i);
    return -1;
}

// ---------------------------------------------------------------- tab list

int TTabList::Add(const String& text)
{
    const int index = list_.Add(text);
    owner_.Repaint();
    return index;
}

void TTabList::Put(int index, const String& text)
{
    list_.SetString(index, text);
    owner_.Repaint();
}

void TTabList::Insert(int index, const String& text)
{
    list_.Insert(index, text);
    if (owner_.tabIndex_ >= index)
        ++owner_.tabIndex_;
    owner_.Repaint();
}

void TTabList::Delete(int index)
{
    list_.Delete(index);
    const bool wasSelected = index == owner_.tabIndex_;
    // The selection stays on its tab; a deleted selected tab hands it to the
    // one that takes its place (or the new last).
    if (index < owner_.tabIndex_)
        --owner_.tabIndex_;
    else if (owner_.tabIndex_ >= Count())
        owner_.tabIndex_ = Count() - 1;
    if (owner_.firstIndex_ > 0 && owner_.firstIndex_ >= Count())
        owner_.firstIndex_ = Count() - 1;
    owner_.Repaint();
    if (wasSelected)
        owner_.NotifyClick();
}

void TTabList::Clear()
{
    list_.Clear();
    owner_.tabIndex_ = -1;
    owner_.firstIndex_ = 0;
    owner_.Repaint();
}

void TTabList::AddStrings(const TStringList& strings)
{
    owner_.host_.SetRedraw(false);
    for (int i = 0; i < strings.Count(); ++i)
        list_.Add(strings.Strings(i));
    owner_.host_.SetRedraw(true);
    owner_.Repaint();
}

// ---------------------------------------------------------------- the bar

TAdvTabSetModel::TAdvTabSetModel(TTabSetHost& host) : host_(host), tabs_(std::make_unique<TTabCollection>(*this))
{
    tabMargin_.SetLeftMargin(2);
    tabMargin_.SetTopMargin(2);
    tabMargin_.OnMarginChange = [this](int, int, int) {
        AdjustTabWidth();
        Repaint();
    };
}

TAdvTabSetModel::~TAdvTabSetModel() { Destroy(); }

void TAdvTabSetModel::Destroy()
{
    if (destroyed_)
        return;
    OnChange = nullptr;
    OnClick = nullptr;
    OnMeasureTab = nullptr;
    OnTabClose = nullptr;
    OnCanClose = nullptr;
    OnTabMoved = nullptr;
    destroyed_ = true;
    tabs_->Clear();
}

void TAdvTabSetModel::Repaint()
{
    if (!destroyed_)
        host_.Repaint();
}

TTabCollectionItem* TAdvTabSetModel::TabAt(int position) const
{
    if (position < 0 || position >= static_cast<int>(positionMap_.size()))
        return nullptr;
    return positionMap_[static_cast<size_t>(position)];
}

void TAdvTabSetModel::Renumber(int from)
{
    for (size_t i = static_cast<size_t>(std::max(from, 0)); i < positionMap_.size(); ++i)
        positionMap_[i]->position_ = static_cast<int>(i);
}

int TAdvTabSetModel::AppendEntry(TTabCollectionItem& item)
{
    positionMap_.push_back(&item);
    item.position_ = static_cast<int>(positionMap_.size()) - 1;
    return tabList_.Add(item.Caption());
}

void TAdvTabSetModel::RemoveEntry(int position)
{
    // The map is in step before the tab list's deletion runs any handler.
    positionMap_.erase(positionMap_.begin() + position);
    Renumber(position);
    tabList_.Delete(position);
}

void TAdvTabSetModel::MoveEntry(int from, int to)
{
    TTabCollectionItem* selected = TabAt(tabIndex_);
    TTabCollectionItem* moved = positionMap_[static_cast<size_t>(from)];
    const String text = tabList_.Strings(from);
    positionMap_.erase(positionMap_.begin() + from);
    positionMap_.insert(positionMap_.begin() + to, moved);
    Renumber(0);
    tabList_.list_.Delete(from);
    tabList_.list_.Insert(to, text);
    if (selected)
        tabIndex_ = selected->position_;
    Repaint();
}

void TAdvTabSetModel::NotifyClick()
{
    if (OnClick)
        OnClick();
}

void TAdvTabSetModel::SetTabIndex(int value)
{
    if (value == tabIndex_)
        return;
    if (value < -1 || value >= TabCount())
        throw Exception("Tab index out of bounds");
    if (value == -1) {
        tabIndex_ = -1;
        Repaint();
        return;
    }
    TTabCollectionItem* item = TabAt(value);
    if (!item->Enable())
        return;
    bool allowChange = true;
    if (OnChange)
        OnChange(item->Index(), allowChange);
    if (!allowChange || value >= TabCount())
        return;
    tabIndex_ = value;
    FixTabPos();
    NotifyClick();
    Repaint();
}

void TAdvTabSetModel::SetFirstIndex(int value)
{
    if (value >= 0 && value < TabCount()) {
        firstIndex_ = value;
        Repaint();
    }
}

void TAdvTabSetModel::SelectNext(bool goForward)
{
    const int count = TabCount();
    if (count <= 1)
        return;
    int next = goForward ? tabIndex_ + 1 : tabIndex_ - 1;
    if (next >= count)
        next = 0;
    if (next < 0)
        next = count - 1;
    SetTabIndex(next);
}

void TAdvTabSetModel::SetTabHeight(int value)
{
    if (value == tabHeight_)
        return;
    tabHeight_ = value;
    CreateEdgeParts();
    Repaint();
}

void TAdvTabSetModel::SetSoftTop(bool soft)
{
    if (soft == softTop_)
        return;
    softTop_ = soft;
    CreateEdgeParts();
    Repaint();
}

void TAdvTabSetModel::ApplyVerticalMarginRule()
{
    if (tabStyle_ == TAdvTabStyle::tsDotNet && !Horizontal() && tabMargin_.RightMargin() == 0)
        tabMargin_.SetTopMargin(2);
}

void TAdvTabSetModel::SetAdvTabStyle(TAdvTabStyle style)
{
    if (style == tabStyle_)
        return;
    tabStyle_ = style;
    ApplyVerticalMarginRule();
    Repaint();
}

void TAdvTabSetModel::SetTabPosition(TAdvTabPosition position)
{
    if (position == tabPosition_)
        return;
    tabPosition_ = position;
    ApplyVerticalMarginRule();
    Repaint();
}

void TAdvTabSetModel::SetAutoScroll(bool autoScroll)
{
    if (autoScroll == autoScroll_)
        return;
    autoScroll_ = autoScroll;
    scrollerVisible_ = false;
    Repaint();
}

void TAdvTabSetModel::SetImageSize(bool hasImages, int width, int height)
{
    hasImages_ = hasImages;
    imageWidth_ = width;
    imageHeight_ = height;
    AdjustTabWidth();
    Repaint();
}

void TAdvTabSetModel::SetSkins(bool background, bool backgroundSelected)
{
    hasBackGround_ = background;
    hasBackGroundSelected_ = backgroundSelected;
    Repaint();
}

int TAdvTabSetModel::ItemWidth(int position) const
{
    const TTabCollectionItem* item = TabAt(position);
    int image = 0;
    if (hasImages_ && item && item->ImageIndex() >= 0)
        image = Horizontal() ? imageWidth_ : imageHeight_;
    const int margins =
        tabMargin_.RightMargin() + (Horizontal() ? tabMargin_.LeftMargin() : tabMargin_.TopMargin());
    int width = host_.TextWidth(tabList_.Strings(position)) + margins - 4 + image;
    if (OnMeasureTab)
        OnMeasureTab(position, width);
    return width;
}

void TAdvTabSetModel::AdjustTabWidth()
{
    for (int i = 0; i < TabCount(); ++i)
        tabList_.Put(i, Trim(tabList_.Strings(i)));
    IncTabWidth(0);
}

void TAdvTabSetModel::IncTabWidth(int extra)
{
    const String filler(static_cast<size_t>(std::max(extra, 0) / 3), ' ');
    for (int i = 0; i < TabCount(); ++i) {
        const TTabCollectionItem* item = TabAt(i);
        String text = tabList_.Strings(i) + filler;
        if (item && item->ShowClose() && closeButtonAt_ == TCloseButtonPos::cbTabs)
            text += "      ";  // room for the close button when measured
        tabList_.Put(i, text);
    }
}

int TAdvTabSetModel::CalcTabPositions(int start, int stop, int first)
{
    positions_.clear();
    int x = start;
    int p = first;
    while (x < stop && p < TabCount()) {
        const int width = ItemWidth(p);
        const TTabPlace place{width, x};
        x += width + kTabGap;
        // The first tab is laid out even when it alone is too long, so a
        // selected oversized tab is still shown (cut off by the window).
        if (x <= stop || positions_.empty()) {
            positions_.push_back(place);
            ++p;
        }
    }
    return static_cast<int>(positions_.size());
}

void TAdvTabSetModel::FixTabPos()
{
    if (TabCount() == 0)
        return;
    if (tabIndex_ > firstIndex_ + visibleTabs_ - 1) {
        int end = RunExtent() - endMargin_;
        if (autoScroll_ && TabCount() - 1 > visibleTabs_) {
            const int closeRoom = closeButtonAt_ == TCloseButtonPos::cbTabSet ? (Horizontal() ? 14 : 13) : 0;
            end -= (Horizontal() ? ScrollerWidth() : ScrollerHeight()) + 4 + tabOverlap_ + closeRoom;
        }
        if (!host_.WindowExists())
            return;
        const int runStart = startMargin_ + kTabGap;
        int p = tabIndex_;
        int free = end;
        while (free >= runStart && p >= 0) {
            free -= ItemWidth(p) + kTabGap;
            if (free >= runStart)
                --p;
        }
        // A selected tab too long for the run is shown first.
        firstIndex_ = std::min(p + 1, tabIndex_);
    } else if (tabIndex_ >= 0 && tabIndex_ < firstIndex_) {
        firstIndex_ = tabIndex_;
    }
}

TTabRect TAdvTabSetModel::TabRectOf(const TTabPlace& place) const
{
    if (Horizontal())
        return {place.start, 0, place.start + place.width, effectiveTabHeight_};
    return {0, place.start, effectiveTabHeight_, place.start + place.width};
}

int TAdvTabSetModel::ItemAtPos(int x, int y) const
{
    const int across = Across(x, y);
    const int along = Along(x, y);
    if (across < 0 || across > DepthExtent())
        return -1;
    for (size_t i = 0; i < positions_.size(); ++i) {
        const TTabPlace& place = positions_[i];
        if (along >= place.start && along <= place.start + place.width + kTabGap)
            return static_cast<int>(i);
    }
    return -1;
}

TTabRect TAdvTabSetModel::ItemRect(int item) const
{
    if (item < 0 || item >= static_cast<int>(positions_.size()))
        return {};
    const TTabPlace& place = positions_[static_cast<size_t>(item)];
    return {place.start - 1, 2, place.start + place.width + 1, effectiveTabHeight_ - 2};
}

TTabRect TAdvTabSetModel::MinClientRect(int tabCount, bool withScroller) const
{
    int width = startMargin_ + endMargin_;
    for (int i = 0; i < std::min(tabCount, TabCount()); ++i)
        width += ItemWidth(i) + kTabGap;
    if (withScroller)
        width += ScrollerWidth() + 4;
    return {0, 0, width, effectiveTabHeight_ + 5};
}

void TAdvTabSetModel::Resize()
{
    const int count = TabCount();
    if (count >= 2) {
        int x = startMargin_ + kTabGap;
        const int stop = RunExtent() - endMargin_;
        int fit = 0;
        while (x < stop && fit < count) {
            x += ItemWidth(fit) + kTabGap;
            if (x > stop)
                break;
            ++fit;
        }
        if (fit == count || visibleTabs_ < fit)
            SetFirstIndex(count - fit);
    }
    fixPosition_ = true;
    Repaint();
}

TTabSetLayout TAdvTabSetModel::LayOut()
{
    TTabSetLayout layout;
    const int clientWidth = host_.ClientWidth();
    const int clientHeight = host_.ClientHeight();
    const int least = effectiveTabHeight_ + 5;
    if (Horizontal()) {
        layout.bitmapWidth = clientWidth;
        layout.bitmapHeight = std::max(clientHeight, least);
    } else {
        layout.bitmapWidth = std::max(clientWidth, least);
        layout.bitmapHeight = clientHeight;
    }

    layout.runStart = startMargin_ + kTabGap;
    layout.runEnd = RunExtent() - endMargin_;
    if (showScroller_ == TShowScroller::ssAlways)
        layout.runEnd -= 24 + tabOverlap_;

    const bool barClose = closeButtonAt_ == TCloseButtonPos::cbTabSet;
    if (Horizontal()) {
        layout.scrollerLeft = clientWidth - ScrollerWidth() - 2;
        layout.scrollerTop = 3;
        if (barClose) {
            layout.scrollerLeft -= 14;
            layout.runEnd -= 14;
        }
    } else {
        layout.scrollerLeft = 3;
        layout.scrollerTop = clientHeight - ScrollerHeight() - 2;
        if (barClose) {
            layout.scrollerTop -= 13;
            layout.runEnd -= 15;
        }
    }

    visibleTabs_ = CalcTabPositions(layout.runStart, layout.runEnd, firstIndex_);

    if (autoScroll_ && (showScroller_ == TShowScroller::ssAlways || visibleTabs_ < TabCount())) {
        if (showScroller_ == TShowScroller::ssAuto) {
            layout.runEnd -= (Horizontal() ? ScrollerWidth() : ScrollerHeight()) + tabOverlap_;
            visibleTabs_ = CalcTabPositions(layout.runStart, layout.runEnd, firstIndex_);
        }
        scrollerVisible_ = true;
        scrollerMax_ = TabCount() - visibleTabs_;
    } else if (TabCount() <= visibleTabs_ && showScroller_ == TShowScroller::ssAuto) {
        scrollerVisible_ = false;
    }

    if (fixPosition_) {
        FixTabPos();
        visibleTabs_ = CalcTabPositions(layout.runStart, layout.runEnd, firstIndex_);
        fixPosition_ = false;
    }
    return layout;
}

TTabDrawing TAdvTabSetModel::TabDrawing(int entry) const
{
    const TTabPlace& place = positions_.at(static_cast<size_t>(entry));
    TTabDrawing tab;
    tab.tab = TabRectOf(place);
    tab.body = tab.tab;
    if (Horizontal())
        tab.body.right += 10;
    else
        tab.body.bottom += 10;
    const int position = firstIndex_ + entry;
    tab.selected = position == tabIndex_;
    tab.last = entry == visibleTabs_ - 1;
    tab.nextSelected = position + 1 == tabIndex_;
    tab.item = TabAt(position);
    const bool hoverOn = hoverColour_ != clNone || hoverColourTo_ != clNone;
    if (tab.selected) {
        tab.from = selectedColour_;
        tab.to = selectedColourTo_;
        tab.direction = tab.item->TabGradientDirection();
    } else if (hoverIndex_ == position && hoverOn) {
        tab.from = hoverColour_;
        tab.to = hoverColourTo_;
        tab.direction = tab.item->HoverGradientDirection();
        tab.hovered = true;
    } else {
        tab.from = tab.item->TabColor();
        tab.to = tab.item->TabColorTo();
        tab.direction = tab.item->TabGradientDirection();
    }
    return tab;
}

int TAdvTabSetModel::SelectedEntry() const
{
    const int entry = tabIndex_ - firstIndex_;
    if (tabIndex_ < 0 || entry < 0 || entry >= static_cast<int>(positions_.size()))
        return -1;
    return entry;
}

TCloseLook TAdvTabSetModel::TabCloseLook() const
{
    if (tabClosePressed_)
        return TCloseLook::Pressed;
    return closeHot_ ? TCloseLook::Hot : TCloseLook::Normal;
}

bool TAdvTabSetModel::IsOnButton(int entry, int x, int y) const
{
    if (entry < 0 || entry >= static_cast<int>(positions_.size()))
        return false;
    const TTabPlace& place = positions_[static_cast<size_t>(entry)];
    TTabRect tab = TabRectOf(place);
    if (!Horizontal())
        tab.bottom += 10;
    const int left = tab.left + tabMargin_.LeftMargin();
    TTabRect box;
    switch (tabPosition_) {
    case TAdvTabPosition::pLeft:
        box = {left + 2, tab.bottom - tabMargin_.TopMargin() - 13, left + 14, tab.bottom - tabMargin_.TopMargin() - 2};
        break;
    case TAdvTabPosition::pRight: {
        const int top = tab.top + tabMargin_.TopMargin();
        box = {left + 2, top, left + 14, top + 13};
        break;
    }
    default: {
        const int top = tab.top + tabMargin_.TopMargin();
        box = {left + 2, top + 2, left + 14, top + 13};
        break;
    }
    }
    return box.Contains(x, y);
}

bool TAdvTabSetModel::IsOnCloseButtonAtTabSet(int x, int y) const
{
    const int width = host_.ClientWidth();
    const int height = host_.ClientHeight();
    const TTabRect box =
        Horizontal() ? TTabRect{width - 15, 3, width - 3, 15} : TTabRect{3, height - 13, 15, height - 1};
    return box.Contains(x, y);
}

void TAdvTabSetModel::CloseButtonClick()
{
    TTabCollectionItem* item = TabAt(tabIndex_);
    if (!item)
        return;
    const int index = item->Index();
    bool canClose = true;
    if (OnCanClose)
        OnCanClose(index, canClose);
    if (canClose) {
        SelectNext(false);
        if (OnTabClose)
            OnTabClose(index);
        // The handlers may have deleted the tab themselves.
        if (tabs_->IndexOf(*item) >= 0)
            item->SetVisible(false);
    }
    Repaint();
}

void TAdvTabSetModel::MouseDown(bool left, int x, int y)
{
    if (!left || positions_.empty())
        return;
    const int along = Along(x, y);
    const int across = Across(x, y);
    bool tabHit = false;
    if (across <= effectiveTabHeight_) {
        const int tolerance = across < effectiveTabHeight_ / 2 ? 3 : 4;
        for (size_t i = 0; i < positions_.size(); ++i) {
            const TTabPlace& place = positions_[i];
            if (place.start - tolerance <= along && along <= place.start + place.width + tolerance) {
                SetTabIndex(firstIndex_ + static_cast<int>(i));
                tabHit = true;
                break;
            }
        }
    }
    const TTabCollectionItem* selected = TabAt(tabIndex_);
    if (selected && selected->ShowClose()) {
        if (closeButtonAt_ == TCloseButtonPos::cbTabs) {
            if (IsOnButton(SelectedEntry(), x, y)) {
                tabClosePressed_ = true;
                tabHit = false;
                Repaint();
            }
        } else if (IsOnCloseButtonAtTabSet(x, y)) {
            barClosePressed_ = true;
            Repaint();
        }
    }
    if (tabRearrange_ && tabHit) {
        dragPending_ = true;
        dragX_ = x;
        dragY_ = y;
    }
}

void TAdvTabSetModel::MouseMove(int x, int y)
{
    if (dragPending_ && (std::abs(x - dragX_) >= kDragThreshold || std::abs(y - dragY_) >= kDragThreshold)) {
        dragPending_ = false;
        dragging_ = true;
    }
    if (dragging_) {
        dragAccepted_ = Across(x, y) <= effectiveTabHeight_ && ItemAtPos(x, y) >= 0;
        return;
    }
    if (Across(x, y) > effectiveTabHeight_ || tabs_->Count() == 0)
        return;
    if (!hasBackGround_) {
        const int entry = ItemAtPos(x, y);
        if (entry >= 0 && firstIndex_ + entry != hoverIndex_ && (hoverColour_ != clNone || hoverColourTo_ != clNone)) {
            hoverIndex_ = firstIndex_ + entry;
            Repaint();
        }
    }
    if (closeButtonAt_ == TCloseButtonPos::cbTabSet) {
        if (barClosePressed_ && !IsOnCloseButtonAtTabSet(x, y)) {
            barClosePressed_ = false;
            Repaint();
        }
        return;
    }
    const TTabCollectionItem* selected = TabAt(tabIndex_);
    const int entry = SelectedEntry();
    if (!selected || !selected->ShowClose() || entry < 0)
        return;
    const bool on = IsOnButton(entry, x, y);
    if (closeHot_ != on) {
        closeHot_ = on;
        Repaint();
    }
}

void TAdvTabSetModel::MouseUp(bool left, int x, int y)
{
    const bool wasDragging = dragging_;
    dragPending_ = dragging_ = false;
    const bool wasPressed = tabClosePressed_ || barClosePressed_;
    tabClosePressed_ = barClosePressed_ = false;
    if (wasPressed)
        Repaint();
    if (wasDragging) {
        if (left && dragAccepted_)
            DragDrop(x, y);
        dragAccepted_ = false;
        return;
    }
    if (!left || positions_.empty() || Across(x, y) > effectiveTabHeight_)
        return;
    const TTabCollectionItem* selected = TabAt(tabIndex_);
    if (!selected || !selected->ShowClose())
        return;
    const bool onButton = closeButtonAt_ == TCloseButtonPos::cbTabs ? IsOnButton(SelectedEntry(), x, y)
                                                                    : IsOnCloseButtonAtTabSet(x, y);
    if (onButton)
        CloseButtonClick();
}

void TAdvTabSetModel::MouseLeave()
{
    bool changed = closeHot_;
    closeHot_ = false;
    if (!hasBackGround_ && hoverIndex_ != -1) {
        hoverIndex_ = -1;
        changed = true;
    }
    if (changed)
        Repaint();
}

void TAdvTabSetModel::DragDrop(int x, int y)
{
    const int entry = ItemAtPos(x, y);
    if (entry < 0 || tabIndex_ < 0)
        return;
    const int target = firstIndex_ + entry;
    if (target == tabIndex_)
        return;
    TTabCollectionItem* dragged = TabAt(tabIndex_);
    const TTabPlace& place = positions_[static_cast<size_t>(entry)];
    const int middle = place.start + (place.width + kTabGap) / 2;
    int newPosition;
    if (Along(x, y) >= middle)
        newPosition = tabIndex_ >= target ? target + 1 : target;
    else
        newPosition = tabIndex_ < target ? target - 1 : target;
    const int from = tabIndex_;
    if (dragged->MoveItemInTabSetTo(newPosition)) {
        SetTabIndex(newPosition);
        if (OnTabMoved)
            OnTabMoved(from, newPosition);
    }
}

bool TAdvTabSetModel::DialogChar(char key)
{
    for (int i = 0; i < TabCount(); ++i)
        if (IsAccel(key, tabList_.Strings(i))) {
            if (i != tabIndex_)
                SetTabIndex(i);
            return true;
        }
    return false;
}
