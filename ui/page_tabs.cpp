#include "ui/page_tabs.h"

#include "classlib/form_building.h"

namespace {

constexpr TColor kTabColour = 8537638;

}  // namespace

void SetUpPageTabs(TAdvTabSet& tabs, HMODULE pictures, std::initializer_list<const char*> captions)
{
    TAdvTabSetModel& model = tabs.Model();
    tabs.SetBounds(-1, 9, 553, 21);
    model.SetTabPosition(TAdvTabPosition::pTop);
    model.SetAdvTabStyle(TAdvTabStyle::tsClassic);
    tabs.SetAutoScroll(false);
    model.SetShowScroller(TShowScroller::ssAuto);
    model.SetTabHeight(19);
    TTabMargin margin;
    margin.SetLeftMargin(8);
    margin.SetTopMargin(3);
    model.SetTabMargin(margin);
    model.SetTabOverlap(10);
    model.SetStartMargin(0);
    model.SetEndMargin(0);
    model.SetLowerSelected(0);
    model.SetSoftTop(true);
    tabs.SetBackgroundColor(kPageColour);
    model.SetSelectedColor(kTabColour);
    model.SetSelectedColorTo(kTabColour);
    model.SetTextColor(kTabColour);
    model.SetTabBorderColor(clBtnFace);
    model.SetGradientDirection(TGradientDirection::gdVertical);
    const TFont font("Arial", -13, fsBold, kTabColour);
    tabs.SetFont(font);
    tabs.SetActiveFont(font);
    tabs.OnMeasureTab = [](TAdvTabSet& bar, int position, int& width) {
        const TTabCollectionItem* item = bar.Model().TabAt(position);
        width = bar.TextWidth(item ? item->Caption() : String()) + 20;
    };
    for (const char* caption : captions) {
        TTabCollectionItem& tab = tabs.AdvTabs().Add();
        tab.SetCaption(caption);
        tab.SetTabColor(clWindow);
        tab.SetTabColorTo(clNone);
        tab.SetTextColor(kTabColour);
    }
    tabs.SetTabBackGround(RequiredPicture(pictures, "BM_TH"));
    tabs.SetTabBackGroundSelected(RequiredPicture(pictures, "BM_THS"));
}
